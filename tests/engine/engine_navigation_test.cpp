// Navigation through the C contract: ends of empty and small tables, index
// orders in both directions, bookmarks across deletes, keys and ranges,
// counts and sequence numbers, two cursors on one table.
#include "tests/engine/engine_fixture.h"

#include <sqlite3.h>

#include <algorithm>

using namespace enginetest;
using Strings = std::vector<std::string>;

class Navigation : public EngineTest {};

TEST_F(Navigation, EmptyTableGivesBothEndsAndNoCurrentRecord) {
  CreateCatalogue();
  hEngCursor c = Open();
  std::vector<uint8_t> rec(RecordSize(c));
  EXPECT_EQ(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_EOF);
  EXPECT_EQ(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_BOF);
  EXPECT_OKE(EngineSetToEnd(c));
  EXPECT_EQ(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_EOF);
  EXPECT_EQ(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_BOF);
  EXPECT_EQ(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_NOCURRREC);
  uint32_t count = 99;
  EXPECT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 0u);
  char bm[ENG_BOOKMARK_SIZE];
  EXPECT_EQ(EngineGetBookmark(c, bm), DBENG_ERR_NOCURRREC);
  EXPECT_EQ(EngineDeleteRecord(c, nullptr), DBENG_ERR_NOCURRREC);
}

TEST_F(Navigation, OneRowIsFoundFromEitherEnd) {
  CreateCatalogue();
  hEngCursor c = Open();
  AddRow(c, 100, "Dog barking");
  EXPECT_EQ(AllTitles(c), Strings{"Dog barking"});
  EngineSetToEnd(c);
  EXPECT_EQ(Titles(c, true), Strings{"Dog barking"});
  // From before the first record, prior stays at the beginning.
  EngineSetToBegin(c);
  std::vector<uint8_t> rec(RecordSize(c));
  EXPECT_EQ(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_BOF);
  EXPECT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_EOF);
  EXPECT_OKE(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), "Dog barking");
}

TEST_F(Navigation, TitlesSortInDictionaryOrderAndKeywordsIgnoringCase) {
  CreateCatalogue();
  hEngCursor c = Open();
  AddRow(c, 100, "dog", "zebra");
  AddRow(c, 100, "Dog barking", "Apple");
  AddRow(c, 100, "Cat", "apricot");
  AddRow(c, 100, "ÉCLAIR", "Éclat");
  AddRow(c, 100, "eagle", "éclair");
  AddRow(c, 100, "Dog", "Banana");
  // Letters first, case only between otherwise equal texts.
  EXPECT_EQ(AllTitles(c), (Strings{"Cat", "Dog", "dog", "Dog barking", "eagle", "ÉCLAIR"}));
  EngineSetToEnd(c);
  EXPECT_EQ(Titles(c, true), (Strings{"ÉCLAIR", "eagle", "Dog barking", "dog", "Dog", "Cat"}));
  hEngCursor k = Open("cat.db", "KEYWORDS");
  EXPECT_EQ(AllTitles(k, kKeywords),
            (Strings{"Apple", "apricot", "Banana", "éclair", "Éclat", "zebra"}));
}

TEST_F(Navigation, ManyRowsInBothDirectionsAndDirectionChanges) {
  CreateCatalogue();
  hEngCursor c = Open();
  Strings expected;
  for (int i = 0; i < 300; ++i) {
    char title[16];
    std::snprintf(title, sizeof title, "T%04d", (i * 7919) % 300);
    AddRow(c, 100 * (1 + i % 9), title);
    expected.push_back(title);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(AllTitles(c), expected);
  EngineSetToEnd(c);
  Strings backward = Titles(c, true);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(backward, expected);
  // Zig-zag across batch boundaries.
  EngineSetToBegin(c);
  std::vector<uint8_t> rec(RecordSize(c));
  for (int i = 0; i < 100; ++i)
    ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), expected[99]);
  for (int i = 0; i < 70; ++i)
    ASSERT_OKE(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), expected[29]);
  ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), expected[30]);
  uint32_t seq = 0, count = 0;
  EXPECT_OKE(EngineGetSequenceNumber(c, &seq));
  EXPECT_EQ(seq, 31u);
  EXPECT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 300u);
  // The secondary index on CATEGORY orders by category, then by row.
  hEngCursor k = Open("cat.db", "CATEGORY");
  std::vector<uint8_t> r2(RecordSize(k));
  int last = 0, n = 0;
  while (EngineGetNextRecord(k, ENG_NOLOCK, r2.data(), nullptr) == DBENG_OK) {
    EXPECT_GE(Int16(k, r2, kCategory), last);
    last = Int16(k, r2, kCategory);
    ++n;
  }
  EXPECT_EQ(n, 300);
}

