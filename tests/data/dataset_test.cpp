// Datasets over real engine tables: the record window and the shifts each
// link is told, notification order, DisableControls, the editing life
// cycle with its events, bookmarks, filters, Locate/Lookup, calculated
// fields and field conversions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/app_hooks.h"
#include "base/strings.h"
#include "data/blob_stream.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "data/field.h"
#include "data/field_defs.h"
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

class DataSetTest : public ::testing::Test {
protected:
  void SetUp() override {
    CreateCatalogue(db);
    hEngCursor c = db.OpenCursor("sounds.db");
    for (int i = 1; i <= 10; ++i)
      AddRow(c, i % 2 ? 100 : 200, Format("Sound %02d", {i}), Format("keyword%d", {i}));
    EngineCloseCursor(c);
  }

  // Titles of the records in the window, in order.
  static std::vector<std::string> Window(TDataSet &ds) {
    std::vector<std::string> out;
    int saved = ds.ActiveRecord();
    for (int i = 0; i < ds.RecordCount(); ++i) {
      ds.SetActiveRecordIndex(i);
      out.push_back(ds.FieldByName("TITLE")->AsString());
    }
    ds.SetActiveRecordIndex(saved);
    return out;
  }

  TestDatabase db;
};

TEST_F(DataSetTest, OpenMakesDefaultFieldsAndFillsTheWindow) {
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  EXPECT_EQ(ds.State(), dsBrowse);
  ASSERT_EQ(ds.FieldCount(), 4);
  EXPECT_TRUE(ds.DefaultFields());
  EXPECT_NE(dynamic_cast<TSmallintField *>(ds.Fields(0)), nullptr);
  EXPECT_NE(dynamic_cast<TStringField *>(ds.Fields(1)), nullptr);
  EXPECT_NE(dynamic_cast<TBlobField *>(ds.Fields(3)), nullptr);
  EXPECT_EQ(ds.FieldByName("title")->Size(), 24);
  EXPECT_EQ(ds.Fields(3)->Index(), 3);
  EXPECT_EQ(ds.RecordCount(), 1); // no links: one buffer
  EXPECT_TRUE(ds.BOF());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
  EXPECT_EQ(ds.FieldByName("CATEGORY")->AsInteger(), 100);
  EXPECT_EQ(ErrorOf([&] { ds.FieldByName("NOPE"); }), "Field 'NOPE' not found");
  EXPECT_EQ(ds.IndexFieldCount(), 1);
  EXPECT_EQ(ds.IndexFields(0)->FieldName(), "TITLE");
  EXPECT_EQ(ErrorOf([&] { ds.IndexFields(1); }), "Field index out of range");

  TStringList names;
  ds.GetFieldNames(names);
  EXPECT_EQ(names.Text(), "CATEGORY\nTITLE\nKEYWORDS\nWAV\n");

  ds.Close();
  EXPECT_EQ(ds.FieldCount(), 0); // default fields go with the cursor
  EXPECT_EQ(ds.Handle(), 0u);
  ds.GetFieldNames(names); // read from the definitions while closed
  EXPECT_EQ(names.Count(), 4);
}

TEST_F(DataSetTest, WindowOfFiveOverTenRecordsTellsEachLinkItsShift) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  std::vector<std::string> log;
  RecordingLink grid("grid", &log), single("single", &log);
  grid.SetBufferCount(5);
  grid.SetDataSource(&src); // the grid is attached first...
  single.SetDataSource(&src);
  ds.Open();
  EXPECT_EQ(ds.BufferCount(), 5);
  EXPECT_EQ(ds.RecordCount(), 5);
  EXPECT_EQ(Window(ds),
            (std::vector<std::string>{"Sound 01", "Sound 02", "Sound 03", "Sound 04", "Sound 05"}));

  log.clear();
  ds.ResetCallCounts();
  for (int step = 1; step <= 4; ++step) {
    ds.Next();
    EXPECT_EQ(ds.ActiveRecord(), step);
  }
  EXPECT_EQ(ds.CallCounts().fetches, 0u); // inside the window: no engine call
  EXPECT_EQ(grid.scrolls, (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(grid.FirstRecord(), 0);
  EXPECT_EQ(single.scrolls, (std::vector<int>{1, 1, 1, 1}));
  // ...but single-record links hear of every event first.
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 4),
            (std::vector<std::string>{"single:checkbrowse", "grid:checkbrowse", "single:scrolled 1",
                                      "grid:scrolled 0"}));

  ds.Next(); // the fifth step fetches record 6 and turns the ring
  EXPECT_EQ(ds.ActiveRecord(), 4);
  EXPECT_EQ(ds.CallCounts().fetches, 1u);
  EXPECT_EQ(grid.scrolls.back(), 1);
  EXPECT_EQ(grid.FirstRecord(), 0);
  EXPECT_EQ(single.scrolls.back(), 1);
  EXPECT_EQ(Window(ds),
            (std::vector<std::string>{"Sound 02", "Sound 03", "Sound 04", "Sound 05", "Sound 06"}));
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 06");

  // Back to the start: the window turns the other way.
  EXPECT_EQ(ds.MoveBy(-5), -5);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
  EXPECT_EQ(ds.ActiveRecord(), 0);
  EXPECT_EQ(ds.MoveBy(-1), 0);
  EXPECT_TRUE(ds.BOF());

  // Last, then past the end: EOF with a zero shift.
  ds.Last();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 10");
  EXPECT_EQ(ds.ActiveRecord(), 4);
  ds.First();
  ds.MoveBy(9);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 10");
  EXPECT_FALSE(ds.Eof());
  grid.scrolls.clear();
  EXPECT_EQ(ds.MoveBy(1), 0);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(grid.scrolls, std::vector<int>{0});
  grid.scrolls.clear();
  EXPECT_EQ(ds.MoveBy(1), 0); // at EOF: nothing, not even an event
  EXPECT_EQ(ds.MoveBy(0), 0);
  EXPECT_TRUE(grid.scrolls.empty());

  // Shrinking the window keeps the rows the remaining link shows.
  grid.SetDataSource(nullptr);
  EXPECT_EQ(ds.BufferCount(), 1);
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 10");
}

