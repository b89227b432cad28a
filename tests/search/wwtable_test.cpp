// The enhanced table's record filter and the shared dialog texts.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "base/exception.h"
#include "base/text.h"
#include "data/field.h"
#include "search/wwfilter_text.h"
#include "search/wwintl.h"
#include "search/wwmemostream.h"
#include "tests/search/boxes.h"
#include "tests/search/search_env.h"
#include "ui/buttons.h"

namespace {

std::vector<std::string> Titles(TDataSet *t) {
  std::vector<std::string> titles;
  for (t->First(); !t->Eof(); t->Next())
    titles.push_back(Title(t));
  t->First();
  return titles;
}

using Rows = std::vector<std::string>;

} // namespace

TEST(TwwTableTest, OnFilterHidesRowsAtOnceAndReadsTheCandidateRecord) {
  auto t = OpenCatalogue();
  std::vector<std::string> seen;
  t->SetOnFilter([&](TwwTable *table, bool &accept) {
    TVariant category = table->GetFilterFieldValue("category");
    seen.push_back(table->GetFilterFieldValue("TITLE").AsString());
    accept = category.AsInteger() == 500;
  });
  EXPECT_NE(t->RecordFilterHandle(), 0u);
  EXPECT_EQ(Titles(t.get()), (Rows{"Anvil", "Drill"}));
  EXPECT_FALSE(seen.empty()) << "the filter saw the candidates' own titles";
  EXPECT_NE(std::find(seen.begin(), seen.end(), "Zap"), seen.end());

  // A category filter in force as well: a row must pass both.
  t->SetFilter("CATEGORY=500");
  t->SetFiltered(true);
  EXPECT_EQ(Titles(t.get()), (Rows{"Anvil", "Drill"}));
  t->SetFilter("CATEGORY=100");
  EXPECT_TRUE(Titles(t.get()).empty());
  t->SetFiltered(false);

  // Without ofoEnabled the event is not called and every row shows.
  seen.clear();
  t->SetOnFilterOptions(ofoShowHourGlass);
  EXPECT_EQ(Titles(t.get()).size(), 10u);
  EXPECT_TRUE(seen.empty());
  t->SetOnFilterOptions(ofoEnabled | ofoShowHourGlass);
  EXPECT_EQ(Titles(t.get()), (Rows{"Anvil", "Drill"}));

  // Reopening installs the filter on the new cursor.
  t->Close();
  t->Open();
  EXPECT_EQ(Titles(t.get()), (Rows{"Anvil", "Drill"}));

  // Clearing the event shows every row again.
  t->SetOnFilter(nullptr);
  EXPECT_EQ(t->RecordFilterHandle(), 0u);
  EXPECT_EQ(Titles(t.get()).size(), 10u);
}

TEST(TwwTableTest, FilterFieldValuesOfBlankAndUnknownFields) {
  auto t = OpenCatalogue();
  bool wav_null = false, category_null = true;
  std::string unknown;
  t->SetOnFilter([&](TwwTable *table, bool &accept) {
    wav_null = table->GetFilterFieldValue("WAV").IsNull();
    category_null = table->GetFilterFieldValue("CATEGORY").IsNull();
    unknown = MessageOf([&] { table->GetFilterFieldValue("NOPE"); });
    accept = true;
  });
  EXPECT_TRUE(wav_null) << "no sound in the sample rows";
  EXPECT_FALSE(category_null);
  EXPECT_EQ(unknown, "Field 'NOPE' not found");
}

TEST(TwwTableTest, AFilterSetOnAClosedTableGoesOnWhenItOpens) {
  TwwTable t(nullptr);
  t.SetDatabaseName("sound");
  t.SetTableName("bonussfx.db");
  t.SetOnFilter([](TwwTable *table, bool &accept) { accept = Title(table).rfind("C", 0) == 0; });
  EXPECT_EQ(t.RecordFilterHandle(), 0u);
  t.Open();
  EXPECT_EQ(Titles(&t), (Rows{"Cat meow", "Cow moo"}));
  EXPECT_TRUE(t.IsNativeTable());
  EXPECT_TRUE(t.SyncSQLByRange());
  EXPECT_FALSE(t.NarrowSearch());
  EXPECT_EQ(t.NarrowSearchUpperChar(), 255);
}