TEST_F(Navigation, BookmarksSurviveInsertsAndDeletesAndNameDeletedRows) {
  CreateCatalogue();
  hEngCursor c = Open();
  for (const char *t : {"A", "C", "E", "G"})
    AddRow(c, 100, t);
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr); // C
  char bmC[ENG_BOOKMARK_SIZE], bmE[ENG_BOOKMARK_SIZE];
  ASSERT_OKE(EngineGetBookmark(c, bmC));
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr); // E
  ASSERT_OKE(EngineGetBookmark(c, bmE));
  AddRow(c, 100, "B");
  AddRow(c, 100, "D");
  ASSERT_OKE(EngineSetToBookmark(c, bmC));
  ASSERT_OKE(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), "C");
  EXPECT_EQ(Titles(c), (Strings{"D", "E", "G"}));
  // Delete E: its bookmark now names a deleted row; the cursor sits between
  // its neighbours.
  ASSERT_OKE(EngineSetToBookmark(c, bmE));
  ASSERT_OKE(EngineDeleteRecord(c, rec.data()));
  EXPECT_EQ(Text(c, rec, kTitle), "E");
  EXPECT_EQ(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr), DBENG_ERR_NOCURRREC);
  ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), "G");
  ASSERT_OKE(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), "D");
  EXPECT_EQ(EngineSetToBookmark(c, bmE), DBENG_ERR_RECDELETED);
  // A bookmark of another table is refused.
  CreateCatalogue("other.db");
  hEngCursor o = Open("other.db");
  EXPECT_EQ(EngineSetToBookmark(o, bmC), DBENG_ERR_INVALIDBOOKMARK);
  // Bookmarks work in any index order of the same table.
  hEngCursor k = Open("cat.db", "KEYWORDS");
  ASSERT_OKE(EngineSetToBookmark(k, bmC));
  ASSERT_OKE(EngineGetRecord(k, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(k, rec, kTitle), "C");
}

