// Filter texts written by the dataset layer and handed to the engine through
// its C contract: the rows a cursor shows are the rows the filter means,
// whether the table's storage answers the tree itself or the evaluator
// judges each record.
#include <algorithm>

#include "data/filter_expr.h"
#include "tests/engine/engine_fixture.h"

using namespace enginetest;
using Strings = std::vector<std::string>;

namespace {

const TFilterFieldList kFields{
    {"CATEGORY", kCategory, ftSmallint, 0, fkData},
    {"TITLE", kTitle, ftString, 24, fkData},
    {"KEYWORDS", kKeywords, ftString, 240, fkData},
    {"WAV", kWav, ftBlob, 240, fkData},
};

class FilterTexts : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateCatalogue();
    c = Open();
    AddRow(c, 100, "Dog barking", "dog bark animal");
    AddRow(c, 100, "dog growl", "Dog growl ANIMAL");
    AddRow(c, 100, "Cat meow", "cat animal");
    AddRow(c, 200, "Duck quack", "cartoon duck");
    AddRow(c, 300, "Gun shot", "gun bang");
    AddRow(c, 500, "Éclair machine", "machine café");
    AddRow(c, 500, "Engine start", "engine machine");
    AddRow(c, 900, "Dogma", "");
    // A row without keywords and one without a category.
    std::vector<uint8_t> rec = NewRecord(c);
    PutInt16(c, rec, kCategory, 600);
    PutText(c, rec, kTitle, "Rain");
    EXPECT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
    rec = NewRecord(c);
    PutText(c, rec, kTitle, "Mystery");
    EXPECT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  }

  // The titles the cursor shows under the filter, sorted by bytes (the
  // order of the table is the index's business, not the filter's); checks
  // that walking backwards shows the same rows.
  Strings Shown(const std::string &text, TFilterOptions options = 0) {
    std::vector<uint8_t> tree = BuildFilterTree(kFields, text, options);
    hEngFilter f = 0;
    EXPECT_OKE(EngineAddFilter(c, 0, 0, 0, tree.data(), nullptr, &f));
    EXPECT_OKE(EngineActivateFilter(c, f));
    Strings forward = AllTitles(c);
    EngineSetToEnd(c);
    Strings backward = Titles(c, true);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(forward, backward) << text;
    EXPECT_OKE(EngineDropFilter(c, f));
    std::sort(forward.begin(), forward.end());
    return forward;
  }

  hEngCursor c = 0;
};

TEST_F(FilterTexts, CategoryButtonsShowTheirRows) {
  EXPECT_EQ(Shown("CATEGORY=100"), (Strings{"Cat meow", "Dog barking", "dog growl"}));
  EXPECT_EQ(Shown("CATEGORY=500"), (Strings{"Engine start", "Éclair machine"}));
  EXPECT_EQ(Shown("CATEGORY=800"), Strings{});
  EXPECT_EQ(Shown("CATEGORY=NULL"), Strings{"Mystery"});
  EXPECT_EQ(Shown("CATEGORY>=500 AND CATEGORY<900"),
            (Strings{"Engine start", "Rain", "Éclair machine"}));
}

TEST_F(FilterTexts, TextMatchesThroughTheEngine) {
  EXPECT_EQ(Shown("TITLE='Dog*'"), (Strings{"Dog barking", "Dogma"}));
  EXPECT_EQ(Shown("TITLE='dog*'", foCaseInsensitive),
            (Strings{"Dog barking", "Dogma", "dog growl"}));
  EXPECT_EQ(Shown("KEYWORDS='dog growl animal'", foCaseInsensitive), Strings{"dog growl"});
  EXPECT_EQ(Shown("KEYWORDS='machine caf*'", foCaseInsensitive), Strings{"Éclair machine"});
  EXPECT_EQ(Shown("TITLE='éclair*'", foCaseInsensitive), Strings{"Éclair machine"});
  EXPECT_EQ(Shown("KEYWORDS=NULL"), (Strings{"Mystery", "Rain"}));
  EXPECT_EQ(Shown("TITLE<'D'"), Strings{"Cat meow"});
  EXPECT_EQ(Shown("NOT (CATEGORY=100 OR CATEGORY=NULL) AND TITLE<>'Rain'"),
            (Strings{"Dogma", "Duck quack", "Engine start", "Gun shot", "Éclair machine"}));
}

// The table's storage answers simple trees itself (an index lookup or an
// SQL condition); the same filter made unanswerable by an OR with a
// comparison no row meets goes to the evaluator. Both must show the same rows.
TEST_F(FilterTexts, StorageAndEvaluatorAgree) {
  const char *texts[] = {
      "CATEGORY=100",          "CATEGORY<>100",
      "CATEGORY>200",          "CATEGORY<200",
      "CATEGORY>=300",         "CATEGORY<=300",
      "CATEGORY=NULL",         "CATEGORY<>NULL",
      "TITLE='Dog barking'",   "TITLE='dog barking'",
      "KEYWORDS='cat animal'", "KEYWORDS=NULL",
      "TITLE>'Dog'",           "TITLE<='dog growl'",
      "KEYWORDS<>'gun bang'",  "CATEGORY>=100 AND CATEGORY<=200 AND TITLE<>NULL",
  };
  for (const char *text : texts) {
    Strings direct = Shown(text);
    Strings evaluated = Shown(std::string("(") + text + ") OR CATEGORY=-1");
    EXPECT_EQ(direct, evaluated) << text;
  }
}

TEST_F(FilterTexts, CountsFollowTheFilter) {
  std::vector<uint8_t> tree = BuildFilterTree(kFields, "TITLE='d*'", foCaseInsensitive);
  hEngFilter f = 0;
  ASSERT_OKE(EngineAddFilter(c, 0, 0, 0, tree.data(), nullptr, &f));
  ASSERT_OKE(EngineActivateFilter(c, f));
  uint32_t n = 0;
  ASSERT_OKE(EngineGetRecordCount(c, &n));
  EXPECT_EQ(n, 4u); // Dog barking, dog growl, Dogma, Duck quack
  ASSERT_OKE(EngineDeactivateFilter(c, f));
  ASSERT_OKE(EngineGetRecordCount(c, &n));
  EXPECT_EQ(n, 10u);
}

} // namespace