TEST(WwIntlTest, DefaultsConnectingAndDialogButtons) {
  TwwIntl *shared = wwInternational();
  EXPECT_EQ(shared->SearchDialog()->SearchCharLabel, "&Search Characters");
  EXPECT_EQ(shared->SearchDialog()->SearchByHint, "Incremental searching and sorting order");
  EXPECT_EQ(shared->UserMessages()->PictureValidateError, "Invalid characters. Field : ");
  EXPECT_EQ(shared->UserMessages()->MemoChangesWarning,
            "Changes have been made!  Are you sure you wish to cancel?");
  EXPECT_EQ(shared->FilterDialog()->MatchAnyLabel, "Partial Match Any&where");
  EXPECT_EQ(shared->LocateDialog()->MatchAnyLabel, "Partial Match &Anywhere");
  EXPECT_EQ(shared->BtnOKCaption(), "&OK");

  TForm form(nullptr);
  TButton *ok = CreateDialogButton(&form, wwbkOK);
  TButton *cancel = CreateDialogButton(&form, wwbkCancel);
  EXPECT_NE(dynamic_cast<TBitBtn *>(ok), nullptr);
  EXPECT_FALSE(ok->Visible());
  EXPECT_EQ(ok->Caption(), "&OK");
  EXPECT_EQ(ok->ModalResult(), mrOk);
  EXPECT_EQ(cancel->Caption(), "Cancel");
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(cancel->ModalResult(), mrCancel);
  EXPECT_EQ(ok->Height(), 27 * Screen->PixelsPerInch() / 96);

  {
    TwwIntl mine(nullptr);
    mine.SearchDialog()->SearchCharLabel = "&Suche";
    mine.UserMessages()->LocateNoMatches = "Nichts";
    mine.UserMessages()->RecordViewExitWarning = "Speichern?";
    mine.SetOKCancelBitmapped(false);
    mine.SetConnected(true);
    EXPECT_EQ(shared->SearchDialog()->SearchCharLabel, "&Suche");
    EXPECT_EQ(shared->UserMessages()->LocateNoMatches, "Nichts");
    EXPECT_EQ(shared->UserMessages()->RecordViewExitWarning,
              "Changes have been made!  Do you wish to save your changes?")
        << "not handed over";
    TButton *plain = CreateDialogButton(&form, wwbkOK);
    EXPECT_EQ(dynamic_cast<TBitBtn *>(plain), nullptr);
    EXPECT_EQ(plain->Height(), 24 * Screen->PixelsPerInch() / 96);
  }
  // Back to the defaults for the other tests.
  TwwIntl defaults(nullptr);
  defaults.SetConnected(true);
  EXPECT_EQ(shared->SearchDialog()->SearchCharLabel, "&Search Characters");
  EXPECT_TRUE(shared->OKCancelBitmapped());
}