TEST_F(Navigation, KeysPartialKeysAndNearestSearch) {
  CreateCatalogue();
  hEngCursor c = Open();
  for (const char *t : {"Cat meowing", "Dog barking", "dog", "Dog growl", "Duck", "Eel"})
    AddRow(c, 100, t);
  std::vector<uint8_t> key = NewRecord(c), rec(RecordSize(c));
  // Exact key.
  PutText(c, key, kTitle, "Duck");
  ASSERT_OKE(EngineGetRecordForKey(c, 0, 1, 0, key.data(), rec.data()));
  EXPECT_EQ(Text(c, rec, kTitle), "Duck");
  EXPECT_EQ(Titles(c), (Strings{"Eel"}));
  // A key that is not there leaves the cursor where it was.
  EngineSetToBegin(c);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr); // Cat meowing
  PutText(c, key, kTitle, "Dodo");
  EXPECT_EQ(EngineGetRecordForKey(c, 0, 1, 0, key.data(), rec.data()), DBENG_ERR_KEYNOTFOUND);
  ASSERT_OKE(EngineGetRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, kTitle), "Cat meowing");
  // Partial key on the case-sensitive index: "dog" sorts among the titles
  // starting with "Do" but does not match them.
  PutText(c, key, kTitle, "Do");
  ASSERT_OKE(EngineGetRecordForKey(c, 0, 1, 2, key.data(), rec.data()));
  EXPECT_EQ(Text(c, rec, kTitle), "Dog barking");
  // Nearest: typing "dog" in a lookup lands next to "Dog barking".
  PutText(c, key, kTitle, "dog");
  ASSERT_OKE(EngineSetToKey(c, ENG_KEY_GE, 0, 1, 0, key.data()));
  EXPECT_EQ(Titles(c), (Strings{"dog", "Dog barking", "Dog growl", "Duck", "Eel"}));
  ASSERT_OKE(EngineSetToKey(c, ENG_KEY_GT, 0, 1, 0, key.data()));
  EXPECT_EQ(Titles(c), (Strings{"Dog barking", "Dog growl", "Duck", "Eel"}));
  // Greater than a partial key skips every title that starts with it.
  PutText(c, key, kTitle, "Dog");
  ASSERT_OKE(EngineSetToKey(c, ENG_KEY_GT, 0, 1, 3, key.data()));
  EXPECT_EQ(Titles(c), (Strings{"Duck", "Eel"}));
  ASSERT_OKE(EngineSetToKey(c, ENG_KEY_GE, 0, 1, 0, key.data()));
  EXPECT_EQ(Titles(c, true), (Strings{"Cat meowing"}));
  // On the case-insensitive index a partial key ignores case.
  hEngCursor k = Open("cat.db", "KEYWORDS");
  std::vector<uint8_t> kk = NewRecord(k);
  PutText(k, kk, kKeywords, "DOG G");
  ASSERT_OKE(EngineGetRecordForKey(k, 0, 1, 5, kk.data(), rec.data()));
  EXPECT_EQ(Text(k, rec, kKeywords), "Dog growl");
  // ExtractKey keeps the key fields only.
  std::vector<uint8_t> extracted(RecordSize(k));
  ASSERT_OKE(EngineExtractKey(k, rec.data(), extracted.data()));
  EXPECT_EQ(Text(k, extracted, kKeywords), "Dog growl");
  EXPECT_EQ(Text(k, extracted, kTitle), "<blank>");
}

TEST_F(Navigation, RangesOnLeadingFieldsInclusiveAndExclusive) {
  EngFldDesc fields[] = {Field("A", ENG_FLD_INT32), Field("B", ENG_FLD_ZSTRING, 10)};
  EngIdxDesc indexes[] = {Index("AB", {1, 2}, true)};
  EngTableDesc desc{};
  std::snprintf(desc.name, sizeof desc.name, "r.db");
  desc.fieldCount = 2;
  desc.fields = fields;
  desc.indexCount = 1;
  desc.indexes = indexes;
  ASSERT_OKE(EngineCreateTable(db, &desc));
  hEngCursor c = Open("r.db");
  for (int a = 1; a <= 4; ++a)
    for (const char *b : {"ant", "bee", "cow"}) {
      std::vector<uint8_t> rec = NewRecord(c);
      int32_t v = a;
      ASSERT_OKE(EnginePutField(c, 1, rec.data(), &v));
      PutText(c, rec, 2, b);
      ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
    }
  auto keyOf = [&](int a, const char *b) {
    std::vector<uint8_t> k = NewRecord(c);
    int32_t v = a;
    EnginePutField(c, 1, k.data(), &v);
    if (b) PutText(c, k, 2, b);
    return k;
  };
  auto all = [&] {
    Strings out;
    std::vector<uint8_t> rec(RecordSize(c));
    EngineSetToBegin(c);
    while (EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr) == DBENG_OK) {
      int32_t a;
      EngineGetField(c, 1, rec.data(), &a, nullptr);
      out.push_back(std::to_string(a) + Text(c, rec, 2));
    }
    return out;
  };
  // One leading field, inclusive both ends.
  std::vector<uint8_t> lo = keyOf(2, nullptr), hi = keyOf(3, nullptr);
  ASSERT_OKE(EngineSetRange(c, 0, 1, 0, lo.data(), 1, 1, 0, hi.data(), 1));
  EXPECT_EQ(all(), (Strings{"2ant", "2bee", "2cow", "3ant", "3bee", "3cow"}));
  uint32_t count = 0;
  EXPECT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 6u);
  // Two fields, exclusive start.
  lo = keyOf(2, "bee");
  hi = keyOf(3, "bee");
  ASSERT_OKE(EngineSetRange(c, 0, 2, 0, lo.data(), 0, 2, 0, hi.data(), 1));
  EXPECT_EQ(all(), (Strings{"2cow", "3ant", "3bee"}));
  // Partial text of the second field on the end bound, open start.
  hi = keyOf(1, "b");
  ASSERT_OKE(EngineSetRange(c, 0, 0, 0, nullptr, 1, 2, 1, hi.data(), 1));
  EXPECT_EQ(all(), (Strings{"1ant", "1bee"}));
  EngineSetToEnd(c);
  std::vector<uint8_t> rec(RecordSize(c));
  ASSERT_OKE(EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  EXPECT_EQ(Text(c, rec, 2), "bee");
  ASSERT_OKE(EngineResetRange(c));
  EXPECT_EQ(all().size(), 12u);
}

