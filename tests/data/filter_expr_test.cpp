#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/convert.h"
#include "base/exception.h"
#include "data/db_error.h"
#include "data/filter_expr.h"

namespace ft = filter_tree;
using Bytes = std::vector<uint8_t>;

namespace {

// The catalogue's fields, and a few more of other types.
const TFilterFieldList &Fields() {
  static const TFilterFieldList fields{
      {"CATEGORY", 1, ftSmallint, 0, fkData}, {"TITLE", 2, ftString, 24, fkData},
      {"KEYWORDS", 3, ftString, 240, fkData}, {"WAV", 4, ftBlob, 240, fkData},
      {"OR", 5, ftSmallint, 0, fkData},       {"LOUD", 6, ftBoolean, 0, fkData},
      {"RATE", 7, ftInteger, 0, fkData},      {"CHANNELS", 8, ftWord, 0, fkData},
      {"SECONDS", 9, ftFloat, 0, fkData},     {"PRICE", 10, ftBCD, 2, fkData},
      {"RECORDED", 11, ftDate, 0, fkData},    {"AT", 12, ftTime, 0, fkData},
      {"STAMP", 13, ftDateTime, 0, fkData},   {"LABEL", 14, ftString, 20, fkCalculated},
      {"MY FIELD", 15, ftString, 20, fkData}, {"NOT", 16, ftBoolean, 0, fkData},
  };
  return fields;
}

Bytes Tree(const std::string &text, TFilterOptions options = 0) {
  return BuildFilterTree(Fields(), text, options);
}

// Builds expected trees the long way: explicit little-endian fields.
struct Expect {
  Bytes b;
  Expect &U16(uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Expect &U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Expect &Text(const std::string &s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
    return *this;
  }
  Expect &Raw(const Bytes &r) {
    b.insert(b.end(), r.begin(), r.end());
    return *this;
  }
};

uint16_t At16(const Bytes &t, size_t pos) {
  return static_cast<uint16_t>(t[pos] | t[pos + 1] << 8);
}
uint32_t At32(const Bytes &t, size_t pos) {
  return At16(t, pos) | (uint32_t{At16(t, pos + 2)} << 16);
}
// Class, operator and operands of the node at node offset n.
uint32_t NodeClass(const Bytes &t, size_t n) {
  return At32(t, 10 + n);
}
uint32_t NodeOp(const Bytes &t, size_t n) {
  return At32(t, 14 + n);
}
uint16_t Operand(const Bytes &t, size_t n, size_t i) {
  return At16(t, 18 + n + 2 * i);
}
std::string LiteralText(const Bytes &t, size_t offset) {
  return reinterpret_cast<const char *>(t.data() + At16(t, 8) + offset);
}

template <typename E> std::string ErrorOf(const std::string &text, TFilterOptions options = 0) {
  try {
    Tree(text, options);
  } catch (const E &e) {
    return e.Message();
  } catch (const Exception &e) {
    return "wrong exception class: " + e.Message();
  }
  return "no error";
}
std::string DbError(const std::string &text, TFilterOptions options = 0) {
  return ErrorOf<EDatabaseError>(text, options);
}
std::string ConvertError(const std::string &text) {
  return ErrorOf<EConvertError>(text);
}

TEST(FilterTree, CategoryEqualsHundredByteForByte) {
  Expect e;
  e.U16(2).U16(59).U16(65535).U16(10).U16(48);
  e.U32(2).U32(3).U16(12).U16(24);
  e.U32(4).U32(13).U16(1).U16(0);
  e.U32(5).U32(14).U16(5).U16(2).U16(9);
  e.Text("CATEGORY").U16(100);
  EXPECT_EQ(Tree("CATEGORY=100"), e.b);
  // Names match ignoring case, a constant may stand first, and blanks and
  // control characters between tokens are skipped.
  EXPECT_EQ(Tree("category=100"), e.b);
  EXPECT_EQ(Tree("100=CATEGORY"), e.b);
  EXPECT_EQ(Tree(" \t CATEGORY \r\n= 100 "), e.b);
  EXPECT_EQ(Tree("(CATEGORY=100)"), e.b);
}

TEST(FilterTree, TitlePrefixMatchByteForByte) {
  Expect e;
  e.U16(2).U16(62).U16(65535).U16(10).U16(52);
  e.U32(3).U32(3).U16(0).U16(3).U16(16).U16(28);
  e.U32(4).U32(13).U16(2).U16(0);
  e.U32(5).U32(14).U16(1).U16(4).U16(6);
  e.Text("TITLE").Text("Dog");
  EXPECT_EQ(Tree("TITLE='Dog*'"), e.b);
  EXPECT_EQ(Tree("[TITLE]='Dog*'"), e.b);
}

TEST(FilterTree, StringComparisonsAndTheirOptions) {
  // No prefix match when the option forbids it: the star is a character.
  Bytes t = Tree("TITLE='Dog*'", foNoPartialCompare);
  EXPECT_EQ(NodeClass(t, 0), ft::ncBinary);
  EXPECT_EQ(NodeOp(t, 0), ft::opEQ);
  EXPECT_EQ(LiteralText(t, 6), "Dog*");

  // A single star is never a prefix match.
  t = Tree("TITLE='*'");
  EXPECT_EQ(NodeClass(t, 0), ft::ncBinary);
  EXPECT_EQ(LiteralText(t, 6), "*");

  t = Tree("TITLE='dog'", foCaseInsensitive);
  EXPECT_EQ(NodeClass(t, 0), ft::ncCompare);
  EXPECT_EQ(Operand(t, 0, 0), 1);
  EXPECT_EQ(Operand(t, 0, 1), 0);
  EXPECT_EQ(LiteralText(t, 6), "dog");

  // Both options: case-insensitive prefix match on <> as well.
  t = Tree("TITLE<>'do*'", foCaseInsensitive);
  EXPECT_EQ(NodeClass(t, 0), ft::ncCompare);
  EXPECT_EQ(NodeOp(t, 0), ft::opNE);
  EXPECT_EQ(Operand(t, 0, 0), 1);
  EXPECT_EQ(Operand(t, 0, 1), 2);

  // An empty text never makes a compare node.
  t = Tree("TITLE=''", foCaseInsensitive);
  EXPECT_EQ(NodeClass(t, 0), ft::ncBinary);
  EXPECT_EQ(Operand(t, 24, 1), 1); // the constant is just the zero byte

  // Prefix matching only with = and <>.
  t = Tree("TITLE<'M*'");
  EXPECT_EQ(NodeClass(t, 0), ft::ncBinary);
  EXPECT_EQ(NodeOp(t, 0), ft::opLT);
  EXPECT_EQ(LiteralText(t, 6), "M*");

  // Quotes: two in a row stand for one; the partial length counts characters.
  t = Tree("KEYWORDS='it''s é*'");
  EXPECT_EQ(NodeClass(t, 0), ft::ncCompare);
  EXPECT_EQ(Operand(t, 0, 1), 6);
  EXPECT_EQ(LiteralText(t, 9), "it's é");
}

TEST(FilterTree, BracketedNamesAreNeverKeywords) {
  EXPECT_EQ(Tree("[KEYWORDS]='dog'"), Tree("KEYWORDS='dog'"));
  Bytes t = Tree("[OR]=1");
  EXPECT_EQ(Operand(t, 12, 0), 5);
  EXPECT_EQ(LiteralText(t, 0), "OR");
  EXPECT_EQ(Tree("OR=1"), t); // a keyword where no keyword is expected is a name
  t = Tree("[MY FIELD]='x'");
  EXPECT_EQ(LiteralText(t, 0), "MY FIELD");
}

TEST(FilterTree, NullTests) {
  Expect e;
  e.U16(2).U16(41).U16(65535).U16(10).U16(32);
  e.U32(1).U32(1).U16(10);
  e.U32(4).U32(13).U16(1).U16(0);
  e.Text("CATEGORY");
  EXPECT_EQ(Tree("CATEGORY=NULL"), e.b);
  EXPECT_EQ(Tree("null=category"), e.b);
  Bytes t = Tree("TITLE<>NULL");
  EXPECT_EQ(NodeClass(t, 0), ft::ncUnary);
  EXPECT_EQ(NodeOp(t, 0), ft::opNotBlank);
  // A blob may be tested for blank, though never compared.
  EXPECT_EQ(NodeOp(Tree("WAV=NULL"), 0), ft::opIsBlank);
  EXPECT_EQ(DbError("CATEGORY>NULL"), "NULL only allowed with '=' and '<>'");
  EXPECT_EQ(DbError("CATEGORY<=NULL"), "NULL only allowed with '=' and '<>'");
  EXPECT_EQ(DbError("NULL=NULL"), "Relational operators require a field and a constant");
}

TEST(FilterTree, MirroredOperatorsWhenTheConstantStandsFirst) {
  EXPECT_EQ(Tree("100<CATEGORY"), Tree("CATEGORY>100"));
  EXPECT_EQ(Tree("100>CATEGORY"), Tree("CATEGORY<100"));
  EXPECT_EQ(Tree("100<=CATEGORY"), Tree("CATEGORY>=100"));
  EXPECT_EQ(Tree("100>=CATEGORY"), Tree("CATEGORY<=100"));
  EXPECT_EQ(Tree("100<>CATEGORY"), Tree("CATEGORY<>100"));
  EXPECT_EQ(NodeOp(Tree("CATEGORY>=1"), 0), ft::opGE);
  EXPECT_EQ(NodeOp(Tree("CATEGORY<=1"), 0), ft::opLE);
}

TEST(FilterTree, AndOrNotShapes) {
  // AND binds tighter than OR: OR(AND(c1, c2), c3), parents before operands.
  Bytes t = Tree("CATEGORY=1 AND TITLE='x' OR CATEGORY=2");
  EXPECT_EQ(NodeOp(t, 0), ft::opOR);
  size_t andNode = Operand(t, 0, 0);
  EXPECT_EQ(andNode, 12u);
  EXPECT_EQ(NodeOp(t, andNode), ft::opAND);
  EXPECT_EQ(NodeOp(t, Operand(t, andNode, 0)), ft::opEQ);
  size_t third = Operand(t, 0, 1);
  EXPECT_EQ(NodeOp(t, third), ft::opEQ);
  EXPECT_GT(third, Operand(t, andNode, 1));

  // NOT takes only the comparison after it.
  t = Tree("NOT CATEGORY=1 AND TITLE='x'");
  EXPECT_EQ(NodeOp(t, 0), ft::opAND);
  size_t notNode = Operand(t, 0, 0);
  EXPECT_EQ(NodeClass(t, notNode), ft::ncUnary);
  EXPECT_EQ(NodeOp(t, notNode), ft::opNOT);
  EXPECT_EQ(NodeOp(t, Operand(t, notNode, 0)), ft::opEQ);

  // ... or a parenthesised expression; keywords in any case.
  t = Tree("not (category=1 or category=2)");
  EXPECT_EQ(NodeOp(t, 0), ft::opNOT);
  EXPECT_EQ(NodeOp(t, Operand(t, 0, 0)), ft::opOR);

  // OR is left-associative.
  t = Tree("CATEGORY=1 OR CATEGORY=2 OR CATEGORY=3");
  EXPECT_EQ(NodeOp(t, 0), ft::opOR);
  EXPECT_EQ(NodeOp(t, Operand(t, 0, 0)), ft::opOR);
  EXPECT_EQ(NodeOp(t, Operand(t, 0, 1)), ft::opEQ);
}

TEST(FilterTree, BooleanFieldStandingAlone) {
  Expect e;
  e.U16(2).U16(55).U16(65535).U16(10).U16(48);
  e.U32(2).U32(4).U16(12).U16(24);
  e.U32(4).U32(13).U16(6).U16(0);
  e.U32(5).U32(14).U16(4).U16(2).U16(5);
  e.Text("LOUD").U16(0);
  EXPECT_EQ(Tree("LOUD"), e.b);
  // A second NOT right after the first is the field called NOT.
  Bytes t = Tree("NOT NOT");
  EXPECT_EQ(NodeOp(t, 0), ft::opNOT);
  EXPECT_EQ(LiteralText(t, 0), "NOT");
  EXPECT_EQ(DbError("CATEGORY"), "Field 'CATEGORY' is not of type Boolean");
  EXPECT_EQ(DbError("LOUD=1"), "Field 'LOUD' cannot be used in a filter expression");
}

TEST(FilterTree, ConstantsEncodedByTheFieldType) {
  auto constant = [](const Bytes &t, uint16_t &type) {
    size_t c = Operand(t, 0, 1);
    type = Operand(t, c, 0);
    size_t size = Operand(t, c, 1);
    size_t at = At16(t, 8) + Operand(t, c, 2);
    EXPECT_EQ(at + size, t.size());
    return Bytes(t.begin() + static_cast<std::ptrdiff_t>(at), t.end());
  };
  auto le = [](auto v) {
    Bytes b(sizeof v);
    std::memcpy(b.data(), &v, sizeof v);
    return b;
  };
  uint16_t type;
  EXPECT_EQ(constant(Tree("CATEGORY=-32768"), type), le(int16_t{-32768}));
  EXPECT_EQ(type, ft::ctInt16);
  EXPECT_EQ(constant(Tree("RATE=-2147483648"), type), le(int32_t{-2147483647 - 1}));
  EXPECT_EQ(type, ft::ctInt32);
  EXPECT_EQ(constant(Tree("CHANNELS=65535"), type), le(uint16_t{65535}));
  EXPECT_EQ(type, ft::ctUInt16);
  EXPECT_EQ(constant(Tree("SECONDS>=2.5E-1"), type), le(0.25));
  EXPECT_EQ(type, ft::ctFloat);
  // Quoted numbers are text like any other literal.
  EXPECT_EQ(constant(Tree("CATEGORY='7'"), type), le(int16_t{7}));
  // 2000-01-01 is day 730120 counting 1 January of year 1 as day 1.
  EXPECT_EQ(constant(Tree("RECORDED='2000-01-01'"), type), le(int32_t{730120}));
  EXPECT_EQ(type, ft::ctDate);
  EXPECT_EQ(constant(Tree("AT='13:30:05.250'"), type), le(int32_t{48605250}));
  EXPECT_EQ(type, ft::ctTime);
  EXPECT_EQ(constant(Tree("STAMP='0001-01-01 00:00:01'"), type), le(86401000.0));
  EXPECT_EQ(type, ft::ctDateTime);

  // BCD: precision 32, sign and places, 32 digits with the last two the
  // fraction; the value is rounded to four places first.
  Bytes bcd = constant(Tree("PRICE=-12.345"), type);
  EXPECT_EQ(type, ft::ctBCD);
  Bytes want(18, 0);
  want[0] = 32;
  want[1] = 0x80 | 2;
  want[16] = 0x12;
  want[17] = 0x35;
  EXPECT_EQ(bcd, want);
  bcd = constant(Tree("PRICE=0"), type);
  EXPECT_EQ(bcd[1], 2); // no sign on zero
}

TEST(FilterTree, ConstantRangeAndConversionFailures) {
  EXPECT_EQ(DbError("CATEGORY=70000"), "Constant out of range");
  EXPECT_EQ(DbError("CATEGORY=-32769"), "Constant out of range");
  EXPECT_EQ(DbError("CHANNELS=-1"), "Constant out of range");
  EXPECT_EQ(DbError("PRICE=1E40"), "Constant out of range");
  EXPECT_EQ(ConvertError("CATEGORY=1.5"), "'1.5' is not a valid integer value");
  EXPECT_EQ(ConvertError("RATE=2147483648"), "'2147483648' is not a valid integer value");
  EXPECT_EQ(ConvertError("SECONDS='fast'"), "'fast' is not a valid floating point value");
  EXPECT_EQ(ConvertError("RECORDED='2000-02-30'"), "'2000-02-30' is not a valid date");
  EXPECT_EQ(ConvertError("AT='25:00'"), "'25:00' is not a valid time");
  EXPECT_EQ(ConvertError("STAMP='soon'"), "'soon' is not a valid date and time");
  EXPECT_EQ(DbError("WAV='RIFF'"), "Field 'WAV' cannot be used in a filter expression");
  EXPECT_EQ(DbError("LABEL='x'"), "Field 'LABEL' cannot be used in a filter expression");
}

TEST(FilterTree, SyntaxFailures) {
  EXPECT_EQ(DbError("A=1=2"), "Filter expression incorrectly terminated");
  EXPECT_EQ(DbError("CATEGORY=1 TITLE='x'"), "Filter expression incorrectly terminated");
  EXPECT_EQ(DbError("(CATEGORY=1"), "')' expected but nothing found");
  EXPECT_EQ(DbError("(CATEGORY=1 'x'"), "')' expected but 'x' found");
  EXPECT_EQ(DbError("CATEGORY="), "Expression expected but nothing found");
  EXPECT_EQ(DbError("CATEGORY=)"), "Expression expected but ')' found");
  EXPECT_EQ(DbError("=1"), "Expression expected but '=' found");
  EXPECT_EQ(DbError(""), "Expression expected but nothing found");
  EXPECT_EQ(DbError("CATEGORY=1 OR"), "Expression expected but nothing found");
  EXPECT_EQ(DbError("[TITLE='x'"), "Unterminated field name");
  EXPECT_EQ(DbError("TITLE='x"), "Unterminated string constant");
  EXPECT_EQ(DbError("TITLE='x''"), "Unterminated string constant");
  EXPECT_EQ(LiteralText(Tree("TITLE='x'''"), 6), "x'");
  EXPECT_EQ(DbError("TITLE=\"x\""), "Invalid filter expression character: '\"'");
  EXPECT_EQ(DbError("TITLE=é"), "Invalid filter expression character: 'é'");
  EXPECT_EQ(DbError("100"), "Incorrectly formed filter expression");
  EXPECT_EQ(DbError("'x' OR LOUD"), "Incorrectly formed filter expression");
  EXPECT_EQ(DbError("TITLE=KEYWORDS"), "Relational operators require a field and a constant");
  EXPECT_EQ(DbError("1=2"), "Relational operators require a field and a constant");
  EXPECT_EQ(DbError("(CATEGORY=1)=2"), "Relational operators require a field and a constant");
  EXPECT_EQ(DbError("NOSUCH=1"), "Field 'NOSUCH' not found");
  EXPECT_EQ(DbError("[no such]=1"), "Field 'no such' not found");
  // A zero byte ends the text.
  EXPECT_EQ(Tree(std::string("CATEGORY=100\0garbage", 20)), Tree("CATEGORY=100"));
}

TEST(FilterTree, LongConstantsAreCut) {
  // The first 256 characters of a quoted text are kept, and the engine's copy
  // is cut to 255 without splitting a character.
  std::string text(300, 'a');
  Bytes t = Tree("KEYWORDS='" + text + "'");
  EXPECT_EQ(LiteralText(t, 9), std::string(255, 'a'));
  std::string wide;
  for (int i = 0; i < 200; ++i)
    wide += "é";
  t = Tree("KEYWORDS='" + wide + "*'", foCaseInsensitive);
  std::string lit = LiteralText(t, 9);
  EXPECT_EQ(lit, wide.substr(0, 254));
  EXPECT_EQ(Operand(t, 0, 1), 127); // partial length no longer than the constant
}

TEST(FilterTree, KeySearchWritesTreesWithoutTheParser) {
  // One "=" comparison per key field joined by AND, the last marked partial.
  TFilterExpr expr(Fields(), foNoPartialCompare);
  auto *c1 = expr.NewNode(enOperator, ft::opEQ, TVariant::Null(),
                          expr.NewNode(enField, 0, TVariant("CATEGORY"), nullptr, nullptr),
                          expr.NewNode(enConst, 0, TVariant(100), nullptr, nullptr));
  auto *value = expr.NewNode(enConst, 0, TVariant("Dog*"), nullptr, nullptr);
  value->FPartial = true;
  auto *c2 = expr.NewNode(enOperator, ft::opEQ, TVariant::Null(),
                          expr.NewNode(enField, 0, TVariant("TITLE"), nullptr, nullptr), value);
  Bytes t = expr.GetFilterData(expr.NewNode(enOperator, ft::opAND, TVariant::Null(), c1, c2));
  EXPECT_EQ(NodeOp(t, 0), ft::opAND);
  size_t cmp = Operand(t, 0, 1);
  EXPECT_EQ(NodeClass(t, cmp), ft::ncCompare);
  EXPECT_EQ(Operand(t, cmp, 0), 0);
  EXPECT_EQ(Operand(t, cmp, 1), 4); // the whole constant, star included
  EXPECT_EQ(LiteralText(t, Operand(t, Operand(t, cmp, 3), 2)), "Dog*");

  // Values that are not text are converted from their own type.
  TFilterExpr expr2(Fields(), 0);
  auto *root = expr2.NewNode(enOperator, ft::opEQ, TVariant::Null(),
                             expr2.NewNode(enField, 0, TVariant("SECONDS"), nullptr, nullptr),
                             expr2.NewNode(enConst, 0, TVariant(3), nullptr, nullptr));
  t = expr2.GetFilterData(root);
  double d;
  std::memcpy(&d, t.data() + t.size() - 8, 8);
  EXPECT_EQ(d, 3.0);
  TFilterExpr expr3(Fields(), 0);
  root = expr3.NewNode(enOperator, ft::opEQ, TVariant::Null(),
                       expr3.NewNode(enField, 0, TVariant("CATEGORY"), nullptr, nullptr),
                       expr3.NewNode(enConst, 0, TVariant(40000), nullptr, nullptr));
  try {
    expr3.GetFilterData(root);
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError &e) {
    EXPECT_EQ(e.Message(), "Constant out of range");
  }
}

TEST(FilterTree, OversizedTreeIsRefused) {
  std::string text = "TITLE='a'";
  for (int i = 0; i < 2000; ++i)
    text += " OR TITLE='" + std::string(20, 'x') + "'";
  EXPECT_EQ(DbError(text), "Filter expression is too large");
}

TEST(FilterTree, DescribeShowsNodesAndLiterals) {
  std::string d = DescribeFilterTree(Tree("TITLE='Dog*' OR NOT CATEGORY=NULL"));
  EXPECT_EQ(d, "version 2, 115 bytes, nodes at 10, literals at 96\n"
               "[0] OR\n"
               "  [12] = (compare: case-insensitive 0, partial length 3)\n"
               "    [28] field 2 TITLE\n"
               "    [40] constant string 'Dog'\n"
               "  [54] NOT\n"
               "    [64] is blank\n"
               "      [74] field 1 CATEGORY\n");
  Bytes broken = Tree("CATEGORY=100");
  broken[10 + 8] = 200; // first operand points past the node area
  EXPECT_THROW(DescribeFilterTree(broken), Exception);
}

} // namespace