TEST_F(DataSetTest, EmptyTable) {
  db.CreateTable("empty.db", {{"NAME", ENG_FLD_ZSTRING, 0, 10}}, {{"", {1}, true, true}});
  TTestDataSet ds(db, "empty.db");
  TDataSource src;
  src.SetDataSet(&ds);
  RecordingLink grid("grid");
  grid.SetBufferCount(4);
  grid.SetDataSource(&src);
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_TRUE(ds.BOF());
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(grid.RecordCount(), 0);
  grid.Log().clear();
  EXPECT_EQ(ds.MoveBy(1), 0);
  EXPECT_EQ(ds.MoveBy(-1), 0);
  // Only the browse-mode checks: no scroll, no change.
  EXPECT_EQ(grid.Log(), (std::vector<std::string>{"grid:checkbrowse", "grid:checkbrowse"}));
  EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), "Cannot perform this operation on an empty dataset");
  EXPECT_TRUE(ds.FieldByName("NAME")->IsNull());
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "");
  EXPECT_EQ(ds.GetBookmark(), nullptr);
  ds.First();
  EXPECT_EQ(ds.RecordCount(), 0);

  // Edit on an empty window inserts.
  ds.Edit();
  EXPECT_EQ(ds.State(), dsInsert);
  ds.FieldByName("NAME")->SetAsString("first");
  ds.Post();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "first");
}

TEST_F(DataSetTest, DisableControlsNestsAndReplaysOneEvent) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  RecordingLink link("l");
  link.SetDataSource(&src);
  ds.Open();
  link.Log().clear();

  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.Last();
  ds.EnableControls();
  EXPECT_TRUE(link.Log().empty());
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.EnableControls();
  EXPECT_EQ(link.Log(), std::vector<std::string>{"l:changed"});

  // A layout change meanwhile replays as a layout change.
  link.Log().clear();
  ds.DisableControls();
  ds.FieldByName("TITLE")->SetDisplayLabel("Title");
  ds.First();
  ds.EnableControls();
  EXPECT_EQ(link.Log(), std::vector<std::string>{"l:layout"});

  // Closed and reopened meanwhile: the state is the same, the replay is the
  // layout change the close left behind.
  link.Log().clear();
  ds.DisableControls();
  ds.Close();
  ds.Open();
  ds.EnableControls();
  EXPECT_EQ(link.Log(), std::vector<std::string>{"l:layout"});

  // Closed meanwhile and still closed: only the state change.
  link.Log().clear();
  ds.DisableControls();
  ds.Close();
  ds.EnableControls();
  EXPECT_EQ(link.Log(), std::vector<std::string>{"l:active"});
}

