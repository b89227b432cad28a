// Tables against real engine tables in temporary folders: opening (the
// read-only retry, the password loop, failures that leave nothing open),
// index selection and definitions, key search, ranges, GotoCurrent, the
// master link, the lookup cursor and the field definitions of a closed
// table. CTest runs every test in a process of its own.
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "data/datasource.h"
#include "data/db_hooks.h"
#include "data/field.h"
#include "data/field_defs.h"
#include "data/table.h"
#include "table_fixture.h"

namespace {

class TableTest : public ::testing::Test {
protected:
  void SetUp() override { MakeCatalogueIn(folder_.Path(), "bonussfx.db", SampleRows()); }

  // A table on the test folder, not yet open.
  std::unique_ptr<TTable> NewTable(const std::string &name = "bonussfx.db") {
    auto t = std::make_unique<TTable>();
    t->SetDatabaseName(folder_.Path());
    t->SetTableName(name);
    return t;
  }

  static std::string Title(TTable &t) { return t.FieldByName("TITLE")->AsString(); }

  // Titles from the current row to the end.
  static std::vector<std::string> TitlesFromHere(TTable &t) {
    std::vector<std::string> titles;
    while (!t.Eof()) {
      titles.push_back(Title(t));
      t.Next();
    }
    return titles;
  }
  static std::vector<std::string> AllTitles(TTable &t) {
    t.First();
    return TitlesFromHere(t);
  }

  TempFolder folder_;
};

const std::vector<std::string> kTitleOrder = {"Anvil",       "Boing", "Cat meow", "Cow moo",
                                              "Dog barking", "Drill", "Laugh",    "Rain",
                                              "Thunder",     "Zap"};

} // namespace

TEST_F(TableTest, OpensInPrimaryOrderWithTheTablesOwnFields) {
  auto t = NewTable();
  t->Open();
  EXPECT_EQ(t->State(), dsBrowse);
  ASSERT_EQ(t->FieldCount(), 4);
  EXPECT_EQ(t->Fields(0)->FieldName(), "CATEGORY");
  EXPECT_EQ(t->Fields(3)->DataType(), ftBlob);
  EXPECT_EQ(AllTitles(*t), kTitleOrder);
  EXPECT_TRUE(t->CanModify());
  t->Close();
  EXPECT_EQ(t->State(), dsInactive);
  EXPECT_EQ(t->DBFlags(), 0);
}