TEST(TwwMemoStreamTest, ReadsTheBlobOfTheCurrentOrTheCandidateRecord) {
  {
    TDatabase *db = Session->OpenDatabase("sound");
    CreateCatalogueTable(*db, "memo.db", SampleRows());
    Session->CloseDatabase(db);
  }
  // 70,000 bytes: more than two pieces of the engine's read.
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>('a' + i % 26);
  TwwTable t(nullptr);
  t.SetDatabaseName("sound");
  t.SetTableName("memo.db");
  t.Open();
  ASSERT_TRUE(t.FindKey({TVariant("Rain")}));
  t.Edit();
  t.FieldByName("WAV")->SetAsString(bytes);
  t.Post();

  TwwMemoStream stream(t.FieldByName("WAV"));
  EXPECT_EQ(stream.Seek(0, soFromEnd), 70000);
  stream.Seek(0, soFromBeginning);
  std::string read(80000, '\0');
  EXPECT_EQ(stream.Read(read.data(), 80000), 70000) << "stops at the end of the blob";
  read.resize(70000);
  EXPECT_EQ(read, bytes);
  stream.Seek(-3, soFromEnd);
  char tail[8] = {};
  EXPECT_EQ(stream.Read(tail, 8), 3);
  EXPECT_EQ(std::string(tail), bytes.substr(69997));
  EXPECT_EQ(stream.Write("x", 1), 0);

  // A record image handed in (a filter's candidate) is read, not the
  // current record.
  std::vector<uint8_t> rain;
  ASSERT_TRUE(t.ReadCurrentRecordCopy(rain));
  ASSERT_TRUE(t.FindKey({TVariant("Zap")}));
  EXPECT_EQ(TwwMemoStream(t.FieldByName("WAV")).Seek(0, soFromEnd), 0);
  EXPECT_EQ(TwwMemoStream(t.FieldByName("WAV"), rain.data()).Seek(0, soFromEnd), 70000);
  // Inside the record filter: each candidate's own blob.
  std::map<std::string, int64_t> sizes;
  t.SetOnFilter([&](TwwTable *table, bool &accept) {
    TwwMemoStream candidate(table->FieldByName("WAV"), table->FilterRecord());
    const int64_t size = candidate.Seek(0, soFromEnd);
    sizes[table->GetFilterFieldValue("TITLE").AsString()] = size;
    accept = size == 0;
  });
  std::vector<std::string> shown;
  for (t.First(); !t.Eof(); t.Next())
    shown.push_back(Title(&t));
  EXPECT_EQ(sizes.size(), 10u);
  EXPECT_EQ(sizes["Rain"], 70000);
  EXPECT_EQ(sizes["Zap"], 0);
  EXPECT_EQ(std::find(shown.begin(), shown.end(), "Rain"), shown.end());
  EXPECT_EQ(shown.size(), 9u);
  EXPECT_EQ(t.FilterRecord(), nullptr) << "only while the filter runs";
  t.SetOnFilter(nullptr);

  // No current record: a stream that reads nothing.
  t.SetOnFilter([](TwwTable *, bool &accept) { accept = false; });
  TwwMemoStream none(t.FieldByName("WAV"));
  EXPECT_EQ(none.Read(read.data(), 10), 0);
}

namespace {

TStringList Lines(std::initializer_list<const char *> lines) {
  TStringList list;
  for (const char *l : lines)
    list.Add(l);
  return list;
}

} // namespace

TEST(TwwTableTest, FilterLinesAllHoldAndAreInstalledInTheEngine) {
  EXPECT_EQ(JoinwwFilterLines(Lines({"a  ", "", "b"})), "a AND (b)");
  auto t = OpenCatalogue();
  t->SetwwFilter(Lines({"CATEGORY = 500"}));
  EXPECT_NE(t->ConditionFilterHandle(), 0u);
  EXPECT_EQ(Titles(t.get()), (Rows{"Anvil", "Drill"}));

  t->SetwwFilter(Lines({"category=100", "TITLE <> \"Cat meow\""}));
  EXPECT_EQ(Titles(t.get()), (Rows{"Cow moo", "Dog barking"}));
  t->SetwwFilter(Lines({"CATEGORY = 200 or CATEGORY>=900"}));
  EXPECT_EQ(Titles(t.get()), (Rows{"Boing", "Zap"}));
  t->SetwwFilter(Lines({"(CATEGORY < 200 AND TITLE > \"D\") OR TITLE = \"Rain\""}));
  EXPECT_EQ(Titles(t.get()), (Rows{"Dog barking", "Rain"}));

  // Together with the record filter: a row must pass both.
  t->SetOnFilter([](TwwTable *table, bool &accept) { accept = Title(table) != "Rain"; });
  EXPECT_EQ(Titles(t.get()), (Rows{"Dog barking"}));
  t->SetOnFilter(nullptr);

  // Reopening installs the condition again; no lines, no condition.
  t->Close();
  t->Open();
  EXPECT_EQ(Titles(t.get()), (Rows{"Dog barking", "Rain"}));
  t->SetwwFilter(TStringList());
  EXPECT_EQ(t->ConditionFilterHandle(), 0u);
  EXPECT_EQ(Titles(t.get()).size(), 10u);
}