TEST_F(Navigation, SwitchingIndexKeepsTheCurrentRecordWhenAsked) {
  CreateCatalogue();
  hEngCursor c = Open();
  AddRow(c, 300, "Alpha", "zzz");
  AddRow(c, 100, "Beta", "mmm");
  AddRow(c, 200, "Gamma", "aaa");
  std::vector<uint8_t> rec(RecordSize(c));
  EngineSetToBegin(c);
  // Without a current record the index cannot keep it.
  EXPECT_EQ(EngineSwitchToIndex(c, "CATEGORY", nullptr, 0, 1), DBENG_ERR_NOCURRREC);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr);
  EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr); // Beta
  ASSERT_OKE(EngineSwitchToIndex(c, "KEYWORDS", nullptr, 0, 1));
  EXPECT_EQ(Titles(c), Strings{"Alpha"});
  ASSERT_OKE(EngineSwitchToIndex(c, "CATEGORY", nullptr, 0, 0));
  EXPECT_EQ(Titles(c), (Strings{"Beta", "Gamma", "Alpha"}));
  EXPECT_EQ(EngineSwitchToIndex(c, "NOSUCH", nullptr, 0, 0), DBENG_ERR_OBJNOTFOUND);
  EngIdxDesc ix{};
  ASSERT_OKE(EngineGetIndexDescriptor(c, 0, &ix));
  EXPECT_STREQ(ix.name, "CATEGORY");
  EXPECT_EQ(ix.fieldCount, 1);
  EXPECT_EQ(ix.keyFields[0], kCategory);
}

TEST_F(Navigation, TwoCursorsSeeEachOthersChangesAndLocks) {
  CreateCatalogue();
  hEngCursor a = Open(), b = Open();
  AddRow(a, 100, "One");
  EXPECT_EQ(AllTitles(b), Strings{"One"});
  AddRow(b, 100, "Two");
  EXPECT_EQ(AllTitles(a), (Strings{"One", "Two"}));
  // A record locked through one cursor cannot be changed through the other.
  std::vector<uint8_t> rec(RecordSize(a));
  EngineSetToBegin(a);
  EngineGetNextRecord(a, ENG_WRITELOCK, rec.data(), nullptr);
  EngineSetToBegin(b);
  std::vector<uint8_t> rb(RecordSize(b));
  EngineGetNextRecord(b, ENG_NOLOCK, rb.data(), nullptr);
  PutText(b, rb, kKeywords, "changed by b");
  EXPECT_EQ(EngineModifyRecord(b, rb.data(), 0), DBENG_ERR_RECLOCKED);
  EXPECT_EQ(EngineGetRecord(b, ENG_WRITELOCK, rb.data(), nullptr), DBENG_ERR_RECLOCKED);
  PutText(a, rec, kKeywords, "changed by a");
  ASSERT_OKE(EngineModifyRecord(a, rec.data(), 1));
  ASSERT_OKE(EngineGetRecord(b, ENG_NOLOCK, rb.data(), nullptr));
  EXPECT_EQ(Text(b, rb, kKeywords), "changed by a");
  PutText(b, rb, kKeywords, "changed by b");
  EXPECT_OKE(EngineModifyRecord(b, rb.data(), 0));
  // Positioning one cursor on the other's record.
  EngineSetToEnd(a);
  EngineGetPriorRecord(a, ENG_NOLOCK, rec.data(), nullptr);
  ASSERT_OKE(EngineSetToCursor(b, a));
  ASSERT_OKE(EngineGetRecord(b, ENG_NOLOCK, rb.data(), nullptr));
  EXPECT_EQ(Text(b, rb, kTitle), "Two");
  hEngCursor clone = 0;
  ASSERT_OKE(EngineCloneCursor(a, 1, 0, &clone));
  cursors.push_back(clone);
  ASSERT_OKE(EngineGetRecord(clone, ENG_NOLOCK, rb.data(), nullptr));
  EXPECT_EQ(Text(clone, rb, kTitle), "Two");
  EXPECT_EQ(EngineInsertRecord(clone, ENG_NOLOCK, rb.data()), DBENG_ERR_NOTEDITING);
}