TEST_F(TableTest, FailedOpensLeaveTheTableInactiveAndTheDatabaseReleased) {
  auto t = NewTable("");
  EXPECT_EQ(MessageOf([&] { t->Open(); }), "Missing TableName property");
  EXPECT_FALSE(t->Active());
  EXPECT_EQ(t->DBFlags(), 0);

  t->SetTableName("missing.db");
  try {
    t->Open();
    FAIL() << "opened a missing table";
  } catch (const EDBEngineError &e) {
    EXPECT_EQ(e.ErrorCode(), DBENG_ERR_FILENOTFOUND);
    EXPECT_NE(e.Message().find("missing.db"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(t->Active());
  TDatabase *db = Session->FindDatabase(folder_.Path());
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->RefCount(), 0);
  EXPECT_EQ(db->DataSetCount(), 0);
}

TEST_F(TableTest, TwoTablesShareOneTemporaryDatabase) {
  auto a = NewTable(), b = NewTable();
  a->Open();
  b->Open();
  TDatabase *db = a->Database();
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(b->Database(), db);
  EXPECT_TRUE(db->Temporary());
  EXPECT_EQ(db->RefCount(), 2);
  a->Close();
  b->Close();
  EXPECT_EQ(Session->FindDatabase(folder_.Path()), db);
  EXPECT_TRUE(db->Connected());
  EXPECT_EQ(db->RefCount(), 0);
  // Closing the database closes the tables that use it.
  a->Open();
  db->Close();
  EXPECT_FALSE(a->Active());
}

TEST_F(TableTest, ReadOnlyTablesCannotBeModified) {
  auto t = NewTable();
  t->SetReadOnly(true);
  t->Open();
  EXPECT_FALSE(t->CanModify());
  EXPECT_EQ(MessageOf([&] { t->Edit(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(MessageOf([&] { t->SetReadOnly(false); }),
            "Cannot perform this operation on an open dataset");
}

TEST_F(TableTest, AFileThatCannotBeWrittenIsRetriedReadOnly) {
  Session->Close(); // the child process starts its own engine
  const std::string file = folder_.Path() + "/bonussfx.db";
  ASSERT_EQ(chmod(folder_.Path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The superuser may write any file: drop to an ordinary user first.
    if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
    int status = 0;
    try {
      auto t = NewTable();
      t->Open();
      if (!t->Active())
        status = 11;
      else if (t->CanModify())
        status = 12;
      else if (t->RecordCount() == 0)
        status = 13;
    } catch (...) {
      status = 14;
    }
    _exit(status);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setuid, 11 not open, 12 modifiable, 13 empty, 14 raised";
}

TEST(TablePassword, ThePromptRunsOncePerRefusalUntilTheRightPassword) {
  TempFolder folder;
  MakeCatalogueIn(folder.Path(), "locked.db", SampleRows(), "walrus");
  TTable t;
  t.SetDatabaseName(folder.Path());
  t.SetTableName("locked.db");
  int asked = 0;
  Session->SetOnPassword([&](TObject *sender, bool &go_on) {
    EXPECT_EQ(sender, Session);
    ++asked;
    Session->AddPassword(asked == 1 ? "seal" : "walrus");
    go_on = true;
  });
  t.Open();
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(t.Active());
  t.Close();
  // Known now: no more questions.
  t.Open();
  EXPECT_EQ(asked, 2);
  t.Close();
  Session->SetOnPassword(nullptr);
  Session->RemoveAllPasswords();
}

TEST(TablePassword, CancellingGivesTheEnginesPasswordError) {
  TempFolder folder;
  MakeCatalogueIn(folder.Path(), "locked.db", SampleRows(), "walrus");
  TTable t;
  t.SetDatabaseName(folder.Path());
  t.SetTableName("locked.db");
  int prompts = 0;
  DbHooks().password_prompt = [&](TSession *s) {
    ++prompts;
    s->AddPassword("seal"); // added, but wrong: asked again
    return prompts < 3;
  };
  try {
    t.Open();
    FAIL() << "opened without the password";
  } catch (const EDBEngineError &e) {
    EXPECT_EQ(e.ErrorCode(), DBENG_ERR_NEEDPASSWORD);
  }
  EXPECT_EQ(prompts, 3);
  EXPECT_FALSE(t.Active());
  DbHooks().password_prompt = nullptr;
  // Without any prompt the open fails at once.
  EXPECT_THROW(t.Open(), EDBEngineError);
  Session->AddPassword("walrus");
  t.Open();
  EXPECT_TRUE(t.Active());
}

TEST_F(TableTest, FindKeyAndFindNearestOnThePrimaryIndex) {
  auto t = NewTable();
  t->Open();
  EXPECT_TRUE(t->FindKey({TVariant("Drill")}));
  EXPECT_EQ(Title(*t), "Drill");
  // Not found: false, and the row stays where it was.
  EXPECT_FALSE(t->FindKey({TVariant("Dri")}));
  EXPECT_EQ(Title(*t), "Drill");
  t->Next();
  EXPECT_EQ(Title(*t), "Laugh");

  // Dictionary order: lower-case "dog" sorts with "Dog barking".
  t->FindNearest({TVariant("dog")});
  EXPECT_EQ(Title(*t), "Dog barking");
  t->FindNearest({TVariant("Rain")});
  EXPECT_EQ(Title(*t), "Rain");
  t->SetKey();
  t->FieldByName("TITLE")->SetAsString("Rain");
  t->SetKeyExclusive(true);
  t->GotoNearest();
  EXPECT_EQ(Title(*t), "Thunder") << "an exclusive key starts after equal keys";
  t->FindNearest({TVariant("zzz")});
  EXPECT_EQ(Title(*t), "Zap") << "past every key: the last row";

  t->SetKey();
  t->FieldByName("TITLE")->SetAsString("Cow moo");
  EXPECT_TRUE(t->GotoKey());
  EXPECT_EQ(Title(*t), "Cow moo");
  EXPECT_EQ(t->State(), dsBrowse);
}

TEST_F(TableTest, KeySearchOnSecondaryIndexes) {
  auto t = NewTable();
  t->SetIndexName("CATEGORY");
  t->Open();
  EXPECT_TRUE(t->FindKey({TVariant(600)}));
  EXPECT_EQ(t->FieldByName("CATEGORY")->AsInteger(), 600);
  EXPECT_FALSE(t->FindKey({TVariant(300)}));
  t->FindNearest({TVariant(300)});
  EXPECT_EQ(t->FieldByName("CATEGORY")->AsInteger(), 500);

  t->SetIndexFieldNames("KEYWORDS");
  EXPECT_EQ(t->IndexName(), "");
  EXPECT_EQ(t->IndexFieldNames(), "KEYWORDS");
  t->FindNearest({TVariant("STORM")});
  EXPECT_EQ(Title(*t), "Thunder") << "the KEYWORDS index ignores case";
  EXPECT_EQ(MessageOf([&] {
              t->FindKey({TVariant(1), TVariant(2), TVariant("x")});
            }),
            "(no exception)")
      << "extra values beyond the key fields are ignored";
}

TEST(TableKeys, KeyValuesNeedAnActiveIndex) {
  TempFolder folder;
  {
    TDatabase db(nullptr);
    db.SetDatabaseName(folder.Path());
    db.Open();
    EngFldDesc fields[] = {FieldDesc(1, "NAME", ENG_FLD_ZSTRING, 20)};
    EngTableDesc desc;
    std::memset(&desc, 0, sizeof desc);
    std::strcpy(desc.name, "plain.db");
    desc.fieldCount = 1;
    desc.fields = fields;
    Check(EngineCreateTable(db.Handle(), &desc));
  }
  TTable t;
  t.SetDatabaseName(folder.Path());
  t.SetTableName("plain.db");
  t.Open();
  EXPECT_EQ(MessageOf([&] { t.FindKey({TVariant("x")}); }), "No index currently active");
  EXPECT_EQ(MessageOf([&] { t.SetRange({TVariant("a")}, {TVariant("b")}); }),
            "No index currently active");
  EXPECT_EQ(t.State(), dsBrowse);
}

TEST_F(TableTest, RangesOnAnIndexAndTheirEngineCalls) {
  auto t = NewTable();
  t->SetIndexName("CATEGORY");
  t->Open();
  t->CancelRange();
  EXPECT_EQ(t->RangeCallCount(), 0);
  t->SetRange({TVariant(100)}, {TVariant(100)});
  EXPECT_EQ(t->RangeCallCount(), 1);
  std::vector<std::string> animals = AllTitles(*t);
  EXPECT_EQ(animals.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    t->First();
    t->MoveBy(i);
    EXPECT_EQ(t->FieldByName("CATEGORY")->AsInteger(), 100);
  }
  // The same range again: no engine call, no move.
  t->Last();
  t->ApplyRange();
  EXPECT_EQ(t->RangeCallCount(), 1);
  EXPECT_TRUE(t->Eof() || t->ActiveRecord() >= 0);

  // Open start, exclusive end.
  t->SetRangeStart();
  t->SetRangeEnd();
  t->FieldByName("CATEGORY")->SetAsInteger(600);
  t->SetKeyExclusive(true);
  t->ApplyRange();
  EXPECT_EQ(t->RangeCallCount(), 2);
  EXPECT_EQ(AllTitles(*t).size(), 6u) << "categories 100, 200 and 500";

  t->CancelRange();
  EXPECT_EQ(AllTitles(*t).size(), 10u);
  t->CancelRange(); // nothing applied any more
  EXPECT_EQ(AllTitles(*t).size(), 10u);
}

TEST_F(TableTest, RangeOnThePrimaryIndex) {
  auto t = NewTable();
  t->Open();
  t->SetRange({TVariant("C")}, {TVariant("Dz")});
  EXPECT_EQ(AllTitles(*t),
            (std::vector<std::string>{"Cat meow", "Cow moo", "Dog barking", "Drill"}));
}

TEST_F(TableTest, GotoCurrentNeedsTheSameTable) {
  auto a = NewTable(), b = NewTable();
  a->Open();
  b->Open();
  b->FindKey({TVariant("Rain")});
  a->GotoCurrent(b.get());
  EXPECT_EQ(Title(*a), "Rain");

  CreateCatalogueTable(*a->Database(), "other.db", SampleRows());
  auto c = NewTable("other.db");
  c->Open();
  EXPECT_EQ(MessageOf([&] { a->GotoCurrent(c.get()); }),
            "Source and destination tables are incompatible");
  EXPECT_EQ(Title(*a), "Rain");
}

TEST_F(TableTest, IndexNameOfAClosedTableIsOnlyStored) {
  auto t = NewTable();
  t->SetIndexName("NO SUCH INDEX");
  EXPECT_EQ(t->IndexName(), "NO SUCH INDEX");
  EXPECT_FALSE(t->Active());
  EXPECT_THROW(t->Open(), EDBEngineError);
  t->SetIndexName("KEYWORDS");
  t->Open();
  t->First();
  EXPECT_EQ(Title(*t), "Boing") << "KEYWORDS order: 'cartoon spring' first";
  t->Next();
  EXPECT_EQ(Title(*t), "Cat meow");
  t->SetIndexName("");
  EXPECT_EQ(Title(*t), "Cat meow") << "the current row stays current";
  t->Next();
  EXPECT_EQ(Title(*t), "Cow moo") << "and the rows follow in the new order";
  t->First();
  EXPECT_EQ(Title(*t), "Anvil");
  EXPECT_EQ(MessageOf([&] { t->SetIndexFieldNames("WAV"); }),
            "Table 'bonussfx.db' has no index for fields 'WAV'");
  EXPECT_EQ(t->IndexFieldNames(), "");
}

TEST_F(TableTest, IndexDefinitionsAndFindingAnIndexForFields) {
  auto t = NewTable();
  TIndexDefs *defs = t->IndexDefs();
  defs->Update(); // a closed table opens its file just for them
  EXPECT_FALSE(t->Active());
  ASSERT_EQ(defs->Count(), 3);
  const TIndexDef *primary = defs->GetIndexForFields("title", false);
  ASSERT_NE(primary, nullptr);
  EXPECT_TRUE(primary->Options() & ixPrimary);
  EXPECT_TRUE(primary->Options() & ixUnique);
  const TIndexDef *keywords = defs->GetIndexForFields("KEYWORDS", true);
  ASSERT_NE(keywords, nullptr);
  EXPECT_EQ(keywords->Name(), "KEYWORDS");
  EXPECT_EQ(defs->GetIndexForFields("CATEGORY", true), nullptr)
      << "CATEGORY's index is not case-insensitive";
  EXPECT_EQ(defs->GetIndexForFields("CATEG", false), nullptr) << "a prefix must end at a ';'";
  EXPECT_EQ(MessageOf([&] { defs->Add("keywords", "X", 0); }), "Duplicate index name 'keywords'");
}

TEST_F(TableTest, FieldDefinitionsOfAClosedTable) {
  auto t = NewTable();
  t->FieldDefs()->Update();
  EXPECT_FALSE(t->Active());
  TFieldDefs *defs = t->FieldDefs();
  ASSERT_EQ(defs->Count(), 4);
  EXPECT_EQ(defs->Items(0)->Name(), "CATEGORY");
  EXPECT_EQ(defs->Items(0)->DataType(), ftSmallint);
  EXPECT_EQ(defs->Items(1)->DataType(), ftString);
  EXPECT_EQ(defs->Items(1)->Size(), 24);
  EXPECT_EQ(defs->Items(3)->DataType(), ftBlob);
  EXPECT_EQ(defs->Items(3)->FieldNo(), 4);
  EXPECT_EQ(t->DBFlags(), 0) << "the field-list connection is released again";

  auto nameless = NewTable("");
  EXPECT_EQ(MessageOf([&] { nameless->FieldDefs()->Update(); }), "Missing TableName property");
}

TEST_F(TableTest, MasterLinkRestrictsTheDetailToTheMastersValues) {
  auto master = NewTable();
  auto detail = NewTable();
  TDataSource source;
  source.SetDataSet(master.get());
  detail->SetIndexName("CATEGORY");
  detail->SetMasterSource(&source);
  detail->SetMasterFields("CATEGORY");
  master->Open();
  master->FindKey({TVariant("Drill")});
  detail->Open();
  std::vector<std::string> machines = AllTitles(*detail);
  std::sort(machines.begin(), machines.end());
  EXPECT_EQ(machines, (std::vector<std::string>{"Anvil", "Drill"}));
  master->FindKey({TVariant("Cat meow")});
  EXPECT_EQ(AllTitles(*detail).size(), 3u);
  master->FindKey({TVariant("Zap")});
  EXPECT_EQ(AllTitles(*detail), (std::vector<std::string>{"Zap"}));
  master->Close();
  EXPECT_EQ(AllTitles(*detail).size(), 10u) << "a closed master lifts the range";
}

TEST_F(TableTest, LocateUsesALookupCursorOnAnotherIndex) {
  auto t = NewTable();
  t->Open();
  EXPECT_TRUE(t->Locate("KEYWORDS", TVariant("STORM NATURE LOUD"), loCaseInsensitive));
  EXPECT_EQ(Title(*t), "Thunder");
  EXPECT_TRUE(t->Locate("KEYWORDS", TVariant("cow"), loCaseInsensitive | loPartialKey));
  EXPECT_EQ(Title(*t), "Cow moo");
  EXPECT_FALSE(t->Locate("KEYWORDS", TVariant("giraffe"), loCaseInsensitive));
  EXPECT_EQ(Title(*t), "Cow moo");
  // No index fits CATEGORY case-insensitively: the search filters instead.
  EXPECT_TRUE(t->Locate("CATEGORY", TVariant(700), 0));
  EXPECT_EQ(Title(*t), "Laugh");
}
