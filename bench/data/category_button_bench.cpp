// A category button of the catalogue window on a large catalogue: set the
// dataset's Filter to "CATEGORY=n", switch Filtered on (which goes to the
// first row and fills the grid's window of records), then read the title
// and keywords of every row of the first screen, as the grid paints them.
// And "All": Filtered off and the first screen again.
//
// The catalogue has the demo's shape and password. It is taken from
// $BSFX_BENCH_CATALOGUE when set, else $BSFX_BENCH_DIR/catalogue-<rows>.db
// (the engine benchmark's file, BSFX_BENCH_ROWS rows, default 1,000,000),
// else made once with `sfxcat create` and `sfxcat generate` in
// $BSFX_BENCH_DIR/sfxcat-<rows>/bonussfx.db.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>

#include "data/dataset.h"
#include "data/datasource.h"
#include "data/engine/engine_api.h"
#include "data/field.h"

namespace {

constexpr int kScreenRows = 23; // rows the catalogue's grid shows at once

std::string g_folder, g_table;
hEngDb g_db = 0;

void Must(DBResult r, const char *what) {
  if (r != DBENG_OK) {
    char text[128] = {};
    EngineGetErrorString(r, text);
    std::fprintf(stderr, "%s: %u %s\n", what, r, text);
    std::exit(1);
  }
}

// The browsed table: a dataset on the catalogue's cursor, read-only, in
// primary (TITLE) order.
class TCatalogue : public TDBDataSet {
public:
  ~TCatalogue() override { Destroying(); }

protected:
  hEngCursor CreateHandle() override {
    hEngCursor c = 0;
    Must(EngineOpenTable(g_db, g_table.c_str(), nullptr, nullptr, nullptr, 0, ENG_OPEN_READONLY,
                         ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c),
         "open table");
    return c;
  }
};

// The grid's link: a window of one screen of records.
class TGridLink : public TDataLink {};

struct Window {
  TCatalogue table;
  TDataSource source;
  TGridLink grid;
  TField *title = nullptr, *keywords = nullptr;

  Window() {
    source.SetDataSet(&table);
    grid.SetDataSource(&source);
    grid.SetBufferCount(kScreenRows);
    table.Open();
    title = table.FieldByName("TITLE");
    keywords = table.FieldByName("KEYWORDS");
  }
  ~Window() { grid.SetDataSource(nullptr); }

  // What the grid reads to paint its rows.
  size_t PaintScreen() {
    size_t bytes = 0;
    int saved = grid.ActiveRecord();
    for (int i = 0; i < grid.RecordCount(); ++i) {
      grid.SetActiveRecord(i);
      bytes += title->AsString().size() + keywords->AsString().size();
    }
    grid.SetActiveRecord(saved);
    return bytes;
  }
};

void BM_CategoryButton(benchmark::State &state) {
  Window w;
  int category = 0;
  for (auto _ : state) {
    category = category % 9 + 1;
    w.table.SetFilter("CATEGORY=" + std::to_string(category * 100));
    w.table.SetFiltered(true);
    benchmark::DoNotOptimize(w.PaintScreen());
  }
  state.counters["rows_on_screen"] = w.grid.RecordCount();
}

// The same button pressed again: the filter stays, First and the screen run.
void BM_SameCategoryAgain(benchmark::State &state) {
  Window w;
  w.table.SetFilter("CATEGORY=500");
  w.table.SetFiltered(true);
  for (auto _ : state) {
    w.table.SetFilter("CATEGORY=500");
    w.table.SetFiltered(true);
    benchmark::DoNotOptimize(w.PaintScreen());
  }
}

// A category, then "All".
void BM_CategoryThenAll(benchmark::State &state) {
  Window w;
  for (auto _ : state) {
    w.table.SetFilter("CATEGORY=900");
    w.table.SetFiltered(true);
    benchmark::DoNotOptimize(w.PaintScreen());
    w.table.SetFiltered(false);
    benchmark::DoNotOptimize(w.PaintScreen());
  }
}

// A filter the table's storage cannot answer: the evaluator judges rows
// until a screen is full.
void BM_PrefixFilterFirstScreen(benchmark::State &state) {
  Window w;
  for (auto _ : state) {
    // Options and text stored while not filtered; Filtered then goes to
    // the first row once.
    w.table.SetFilterOptions(foCaseInsensitive);
    w.table.SetFilter(state.range(0) ? "TITLE='b*'" : "CATEGORY=100");
    w.table.SetFiltered(true);
    benchmark::DoNotOptimize(w.PaintScreen());
    w.table.SetFiltered(false);
    w.table.SetFilter("");
    w.table.SetFilterOptions(0);
  }
}

void BM_PeakMemory(benchmark::State &state) {
  for (auto _ : state) {
    Window w;
    for (int c = 1; c <= 9; ++c) {
      w.table.SetFilter("CATEGORY=" + std::to_string(c * 100));
      w.table.SetFiltered(true);
      w.PaintScreen();
    }
  }
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  state.counters["peak_MB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
}

BENCHMARK(BM_CategoryButton)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SameCategoryAgain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CategoryThenAll)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrefixFilterFirstScreen)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeakMemory)->Iterations(1);

std::string Env(const char *name, const std::string &fallback) {
  const char *v = std::getenv(name);
  return v && *v ? v : fallback;
}

void FindCatalogue() {
  namespace fs = std::filesystem;
  std::string rows = Env("BSFX_BENCH_ROWS", "1000000");
  std::string dir = Env("BSFX_BENCH_DIR", "/tmp/bsfx-bench");
  fs::path file = Env("BSFX_BENCH_CATALOGUE", dir + "/catalogue-" + rows + ".db");
  if (!fs::exists(file)) {
    fs::path folder = fs::path(dir) / ("sfxcat-" + rows);
    file = folder / "bonussfx.db";
    if (!fs::exists(file)) {
      fs::create_directories(folder);
      std::string sfxcat = std::string(BSFX_BINARY_DIR) + "/bin/sfxcat";
      std::string args = " --dir '" + folder.string() + "' --password walrus";
      std::fprintf(stderr, "generating %s rows in %s ...\n", rows.c_str(), file.c_str());
      if (std::system((sfxcat + " create" + args + " >/dev/null").c_str()) != 0 ||
          std::system((sfxcat + " generate" + args + " --rows " + rows).c_str()) != 0) {
        std::fprintf(stderr, "cannot generate the catalogue\n");
        std::exit(1);
      }
    }
  }
  g_folder = file.parent_path().string();
  g_table = file.filename().string();
}

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  FindCatalogue();
  EngEnv env{};
  std::snprintf(env.language, sizeof env.language, "0009");
  Must(EngineInit(&env), "start the engine");
  Must(EngineOpenDatabase(nullptr, "STANDARD", ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr, 0,
                          nullptr, nullptr, &g_db),
       "open database");
  Must(EngineSetDirectory(g_db, g_folder.c_str()), "set folder");
  Must(EngineAddPassword("walrus"), "password");
  benchmark::AddCustomContext("catalogue", g_folder + "/" + g_table);
  benchmark::RunSpecifiedBenchmarks();
  EngineCloseDatabase(g_db);
  EngineExit();
  benchmark::Shutdown();
  return 0;
}
