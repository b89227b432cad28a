// Filters through the C contract: expression trees the table answers itself
// (comparisons, AND, blank tests), record callbacks and their priority
// order, activation and dropping, and aborting a long filtered scan.
#include "tests/engine/engine_fixture.h"
#include "tests/engine/filter_tree.h"

using namespace enginetest;
using Strings = std::vector<std::string>;

class Filters : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateCatalogue();
    c = Open();
    // 27 rows: categories 100..900, three titles each.
    for (int cat = 100; cat <= 900; cat += 100)
      for (const char *t : {"a", "b", "c"})
        AddRow(c, cat, std::string(t) + std::to_string(cat));
  }
  hEngFilter Add(const std::vector<uint8_t> &tree, uint16_t priority = 0) {
    hEngFilter f = 0;
    EXPECT_OKE(EngineAddFilter(c, 0, priority, 0, tree.data(), nullptr, &f));
    return f;
  }
  uint32_t Count() {
    uint32_t n = 0;
    EXPECT_OKE(EngineGetRecordCount(c, &n));
    return n;
  }
  hEngCursor c = 0;
};

TEST_F(Filters, CategoryEqualityShowsOnlyThatCategoryInBothDirections) {
  hEngFilter f = Add(TreeBuilder::Comparison(ENG_FOP_EQ, kCategory, "CATEGORY", 500));
  // Added but not active: every row.
  EXPECT_EQ(Count(), 27u);
  ASSERT_OKE(EngineActivateFilter(c, f));
  EXPECT_EQ(AllTitles(c), (Strings{"a500", "b500", "c500"}));
  EngineSetToEnd(c);
  EXPECT_EQ(Titles(c, true), (Strings{"c500", "b500", "a500"}));
  EXPECT_EQ(Count(), 3u);
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr);
  uint32_t seq = 0;
  ASSERT_OKE(EngineGetSequenceNumber(c, &seq));
  EXPECT_EQ(seq, 2u);
  ASSERT_OKE(EngineDeactivateFilter(c, f));
  EXPECT_EQ(Count(), 27u);
  ASSERT_OKE(EngineDropFilter(c, f));
  EXPECT_EQ(EngineActivateFilter(c, f), DBENG_ERR_INVALIDHNDL);
}

TEST_F(Filters, EveryComparisonOperatorAndAndOfRanges) {
  struct Case {
    uint32_t op;
    uint32_t expected;
  } cases[] = {
      {ENG_FOP_EQ, 3}, {ENG_FOP_GT, 12}, {ENG_FOP_LT, 12}, {ENG_FOP_GE, 15}, {ENG_FOP_LE, 15}};
  for (const Case &k : cases) {
    hEngFilter f = Add(TreeBuilder::Comparison(k.op, kCategory, "CATEGORY", 500));
    ASSERT_OKE(EngineActivateFilter(c, f));
    EXPECT_EQ(Count(), k.expected) << k.op;
    EXPECT_EQ(AllTitles(c).size(), k.expected) << k.op;
    EngineDropFilter(c, f);
  }
  // 300 <= CATEGORY AND CATEGORY < 500, with a 32-bit and a float constant.
  TreeBuilder t;
  uint16_t root = t.Binary(ENG_FOP_AND);
  uint16_t ge = t.Binary(ENG_FOP_GE);
  t.SetOperand(root, 0, ge);
  t.SetOperand(ge, 0, t.FieldNode(kCategory, "CATEGORY"));
  t.SetOperand(ge, 1, t.Int32(300));
  uint16_t lt = t.Binary(ENG_FOP_LT);
  t.SetOperand(root, 1, lt);
  t.SetOperand(lt, 0, t.FieldNode(kCategory, "CATEGORY"));
  t.SetOperand(lt, 1, t.Float(500.0));
  ASSERT_OKE(EngineActivateFilter(c, Add(t.Finish())));
  EXPECT_EQ(AllTitles(c), (Strings{"a300", "a400", "b300", "b400", "c300", "c400"}));
}

