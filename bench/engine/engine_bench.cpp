// The table engine, through its C contract (the binder loads libdbeng.so as
// the programs do), beside the same operations done with plain SQLite
// statements on the same file, in the same run.
//
// The catalogue is made the way users make load-test catalogues: `sfxcat
// create` and `sfxcat generate --rows BSFX_BENCH_ROWS` (default 100,000; the
// table is protected by the password "walrus"), plus one row with a 1 MB WAV
// added through the engine. It is made once into $BSFX_BENCH_DIR (default
// /tmp/bsfx-bench) by child processes, so that making it costs this process
// no memory; generating a million rows takes a quarter of an hour.
#include "data/engine/engine_api.h"
#include "engine/src/collate.h"
#include "engine/src/table.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *kPassword = "walrus";
constexpr const char *kBigTitle = "~ One megabyte of sound";
constexpr uint32_t kChunk = 61440;
constexpr int kFirst = 25;

int g_rows = 100000;
std::string g_dir;
std::string g_file;
hEngDb g_db = 0;

void Check(DBResult r, const char *what) {
  if (r != DBENG_OK) {
    std::fprintf(stderr, "%s failed: %u\n", what, r);
    std::exit(1);
  }
}

// Runs the command-line tool; false when it fails.
bool RunTool(const std::vector<std::string> &args) {
  std::vector<char *> argv;
  std::string tool = BSFX_SFXCAT;
  argv.push_back(tool.data());
  std::vector<std::string> copy = args;
  for (std::string &a : copy)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    execv(tool.c_str(), argv.data());
    std::fprintf(stderr, "cannot run %s\n", tool.c_str());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Wav(size_t dataBytes) {
  std::string w(44 + dataBytes, '\0');
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&w[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&w[at], &v, 2); };
  std::memcpy(&w[0], "RIFF", 4);
  put32(4, static_cast<uint32_t>(36 + dataBytes));
  std::memcpy(&w[8], "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);
  put16(22, 1);
  put32(24, 22050);
  put32(28, 44100);
  put16(32, 2);
  put16(34, 16);
  std::memcpy(&w[36], "data", 4);
  put32(40, static_cast<uint32_t>(dataBytes));
  for (size_t i = 0; i < dataBytes; ++i)
    w[44 + i] = static_cast<char>((i * 2654435761u) >> 7);
  return w;
}

// The catalogue as users make one for load tests (sfxcat create and
// generate), plus one row with a 1 MB WAV added through the engine.
void Generate() {
  std::string tmp = g_file + ".part";
  std::vector<std::string> where = {"--dir", g_dir, "--table", tmp, "--password", kPassword};
  std::vector<std::string> create = {"create", "--replace"};
  create.insert(create.end(), where.begin(), where.end());
  std::vector<std::string> generate = {"generate", "--rows", std::to_string(g_rows)};
  generate.insert(generate.end(), where.begin(), where.end());
  // $BSFX_BENCH_GENERATED may name a catalogue sfxcat made already (of as
  // many rows), which is copied instead: a million rows take a while.
  const char *made = std::getenv("BSFX_BENCH_GENERATED");
  if (made && *made) {
    std::string copy = "cp '" + std::string(made) + "' '" + g_dir + "/" + tmp + "'";
    if (std::system(copy.c_str()) != 0) {
      std::fprintf(stderr, "cannot copy %s\n", made);
      std::exit(1);
    }
  } else if (!RunTool(create) || !RunTool(generate)) {
    std::fprintf(stderr, "sfxcat could not make the catalogue\n");
    std::exit(1);
  }
  Check(EngineInit(nullptr), "init");
  Check(EngineAddPassword(kPassword), "password");
  hEngDb db;
  Check(EngineOpenDatabase(nullptr, nullptr, 0, 0, nullptr, 0, nullptr, nullptr, &db), "open db");
  Check(EngineSetDirectory(db, g_dir.c_str()), "set dir");
  hEngCursor c;
  Check(EngineOpenTable(db, tmp.c_str(), nullptr, nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                        ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c),
        "open table");
  EngCurProps p{};
  EngineGetCursorProperties(c, &p);
  std::vector<uint8_t> rec(p.recordSize);
  EngineInitRecord(c, rec.data());
  int16_t category = 900;
  EnginePutField(c, 1, rec.data(), &category);
  EnginePutField(c, 2, rec.data(), kBigTitle);
  EnginePutField(c, 3, rec.data(), "tone long");
  std::string wav = Wav((1u << 20) - 44);
  Check(EngineOpenBlob(c, rec.data(), 4, ENG_OPEN_READWRITE), "open blob");
  Check(EnginePutBlob(c, rec.data(), 4, 0, static_cast<uint32_t>(wav.size()), wav.data()),
        "put blob");
  Check(EngineInsertRecord(c, ENG_NOLOCK, rec.data()), "insert the big row");
  EngineCloseCursor(c);
  EngineCloseDatabase(db);
  EngineExit();
  if (std::rename((g_dir + "/" + tmp).c_str(), (g_dir + "/" + g_file).c_str()) != 0) {
    std::perror("rename");
    std::exit(1);
  }
}

// Titles of rows spread over the table, read once before timing: the keys
// the key and bookmark benchmarks look for, the same in both columns.
std::vector<std::string> g_titles;
std::vector<int64_t> g_ids;
std::vector<std::string> g_keys; // each title less its last character
std::string g_middleTitle;

void SampleRows() {
  sqlite3 *s;
  sqlite3_open_v2((g_dir + "/" + g_file).c_str(), &s, SQLITE_OPEN_READONLY, nullptr);
  dbeng::RegisterCollations(s);
  sqlite3_stmt *st;
  sqlite3_prepare_v2(s, "SELECT id, f2 FROM eng_rows WHERE id = ?", -1, &st, nullptr);
  std::mt19937 rng(7);
  while (g_titles.size() < 200) {
    sqlite3_bind_int64(st, 1, 1 + static_cast<int64_t>(rng() % static_cast<uint32_t>(g_rows)));
    if (sqlite3_step(st) == SQLITE_ROW) {
      g_ids.push_back(sqlite3_column_int64(st, 0));
      g_titles.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
      g_keys.push_back(g_titles.back().substr(0, g_titles.back().size() - 1));
    }
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_prepare_v2(s,
                     "SELECT f2 FROM eng_rows INDEXED BY eng_nk1 ORDER BY f2 COLLATE ENGDICT "
                     "LIMIT 1 OFFSET ?",
                     -1, &st, nullptr);
  sqlite3_bind_int(st, 1, g_rows / 2);
  if (sqlite3_step(st) != SQLITE_ROW) {
    std::fprintf(stderr, "no middle row: %s\n", sqlite3_errmsg(s));
    std::exit(1);
  }
  g_middleTitle = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
  sqlite3_finalize(st);
  sqlite3_close(s);
}

// ---------------------------------------------------------------- engine

struct Cursor {
  hEngCursor h = 0;
  std::vector<uint8_t> rec;
  explicit Cursor(const char *index = nullptr) {
    Check(EngineOpenTable(g_db, g_file.c_str(), nullptr, index, nullptr, 0, ENG_OPEN_READONLY,
                          ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &h),
          "open table");
    EngCurProps p{};
    EngineGetCursorProperties(h, &p);
    rec.resize(p.recordSize);
  }
  ~Cursor() { EngineCloseCursor(h); }
  DBResult Next() { return EngineGetNextRecord(h, ENG_NOLOCK, rec.data(), nullptr); }
  DBResult Prior() { return EngineGetPriorRecord(h, ENG_NOLOCK, rec.data(), nullptr); }
};

void BM_Engine_OpenAndFirst25(benchmark::State &state) {
  for (auto _ : state) {
    Cursor c;
    for (int i = 0; i < kFirst; ++i)
      Check(c.Next(), "next");
  }
}

void BM_Engine_NextPerRow(benchmark::State &state) {
  Cursor c;
  for (auto _ : state)
    if (c.Next() != DBENG_OK) EngineSetToBegin(c.h);
  state.SetItemsProcessed(state.iterations());
}

void BM_Engine_PriorPerRow(benchmark::State &state) {
  Cursor c;
  EngineSetToEnd(c.h);
  for (auto _ : state)
    if (c.Prior() != DBENG_OK) EngineSetToEnd(c.h);
  state.SetItemsProcessed(state.iterations());
}

std::vector<uint8_t> CategoryTree(int16_t value) {
  // CATEGORY = value: header, equal node, field node, constant node, literals.
  std::vector<uint8_t> t(59, 0);
  uint16_t header[5] = {2, 59, 0xFFFF, 10, 48};
  std::memcpy(t.data(), header, 10);
  uint32_t head[2] = {ENG_NODE_BINARY, ENG_FOP_EQ};
  std::memcpy(&t[10], head, 8);
  uint16_t ops[2] = {12, 24};
  std::memcpy(&t[18], ops, 4);
  uint32_t fhead[2] = {ENG_NODE_FIELD, ENG_FOP_FIELD};
  std::memcpy(&t[22], fhead, 8);
  uint16_t fops[2] = {1, 0};
  std::memcpy(&t[30], fops, 4);
  uint32_t chead[2] = {ENG_NODE_CONST, ENG_FOP_CONST};
  std::memcpy(&t[34], chead, 8);
  uint16_t cops[3] = {ENG_CONST_INT16, 2, 9};
  std::memcpy(&t[42], cops, 6);
  std::memcpy(&t[48], "CATEGORY", 9);
  std::memcpy(&t[57], &value, 2);
  return t;
}

void BM_Engine_Category500(benchmark::State &state) {
  bool last = state.range(0) != 0;
  Cursor c;
  std::vector<uint8_t> tree = CategoryTree(500);
  hEngFilter f;
  Check(EngineAddFilter(c.h, 0, 0, 0, tree.data(), nullptr, &f), "add filter");
  // The filter is switched on for every reading, as a click on a category
  // does, so each reading queries the table afresh.
  for (auto _ : state) {
    Check(EngineActivateFilter(c.h, f), "activate");
    if (last)
      EngineSetToEnd(c.h);
    else
      EngineSetToBegin(c.h);
    for (int i = 0; i < kFirst; ++i)
      Check(last ? c.Prior() : c.Next(), "filtered read");
    EngineDeactivateFilter(c.h, f);
  }
}

int16_t RejectEverything(uint64_t, const void *, uint32_t) {
  return 0;
}

void BM_Engine_CallbackRejectingAll(benchmark::State &state) {
  Cursor c;
  hEngFilter f;
  Check(EngineAddFilter(c.h, 0, 1, 0, nullptr, RejectEverything, &f), "add filter");
  Check(EngineActivateFilter(c.h, f), "activate");
  for (auto _ : state) {
    EngineSetToBegin(c.h);
    if (c.Next() != DBENG_ERR_EOF) std::exit(1);
  }
  state.SetItemsProcessed(state.iterations() * (g_rows + 1));
}

void BM_Engine_SetToKey(benchmark::State &state) {
  Cursor c;
  std::vector<uint8_t> key(c.rec.size());
  size_t n = 0;
  for (auto _ : state) {
    EngineInitRecord(c.h, key.data());
    const std::string &t = g_keys[n++ % g_keys.size()];
    EnginePutField(c.h, 2, key.data(), t.c_str());
    Check(EngineSetToKey(c.h, ENG_KEY_GE, 0, 1, 0, key.data()), "set to key");
    Check(c.Next(), "next after key");
  }
}

void BM_Engine_Bookmark(benchmark::State &state) {
  Cursor c;
  std::vector<std::vector<uint8_t>> marks;
  std::vector<uint8_t> key(c.rec.size());
  for (const std::string &t : g_titles) {
    EngineInitRecord(c.h, key.data());
    EnginePutField(c.h, 2, key.data(), t.c_str());
    Check(EngineGetRecordForKey(c.h, 0, 1, 0, key.data(), c.rec.data()), "sampled row");
    std::vector<uint8_t> bm(ENG_BOOKMARK_SIZE);
    EngineGetBookmark(c.h, bm.data());
    marks.push_back(bm);
  }
  size_t n = 0;
  for (auto _ : state) {
    Check(EngineSetToBookmark(c.h, marks[n++ % marks.size()].data()), "bookmark");
    Check(EngineGetRecord(c.h, ENG_NOLOCK, c.rec.data(), nullptr), "record");
  }
}

void BM_Engine_RecordCount(benchmark::State &state) {
  Cursor c;
  uint32_t n = 0;
  for (auto _ : state)
    Check(EngineGetRecordCount(c.h, &n), "count");
  state.counters["rows"] = n;
}

// Counting afresh: the engine's cache of counts dropped before every call.
void BM_Engine_RecordCountUncached(benchmark::State &state) {
  Cursor c;
  uint32_t n = 0;
  for (auto _ : state) {
    EngineForceReread(c.h);
    Check(EngineGetRecordCount(c.h, &n), "count");
  }
  state.counters["rows"] = n;
}

// The middle row of the TITLE order: found once by key.
void PositionOnMiddle(Cursor &c) {
  std::vector<uint8_t> key(c.rec.size());
  EngineInitRecord(c.h, key.data());
  EnginePutField(c.h, 2, key.data(), g_middleTitle.c_str());
  Check(EngineGetRecordForKey(c.h, 0, 1, 0, key.data(), c.rec.data()), "middle row");
}

void BM_Engine_SequenceNumberOfMiddleRow(benchmark::State &state) {
  Cursor c;
  PositionOnMiddle(c);
  uint32_t seq = 0;
  for (auto _ : state)
    Check(EngineGetSequenceNumber(c.h, &seq), "sequence number");
  state.counters["seq"] = seq;
}

void BM_Engine_Read1MBBlob(benchmark::State &state) {
  Cursor c;
  std::vector<uint8_t> key(c.rec.size());
  EngineInitRecord(c.h, key.data());
  EnginePutField(c.h, 2, key.data(), kBigTitle);
  Check(EngineGetRecordForKey(c.h, 0, 1, 0, key.data(), c.rec.data()), "big row");
  std::vector<char> buf(kChunk);
  uint64_t bytes = 0;
  for (auto _ : state) {
    Check(EngineOpenBlob(c.h, c.rec.data(), 4, ENG_OPEN_READONLY), "open blob");
    uint32_t size = 0, off = 0, got = 0;
    EngineGetBlobSize(c.h, c.rec.data(), 4, &size);
    while (off < size) {
      EngineGetBlob(c.h, c.rec.data(), 4, off, kChunk, buf.data(), &got);
      off += got;
    }
    EngineFreeBlob(c.h, c.rec.data(), 4);
    bytes += size;
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

// ----------------------------------------------------------- plain SQLite

sqlite3 *OpenPlain() {
  sqlite3 *s;
  sqlite3_open_v2((g_dir + "/" + g_file).c_str(), &s, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                  nullptr);
  dbeng::RegisterCollations(s);
  return s;
}

sqlite3_stmt *Prep(sqlite3 *s, const char *sql) {
  sqlite3_stmt *st;
  if (sqlite3_prepare_v2(s, sql, -1, &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(s));
    std::exit(1);
  }
  return st;
}

// Reads the row's columns the way a client would copy them out.
struct RowCopy {
  int category;
  char title[25];
  char keywords[241];
  int64_t wav;
  void From(sqlite3_stmt *st) {
    category = sqlite3_column_int(st, 1);
    std::snprintf(title, sizeof title, "%s", sqlite3_column_text(st, 2));
    std::snprintf(keywords, sizeof keywords, "%s", sqlite3_column_text(st, 3));
    wav = sqlite3_column_int64(st, 4);
  }
};

void BM_Plain_OpenAndFirst25(benchmark::State &state) {
  RowCopy r;
  for (auto _ : state) {
    sqlite3 *s = OpenPlain();
    sqlite3_stmt *st =
        Prep(s, "SELECT id, f1, f2, f3, f4 FROM eng_rows ORDER BY f2 COLLATE ENGDICT, id LIMIT 25");
    for (int i = 0; i < kFirst && sqlite3_step(st) == SQLITE_ROW; ++i)
      r.From(st);
    sqlite3_finalize(st);
    sqlite3_close(s);
  }
  benchmark::DoNotOptimize(r);
}

// Keyset batches of 64 in TITLE order inside one read transaction.
void PlainWalk(benchmark::State &state, bool backward) {
  sqlite3 *s = OpenPlain();
  sqlite3_exec(s, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt *first = Prep(
      s, backward
             ? "SELECT id, f1, f2, f3, f4 FROM eng_rows ORDER BY f2 COLLATE ENGDICT DESC, id DESC "
               "LIMIT 64"
             : "SELECT id, f1, f2, f3, f4 FROM eng_rows ORDER BY f2 COLLATE ENGDICT, id LIMIT 64");
  sqlite3_stmt *more = Prep(
      s, backward
             ? "SELECT id, f1, f2, f3, f4 FROM eng_rows WHERE (f2, id) < (? COLLATE ENGDICT, ?) "
               "ORDER BY f2 COLLATE ENGDICT DESC, id DESC LIMIT 64"
             : "SELECT id, f1, f2, f3, f4 FROM eng_rows WHERE (f2, id) > (? COLLATE ENGDICT, ?) "
               "ORDER BY f2 COLLATE ENGDICT, id LIMIT 64");
  std::vector<RowCopy> batch(64);
  std::vector<int64_t> ids(64);
  size_t count = 0, pos = 0;
  std::string lastTitle;
  int64_t lastId = 0;
  bool start = true;
  for (auto _ : state) {
    if (pos >= count) {
      sqlite3_stmt *st = start ? first : more;
      if (!start) {
        sqlite3_bind_text(st, 1, lastTitle.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, lastId);
      }
      count = 0;
      while (sqlite3_step(st) == SQLITE_ROW) {
        ids[count] = sqlite3_column_int64(st, 0);
        batch[count++].From(st);
      }
      sqlite3_reset(st);
      pos = 0;
      start = count == 0;
      if (count == 0) continue;
      lastTitle = batch[count - 1].title;
      lastId = ids[count - 1];
    }
    benchmark::DoNotOptimize(batch[pos++]);
  }
  state.SetItemsProcessed(state.iterations());
  sqlite3_finalize(first);
  sqlite3_finalize(more);
  sqlite3_exec(s, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(s);
}

void BM_Plain_NextPerRow(benchmark::State &state) {
  PlainWalk(state, false);
}
void BM_Plain_PriorPerRow(benchmark::State &state) {
  PlainWalk(state, true);
}

void BM_Plain_Category500(benchmark::State &state) {
  bool last = state.range(0) != 0;
  sqlite3 *s = OpenPlain();
  sqlite3_stmt *st =
      Prep(s, last ? "SELECT id, f1, f2, f3, f4 FROM eng_rows INDEXED BY eng_px3 WHERE f1 = 500 "
                     "ORDER BY f2 COLLATE ENGDICT DESC, id DESC LIMIT 25"
                   : "SELECT id, f1, f2, f3, f4 FROM eng_rows INDEXED BY eng_px3 WHERE f1 = 500 "
                     "ORDER BY f2 COLLATE ENGDICT, id LIMIT 25");
  RowCopy r;
  for (auto _ : state) {
    while (sqlite3_step(st) == SQLITE_ROW)
      r.From(st);
    sqlite3_reset(st);
  }
  benchmark::DoNotOptimize(r);
  sqlite3_finalize(st);
  sqlite3_close(s);
}

void BM_Plain_ScanTestingEveryRow(benchmark::State &state) {
  sqlite3 *s = OpenPlain();
  sqlite3_stmt *st = Prep(s, "SELECT id, f1, f2, f3, f4 FROM eng_rows");
  int64_t passed = 0;
  for (auto _ : state) {
    while (sqlite3_step(st) == SQLITE_ROW) {
      RowCopy r;
      r.From(st);
      passed += RejectEverything(0, &r, 0);
    }
    sqlite3_reset(st);
  }
  benchmark::DoNotOptimize(passed);
  state.SetItemsProcessed(state.iterations() * (g_rows + 1));
  sqlite3_finalize(st);
  sqlite3_close(s);
}

void BM_Plain_SetToKey(benchmark::State &state) {
  sqlite3 *s = OpenPlain();
  sqlite3_stmt *st =
      Prep(s, "SELECT id, f1, f2, f3, f4 FROM eng_rows WHERE f2 >= ? COLLATE ENGDICT "
              "ORDER BY f2 COLLATE ENGDICT, id LIMIT 1");
  size_t n = 0;
  RowCopy r;
  for (auto _ : state) {
    const std::string &t = g_keys[n++ % g_keys.size()];
    sqlite3_bind_text(st, 1, t.c_str(), -1, SQLITE_STATIC);
    if (sqlite3_step(st) == SQLITE_ROW) r.From(st);
    sqlite3_reset(st);
  }
  benchmark::DoNotOptimize(r);
  sqlite3_finalize(st);
  sqlite3_close(s);
}

void BM_Plain_Bookmark(benchmark::State &state) {
  sqlite3 *s = OpenPlain();
  sqlite3_stmt *st = Prep(s, "SELECT id, f1, f2, f3, f4 FROM eng_rows WHERE id = ?");
  RowCopy r;
  int64_t n = 0;
  for (auto _ : state) {
    sqlite3_bind_int64(st, 1, g_ids[static_cast<size_t>(n++) % g_ids.size()]);
    if (sqlite3_step(st) == SQLITE_ROW) r.From(st);
    sqlite3_reset(st);
  }
  benchmark::DoNotOptimize(r);
  sqlite3_finalize(st);
  sqlite3_close(s);
}

void BM_Plain_RecordCount(benchmark::State &state) {
  sqlite3 *s = OpenPlain();
  sqlite3_stmt *st = Prep(s, "SELECT count(*) FROM eng_rows INDEXED BY eng_nk3");
  int64_t n = 0;
  for (auto _ : state) {
    sqlite3_step(st);
    n = sqlite3_column_int64(st, 0);
    sqlite3_reset(st);
  }
  state.counters["rows"] = static_cast<double>(n);
  sqlite3_finalize(st);
  sqlite3_close(s);
}

void BM_Plain_SequenceNumberOfMiddleRow(benchmark::State &state) {
  sqlite3 *s = OpenPlain();
  const std::string &title = g_middleTitle;
  sqlite3_stmt *st =
      Prep(s, "SELECT count(*) FROM eng_rows INDEXED BY eng_nk1 WHERE f2 < ? COLLATE ENGDICT");
  int64_t seq = 0;
  for (auto _ : state) {
    // TITLE is unique: the rows before are those with a smaller title.
    sqlite3_bind_text(st, 1, title.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    seq = sqlite3_column_int64(st, 0) + 1;
    sqlite3_reset(st);
  }
  state.counters["seq"] = static_cast<double>(seq);
  sqlite3_finalize(st);
  sqlite3_close(s);
}

void BM_Plain_Read1MBBlob(benchmark::State &state) {
  sqlite3 *s = OpenPlain();
  sqlite3_stmt *st = Prep(s, "SELECT f4 FROM eng_rows WHERE f2 = ?");
  sqlite3_bind_text(st, 1, kBigTitle, -1, SQLITE_STATIC);
  sqlite3_step(st);
  int64_t blobId = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  std::vector<char> buf(kChunk);
  uint64_t bytes = 0;
  for (auto _ : state) {
    sqlite3_blob *b;
    sqlite3_blob_open(s, "main", "eng_blobs", "data", blobId, 0, &b);
    int size = sqlite3_blob_bytes(b);
    for (int off = 0; off < size; off += static_cast<int>(kChunk))
      sqlite3_blob_read(b, buf.data(), std::min<int>(static_cast<int>(kChunk), size - off), off);
    sqlite3_blob_close(b);
    bytes += static_cast<uint64_t>(size);
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  sqlite3_close(s);
}

void BM_PeakMemory(benchmark::State &state) {
  for (auto _ : state) {
  }
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  state.counters["peak_MB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char **argv) {
  if (const char *r = std::getenv("BSFX_BENCH_ROWS")) g_rows = std::atoi(r);
  const char *d = std::getenv("BSFX_BENCH_DIR");
  g_dir = d && *d ? d : "/tmp/bsfx-bench";
  mkdir(g_dir.c_str(), 0700);
  g_file = "sfxcat-" + std::to_string(g_rows) + ".db";
  struct stat st;
  if (stat((g_dir + "/" + g_file).c_str(), &st) != 0) {
    std::fprintf(stderr, "generating %d rows in %s/%s ...\n", g_rows, g_dir.c_str(),
                 g_file.c_str());
    pid_t child = fork();
    if (child == 0) {
      Generate();
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  }
  SampleRows();
  Check(EngineInit(nullptr), "init");
  Check(EngineAddPassword(kPassword), "password");
  Check(EngineOpenDatabase(nullptr, nullptr, 0, 0, nullptr, 0, nullptr, nullptr, &g_db), "open db");
  Check(EngineSetDirectory(g_db, g_dir.c_str()), "set dir");
  {
    // The password's slow hash is paid once per process, before timing.
    Cursor warm;
  }

  std::string n = "/" + std::to_string(g_rows);
  // Rates from the wall clock, as a user waits for them.
  auto reg = [&](const char *name, void (*fn)(benchmark::State &)) {
    return benchmark::RegisterBenchmark((name + n).c_str(), fn)->UseRealTime();
  };
  reg("Engine_OpenAndFirst25", BM_Engine_OpenAndFirst25)->Unit(benchmark::kMicrosecond);
  reg("Plain_OpenAndFirst25", BM_Plain_OpenAndFirst25)->Unit(benchmark::kMicrosecond);
  reg("Engine_NextPerRow", BM_Engine_NextPerRow);
  reg("Plain_NextPerRow", BM_Plain_NextPerRow);
  reg("Engine_PriorPerRow", BM_Engine_PriorPerRow);
  reg("Plain_PriorPerRow", BM_Plain_PriorPerRow);
  reg("Engine_Category500First25", BM_Engine_Category500)->Arg(0)->Unit(benchmark::kMicrosecond);
  reg("Plain_Category500First25", BM_Plain_Category500)->Arg(0)->Unit(benchmark::kMicrosecond);
  reg("Engine_Category500Last25", BM_Engine_Category500)->Arg(1)->Unit(benchmark::kMicrosecond);
  reg("Plain_Category500Last25", BM_Plain_Category500)->Arg(1)->Unit(benchmark::kMicrosecond);
  reg("Engine_CallbackRejectingAll", BM_Engine_CallbackRejectingAll)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);
  reg("Plain_ScanTestingEveryRow", BM_Plain_ScanTestingEveryRow)
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond);
  reg("Engine_SetToKey", BM_Engine_SetToKey)->Unit(benchmark::kMicrosecond);
  reg("Plain_SetToKey", BM_Plain_SetToKey)->Unit(benchmark::kMicrosecond);
  reg("Engine_Bookmark", BM_Engine_Bookmark)->Unit(benchmark::kMicrosecond);
  reg("Plain_Bookmark", BM_Plain_Bookmark)->Unit(benchmark::kMicrosecond);
  reg("Engine_RecordCount", BM_Engine_RecordCount)->Unit(benchmark::kMicrosecond);
  reg("Engine_RecordCountUncached", BM_Engine_RecordCountUncached)->Unit(benchmark::kMicrosecond);
  reg("Plain_RecordCount", BM_Plain_RecordCount)->Unit(benchmark::kMicrosecond);
  reg("Engine_SequenceNumberOfMiddleRow", BM_Engine_SequenceNumberOfMiddleRow)
      ->Unit(benchmark::kMillisecond);
  reg("Plain_SequenceNumberOfMiddleRow", BM_Plain_SequenceNumberOfMiddleRow)
      ->Unit(benchmark::kMillisecond);
  reg("Engine_Read1MBBlob", BM_Engine_Read1MBBlob)->Unit(benchmark::kMicrosecond);
  reg("Plain_Read1MBBlob", BM_Plain_Read1MBBlob)->Unit(benchmark::kMicrosecond);
  reg("PeakMemory", BM_PeakMemory)->Iterations(1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  EngineCloseDatabase(g_db);
  EngineExit();
  return 0;
}
