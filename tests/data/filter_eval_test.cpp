// Filter trees as the dataset writes them, judged by the engine's evaluator
// against record images of the engine's own layout.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/exception.h"
#include "data/db_error.h"
#include "data/filter_expr.h"
#include "engine/src/filter_eval.h"
#include "engine/src/record.h"

using namespace dbeng;
using Bytes = std::vector<uint8_t>;

namespace {

EngFldDesc Desc(const char *name, uint16_t type, int16_t units1 = 0, int16_t units2 = 0) {
  EngFldDesc d{};
  std::strncpy(d.name, name, sizeof d.name - 1);
  d.type = type;
  d.units1 = units1;
  d.units2 = units2;
  return d;
}

struct Table {
  RecordShape shape;
  TFilterFieldList fields;

  Table() {
    struct Def {
      const char *name;
      uint16_t engType;
      int16_t units1, units2;
      TFieldType type;
      int size;
    };
    const Def defs[] = {
        {"CATEGORY", ENG_FLD_INT16, 0, 0, ftSmallint, 0},
        {"TITLE", ENG_FLD_ZSTRING, 24, 0, ftString, 24},
        {"KEYWORDS", ENG_FLD_ZSTRING, 240, 0, ftString, 240},
        {"WAV", ENG_FLD_BLOB, 240, 0, ftBlob, 240},
        {"LOUD", ENG_FLD_BOOL, 0, 0, ftBoolean, 0},
        {"RATE", ENG_FLD_INT32, 0, 0, ftInteger, 0},
        {"CHANNELS", ENG_FLD_UINT16, 0, 0, ftWord, 0},
        {"SECONDS", ENG_FLD_FLOAT, 0, 0, ftFloat, 0},
        {"PRICE", ENG_FLD_BCD, 32, 2, ftBCD, 2},
        {"RECORDED", ENG_FLD_DATE, 0, 0, ftDate, 0},
        {"AT", ENG_FLD_TIME, 0, 0, ftTime, 0},
        {"STAMP", ENG_FLD_TIMESTAMP, 0, 0, ftDateTime, 0},
    };
    int n = 0;
    for (const Def &d : defs) {
      shape.fields.push_back(Desc(d.name, d.engType, d.units1, d.units2));
      fields.Add({d.name, ++n, d.type, d.size, fkData});
    }
    EXPECT_TRUE(shape.Layout());
  }
};

const Table &T() {
  static Table t;
  return t;
}

// A record image; every field blank until set.
struct Row {
  Bytes b = Bytes(T().shape.recordSize, 0);
  template <typename V> Row &Set(uint16_t fieldNum, V v) {
    WriteSlot(*T().shape.Field(fieldNum), b.data(), &v);
    return *this;
  }
  Row &Text(uint16_t fieldNum, const char *s) {
    WriteSlot(*T().shape.Field(fieldNum), b.data(), s);
    return *this;
  }
  Row &Bcd(uint16_t fieldNum, const Bytes &packed) {
    WriteSlot(*T().shape.Field(fieldNum), b.data(), packed.data());
    return *this;
  }
};

std::unique_ptr<RecordPredicate> Compile(const Bytes &tree, std::string *why = nullptr) {
  std::unique_ptr<RecordPredicate> p;
  std::string w;
  DBResult r = CompileFilterTree(tree.data(), tree.size(), T().shape, &p, &w);
  if (why) *why = w;
  if (r != DBENG_OK) return nullptr;
  return p;
}

bool Passes(const std::string &filter, const Row &row, TFilterOptions options = 0) {
  auto p = Compile(BuildFilterTree(T().fields, filter, options));
  EXPECT_TRUE(p) << filter;
  return p && p->Matches(row.b.data());
}

Row Animal(const char *title, int16_t category = 100) {
  return Row().Set<int16_t>(1, category).Text(2, title);
}

TEST(FilterEval, NumbersAndTheSixOperators) {
  Row r = Animal("Dog barking", 100);
  EXPECT_TRUE(Passes("CATEGORY=100", r));
  EXPECT_FALSE(Passes("CATEGORY=200", r));
  EXPECT_TRUE(Passes("CATEGORY<>200", r));
  EXPECT_FALSE(Passes("CATEGORY<>100", r));
  EXPECT_TRUE(Passes("CATEGORY>99", r));
  EXPECT_FALSE(Passes("CATEGORY>100", r));
  EXPECT_TRUE(Passes("CATEGORY>=100", r));
  EXPECT_TRUE(Passes("CATEGORY<101", r));
  EXPECT_FALSE(Passes("CATEGORY<100", r));
  EXPECT_TRUE(Passes("CATEGORY<=100", r));
  EXPECT_TRUE(Passes("200>CATEGORY", r));
  Row neg = Animal("x", -5);
  EXPECT_TRUE(Passes("CATEGORY<0", neg));
  // A blank number meets no comparison, not even <>.
  Row blank = Row().Text(2, "No category");
  EXPECT_FALSE(Passes("CATEGORY=100", blank));
  EXPECT_FALSE(Passes("CATEGORY<>100", blank));
  EXPECT_FALSE(Passes("CATEGORY<100", blank));
}

TEST(FilterEval, TextsExactCaseInsensitiveAndPrefix) {
  Row r = Animal("Dog barking");
  EXPECT_TRUE(Passes("TITLE='Dog barking'", r));
  EXPECT_FALSE(Passes("TITLE='dog barking'", r));
  EXPECT_TRUE(Passes("TITLE='dog barking'", r, foCaseInsensitive));
  EXPECT_TRUE(Passes("TITLE<>'dog barking'", r));
  EXPECT_FALSE(Passes("TITLE<>'DOG BARKING'", r, foCaseInsensitive));
  EXPECT_TRUE(Passes("TITLE='Dog*'", r));
  EXPECT_FALSE(Passes("TITLE='dog*'", r));
  EXPECT_TRUE(Passes("TITLE='dOG B*'", r, foCaseInsensitive));
  EXPECT_FALSE(Passes("TITLE='Dog*'", r, foNoPartialCompare));
  EXPECT_TRUE(Passes("TITLE='Dog*'", Animal("Dog*"), foNoPartialCompare));
  EXPECT_TRUE(Passes("TITLE<>'Cat*'", r));
  // A prefix longer than the title does not match.
  EXPECT_FALSE(Passes("TITLE='Dog barking loudly*'", r));
  // Case folding beyond ASCII, and prefixes counted in characters.
  Row e = Animal("Éclair fizz");
  EXPECT_TRUE(Passes("TITLE='éCLAIR FIZZ'", e, foCaseInsensitive));
  EXPECT_TRUE(Passes("TITLE='éc*'", e, foCaseInsensitive));
  EXPECT_FALSE(Passes("TITLE='éc*'", e));
  // Ordering is the dictionary order of the engine's indexes.
  EXPECT_TRUE(Passes("TITLE>'dog'", r));
  EXPECT_TRUE(Passes("TITLE<'Elephant'", r));
  EXPECT_TRUE(Passes("TITLE<'elephant'", r));
  EXPECT_TRUE(Passes("TITLE<'Dog barking'", Animal("dog barking")) !=
              Passes("TITLE>'Dog barking'", Animal("dog barking")));
  // A blank text reads as the empty text.
  Row untitled = Row().Set<int16_t>(1, 100);
  EXPECT_TRUE(Passes("TITLE=''", untitled));
  EXPECT_TRUE(Passes("TITLE<>'x'", untitled));
  EXPECT_FALSE(Passes("TITLE='x*'", untitled));
  EXPECT_FALSE(Passes("TITLE=''", r));
}

TEST(FilterEval, BlankTestsAndLogic) {
  Row r = Animal("Dog barking");
  Row untitled = Row().Set<int16_t>(1, 100);
  EXPECT_TRUE(Passes("TITLE=NULL", untitled));
  EXPECT_FALSE(Passes("TITLE=NULL", r));
  EXPECT_TRUE(Passes("TITLE<>NULL", r));
  EXPECT_TRUE(Passes("WAV=NULL", r));
  EXPECT_TRUE(Passes("CATEGORY<>NULL", r));
  EXPECT_FALSE(Passes("CATEGORY=NULL", r));

  EXPECT_TRUE(Passes("CATEGORY=100 AND TITLE='Dog*'", r));
  EXPECT_FALSE(Passes("CATEGORY=200 AND TITLE='Dog*'", r));
  EXPECT_TRUE(Passes("CATEGORY=200 OR TITLE='Dog*'", r));
  EXPECT_FALSE(Passes("CATEGORY=200 OR TITLE='Cat*'", r));
  EXPECT_FALSE(Passes("NOT CATEGORY=100", r));
  EXPECT_TRUE(Passes("NOT CATEGORY=200 AND TITLE='Dog*'", r));
  EXPECT_TRUE(Passes("NOT (CATEGORY=200 OR TITLE='Cat*')", r));
  EXPECT_FALSE(Passes("NOT (CATEGORY=100 OR TITLE='Cat*')", r));

  // A Boolean field standing alone passes when true.
  EXPECT_TRUE(Passes("LOUD", Row().Set<int16_t>(5, 1)));
  EXPECT_FALSE(Passes("LOUD", Row().Set<int16_t>(5, 0)));
  EXPECT_FALSE(Passes("LOUD", Row()));
  EXPECT_TRUE(Passes("NOT LOUD", Row().Set<int16_t>(5, 0)));
}

Bytes Packed(const char *digits32, bool negative, int places) {
  Bytes b(18, 0);
  b[0] = 32;
  b[1] = static_cast<uint8_t>((negative ? 0x80 : 0) | places);
  for (int i = 0; i < 16; ++i)
    b[2 + i] = static_cast<uint8_t>(((digits32[2 * i] - '0') << 4) | (digits32[2 * i + 1] - '0'));
  return b;
}

TEST(FilterEval, EveryConstantType) {
  Row r;
  r.Set<int32_t>(6, 44100).Set<uint16_t>(7, 65535).Set<double>(8, 2.5);
  r.Bcd(9, Packed("00000000000000000000000000001235", true, 2)); // -12.35
  r.Set<int32_t>(10, 730120);                                    // 2000-01-01
  r.Set<int32_t>(11, 48605250);                                  // 13:30:05.250
  r.Set<double>(12, 730120.0 * 86400000 + 3600000);              // 2000-01-01 01:00
  EXPECT_TRUE(Passes("RATE=44100", r));
  EXPECT_TRUE(Passes("RATE>-2147483648", r));
  EXPECT_TRUE(Passes("CHANNELS=65535", r));
  EXPECT_TRUE(Passes("CHANNELS>32767", r)); // unsigned, not -1
  EXPECT_TRUE(Passes("SECONDS=2.5", r));
  EXPECT_TRUE(Passes("SECONDS<2.51", r));
  EXPECT_TRUE(Passes("PRICE=-12.35", r));
  EXPECT_TRUE(Passes("PRICE<-12.34", r));
  EXPECT_FALSE(Passes("PRICE>0", r));
  EXPECT_TRUE(Passes("RECORDED='2000-01-01'", r));
  EXPECT_TRUE(Passes("RECORDED<'2000-01-02'", r));
  EXPECT_TRUE(Passes("AT='13:30:05.250'", r));
  EXPECT_TRUE(Passes("AT>'13:30'", r));
  EXPECT_TRUE(Passes("STAMP='2000-01-01 01:00'", r));
  EXPECT_TRUE(Passes("STAMP>'2000-01-01'", r));
}

// Trees of fixed 14-byte nodes, as the enhanced table writes them with its
// arithmetic operators.
struct FixedTree {
  struct Node {
    uint32_t cls, op;
    uint16_t a, b, c;
  };
  std::vector<Node> nodes;
  Bytes literals;