TEST_F(Filters, TextEqualityAndBlankTests) {
  TreeBuilder t;
  uint16_t root = t.Binary(ENG_FOP_EQ);
  t.SetOperand(root, 0, t.FieldNode(kTitle, "TITLE"));
  t.SetOperand(root, 1, t.Text("b700"));
  hEngFilter f = Add(t.Finish());
  ASSERT_OKE(EngineActivateFilter(c, f));
  EXPECT_EQ(AllTitles(c), Strings{"b700"});
  EngineDropFilter(c, f);
  // A row whose keywords are blank.
  std::vector<uint8_t> rec = NewRecord(c);
  PutText(c, rec, kTitle, "z");
  PutInt16(c, rec, kCategory, 100);
  ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  for (uint32_t op : {ENG_FOP_ISBLANK, ENG_FOP_NOTBLANK}) {
    TreeBuilder b;
    uint16_t u = b.Unary(op);
    b.SetOperand(u, 0, b.FieldNode(kKeywords, "KEYWORDS"));
    hEngFilter g = Add(b.Finish());
    ASSERT_OKE(EngineActivateFilter(c, g));
    EXPECT_EQ(Count(), op == ENG_FOP_ISBLANK ? 1u : 27u);
    EngineDropFilter(c, g);
  }
}

namespace {
struct CallbackLog {
  int calls = 0;
};
int16_t RejectOdd(uint64_t client, const void *record, uint32_t) {
  auto *log = reinterpret_cast<CallbackLog *>(client);
  ++log->calls;
  // Rejects titles starting with 'b' (the TITLE slot is at offset 4).
  return static_cast<const char *>(record)[4] != 'b';
}
int16_t RejectAll(uint64_t client, const void *, uint32_t) {
  ++reinterpret_cast<CallbackLog *>(client)->calls;
  return 0;
}
uint16_t AbortingYield(uint16_t, uint64_t client, void *) {
  return ++*reinterpret_cast<int *>(client) >= 2 ? ENG_CBR_ABORT : ENG_CBR_CONTINUE;
}
} // namespace

TEST_F(Filters, RecordCallbacksRunAfterExpressionFiltersOfLowerPriority) {
  EngFldDesc fields[4];
  ASSERT_OKE(EngineGetFieldDescriptors(c, fields));
  ASSERT_EQ(fields[1].offset, 4); // the callback above reads TITLE there
  CallbackLog log;
  hEngFilter cb = 0;
  ASSERT_OKE(EngineAddFilter(c, reinterpret_cast<uint64_t>(&log), 1, 0, nullptr, RejectOdd, &cb));
  ASSERT_OKE(EngineActivateFilter(c, cb));
  EXPECT_EQ(AllTitles(c).size(), 18u);
  EXPECT_EQ(log.calls, 27);
  hEngFilter ex = Add(TreeBuilder::Comparison(ENG_FOP_EQ, kCategory, "CATEGORY", 200), 0);
  ASSERT_OKE(EngineActivateFilter(c, ex));
  log.calls = 0;
  EXPECT_EQ(AllTitles(c), (Strings{"a200", "c200"}));
  // The callback only saw the three rows of category 200.
  EXPECT_EQ(log.calls, 3);
  EXPECT_EQ(Count(), 2u);
  // Deactivating every filter at once.
  ASSERT_OKE(EngineDeactivateFilter(c, 0));
  EXPECT_EQ(Count(), 27u);
  // Both ways out of a filter: adding needs exactly one of tree and callback.
  hEngFilter bad = 0;
  EXPECT_EQ(EngineAddFilter(c, 0, 0, 0, nullptr, nullptr, &bad), DBENG_ERR_INVALIDPARAM);
  std::vector<uint8_t> junk = {9, 0, 10, 0, 0xFF, 0xFF, 10, 0, 10, 0};
  EXPECT_EQ(EngineAddFilter(c, 0, 0, 0, junk.data(), nullptr, &bad), DBENG_ERR_INVALIDFILTER);
}

