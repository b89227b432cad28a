// A dataset's Filter, FilterOptions and Filtered over a real engine table,
// the way the category buttons use them, and key searches that go through
// a filter tree because no index fits.
#include <gtest/gtest.h>

#include "base/format.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "data/field.h"
#include "tests/data/engine_table.h"

namespace {

template <typename F> std::string ErrorOf(F &&f) {
  try {
    f();
  } catch (const Exception &e) {
    return e.Message();
  }
  return "(no error)";
}

// The dataset with its engine filter handle in view.
class TFilterDataSet : public TTestDataSet {
public:
  using TTestDataSet::TTestDataSet;
  using TDataSet::ExprFilter;
};

class DataSetFilter : public ::testing::Test {
protected:
  void SetUp() override {
    CreateCatalogue(db);
    hEngCursor c = db.OpenCursor("sounds.db");
    // Titles Sound 01 .. Sound 12, categories 100, 200, 300 in turn.
    for (int i = 1; i <= 12; ++i)
      AddRow(c, 100 * (1 + (i - 1) % 3), Format("Sound %02d", {i}), Format("keyword%d", {i}));
    EngineCloseCursor(c);
  }

  // Titles from the current record to the end.
  static std::vector<std::string> Rest(TDataSet &ds) {
    std::vector<std::string> out;
    while (!ds.Eof()) {
      out.push_back(ds.FieldByName("TITLE")->AsString());
      ds.Next();
    }
    return out;
  }
  static std::vector<std::string> All(TDataSet &ds) {
    ds.First();
    return Rest(ds);
  }