  uint16_t Add(uint32_t cls, uint32_t op, uint16_t a = 0, uint16_t b = 0, uint16_t c = 0) {
    nodes.push_back({cls, op, a, b, c});
    return static_cast<uint16_t>((nodes.size() - 1) * 14);
  }
  uint16_t Field(uint16_t num, const char *name) {
    uint16_t off = static_cast<uint16_t>(literals.size());
    literals.insert(literals.end(), name, name + std::strlen(name) + 1);
    return Add(ENG_NODE_FIELD, ENG_FOP_FIELD, num, off);
  }
  template <typename V> uint16_t Const(uint16_t type, V v) {
    uint16_t off = static_cast<uint16_t>(literals.size());
    Bytes raw(sizeof v);
    std::memcpy(raw.data(), &v, sizeof v);
    literals.insert(literals.end(), raw.begin(), raw.end());
    return Add(ENG_NODE_CONST, ENG_FOP_CONST, type, sizeof v, off);
  }
  void Set(uint16_t node, int operand, uint16_t value) {
    Node &n = nodes[node / 14];
    (operand == 0 ? n.a : operand == 1 ? n.b : n.c) = value;
  }
  Bytes Build() const {
    Bytes t;
    auto u16 = [&](uint32_t v) {
      t.push_back(static_cast<uint8_t>(v));
      t.push_back(static_cast<uint8_t>(v >> 8));
    };
    size_t size = 10 + 14 * nodes.size() + literals.size();
    u16(1), u16(static_cast<uint32_t>(size)), u16(static_cast<uint32_t>(nodes.size())), u16(10),
        u16(static_cast<uint32_t>(10 + 14 * nodes.size()));
    for (const Node &n : nodes) {
      u16(n.cls & 0xFFFF), u16(n.cls >> 16), u16(n.op & 0xFFFF), u16(n.op >> 16);
      u16(n.a), u16(n.b), u16(n.c);
    }
    t.insert(t.end(), literals.begin(), literals.end());
    return t;
  }
};

// "FIELD arith CONSTANT relop CONSTANT2".
Bytes ArithTree(uint16_t field, const char *name, uint32_t arith, double operand, uint32_t rel,
                double result) {
  FixedTree t;
  uint16_t cmp = t.Add(ENG_NODE_BINARY, rel);
  uint16_t calc = t.Add(ENG_NODE_BINARY, arith);
  t.Set(cmp, 0, calc);
  t.Set(calc, 0, t.Field(field, name));
  t.Set(calc, 1, t.Const(ENG_CONST_FLOAT, operand));
  t.Set(cmp, 1, t.Const(ENG_CONST_FLOAT, result));
  return t.Build();
}

TEST(FilterEval, ArithmeticInFixedNodeTrees) {
  Row r;
  r.Set<int32_t>(6, 44100).Set<double>(8, 2.5);
  auto passes = [&](const Bytes &tree) {
    std::string why;
    auto p = Compile(tree, &why);
    EXPECT_TRUE(p) << why;
    return p && p->Matches(r.b.data());
  };
  EXPECT_TRUE(passes(ArithTree(6, "RATE", ENG_FOP_DIV, 2, ENG_FOP_EQ, 22050)));
  EXPECT_TRUE(passes(ArithTree(6, "RATE", ENG_FOP_SUB, 100, ENG_FOP_EQ, 44000)));
  EXPECT_TRUE(passes(ArithTree(8, "SECONDS", ENG_FOP_MUL, 4, ENG_FOP_EQ, 10)));
  EXPECT_TRUE(passes(ArithTree(8, "SECONDS", ENG_FOP_ADD, 0.5, ENG_FOP_GE, 3)));
  EXPECT_FALSE(passes(ArithTree(8, "SECONDS", ENG_FOP_ADD, 0.5, ENG_FOP_GT, 3)));
  // Division by zero gives no value, and no value passes no comparison.
  EXPECT_FALSE(passes(ArithTree(6, "RATE", ENG_FOP_DIV, 0, ENG_FOP_NE, 1)));
  // Arithmetic on a blank field gives no value either.
  Row blank;
  auto p = Compile(ArithTree(6, "RATE", ENG_FOP_ADD, 1, ENG_FOP_NE, 0));
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->Matches(blank.b.data()));
  // A field named by its name when the number is unknown.
  EXPECT_TRUE(passes(ArithTree(0, "rate", ENG_FOP_DIV, 2, ENG_FOP_EQ, 22050)));
}