TEST_F(Navigation, EditingChecksKeysAndValidityAndNumbersAutoincrements) {
  EngFldDesc fields[] = {Field("ID", ENG_FLD_INT32, 0, ENG_SUB_AUTOINC),
                         Field("NAME", ENG_FLD_ZSTRING, 8), Field("QTY", ENG_FLD_INT16)};
  EngIdxDesc indexes[] = {Index("", {2}, true)};
  EngVChkDesc checks[2]{};
  checks[0].fieldNum = 2;
  checks[0].required = 1;
  checks[1].fieldNum = 3;
  checks[1].hasMin = checks[1].hasMax = checks[1].hasDefault = 1;
  int16_t mn = 0, mx = 10, df = 5;
  std::memcpy(checks[1].minVal, &mn, 2);
  std::memcpy(checks[1].maxVal, &mx, 2);
  std::memcpy(checks[1].defVal, &df, 2);
  EngTableDesc desc{};
  std::snprintf(desc.name, sizeof desc.name, "v.db");
  desc.fieldCount = 3;
  desc.fields = fields;
  desc.indexCount = 1;
  desc.indexes = indexes;
  desc.checkCount = 2;
  desc.checks = checks;
  ASSERT_OKE(EngineCreateTable(db, &desc));
  hEngCursor c = Open("v.db");
  std::vector<uint8_t> rec = NewRecord(c);
  EXPECT_EQ(Int16(c, rec, 3), 5); // default
  EXPECT_EQ(EngineInsertRecord(c, ENG_NOLOCK, rec.data()), DBENG_ERR_REQUIRED);
  PutText(c, rec, 2, "longer than eight");
  EXPECT_EQ(Text(c, rec, 2), "longer t");
  ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  int32_t id = 0;
  EngineGetField(c, 1, rec.data(), &id, nullptr);
  EXPECT_EQ(id, 1);
  rec = NewRecord(c);
  PutText(c, rec, 2, "b");
  PutInt16(c, rec, 3, 11);
  EXPECT_EQ(EngineInsertRecord(c, ENG_NOLOCK, rec.data()), DBENG_ERR_MAXVAL);
  PutInt16(c, rec, 3, -1);
  EXPECT_EQ(EngineInsertRecord(c, ENG_NOLOCK, rec.data()), DBENG_ERR_MINVAL);
  PutInt16(c, rec, 3, 10);
  ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  EngineGetField(c, 1, rec.data(), &id, nullptr);
  EXPECT_EQ(id, 2);
  // A duplicate in the unique primary index is refused and changes nothing.
  rec = NewRecord(c);
  PutText(c, rec, 2, "b");
  EXPECT_EQ(EngineInsertRecord(c, ENG_NOLOCK, rec.data()), DBENG_ERR_KEYVIOL);
  uint32_t count = 0;
  EngineGetRecordCount(c, &count);
  EXPECT_EQ(count, 2u);
  EngVChkDesc vc{};
  ASSERT_OKE(EngineGetValidityCheck(c, 1, &vc));
  EXPECT_EQ(vc.fieldNum, 2);
  EXPECT_EQ(vc.required, 1);
}