  TestDatabase db;
};

TEST_F(DataSetFilter, CategoryButtonFiltersAndAllShowsEveryRowAgain) {
  TFilterDataSet ds(db, "sounds.db");
  ds.Open();
  ds.SetFilter("CATEGORY=200");
  // Not filtered yet: the text is only stored as a filter.
  EXPECT_EQ(All(ds).size(), 12u);
  ds.SetFiltered(true);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 02");
  EXPECT_EQ(Rest(ds), (std::vector<std::string>{"Sound 02", "Sound 05", "Sound 08", "Sound 11"}));

  // The same button again: the same engine filter, and back to the first row.
  hEngFilter filter = ds.ExprFilter();
  ds.First();
  ds.Next();
  ds.SetFilter("CATEGORY=200");
  ds.SetFiltered(true);
  EXPECT_EQ(ds.ExprFilter(), filter);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 02");

  // Another button while filtered: the new rows at once.
  ds.SetFilter("CATEGORY=300");
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 03");
  EXPECT_EQ(All(ds).size(), 4u);

  // "All": every row again, the text kept.
  ds.SetFiltered(false);
  EXPECT_EQ(All(ds).size(), 12u);
  EXPECT_EQ(ds.Filter(), "CATEGORY=300");
  // A category no row holds shows nothing.
  ds.SetFilter("CATEGORY=900");
  ds.SetFiltered(true);
  EXPECT_TRUE(ds.Eof() && ds.BOF());
}

TEST_F(DataSetFilter, ChangingTheTextWhileNotFilteredShowsTheNewRowsWhenFiltered) {
  TFilterDataSet ds(db, "sounds.db");
  ds.Open();
  ds.SetFilter("CATEGORY=100");
  ds.SetFiltered(true);
  ds.SetFiltered(false);
  hEngFilter old = ds.ExprFilter();
  ds.SetFilter("TITLE='Sound 1*'");
  EXPECT_NE(ds.ExprFilter(), old);
  EXPECT_EQ(All(ds).size(), 12u);
  ds.SetFiltered(true);
  EXPECT_EQ(All(ds), (std::vector<std::string>{"Sound 10", "Sound 11", "Sound 12"}));
  // The old filter no longer exists in the engine.
  EXPECT_NE(EngineActivateFilter(ds.Handle(), old), DBENG_OK);
}

TEST_F(DataSetFilter, OptionsRebuildTheFilterAndBadTextsKeepTheOldOne) {
  TFilterDataSet ds(db, "sounds.db");
  ds.Open();
  ds.SetFilter("TITLE='sound 0*'");
  ds.SetFiltered(true);
  EXPECT_TRUE(All(ds).empty());
  ds.SetFilterOptions(foCaseInsensitive);
  EXPECT_EQ(All(ds).size(), 9u);
  ds.SetFilterOptions(foCaseInsensitive | foNoPartialCompare);
  EXPECT_TRUE(All(ds).empty());
  ds.SetFilterOptions(0);

  ds.SetFilter("CATEGORY=100");
  hEngFilter filter = ds.ExprFilter();
  EXPECT_EQ(ErrorOf([&] { ds.SetFilter("CATEGORY=100 AND"); }),
            "Expression expected but nothing found");
  EXPECT_EQ(ErrorOf([&] { ds.SetFilter("CATEGORY=70000"); }), "Constant out of range");
  EXPECT_EQ(ErrorOf([&] { ds.SetFilter("WAV='x'"); }),
            "Field 'WAV' cannot be used in a filter expression");
  EXPECT_EQ(ErrorOf([&] { ds.SetFilter("NOPE=1"); }), "Field 'NOPE' not found");
  EXPECT_EQ(ds.Filter(), "CATEGORY=100");
  EXPECT_EQ(ds.ExprFilter(), filter);
  EXPECT_EQ(All(ds).size(), 4u);

  // Names match as the dataset matches them; a closed dataset only stores.
  ds.Close();
  ds.SetFilter("category=300 or [TITLE]='Sound 01'");
  ds.Open();
  EXPECT_EQ(All(ds).size(), 5u);
}

TEST_F(DataSetFilter, KeySearchesWithoutAFittingIndexUseATree) {
  db.CreateTable("notes.db",
                 {{"ID", ENG_FLD_INT32}, {"NAME", ENG_FLD_ZSTRING, 0, 20}, {"SIZE", ENG_FLD_INT16}},
                 {{"", {1}, true, true}});
  hEngCursor c = db.OpenCursor("notes.db");
  struct Note {
    int32_t id;
    const char *name;
    int16_t size;
  };
  for (const Note &n : {Note{1, "Alpha", 10}, Note{2, "beta", 20}, Note{3, "Alphabet", 30},
                        Note{4, "Gamma*", -1}}) {
    std::vector<uint8_t> rec(1024);
    EngineInitRecord(c, rec.data());
    EnginePutField(c, 1, rec.data(), &n.id);
    EnginePutField(c, 2, rec.data(), n.name);
    if (n.size >= 0) EnginePutField(c, 3, rec.data(), &n.size);
    ASSERT_EQ(EngineInsertRecord(c, ENG_NOLOCK, rec.data()), DBENG_OK);
  }
  EngineCloseCursor(c);

  TTestDataSet ds(db, "notes.db");
  ds.Open();
  auto id = [&] { return ds.FieldByName("ID")->AsInteger(); };
  EXPECT_TRUE(ds.Locate("NAME", TVariant("alpha"), loCaseInsensitive));
  EXPECT_EQ(id(), 1);
  EXPECT_FALSE(ds.Locate("NAME", TVariant("alpha"), 0));
  EXPECT_TRUE(ds.Locate("NAME", TVariant("Alphab"), loPartialKey));
  EXPECT_EQ(id(), 3);
  EXPECT_TRUE(ds.Locate("NAME", TVariant("BET"), loPartialKey | loCaseInsensitive));
  EXPECT_EQ(id(), 2);
  // A star in a key value is an ordinary character.
  EXPECT_FALSE(ds.Locate("NAME", TVariant("Gam*"), 0));
  EXPECT_TRUE(ds.Locate("NAME", TVariant("Gamma*"), 0));
  EXPECT_EQ(id(), 4);
  // Several fields, values of their own types, and a null value for blank.
  EXPECT_TRUE(ds.Locate(
      "SIZE;NAME", TVariant(std::vector<TVariant>{TVariant(30), TVariant("Alpha")}), loPartialKey));
  EXPECT_EQ(id(), 3);
  EXPECT_TRUE(ds.Locate("SIZE", TVariant::Null(), 0));
  EXPECT_EQ(id(), 4);
  EXPECT_EQ(ds.Lookup("SIZE", TVariant(20), "NAME").AsString(), "beta");
  EXPECT_EQ(ErrorOf([&] { ds.Locate("SIZE", TVariant(70000), 0); }), "Constant out of range");
}

} // namespace