TEST_F(Filters, AServerYieldCallbackCanAbortALongFilteredScan) {
  for (int i = 0; i < 3000; ++i)
    AddRow(c, 100, "n" + std::to_string(i));
  CallbackLog log;
  hEngFilter cb = 0;
  ASSERT_OKE(EngineAddFilter(c, reinterpret_cast<uint64_t>(&log), 1, 1, nullptr, RejectAll, &cb));
  ASSERT_OKE(EngineActivateFilter(c, cb));
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  EXPECT_EQ(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_EOF);
  EXPECT_EQ(log.calls, 3027);
  int yields = 0;
  uint32_t buf = 0;
  ASSERT_OKE(EngineRegisterCallback(0, ENG_CB_SERVERYIELD, reinterpret_cast<uint64_t>(&yields), 4,
                                    &buf, AbortingYield));
  EngineSetToBegin(c);
  EXPECT_EQ(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_ABORTED);
  EXPECT_EQ(yields, 2);
  EngCallbackFn fn = nullptr;
  ASSERT_OKE(EngineGetCallback(0, ENG_CB_SERVERYIELD, nullptr, nullptr, nullptr, &fn));
  EXPECT_EQ(fn, &AbortingYield);
  ASSERT_OKE(EngineRegisterCallback(0, ENG_CB_SERVERYIELD, 0, 0, nullptr, nullptr));
}

TEST_F(Filters, TreesBeyondTheStorageGoToTheEvaluator) {
  // A case-insensitive compare node: either the evaluator is linked in and
  // answers it, or the engine says plainly that it cannot.
  TreeBuilder t;
  uint16_t root = t.Compare(ENG_FOP_EQ, 1, 0);
  t.SetOperand(root, 2, t.FieldNode(kTitle, "TITLE"));
  t.SetOperand(root, 3, t.Text("B300"));
  std::vector<uint8_t> tree = t.Finish();
  hEngFilter f = 0;
  DBResult r = EngineAddFilter(c, 0, 0, 0, tree.data(), nullptr, &f);
  if (r == DBENG_ERR_NOTSUPPORTED) return;
  ASSERT_OKE(r);
  ASSERT_OKE(EngineActivateFilter(c, f));
  EXPECT_EQ(AllTitles(c), Strings{"b300"});
}

// One category in TITLE order, over more rows than a batch and with the
// category's titles spread among the others: both directions, a turn in the
// middle, sequence numbers, and rows added and changed while filtered. The
// same in KEYWORDS order.
TEST_F(Filters, OneCategoryInKeyOrderOverManyRows) {
  Strings expected = {"a300", "b300", "c300"}; // from the set-up
  for (int i = 0; i < 200; ++i) {
    char title[16];
    std::snprintf(title, sizeof title, "t%03d", (i * 71) % 200);
    AddRow(c, i % 3 ? 200 : 300, title, i % 2 ? "loud" : "Quiet");
    if (i % 3 == 0) expected.push_back(title);
  }
  std::sort(expected.begin(), expected.end());
  hEngFilter f = Add(TreeBuilder::Comparison(ENG_FOP_EQ, kCategory, "CATEGORY", 300));
  ASSERT_OKE(EngineActivateFilter(c, f));
  EXPECT_EQ(AllTitles(c), expected);
  EngineSetToEnd(c);
  Strings backward = Titles(c, true);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(backward, expected);
  EXPECT_EQ(Count(), expected.size());
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  for (uint32_t i = 1; i <= 40; ++i) {
    ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
    uint32_t seq = 0;
    ASSERT_OKE(EngineGetSequenceNumber(c, &seq));
    ASSERT_EQ(seq, i);
  }
  EXPECT_EQ(Text(c, rec, kTitle), expected[39]);
  for (int i = 0; i < 15; ++i)
    ASSERT_OKE(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), expected[24]);
  // A row of another category moved into this one shows up in its place.
  AddRow(c, 200, "t0505");
  EXPECT_EQ(Count(), expected.size());
  AddRow(c, 300, "t0505x");
  expected.push_back("t0505x");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(AllTitles(c), expected);

  hEngCursor k = Open("cat.db", "KEYWORDS", ENG_OPEN_READONLY);
  hEngFilter g = 0;
  std::vector<uint8_t> tree = TreeBuilder::Comparison(ENG_FOP_EQ, kCategory, "CATEGORY", 300);
  ASSERT_OKE(EngineAddFilter(k, 0, 0, 0, tree.data(), nullptr, &g));
  ASSERT_OKE(EngineActivateFilter(k, g));
  Strings byKeywords = AllTitles(k);
  EXPECT_EQ(byKeywords.size(), expected.size());
  std::sort(byKeywords.begin(), byKeywords.end());
  EXPECT_EQ(byKeywords, expected);
}