// A whole table is counted through its narrowest index: rows whose key
// there is blank count too, on every index, and the count follows this
// process's own inserts and deletes at once.
TEST_F(Navigation, CountsIncludeBlankKeysAndFollowOwnWrites) {
  CreateCatalogue();
  hEngCursor c = Open();
  AddRow(c, 100, "Dog barking");
  std::vector<uint8_t> rec = NewRecord(c);
  PutText(c, rec, kTitle, "No category");
  ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  rec = NewRecord(c);
  PutInt16(c, rec, kCategory, 300);
  PutText(c, rec, kTitle, "No keywords");
  ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  for (const char *index : {static_cast<const char *>(nullptr), "KEYWORDS", "CATEGORY"}) {
    hEngCursor k = Open("cat.db", index, ENG_OPEN_READONLY);
    uint32_t count = 0;
    ASSERT_OKE(EngineGetRecordCount(k, &count));
    EXPECT_EQ(count, 3u) << (index ? index : "TITLE");
    Close(k);
  }
  uint32_t count = 0;
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 3u);
  AddRow(c, 200, "Cat purring");
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 4u);
  // A range on the TITLE index counts only its rows.
  std::vector<uint8_t> lo = NewRecord(c), hi = NewRecord(c);
  PutText(c, lo, kTitle, "D");
  PutText(c, hi, kTitle, "N");
  ASSERT_OKE(EngineSetRange(c, 0, 1, 0, lo.data(), 1, 1, 0, hi.data(), 1));
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 1u);
  ASSERT_OKE(EngineResetRange(c));
  EngineSetToBegin(c);
  ASSERT_OKE(EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr));
  ASSERT_OKE(EngineDeleteRecord(c, rec.data()));
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 3u);
}

// A table without indexes is counted as well.
TEST_F(Navigation, TableWithoutIndexesIsCounted) {
  EngFldDesc fields[] = {Field("NAME", ENG_FLD_ZSTRING, 20)};
  EngTableDesc desc{};
  std::snprintf(desc.name, sizeof desc.name, "plain.db");
  desc.fieldCount = 1;
  desc.fields = fields;
  ASSERT_OKE(EngineCreateTable(db, &desc));
  hEngCursor c = Open("plain.db");
  for (const char *name : {"one", "two", ""}) {
    std::vector<uint8_t> rec = NewRecord(c);
    if (*name) PutText(c, rec, 1, name);
    ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  }
  uint32_t count = 0;
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 3u);
}