TEST(FilterEval, MalformedTreesAreRefusedWithAReason) {
  Bytes good = BuildFilterTree(T().fields, "CATEGORY=100 AND TITLE='Dog*'", 0);
  std::string why;
  auto refused = [&](Bytes tree) {
    std::unique_ptr<RecordPredicate> p;
    why.clear();
    DBResult r = CompileFilterTree(tree.data(), tree.size(), T().shape, &p, &why);
    return r == DBENG_ERR_INVALIDFILTER && !p && !why.empty();
  };
  EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + 6)));
  Bytes t = good;
  t[0] = 3;
  EXPECT_TRUE(refused(t));
  t = good;
  t[2] = static_cast<uint8_t>(t[2] + 1); // size field disagrees with the length
  EXPECT_TRUE(refused(t));
  t = good;
  t[18] = 0; // the AND's first operand points at the AND itself
  EXPECT_TRUE(refused(t));
  // Shared operands would unfold into 2^20 comparisons: refused instead.
  FixedTree dag;
  for (int i = 0; i < 20; ++i)
    dag.Add(ENG_NODE_BINARY, ENG_FOP_AND, static_cast<uint16_t>((i + 1) * 14),
            static_cast<uint16_t>((i + 1) * 14));
  uint16_t cmp = dag.Add(ENG_NODE_BINARY, ENG_FOP_EQ);
  dag.Set(cmp, 0, dag.Field(1, "CATEGORY"));
  dag.Set(cmp, 1, dag.Const(ENG_CONST_INT16, int16_t{100}));
  EXPECT_TRUE(refused(dag.Build()));
  EXPECT_NE(why.find("more than once"), std::string::npos) << why;

  TFilterFieldList other{{"GONE", 40, ftSmallint, 0, fkData}};
  EXPECT_TRUE(refused(BuildFilterTree(other, "GONE=1", 0)));
  EXPECT_NE(why.find("GONE"), std::string::npos);
  TFilterFieldList blobAsText{{"WAV", 4, ftString, 20, fkData}};
  EXPECT_TRUE(refused(BuildFilterTree(blobAsText, "WAV='RIFF'", 0)));
  EXPECT_NE(why.find("cannot be compared"), std::string::npos);

  // Every single-byte damage of a good tree is either refused or judged
  // without reading outside the tree (run under the sanitizers in CI).
  Row r = Animal("Dog barking");
  std::mt19937 rng(7);
  for (size_t i = 0; i < good.size(); ++i)
    for (int k = 0; k < 8; ++k) {
      Bytes bad = good;
      bad[i] = static_cast<uint8_t>(rng());
      std::unique_ptr<RecordPredicate> p;
      if (CompileFilterTree(bad.data(), bad.size(), T().shape, &p, &why) == DBENG_OK)
        p->Matches(r.b.data());
    }
}

