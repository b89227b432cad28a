// Scrolling a dataset: Next through 100,000 rows with a grid-sized window
// (20 buffers) attached, as the catalogue's grid scrolls. Reports the time
// per row and the engine calls per row: one fetch (and one bookmark read)
// per row past the window's edge, none inside it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "data/dataset.h"
#include "data/datasource.h"
#include "data/engine/engine_api.h"
#include "data/field.h"

namespace {

constexpr int kRows = 100000;
constexpr int kWindow = 20;

void CopyText(char *dst, size_t size, const std::string &src) {
  std::memset(dst, 0, size);
  std::memcpy(dst, src.data(), std::min(src.size(), size - 1));
}

// One engine, one STANDARD database on a temporary folder and one table of
// kRows catalogue rows, made on first use and kept for the run.
class Catalogue {
public:
  static Catalogue &Get() {
    static Catalogue catalogue;
    return catalogue;
  }
  hEngCursor Open() {
    hEngCursor cursor = 0;
    EngineCheck(EngineOpenTable(db_, "scroll.db", "", nullptr, nullptr, 0, ENG_OPEN_READONLY,
                                ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &cursor));
    return cursor;
  }
  ~Catalogue() {
    if (db_) EngineCloseDatabase(db_);
    EngineExit();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

private:
  Catalogue() {
    EngEnv env{};
    CopyText(env.language, sizeof env.language, "0009");
    DBResult r = EngineInit(&env);
    if (r != DBENG_OK && r != DBENG_ERR_ALREADYINIT) EngineCheck(r);
    char tmpl[] = "/tmp/bsfx_scroll_XXXXXX";
    folder_ = mkdtemp(tmpl);
    EngineCheck(EngineOpenDatabase(nullptr, "STANDARD", ENG_OPEN_READWRITE, ENG_SHARE_SHARED,
                                   nullptr, 0, nullptr, nullptr, &db_));
    EngineCheck(EngineSetDirectory(db_, folder_.c_str()));
    EngFldDesc fields[3] = {};
    auto field = [&](int i, const char *name, uint16_t type, int16_t units) {
      fields[i].fieldNum = static_cast<uint16_t>(i + 1);
      CopyText(fields[i].name, sizeof fields[i].name, name);
      fields[i].type = type;
      fields[i].units1 = units;
    };
    field(0, "CATEGORY", ENG_FLD_INT16, 0);
    field(1, "TITLE", ENG_FLD_ZSTRING, 24);
    field(2, "KEYWORDS", ENG_FLD_ZSTRING, 240);
    EngIdxDesc index{};
    index.indexId = 1;
    index.primary = 1;
    index.unique = 1;
    index.maintained = 1;
    index.fieldCount = 1;
    index.keyFields[0] = 2;
    EngTableDesc desc{};
    CopyText(desc.name, sizeof desc.name, "scroll.db");
    CopyText(desc.driverType, sizeof desc.driverType, "NATIVE");
    desc.overwrite = 1;
    desc.fieldCount = 3;
    desc.fields = fields;
    desc.indexCount = 1;
    desc.indexes = &index;
    EngineCheck(EngineCreateTable(db_, &desc));

    hEngCursor cursor = 0;
    EngineCheck(EngineOpenTable(db_, "scroll.db", "", nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                                ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &cursor));
    EngCurProps props{};
    EngineCheck(EngineGetCursorProperties(cursor, &props));
    std::vector<uint8_t> rec(props.recordSize);
    char text[256];
    for (int i = 0; i < kRows; ++i) {
      EngineCheck(EngineInitRecord(cursor, rec.data()));
      int16_t category = static_cast<int16_t>(100 * (1 + i % 9));
      EngineCheck(EnginePutField(cursor, 1, rec.data(), &category));
      CopyText(text, sizeof text, "Sound " + std::to_string(1000000 + i));
      EngineCheck(EnginePutField(cursor, 2, rec.data(), text));
      CopyText(text, sizeof text, "keyword" + std::to_string(i % 97) + " animal noise");
      EngineCheck(EnginePutField(cursor, 3, rec.data(), text));
      EngineCheck(EngineInsertRecord(cursor, ENG_NOLOCK, rec.data()));
    }
    EngineCloseCursor(cursor);
  }

  std::string folder_;
  hEngDb db_ = 0;
};

class ScrollDataSet : public TDataSet {
protected:
  hEngCursor CreateHandle() override { return Catalogue::Get().Open(); }
};

// A grid's link: shows kWindow rows.
class GridLink : public TDataLink {
public:
  GridLink() { SetBufferCount(kWindow); }
};

void Scroll(benchmark::State &state, bool read_field) {
  ScrollDataSet ds;
  TDataSource source;
  source.SetDataSet(&ds);
  GridLink grid;
  grid.SetDataSource(&source);
  ds.Open();
  TField *title = ds.FieldByName("TITLE");
  uint64_t rows = 0;
  ds.ResetCallCounts();
  for (auto _ : state) {
    ds.First();
    int n = 1;
    while (!ds.Eof()) {
      if (read_field) benchmark::DoNotOptimize(title->AsString());
      ds.Next();
      ++n;
    }
    rows += static_cast<uint64_t>(n);
  }
  const auto &calls = ds.CallCounts();
  state.SetItemsProcessed(static_cast<int64_t>(rows));
  state.counters["ns_per_row"] = benchmark::Counter(
      static_cast<double>(rows) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["fetches_per_row"] =
      static_cast<double>(calls.fetches) / static_cast<double>(rows);
  state.counters["engine_calls_per_row"] =
      static_cast<double>(calls.fetches + calls.bookmarks + calls.positions) /
      static_cast<double>(rows);
  state.counters["window"] = ds.BufferCount();
}

void BM_NextThroughRows(benchmark::State &state) {
  Scroll(state, false);
}
BENCHMARK(BM_NextThroughRows)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same, reading the title of each row as a grid's cell would.
void BM_NextThroughRowsReadingTitle(benchmark::State &state) {
  Scroll(state, true);
}
BENCHMARK(BM_NextThroughRowsReadingTitle)->Unit(benchmark::kMillisecond)->Iterations(3);

// Inside the window: moving between the rows already held costs no engine
// call.
void BM_MoveInsideWindow(benchmark::State &state) {
  ScrollDataSet ds;
  TDataSource source;
  source.SetDataSet(&ds);
  GridLink grid;
  grid.SetDataSource(&source);
  ds.Open();
  ds.ResetCallCounts();
  uint64_t moves = 0;
  for (auto _ : state) {
    ds.MoveBy(kWindow - 1);
    ds.MoveBy(-(kWindow - 1));
    moves += 2 * (kWindow - 1);
  }
  state.SetItemsProcessed(static_cast<int64_t>(moves));
  state.counters["engine_calls"] = static_cast<double>(
      ds.CallCounts().fetches + ds.CallCounts().bookmarks + ds.CallCounts().positions);
}
BENCHMARK(BM_MoveInsideWindow);

} // namespace

BENCHMARK_MAIN();
