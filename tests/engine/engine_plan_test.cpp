// Every query the engine prepares while a cursor browses, seeks, counts and
// filters is checked with SQLite's own planner: none sorts a table, and the
// ones that start from a key seek on an index instead of scanning.
#include "tests/engine/engine_fixture.h"
#include "tests/engine/filter_tree.h"

#include <sqlite3.h>

#include <fstream>
#include <set>

using namespace enginetest;

namespace {
// The log must be named before the engine library is loaded.
const std::string kLog = [] {
  std::string path = "/tmp/dbeng-plan-" + std::to_string(getpid()) + ".sql";
  std::remove(path.c_str());
  setenv("DBENG_SQL_LOG", path.c_str(), 1);
  return path;
}();

int AnyOrder(void *, int n1, const void *p1, int n2, const void *p2) {
  int c = std::memcmp(p1, p2, static_cast<size_t>(std::min(n1, n2)));
  return c ? c : n1 - n2;
}
} // namespace

class Plans : public EngineTest {};

TEST_F(Plans, NoQuerySortsAndKeyedQueriesSeek) {
  CreateCatalogue();
  hEngCursor c = Open();
  for (int i = 0; i < 300; ++i)
    AddRow(c, 100 * (1 + i % 9), "T" + std::to_string(i * 7 % 300));
  std::vector<uint8_t> rec(RecordSize(c));
  for (const char *index : {static_cast<const char *>(nullptr), "KEYWORDS", "CATEGORY"}) {
    hEngCursor k = Open("cat.db", index, ENG_OPEN_READONLY);
    AllTitles(k);
    EngineSetToEnd(k);
    Titles(k, true);
    EngineSetToBegin(k);
    for (int i = 0; i < 100; ++i)
      EngineGetNextRecord(k, ENG_NOLOCK, rec.data(), nullptr);
    uint32_t n;
    EngineGetSequenceNumber(k, &n);
    EngineGetRecordCount(k, &n);
    char bm[ENG_BOOKMARK_SIZE];
    EngineGetBookmark(k, bm);
    EngineSetToBookmark(k, bm);
    EngineGetRecord(k, ENG_NOLOCK, rec.data(), nullptr);
    for (int i = 0; i < 50; ++i)
      EngineGetPriorRecord(k, ENG_NOLOCK, rec.data(), nullptr);
    EngineExtractKey(k, nullptr, rec.data());
    EngineSetToKey(k, ENG_KEY_GE, 0, 1, 0, rec.data());
    EngineGetNextRecord(k, ENG_NOLOCK, rec.data(), nullptr);
    EngineSetRange(k, 0, 1, 0, rec.data(), 1, 1, 0, rec.data(), 1);
    AllTitles(k);
    EngineResetRange(k);
    hEngFilter f = 0;
    std::vector<uint8_t> tree = TreeBuilder::Comparison(ENG_FOP_EQ, kCategory, "CATEGORY", 500);
    ASSERT_OKE(EngineAddFilter(k, 0, 0, 0, tree.data(), nullptr, &f));
    EngineActivateFilter(k, f);
    AllTitles(k);
    EngineSetToEnd(k);
    for (int i = 0; i < 30; ++i)
      EngineGetPriorRecord(k, ENG_NOLOCK, rec.data(), nullptr);
    EngineGetRecordCount(k, &n);
    EngineGetSequenceNumber(k, &n);
    Close(k);
  }

  sqlite3 *db3 = nullptr;
  ASSERT_EQ(sqlite3_open_v2((dir + "/cat.db").c_str(), &db3, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  sqlite3_create_collation(db3, "ENGDICT", SQLITE_UTF8, nullptr, AnyOrder);
  sqlite3_create_collation(db3, "ENGNOCASE", SQLITE_UTF8, nullptr, AnyOrder);
  std::ifstream in(kLog);
  std::set<std::string> queries;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("SELECT", 0) == 0) queries.insert(line);
  ASSERT_GT(queries.size(), 10u);
  int seeks = 0;
  for (const std::string &q : queries) {
    sqlite3_stmt *stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db3, ("EXPLAIN QUERY PLAN " + q).c_str(), -1, &stmt, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(db3) << "\n"
        << q;
    std::string plan;
    while (sqlite3_step(stmt) == SQLITE_ROW)
      plan += std::string(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 3))) + "; ";
    sqlite3_finalize(stmt);
    EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << q << "\n" << plan;
    // A query that continues from a key or looks a row up must seek.
    bool keyed = q.find(") > (") != std::string::npos || q.find(") < (") != std::string::npos ||
                 q.find("WHERE id = ?") != std::string::npos;
    if (keyed) {
      EXPECT_NE(plan.find("SEARCH"), std::string::npos) << q << "\n" << plan;
      ++seeks;
    }
  }
  EXPECT_GT(seeks, 5);
  sqlite3_close(db3);
  std::remove(kLog.c_str());
}