TEST(FilterEval, AnalysisFindsIndexableTrees) {
  auto analyze = [](const std::string &text, IndexableFilter &f, TFilterOptions o = 0) {
    Bytes t = BuildFilterTree(T().fields, text, o);
    return AnalyzeFilterTree(t.data(), t.size(), T().shape, &f);
  };
  IndexableFilter f;
  ASSERT_TRUE(analyze("CATEGORY=100", f));
  EXPECT_EQ(f.fieldNum, 1);
  ASSERT_EQ(f.terms.size(), 1u);
  EXPECT_EQ(f.terms[0].op, ENG_FOP_EQ);
  EXPECT_FALSE(f.terms[0].isText);
  EXPECT_EQ(f.terms[0].number, 100);

  ASSERT_TRUE(analyze("100<=CATEGORY AND CATEGORY<200", f));
  ASSERT_EQ(f.terms.size(), 2u);
  EXPECT_EQ(f.terms[0].op, ENG_FOP_GE);
  EXPECT_EQ(f.terms[1].op, ENG_FOP_LT);
  EXPECT_EQ(f.terms[1].number, 200);

  ASSERT_TRUE(analyze("TITLE='dog*'", f, foCaseInsensitive));
  EXPECT_EQ(f.fieldNum, 2);
  EXPECT_TRUE(f.terms[0].isText);
  EXPECT_EQ(f.terms[0].text, "dog");
  EXPECT_TRUE(f.terms[0].caseInsensitive);
  EXPECT_EQ(f.terms[0].partialLength, 3);

  ASSERT_TRUE(analyze("STAMP>='2000-01-01'", f));
  EXPECT_EQ(f.terms[0].number, 730120.0 * 86400000);

  EXPECT_FALSE(analyze("CATEGORY=100 OR CATEGORY=200", f));
  EXPECT_FALSE(analyze("CATEGORY=100 AND TITLE='x'", f));
  EXPECT_FALSE(analyze("CATEGORY<>100", f));
  EXPECT_FALSE(analyze("NOT CATEGORY=100", f));
  EXPECT_FALSE(analyze("CATEGORY=NULL", f));
  EXPECT_FALSE(analyze("TITLE<'M'", f)); // a blank title would pass
  EXPECT_FALSE(analyze("TITLE=''", f));
  EXPECT_FALSE(analyze("LOUD", f));
}

} // namespace