TEST(TwwTableTest, AConditionThatCannotBeInstalledIsReportedAndHidesNothing) {
  auto t = OpenCatalogue();
  std::vector<std::string> texts = CloseBoxesWhile([&] {
    t->SetwwFilter(Lines({"CATEGORY = 100", "NOPE = 1"}));
  });
  EXPECT_EQ(texts,
            (std::vector<std::string>{"NOPE\rField not found in Table. ", kFailToSetFilter}));
  EXPECT_EQ(t->ConditionFilterHandle(), 0u);
  EXPECT_EQ(Titles(t.get()).size(), 10u);

  for (const char *bad : {"CATEGORY =", "CATEGORY = \"100", "(CATEGORY = 100", "CATEGORY =< 100",
                          "CATEGORY = 1000000"}) {
    texts = CloseBoxesWhile([&] { t->SetwwFilter(Lines({bad})); });
    EXPECT_EQ(texts, std::vector<std::string>{kFailToSetFilter}) << bad;
    EXPECT_EQ(Titles(t.get()).size(), 10u) << bad;
  }
  // A closed table takes the lines and installs them when it opens.
  t->Close();
  t->SetwwFilter(Lines({"TITLE = \"Zap\""}));
  t->Open();
  EXPECT_EQ(Titles(t.get()), (Rows{"Zap"}));
}

TEST(TwwTableTest, CalculatedAndLookupFieldsOfTheCandidate) {
  auto keywords = OpenCatalogue();
  TComponent owner(nullptr);
  TwwTable t(&owner);
  t.SetDatabaseName("sound");
  t.SetTableName("bonussfx.db");
  auto add = [&](TField *f, const char *name) {
    f->SetFieldName(name);
    f->SetDataSet(&t);
    return f;
  };
  add(new TSmallintField(&owner), "CATEGORY");
  add(new TStringField(&owner), "TITLE")->SetSize(24);
  add(new TStringField(&owner), "KEYWORDS")->SetSize(240);
  auto *loud = new TStringField(&owner);
  loud->SetSize(24);
  loud->SetCalculated(true);
  add(loud, "LOUD");
  auto *kw = new TStringField(&owner);
  kw->SetSize(240);
  kw->SetLookup(true);
  kw->SetLookupDataSet(keywords.get());
  kw->SetKeyFields("TITLE");
  kw->SetLookupKeyFields("TITLE");
  kw->SetLookupResultField("KEYWORDS");
  add(kw, "KW");
  t.OnCalcFields = [](TDataSet *ds) {
    ds->FieldByName("LOUD")->SetAsString(AnsiUpperCase(ds->FieldByName("TITLE")->AsString()));
  };
  t.Open();
  t.SetOnFilter([](TwwTable *table, bool &accept) {
    const std::string loud = table->GetFilterFieldValue("LOUD").AsString();
    const std::string kw = table->GetFilterFieldValue("KW").AsString();
    accept = loud.rfind("C", 0) == 0 && kw.find("animal") != std::string::npos;
  });
  EXPECT_EQ(Titles(&t), (Rows{"Cat meow", "Cow moo"}));
  EXPECT_EQ(t.FieldByName("LOUD")->AsString(), "CAT MEOW") << "the shown rows calculate as ever";
}