// The sequence number of every row is its place in a walk of the index:
// on the unique TITLE index, on CATEGORY and KEYWORDS with many equal keys
// (ordered by row among themselves) and blank ones, and within a range.
TEST_F(Navigation, SequenceNumbersMatchTheWalkOnEveryIndex) {
  CreateCatalogue();
  hEngCursor c = Open();
  for (int i = 0; i < 90; ++i) {
    std::vector<uint8_t> rec = NewRecord(c);
    if (i % 10 != 3) PutInt16(c, rec, kCategory, static_cast<int16_t>(100 * (1 + i % 4)));
    char title[16];
    std::snprintf(title, sizeof title, "T%03d", (i * 37) % 90);
    PutText(c, rec, kTitle, title);
    if (i % 7 != 0) PutText(c, rec, kKeywords, i % 2 ? "Bark" : "bark loud");
    ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  }
  auto check = [&](hEngCursor k, const char *what) {
    EngineSetToBegin(k);
    std::vector<uint8_t> rec(RecordSize(k));
    uint32_t place = 0;
    while (EngineGetNextRecord(k, ENG_NOLOCK, rec.data(), nullptr) == DBENG_OK) {
      ++place;
      uint32_t seq = 0;
      ASSERT_OKE(EngineGetSequenceNumber(k, &seq));
      ASSERT_EQ(seq, place) << what << " at " << Text(k, rec, kTitle);
    }
    EXPECT_GT(place, 0u) << what;
    // Backward, past the rows with blank keys too, from the end and from a
    // row in the middle.
    EngineSetToEnd(k);
    EXPECT_EQ(Titles(k, true).size(), place) << what;
    EngineSetToBegin(k);
    for (uint32_t i = 0; i < place / 2; ++i)
      ASSERT_OKE(EngineGetNextRecord(k, ENG_NOLOCK, rec.data(), nullptr));
    EXPECT_EQ(Titles(k, true).size(), place / 2 - 1) << what;
  };
  for (const char *index : {static_cast<const char *>(nullptr), "KEYWORDS", "CATEGORY"}) {
    hEngCursor k = Open("cat.db", index, ENG_OPEN_READONLY);
    check(k, index ? index : "TITLE");
    Close(k);
  }
  hEngCursor k = Open("cat.db", "CATEGORY", ENG_OPEN_READONLY);
  std::vector<uint8_t> lo = NewRecord(k), hi = NewRecord(k);
  PutInt16(k, lo, kCategory, 200);
  PutInt16(k, hi, kCategory, 300);
  ASSERT_OKE(EngineSetRange(k, 0, 1, 0, lo.data(), 1, 1, 0, hi.data(), 1));
  check(k, "CATEGORY 200-300");
}

// The number of rows the file keeps stays right through rows added and
// removed by another connection that knows nothing of the engine, and a
// file without the triggers that keep it is counted all the same.
TEST_F(Navigation, KeptRowCountFollowsEveryWriterAndIsOptional) {
  CreateCatalogue();
  hEngCursor c = Open();
  for (const char *t : {"Bell", "Gong", "Horn"})
    AddRow(c, 100, t);
  Close(c);
  EXPECT_OKE(EngineCloseDatabase(db)); // the engine lets go of the file
  db = 0;
  sqlite3 *s = nullptr;
  ASSERT_EQ(sqlite3_open((dir + "/cat.db").c_str(), &s), SQLITE_OK);
  // The rows it writes have blank texts, which no collation ever compares.
  auto bytes = [](void *, int n1, const void *p1, int n2, const void *p2) {
    int c = std::memcmp(p1, p2, static_cast<size_t>(std::min(n1, n2)));
    return c ? c : n1 - n2;
  };
  for (const char *name : {"ENGDICT", "ENGNOCASE"})
    sqlite3_create_collation(s, name, SQLITE_UTF8, nullptr, bytes);
  auto exec = [&](const char *sql) {
    char *err = nullptr;
    EXPECT_EQ(sqlite3_exec(s, sql, nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
  };
  exec("INSERT INTO eng_rows(f1) VALUES (700); INSERT INTO eng_rows(f1) VALUES (800);"
       "DELETE FROM eng_rows WHERE f1 = 700");
  auto count = [&](uint32_t expected) {
    ASSERT_OKE(EngineOpenDatabase(nullptr, nullptr, ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr,
                                  0, nullptr, nullptr, &db));
    ASSERT_OKE(EngineSetDirectory(db, dir.c_str()));
    hEngCursor k = Open("cat.db", "CATEGORY");
    uint32_t n = 0;
    ASSERT_OKE(EngineGetRecordCount(k, &n));
    EXPECT_EQ(n, expected);
    std::vector<uint8_t> rec(RecordSize(k));
    EngineSetToEnd(k);
    ASSERT_OKE(EngineGetPriorRecord(k, ENG_NOLOCK, rec.data(), nullptr));
    ASSERT_OKE(EngineDeleteRecord(k, rec.data()));
    ASSERT_OKE(EngineGetRecordCount(k, &n));
    EXPECT_EQ(n, expected - 1);
    Close(k);
    EXPECT_OKE(EngineCloseDatabase(db));
    db = 0;
  };
  count(4);
  exec("DROP TRIGGER eng_rows_removed; INSERT INTO eng_rows(f1) VALUES (900)");
  count(4);
  sqlite3_close(s);
}