namespace {

// Random texts of the language: every tree the writer makes is one the
// engine accepts, and random bytes never get further than a clear message.
std::string RandomFilter(std::mt19937 &rng, int depth) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  if (depth > 0 && pick(3) == 0) {
    const char *joins[] = {" AND ", " OR ", " and ", " or "};
    return "(" + RandomFilter(rng, depth - 1) + joins[pick(4)] + RandomFilter(rng, depth - 1) + ")";
  }
  // (A second NOT right after a first would name a field.)
  if (depth > 0 && pick(6) == 0) return "NOT (" + RandomFilter(rng, depth - 1) + ")";
  const char *ops[] = {"=", "<>", "<", ">", "<=", ">="};
  std::string op = ops[pick(6)];
  switch (pick(9)) {
  case 0:
    return "CATEGORY" + op + std::to_string(pick(2000) - 1000);
  case 1:
    return std::to_string(pick(900)) + op + "[CATEGORY]";
  case 2:
    return "TITLE" + op + "'" + std::string(1, static_cast<char>('a' + pick(26))) +
           (pick(2) ? "*'" : "'");
  case 3:
    return "KEYWORDS" + std::string(pick(2) ? "=" : "<>") + "NULL";
  case 4:
    return "LOUD";
  case 5:
    return "SECONDS" + op + "1.5E" + std::to_string(pick(5));
  case 6:
    return "RECORDED" + op + "'20" + std::to_string(10 + pick(15)) + "-0" +
           std::to_string(1 + pick(9)) + "-1" + std::to_string(pick(10)) + "'";
  case 7:
    return "PRICE" + op + "-" + std::to_string(pick(100000)) + ".25";
  default:
    return "STAMP" + op + "'2001-02-03 04:05:0" + std::to_string(pick(10)) + "'";
  }
}

TEST(FilterEval, EveryWrittenTreeIsAcceptedAndBadTextsOnlyRaise) {
  std::mt19937 rng(11);
  Row r = Animal("Dog barking");
  for (int i = 0; i < 2000; ++i) {
    std::string text = RandomFilter(rng, 4);
    TFilterOptions options = static_cast<TFilterOptions>(rng() % 4);
    Bytes tree;
    ASSERT_NO_THROW(tree = BuildFilterTree(T().fields, text, options)) << text;
    std::string why;
    auto p = Compile(tree, &why);
    ASSERT_TRUE(p) << text << ": " << why;
    p->Matches(r.b.data());
    EXPECT_NO_THROW(DescribeFilterTree(tree)) << text;
  }
  const std::string alphabet = "CATEGORY TITLE=<>'()[]*-.0123456789eE_NOTANDORNULL\t\x01\xc3\xa9";
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    for (int n = static_cast<int>(rng() % 24); n > 0; --n)
      text += alphabet[rng() % alphabet.size()];
    try {
      Bytes tree = BuildFilterTree(T().fields, text, 0);
      ASSERT_TRUE(Compile(tree)) << text;
    } catch (const EDatabaseError &) {
    } catch (const EConvertError &) {
    }
  }
}

} // namespace