TEST_F(DataSetTest, EditPostCancelAndTheirEvents) {
  TTestDataSet ds(db, "sounds.db");
  std::vector<std::string> events;
  auto note = [&](const char *name) {
    return [&events, name](TDataSet *) { events.push_back(name); };
  };
  ds.BeforeEdit = note("BeforeEdit");
  ds.AfterEdit = note("AfterEdit");
  ds.BeforePost = note("BeforePost");
  ds.AfterPost = note("AfterPost");
  ds.BeforeCancel = note("BeforeCancel");
  ds.AfterCancel = note("AfterCancel");
  ds.Open();
  TField *kw = ds.FieldByName("KEYWORDS");
  EXPECT_EQ(ErrorOf([&] { kw->SetAsString("x"); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Dataset not in edit or insert mode");

  ds.Edit();
  EXPECT_EQ(ds.State(), dsEdit);
  EXPECT_FALSE(ds.Modified());
  kw->SetAsString("changed");
  EXPECT_TRUE(ds.Modified());
  ds.Post();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(kw->AsString(), "changed");
  EXPECT_EQ(events,
            (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));

  events.clear();
  ds.Edit();
  kw->SetAsString("dropped");
  ds.Cancel();
  EXPECT_EQ(kw->AsString(), "changed");
  EXPECT_EQ(events,
            (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));

  // A new dataset on the table sees the posted value.
  TTestDataSet other(db, "sounds.db");
  other.Open();
  EXPECT_EQ(other.FieldByName("KEYWORDS")->AsString(), "changed");

  // CheckBrowseMode posts a modified record and cancels an unmodified one.
  ds.Edit();
  kw->SetAsString("by browse mode");
  ds.Next();
  ds.Prior();
  EXPECT_EQ(kw->AsString(), "by browse mode");

  // A read-only dataset refuses to edit.
  TTestDataSet ro(db, "sounds.db");
  ro.SetReadOnly(true);
  ro.Open();
  EXPECT_EQ(ErrorOf([&] { ro.Edit(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(ErrorOf([&] { ro.Insert(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(ro.State(), dsBrowse);
}

TEST_F(DataSetTest, InsertAppendAndAFailingNewRecordEvent) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  RecordingLink grid("grid");
  grid.SetBufferCount(4);
  grid.SetDataSource(&src);
  ds.Open();
  ds.Next();
  ds.Insert();
  EXPECT_EQ(ds.State(), dsInsert);
  EXPECT_EQ(ds.ActiveRecord(), 1);
  EXPECT_EQ(ds.RecordCount(), 4);
  EXPECT_EQ(ds.RecNo(), -1);
  EXPECT_TRUE(ds.FieldByName("TITLE")->IsNull());
  ds.FieldByName("TITLE")->SetAsString("Sound 01a");
  ds.FieldByName("CATEGORY")->SetAsInteger(300);
  ds.Post();
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01a");
  EXPECT_EQ(Window(ds)[0], "Sound 01");
  EXPECT_EQ(Window(ds)[1], "Sound 01a");

  ds.Append();
  EXPECT_EQ(ds.State(), dsInsert);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.ActiveRecord(), ds.RecordCount() - 1);
  EXPECT_EQ(Window(ds)[ds.RecordCount() - 2], "Sound 10");
  ds.FieldByName("TITLE")->SetAsString("Zebra");
  ds.Post();
  ds.Last();
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Zebra");

  // OnNewRecord failing: the insert is undone and the error travels on.
  ds.First();
  ds.OnNewRecord = [](TDataSet *) { throw EDatabaseError("no new records today"); };
  EXPECT_EQ(ErrorOf([&] { ds.Insert(); }), "no new records today");
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
  EXPECT_EQ(ds.RecordCount(), 4);

  // OnNewRecord fills defaults; the record is not modified by them.
  ds.OnNewRecord = [](TDataSet *d) { d->FieldByName("CATEGORY")->SetAsInteger(900); };
  ds.Insert();
  EXPECT_EQ(ds.FieldByName("CATEGORY")->AsInteger(), 900);
  EXPECT_FALSE(ds.Modified());
  ds.Cancel();
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
}

TEST_F(DataSetTest, RequiredFieldsAndPostErrorEventsThatRetry) {
  db.CreateTable("people.db", {{"NAME", ENG_FLD_ZSTRING, 0, 10}, {"AGE", ENG_FLD_INT16}},
                 {{"", {1}, true, true}}, {1});
  TTestDataSet ds(db, "people.db");
  ds.Open();
  EXPECT_TRUE(ds.FieldByName("NAME")->Required());
  EXPECT_FALSE(ds.FieldByName("AGE")->Required());
  ds.Append();
  ds.FieldByName("AGE")->SetAsInteger(3);
  EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "Field 'NAME' must have a value");
  EXPECT_EQ(ds.State(), dsInsert);
  ds.FieldByName("NAME")->SetAsString("Ann");
  ds.Post();

  // A duplicate key fails in the engine; the error event renames and
  // retries.
  int calls = 0;
  ds.OnPostError = [&](TDataSet *d, EDatabaseError &, TDataAction &action) {
    ++calls;
    d->FieldByName("NAME")->SetAsString("Ann2");
    action = daRetry;
  };
  ds.Append();
  ds.FieldByName("NAME")->SetAsString("Ann");
  ds.Post();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "Ann2");

  // Action abort turns the failure into the silent abort.
  ds.OnPostError = [](TDataSet *, EDatabaseError &, TDataAction &action) { action = daAbort; };
  ds.Append();
  ds.FieldByName("NAME")->SetAsString("Ann");
  EXPECT_THROW(ds.Post(), EAbort);
  EXPECT_EQ(ds.State(), dsInsert);
  ds.Cancel();

  // The default lets the engine's error travel on.
  ds.OnPostError = nullptr;
  ds.Append();
  ds.FieldByName("NAME")->SetAsString("Ann");
  EXPECT_THROW(ds.Post(), EDatabaseError);
  ds.Cancel();
}

TEST_F(DataSetTest, DeleteAndBookmarksAcrossDeletes) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  RecordingLink grid("grid");
  grid.SetBufferCount(3);
  grid.SetDataSource(&src);
  ds.Open();
  ds.MoveBy(5);
  ASSERT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 06");
  TBookmark six = ds.GetBookmark();
  ASSERT_NE(six, nullptr);
  TBookmarkStr six_text = ds.Bookmark();
  EXPECT_EQ(six_text.size(), static_cast<size_t>(ds.BookmarkSize()));

  // Delete rows before and after the bookmarked one.
  ds.First();
  ds.Delete();
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 02");
  ds.Delete();
  ds.Last();
  ds.Delete();
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 09");

  ds.GotoBookmark(six);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 06");
  EXPECT_EQ(ds.ActiveRecord(), 1); // centred in the window of three
  ds.FreeBookmark(six);
  ds.First();
  ds.SetBookmark(six_text);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 06");
  ds.GotoBookmark(nullptr); // nothing happens
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 06");

  // A bookmark of a deleted row raises instead of landing elsewhere.
  TBookmark gone = ds.GetBookmark();
  ds.Delete();
  EXPECT_THROW(ds.GotoBookmark(gone), EDatabaseError);
  ds.FreeBookmark(gone);

  int count = 0;
  for (ds.First(); !ds.Eof(); ds.Next())
    ++count;
  EXPECT_EQ(count, 6);
}

TEST_F(DataSetTest, RecordFilterAndFilteredSwitch) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  RecordingLink link("l");
  link.SetDataSource(&src);
  ds.Open();
  int judged = 0;
  ds.SetOnFilterRecord([&](TDataSet *d, bool &accept) {
    ++judged;
    EXPECT_EQ(d->State(), dsFilter);
    accept = d->FieldByName("CATEGORY")->AsInteger() == 200;
    // The candidate is the engine's, read-only.
    EXPECT_EQ(ErrorOf([&] { d->FieldByName("KEYWORDS")->SetAsString("x"); }),
              "Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] {
                TBlobStream blob(static_cast<TBlobField *>(d->FieldByName("WAV")), bmRead);
              }),
              "Cannot access field 'WAV' in a filter");
  });
  int count = 0;
  for (ds.First(); !ds.Eof(); ds.Next())
    ++count;
  EXPECT_EQ(count, 10); // not filtered yet
  EXPECT_EQ(judged, 0);

  link.Log().clear();
  ds.SetFiltered(true);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 02");
  EXPECT_EQ(link.Log().back(), "l:changed"); // First ran
  link.Log().clear();
  ds.SetFiltered(true); // again: First runs again
  EXPECT_EQ(link.Log().back(), "l:changed");
  EXPECT_EQ(ds.State(), dsBrowse);
  count = 0;
  for (ds.First(); !ds.Eof(); ds.Next()) {
    EXPECT_EQ(ds.FieldByName("CATEGORY")->AsInteger(), 200);
    ++count;
  }
  EXPECT_EQ(count, 5);
  EXPECT_GT(judged, 0);

  // An exception in the handler is reported and the record judged by what
  // Accept held.
  int reported = 0;
  SetApplicationExceptionHandler([&](const std::exception &e) {
    EXPECT_STREQ(e.what(), "handler failed");
    ++reported;
  });
  ds.SetOnFilterRecord([](TDataSet *, bool &accept) {
    accept = false;
    throw Exception("handler failed");
  });
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(reported, 10);
  SetApplicationExceptionHandler(nullptr);
  ds.SetFiltered(false);
  count = 0;
  for (ds.First(); !ds.Eof(); ds.Next())
    ++count;
  EXPECT_EQ(count, 10);

  // An empty Filter text makes no expression filter; a non-empty one needs
  // the filter-expression builder.
  ds.SetFilter("");
  EXPECT_EQ(ds.ExprFilter(), 0u);
}

TEST_F(DataSetTest, LocateAndLookup) {
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  // On the primary index (TITLE).
  EXPECT_TRUE(ds.Locate("TITLE", TVariant("Sound 07"), 0));
  EXPECT_EQ(ds.FieldByName("KEYWORDS")->AsString(), "keyword7");
  EXPECT_FALSE(ds.Locate("TITLE", TVariant("Sound 99"), 0));
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 07"); // not moved
  EXPECT_TRUE(ds.Locate("TITLE", TVariant("Sound 0"), loPartialKey));
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
  EXPECT_FALSE(ds.Locate("TITLE", TVariant("sound 03"), 0));
  EXPECT_EQ(ErrorOf([&] { ds.Locate("NOPE", TVariant(1), 0); }), "Field 'NOPE' not found");

  TVariant v = ds.Lookup("TITLE", TVariant("Sound 04"), "KEYWORDS;CATEGORY");
  ASSERT_TRUE(v.IsArray());
  EXPECT_EQ(v[0].AsString(), "keyword4");
  EXPECT_EQ(v[1].AsInteger(), 200);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01"); // Lookup does not move
  EXPECT_TRUE(ds.Lookup("TITLE", TVariant("missing"), "KEYWORDS").IsNull());

  // On the case-insensitive KEYWORDS index.
  TTestDataSet byk(db, "sounds.db", "KEYWORDS");
  byk.Open();
  EXPECT_TRUE(byk.Locate("KEYWORDS", TVariant("KEYWORD5"), loCaseInsensitive));
  EXPECT_EQ(byk.FieldByName("TITLE")->AsString(), "Sound 05");
  EXPECT_TRUE(byk.Locate("KEYWORDS", TVariant("KEYWORD1"), loCaseInsensitive | loPartialKey));
  EXPECT_EQ(byk.FieldByName("TITLE")->AsString(), "Sound 01");
}

TEST_F(DataSetTest, FilterTextsAndLocateWithoutAnIndex) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  RecordingLink link("l");
  link.SetDataSource(&src);
  ds.Open();
  auto count = [&] {
    int n = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
      ++n;
    return n;
  };
  // Stored while unfiltered: no move, every row still there.
  ds.Next();
  ds.SetFilter("CATEGORY=100");
  EXPECT_NE(ds.ExprFilter(), 0u);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 02");
  EXPECT_EQ(count(), 10);
  ds.SetFiltered(true);
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
  EXPECT_EQ(count(), 5);
  // A new text while filtered takes effect at once; the same text again
  // still goes to the first row.
  ds.SetFilter("CATEGORY=200 AND TITLE>'Sound 05'");
  EXPECT_EQ(count(), 3);
  ds.Last();
  link.Log().clear();
  ds.SetFilter("CATEGORY=200 AND TITLE>'Sound 05'");
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 06");
  EXPECT_EQ(link.Log().back(), "l:changed");
  // A faulty text raises and leaves the filter in force.
  EXPECT_EQ(ErrorOf([&] { ds.SetFilter("CATEGORY="); }), "Expression expected but nothing found");
  EXPECT_EQ(ds.Filter(), "CATEGORY=200 AND TITLE>'Sound 05'");
  EXPECT_EQ(count(), 3);
  // Partial and case-insensitive matches through the options.
  ds.SetFilter("KEYWORDS='KEYWORD1*'");
  EXPECT_EQ(count(), 0);
  ds.SetFilterOptions(foCaseInsensitive);
  EXPECT_EQ(count(), 2); // keyword1 and keyword10
  // An empty text with Filtered shows every row.
  ds.SetFilter("");
  EXPECT_EQ(ds.ExprFilter(), 0u);
  EXPECT_EQ(count(), 10);
  ds.SetFiltered(false);
  // Set while closed: made at open.
  ds.Close();
  ds.SetFilter("CATEGORY=100");
  ds.SetFiltered(true);
  ds.Open();
  EXPECT_EQ(count(), 5);
  ds.SetFiltered(false);
  EXPECT_EQ(count(), 10);

  // No index starts with these fields: the search goes through a
  // temporary filter and leaves the dataset's own filters alone.
  EXPECT_TRUE(ds.Locate("CATEGORY;KEYWORDS", TVariant(std::vector<TVariant>{200, "keyword8"}), 0));
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 08");
  EXPECT_FALSE(ds.Locate("CATEGORY;KEYWORDS", TVariant(std::vector<TVariant>{100, "keyword8"}), 0));
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 08");
  // The KEYWORDS index ignores case: a case-sensitive search must not use it.
  TTestDataSet byk(db, "sounds.db", "KEYWORDS");
  byk.Open();
  EXPECT_FALSE(byk.Locate("KEYWORDS", TVariant("KEYWORD3"), 0));
  EXPECT_TRUE(byk.Locate("KEYWORDS", TVariant("keyword3"), 0));
  EXPECT_EQ(byk.FieldByName("TITLE")->AsString(), "Sound 03");
  EXPECT_TRUE(ds.Locate("KEYWORDS", TVariant("KEYWORD1"), loCaseInsensitive | loPartialKey));
  EXPECT_EQ(ds.FieldByName("TITLE")->AsString(), "Sound 01");
  EXPECT_EQ(
      ds.Lookup("CATEGORY;KEYWORDS", TVariant(std::vector<TVariant>{100, "keyword9"}), "TITLE")
          .AsString(),
      "Sound 09");
  EXPECT_EQ(count(), 10);
}

TEST_F(DataSetTest, LookupFieldsAndKeyBuffers) {
  db.CreateTable("cats.db", {{"CODE", ENG_FLD_INT16}, {"NAME", ENG_FLD_ZSTRING, 0, 20}},
                 {{"", {1}, true, true}});
  {
    TTestDataSet cats(db, "cats.db");
    cats.Open();
    for (auto [code, name] : {std::pair{100, "Animals"}, std::pair{200, "Cartoons"}}) {
      cats.Append();
      cats.FieldByName("CODE")->SetAsInteger(code);
      cats.FieldByName("NAME")->SetAsString(name);
      cats.Post();
    }
  }
  TTestDataSet cats(db, "cats.db");
  TTestDataSet ds(db, "sounds.db");
  auto *title = new TStringField(&ds);
  title->SetFieldName("TITLE");
  title->SetSize(24);
  title->SetDataSet(&ds);
  auto *cat = new TSmallintField(&ds);
  cat->SetFieldName("CATEGORY");
  cat->SetDataSet(&ds);
  auto *name = new TStringField(&ds);
  name->SetFieldName("CATNAME");
  name->SetLookup(true);
  name->SetLookupDataSet(&cats);
  name->SetKeyFields("CATEGORY");
  EXPECT_EQ(ErrorOf([&] {
              name->SetDataSet(&ds);
              ds.Open();
            }),
            "Lookup information for field 'CATNAME' is incomplete");
  name->SetLookupKeyFields("CODE");
  name->SetLookupResultField("NAME");
  ds.Open(); // opens the lookup dataset too
  EXPECT_TRUE(cats.Active());
  EXPECT_EQ(name->AsString(), "Animals");
  ds.Next();
  EXPECT_EQ(name->AsString(), "Cartoons");
  EXPECT_EQ(ErrorOf([&] { name->SetFieldName("X"); }),
            "Cannot perform this operation on an open dataset");

  // Key editing: index fields only, Cancel restores, Post keeps.
  uint8_t *key = ds.SetKeyBuffer(kiLookup, true);
  EXPECT_EQ(ds.State(), dsSetKey);
  EXPECT_TRUE(title->IsNull());
  EXPECT_TRUE(name->IsNull()); // calculated and lookup fields have no value here
  EXPECT_EQ(ErrorOf([&] { cat->SetAsInteger(1); }),
            "Field 'CATEGORY' is not indexed and cannot be modified");
  title->SetAsString("Sound 05");
  ds.Cancel();
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(key[0], 0);
  ds.SetKeyBuffer(kiLookup, false);
  EXPECT_TRUE(title->IsNull()); // the cancelled value is gone
  title->SetAsString("Sound 05");
  ds.Post();
  EXPECT_EQ(key[0], 1);
  ds.SetKeyBuffer(kiLookup, false);
  EXPECT_EQ(title->AsString(), "Sound 05");
  ds.CheckBrowseMode(); // ends key editing, keeping the key
  EXPECT_EQ(key[0], 1);
  EXPECT_EQ(ds.State(), dsBrowse);
}

TEST_F(DataSetTest, CalculatedFields) {
  TTestDataSet ds(db, "sounds.db");
  auto *title = new TStringField(&ds);
  title->SetFieldName("TITLE");
  title->SetSize(24);
  title->SetDataSet(&ds);
  auto *cat = new TSmallintField(&ds);
  cat->SetFieldName("CATEGORY");
  cat->SetDataSet(&ds);
  auto *label = new TStringField(&ds);
  label->SetFieldName("LABEL");
  label->SetSize(40);
  label->SetCalculated(true);
  label->SetDataSet(&ds);
  int calcs = 0;
  ds.OnCalcFields = [&](TDataSet *d) {
    ++calcs;
    EXPECT_EQ(d->State(), dsCalcFields);
    d->FieldByName("LABEL")->SetAsString(d->FieldByName("TITLE")->AsString() + " / " +
                                         d->FieldByName("CATEGORY")->AsString());
  };
  ds.Open();
  EXPECT_FALSE(ds.DefaultFields());
  EXPECT_EQ(ds.FieldCount(), 3); // persistent fields only
  EXPECT_EQ(label->FieldNo(), -1);
  EXPECT_EQ(label->AsString(), "Sound 01 / 100");
  ds.Next();
  EXPECT_EQ(label->AsString(), "Sound 02 / 200");
  EXPECT_GT(calcs, 0);

  // Changing a data field recalculates; writing a data field while
  // calculating is refused.
  ds.Edit();
  cat->SetAsInteger(700);
  EXPECT_EQ(label->AsString(), "Sound 02 / 700");
  ds.Cancel();
  ds.OnCalcFields = [](TDataSet *d) { d->FieldByName("CATEGORY")->SetAsInteger(1); };
  EXPECT_EQ(ErrorOf([&] { ds.Refresh(); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ds.State(), dsBrowse);
  ds.OnCalcFields = nullptr;
  ds.Close();

  // A persistent field whose definition changed no longer binds.
  title->SetSize(10);
  EXPECT_EQ(ErrorOf([&] { ds.Open(); }), "Field 'TITLE' is not of the expected type");
  EXPECT_FALSE(ds.Active());
  title->SetSize(24);
  auto *blobcalc = new TBlobField(&ds);
  blobcalc->SetFieldName("B");
  blobcalc->SetCalculated(true);
  blobcalc->SetDataSet(&ds);
  EXPECT_EQ(ErrorOf([&] { ds.Open(); }), "Field 'B' cannot be a calculated field");
  delete blobcalc;
  ds.Open();
  EXPECT_EQ(ErrorOf([&] { title->SetSize(30); }),
            "Cannot perform this operation on an open dataset");
  EXPECT_EQ(ErrorOf([&] { cat->SetFieldName("TITLE"); }),
            "Cannot perform this operation on an open dataset");
  ds.Close();
  EXPECT_EQ(ErrorOf([&] { cat->SetFieldName("TITLE"); }), "Duplicate field name 'TITLE'");
}

TEST_F(DataSetTest, FieldConversionsAndTheirMessages) {
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  ds.Edit();
  TField *cat = ds.FieldByName("CATEGORY");
  EXPECT_EQ(
      ErrorOf([&] { cat->SetAsInteger(70000); }),
      "70000 is not a valid value for field 'CATEGORY'. The allowed range is -32768 to 32767");
  EXPECT_EQ(ErrorOf([&] { cat->SetAsString("abc"); }),
            "'abc' is not a valid integer value for field 'CATEGORY'");
  auto *small = static_cast<TSmallintField *>(cat);
  small->SetMinValue(100);
  small->SetMaxValue(900);
  EXPECT_EQ(ErrorOf([&] { cat->SetAsInteger(50); }),
            "50 is not a valid value for field 'CATEGORY'. The allowed range is 100 to 900");
  cat->SetAsFloat(449.6); // rounds
  EXPECT_EQ(cat->AsInteger(), 450);
  EXPECT_EQ(cat->AsString(), "450");
  small->SetDisplayFormat("#,##0 'pts'");
  EXPECT_EQ(cat->DisplayText(), "450 pts");
  EXPECT_EQ(cat->Text(), "450 pts");
  small->SetEditFormat("0");
  EXPECT_EQ(cat->Text(), "450");
  cat->SetAsString("");
  EXPECT_TRUE(cat->IsNull());
  EXPECT_TRUE(cat->AsVariant().IsNull());
  cat->SetAsVariant(TVariant(300));
  EXPECT_EQ(cat->AsFloat(), 300.0);
  EXPECT_FALSE(cat->IsValidChar('x'));
  EXPECT_TRUE(cat->IsValidChar('7'));

  TField *title = ds.FieldByName("TITLE");
  title->SetAsString("A title of thirty characters!!");
  EXPECT_EQ(title->AsString(), "A title of thirty charac"); // cut to 24
  title->SetAsBoolean(true);
  EXPECT_EQ(title->AsString(), "T");
  EXPECT_TRUE(title->AsBoolean());
  title->SetAsString("ÄÖÜäöüßéèêëàâîïôûùçñ€abc"); // never split a character
  EXPECT_EQ(title->AsString().size() <= 24, true);
  EXPECT_EQ(title->AsString().find("\xE2\x82"), std::string::npos);
  title->SetAsInteger(42);
  EXPECT_EQ(title->AsInteger(), 42);

  // OnValidate sees the new value before it is stored and can refuse it.
  title->OnValidate = [](TField *f) {
    if (f->AsString() == "bad") throw EDatabaseError("refused");
  };
  EXPECT_EQ(ErrorOf([&] { title->SetAsString("bad"); }), "refused");
  EXPECT_EQ(title->AsString(), "42");
  EXPECT_FALSE(title->Validating());

  // OnChange follows each write; OnSetText replaces the conversion.
  int changes = 0;
  title->OnChange = [&](TField *) { ++changes; };
  title->OnSetText = [](TField *f, const std::string &text) { f->SetAsString("<" + text + ">"); };
  title->SetText("x");
  EXPECT_EQ(title->AsString(), "<x>");
  EXPECT_EQ(changes, 1);

  TField *kw = ds.FieldByName("KEYWORDS");
  kw->SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { kw->SetAsString("x"); }), "Field 'KEYWORDS' cannot be modified");
  ds.Cancel();
}

TEST_F(DataSetTest, BlobFieldsThroughBlobStreams) {
  std::string wav(61441, '\0');
  for (size_t i = 0; i < wav.size(); ++i)
    wav[i] = static_cast<char>(i * 7);
  {
    hEngCursor c = db.OpenCursor("sounds.db");
    AddRow(c, 300, "A blob", "bytes", wav);
    EngineCloseCursor(c);
  }
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  auto *blob = static_cast<TBlobField *>(ds.FieldByName("WAV"));
  EXPECT_EQ(blob->DisplayText(), "(Blob)");
  ASSERT_TRUE(ds.Locate("TITLE", TVariant("A blob"), 0));
  EXPECT_TRUE(blob->AsString() == wav);
  std::string file = db.Folder() + "/out.wav";
  blob->SaveToFile(file);
  EXPECT_EQ(std::filesystem::file_size(file), wav.size());
  {
    TBlobStream s(blob, bmRead);
    EXPECT_EQ(s.Seek(0, soFromEnd), 61441);
    EXPECT_EQ(s.Seek(0, soFromCurrent), 61441);
    s.Seek(61440, soFromBeginning);
    char last = 0;
    EXPECT_EQ(s.Read(&last, 10), 1);
    EXPECT_EQ(last, wav.back());
  }

  // A row whose blob is empty saves an empty file.
  ASSERT_TRUE(ds.Locate("TITLE", TVariant("Sound 01"), 0));
  EXPECT_TRUE(blob->IsNull());
  blob->SaveToFile(file);
  EXPECT_EQ(std::filesystem::file_size(file), 0u);

  // Writing needs edit mode; written bytes are posted with the record.
  EXPECT_EQ(ErrorOf([&] { TBlobStream s(blob, bmWrite); }), "Dataset not in edit or insert mode");
  ds.Edit();
  blob->SetAsString("RIFF....WAVE");
  EXPECT_EQ(blob->AsString(), "RIFF....WAVE"); // the open blob, before posting
  ds.Post();
  EXPECT_EQ(blob->AsString(), "RIFF....WAVE");
  TTestDataSet other(db, "sounds.db");
  other.Open();
  ASSERT_TRUE(other.Locate("TITLE", TVariant("Sound 01"), 0));
  EXPECT_EQ(other.FieldByName("WAV")->AsString(), "RIFF....WAVE");

  // An empty table saves an empty file.
  db.CreateTable("empty.db", {{"B", ENG_FLD_BLOB, ENG_SUB_BINARY, 16}});
  TTestDataSet empty(db, "empty.db");
  empty.Open();
  static_cast<TBlobField *>(empty.FieldByName("B"))->SaveToFile(file);
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

// A memory stream that logs the size of every read and write asked of it.
class LoggingStream : public TMemoryStream {
public:
  int64_t Read(void *buffer, int64_t count) override {
    reads.push_back(count);
    return TMemoryStream::Read(buffer, count);
  }
  int64_t Write(const void *buffer, int64_t count) override {
    writes.push_back(count);
    return TMemoryStream::Write(buffer, count);
  }
  std::string Bytes() const { return std::string(Memory().begin(), Memory().end()); }
  std::vector<int64_t> reads, writes;
};

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char>(i * 31 + i / 251);
  return s;
}

TEST_F(DataSetTest, BlobTransfersMoveWholeChunksOf61440Bytes) {
  struct Case {
    size_t size;
    std::vector<int64_t> chunks;
  };
  const Case cases[] = {{0, {}},
                        {1, {1}},
                        {61440, {61440}},
                        {61441, {61440, 1}},
                        {3 * 61440 + 7, {61440, 61440, 61440, 7}}};
  {
    hEngCursor c = db.OpenCursor("sounds.db");
    for (const Case &k : cases)
      AddRow(c, 300, Format("Blob %d", {static_cast<int>(k.size)}), "", Pattern(k.size));
    EngineCloseCursor(c);
  }
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  auto *blob = static_cast<TBlobField *>(ds.FieldByName("WAV"));
  for (const Case &k : cases) {
    SCOPED_TRACE(k.size);
    ASSERT_TRUE(ds.Locate("TITLE", TVariant(Format("Blob %d", {static_cast<int>(k.size)})), 0));
    // Out of the blob: the destination is written chunk by chunk.
    LoggingStream out;
    blob->SaveToStream(out);
    EXPECT_EQ(out.writes, k.chunks);
    EXPECT_TRUE(out.Bytes() == Pattern(k.size));

    // Into the blob: the source is read chunk by chunk, and the bytes
    // arrive whole once the record is posted.
    LoggingStream in;
    const std::string pattern = Pattern(k.size);
    const std::string reversed(pattern.rbegin(), pattern.rend());
    in.WriteBuffer(reversed.data(), static_cast<int64_t>(reversed.size()));
    in.reads.clear();
    ds.Edit();
    blob->LoadFromStream(in);
    ds.Post();
    EXPECT_EQ(in.reads, k.chunks);
    EXPECT_TRUE(blob->AsString() == reversed);
    EXPECT_EQ(blob->BlobSize(), static_cast<int64_t>(k.size));
  }
}

TEST_F(DataSetTest, BlobStreamSeeksFromEachOrigin) {
  const std::string wav = Pattern(61441);
  {
    hEngCursor c = db.OpenCursor("sounds.db");
    AddRow(c, 300, "Seek", "", wav);
    EngineCloseCursor(c);
  }
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  auto *blob = static_cast<TBlobField *>(ds.FieldByName("WAV"));
  ASSERT_TRUE(ds.Locate("TITLE", TVariant("Seek"), 0));
  TBlobStream s(blob, bmRead);
  ASSERT_TRUE(s.IsOpen());
  EXPECT_EQ(s.Size(), 61441);
  char c = 0;
  EXPECT_EQ(s.Seek(100, soFromBeginning), 100);
  EXPECT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, wav[100]);
  EXPECT_EQ(s.Seek(0, soFromCurrent), 101); // unchanged, after the read
  EXPECT_EQ(s.Seek(-51, soFromCurrent), 50);
  EXPECT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, wav[50]);
  EXPECT_EQ(s.Seek(61000, soFromCurrent), 61051);
  EXPECT_EQ(s.Seek(0, soFromEnd), 61441);
  EXPECT_EQ(s.Read(&c, 1), 0); // at the end: nothing more
  EXPECT_EQ(s.Seek(-1, soFromEnd), 61440);
  EXPECT_EQ(s.Read(&c, 1), 1);
  EXPECT_EQ(c, wav.back());
  // No bounds check: a position past the end reads nothing.
  EXPECT_EQ(s.Seek(10, soFromEnd), 61451);
  EXPECT_EQ(s.Read(&c, 1), 0);
  EXPECT_EQ(s.Position(), 61451);

  // A stream with no current record is closed: size 0, reads 0, seeks
  // still move the position.
  db.CreateTable("empty.db", {{"B", ENG_FLD_BLOB, ENG_SUB_BINARY, 16}});
  TTestDataSet empty(db, "empty.db");
  empty.Open();
  TBlobStream none(static_cast<TBlobField *>(empty.FieldByName("B")), bmRead);
  EXPECT_FALSE(none.IsOpen());
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(none.Seek(0, soFromEnd), 0);
  EXPECT_EQ(none.Seek(5, soFromCurrent), 5);
  EXPECT_EQ(none.Read(&c, 1), 0);
  EXPECT_EQ(none.Write("x", 1), 0);
}

TEST_F(DataSetTest, BlobAccessOutsideEditingAndInsideFilters) {
  const std::string file = db.Folder() + "/kept.wav";
  { std::ofstream(file) << "keep me"; }
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  auto *blob = static_cast<TBlobField *>(ds.FieldByName("WAV"));
  for (TBlobStreamMode mode : {bmWrite, bmReadWrite})
    EXPECT_EQ(ErrorOf([&] { TBlobStream s(blob, mode); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { blob->SetAsString("x"); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { blob->Clear(); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ds.State(), dsBrowse);

  int judged = 0;
  std::vector<std::string> errors;
  ds.SetOnFilterRecord([&](TDataSet *, bool &accept) {
    ++judged;
    for (TBlobStreamMode mode : {bmRead, bmWrite, bmReadWrite})
      errors.push_back(ErrorOf([&] { TBlobStream s(blob, mode); }));
    errors.push_back(ErrorOf([&] { (void)blob->AsString(); }));
    // Saving inside the callback fails before the file is touched.
    errors.push_back(ErrorOf([&] { blob->SaveToFile(file); }));
    accept = true;
  });
  ds.SetFiltered(true);
  ASSERT_GT(judged, 0);
  for (const std::string &e : errors)
    EXPECT_EQ(e, "Cannot access field 'WAV' in a filter");
  std::ifstream in(file);
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "keep me");
}

TEST_F(DataSetTest, SaveToFileCreatesOrTruncatesOrNamesTheFile) {
  TTestDataSet ds(db, "sounds.db");
  ds.Open();
  auto *blob = static_cast<TBlobField *>(ds.FieldByName("WAV"));
  ds.Edit();
  blob->SetAsString("RIFF");
  ds.Post();
  for (const std::string &bad :
       {db.Folder() + "/no-such-folder/x.wav", db.Folder(), std::string("")}) {
    try {
      blob->SaveToFile(bad);
      ADD_FAILURE() << "saved to " << bad;
    } catch (const EFCreateError &e) {
      EXPECT_EQ(e.Message(), "Cannot create file " + bad);
    }
  }
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(blob->AsString(), "RIFF");

  // An empty table over an existing file leaves it empty.
  const std::string file = db.Folder() + "/old.wav";
  { std::ofstream(file) << std::string(70000, 'x'); }
  db.CreateTable("empty.db", {{"B", ENG_FLD_BLOB, ENG_SUB_BINARY, 16}});
  TTestDataSet empty(db, "empty.db");
  empty.Open();
  static_cast<TBlobField *>(empty.FieldByName("B"))->SaveToFile(file);
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
  // So does an inserted row that is not posted yet: it is no current record.
  { std::ofstream(file) << "old"; }
  ds.Insert();
  blob->SaveToFile(file);
  EXPECT_EQ(std::filesystem::file_size(file), 0u);
  ds.Cancel();
}

TEST_F(DataSetTest, FieldDataLinkFollowsItsField) {
  TTestDataSet ds(db, "sounds.db");
  TDataSource src;
  src.SetDataSet(&ds);
  TFieldDataLink link;
  int data_changes = 0, editing_changes = 0, updates = 0;
  link.OnDataChange = [&](TObject *) { ++data_changes; };
  link.OnEditingChange = [&](TObject *) { ++editing_changes; };
  link.OnUpdateData = [&](TObject *) {
    ++updates;
    link.Field()->SetAsString("from the control");
  };
  link.SetFieldName("KEYWORDS");
  link.SetDataSource(&src);
  EXPECT_EQ(link.Field(), nullptr);
  ds.Open();
  ASSERT_NE(link.Field(), nullptr);
  EXPECT_EQ(link.Field()->FieldName(), "KEYWORDS");
  int before = data_changes;
  ds.Next();
  EXPECT_EQ(data_changes, before + 1);
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(ds.State(), dsEdit);
  EXPECT_TRUE(link.Editing());
  link.SetModified();
  ds.Post(); // UpdateRecord asks the control for its pending edit
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(ds.FieldByName("KEYWORDS")->AsString(), "from the control");
  EXPECT_FALSE(link.Editing());
  EXPECT_GE(editing_changes, 2);

  // Focus: the link whose field asks takes it.
  bool focused = false;
  link.OnFocus = [&](TObject *) { return focused = true; };
  ds.FieldByName("TITLE")->FocusControl();
  EXPECT_FALSE(focused);
  ds.FieldByName("KEYWORDS")->FocusControl();
  EXPECT_TRUE(focused);

  // The source cannot change while the link updates.
  TDataSource other;
  link.OnUpdateData = [&](TObject *) { link.SetDataSource(&other); };
  ds.Edit();
  link.SetModified();
  EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "DataSource cannot be changed");
  ds.Cancel();
  ds.Close();
  EXPECT_EQ(link.Field(), nullptr);
}

} // namespace
