// The data-aware grid over a catalogue of 1,000,000 rows (sfxcat generate):
// painting a full grid of 20 data rows, and one Next past the bottom edge
// (one record fetched, the ring turned, the rows scrolled and the new row
// painted). Both should stay well under one frame (16 ms).
//
// The catalogue is made once and kept in BSFX_GRID_BENCH_DIR (default
// /tmp/bsfx-grid-bench-<rows>); BSFX_GRID_BENCH_ROWS sets its size.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "data/dataset.h"
#include "data/datasource.h"
#include "data/engine/engine_api.h"
#include "ui/dbgrid.h"
#include "ui/forms.h"

namespace {

long long Rows() {
  const char *v = std::getenv("BSFX_GRID_BENCH_ROWS");
  return v && *v ? std::atoll(v) : 1000000;
}

std::string Folder() {
  if (const char *v = std::getenv("BSFX_GRID_BENCH_DIR"); v && *v) return v;
  return "/tmp/bsfx-grid-bench-" + std::to_string(Rows());
}

// Makes the catalogue with sfxcat unless a complete one is there.
bool PrepareCatalogue(const std::string &dir) {
  std::filesystem::path done = std::filesystem::path(dir) / "complete";
  if (std::filesystem::exists(done)) return true;
  std::filesystem::create_directories(dir);
  std::string sfxcat = std::string(BSFX_BINARY_DIR) + "/bin/sfxcat";
  std::string create = sfxcat + " create --replace --dir '" + dir + "' >/dev/null";
  std::string fill =
      sfxcat + " generate --rows " + std::to_string(Rows()) + " --dir '" + dir + "' >/dev/null";
  std::fprintf(stderr, "making a catalogue of %lld rows in %s (once)\n", Rows(), dir.c_str());
  if (std::system(create.c_str()) != 0 || std::system(fill.c_str()) != 0) return false;
  std::FILE *f = std::fopen(done.c_str(), "w");
  if (f) std::fclose(f);
  return true;
}

// A read-only dataset on the catalogue's table file.
class TCatalogueSet : public TDataSet {
public:
  explicit TCatalogueSet(hEngDb db) : db_(db) {}
  ~TCatalogueSet() override { Destroying(); }

protected:
  hEngCursor CreateHandle() override {
    hEngCursor cursor = 0;
    EngineCheck(EngineOpenTable(db_, "bonussfx.db", "", nullptr, nullptr, 0, ENG_OPEN_READONLY,
                                ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &cursor));
    return cursor;
  }

private:
  hEngDb db_;
};

struct Setup {
  hEngDb db = 0;
  TCatalogueSet *ds = nullptr;
  TDataSource *source = nullptr;
  TForm *form = nullptr;
  TDBGrid *grid = nullptr;
  bool ok = false;

  Setup() {
    if (!PrepareCatalogue(Folder())) return;
    EngEnv env{};
    std::strcpy(env.language, "0009");
    EngineInit(&env);
    EngineCheck(EngineOpenDatabase(nullptr, "STANDARD", ENG_OPEN_READONLY, ENG_SHARE_SHARED,
                                   nullptr, 0, nullptr, nullptr, &db));
    EngineCheck(EngineSetDirectory(db, Folder().c_str()));
    ds = new TCatalogueSet(db);
    source = new TDataSource;
    source->SetDataSet(ds);
    form = new TForm(Application);
    form->SetBounds(0, 0, 600, 600);
    grid = new TDBGrid(form);
    grid->SetParent(form);
    grid->SetDataSource(source);
    TColumn *t = grid->Columns()->Add();
    t->SetFieldName("TITLE");
    t->SetWidth(110);
    TColumn *k = grid->Columns()->Add();
    k->SetFieldName("KEYWORDS");
    k->SetWidth(375);
    form->Show();
    ds->Open();
    // Exactly 20 data rows.
    grid->SetBounds(0, 0, 560, 100);
    int h = 4 + grid->RowHeights(0) + 1 + 20 * (grid->DefaultRowHeight() + 1);
    if (!grid->HorzScrollBar()->isHidden()) h += grid->HorzScrollBar()->height();
    grid->SetBounds(0, 0, 560, h);
    QApplication::processEvents();
    ok = grid->DataLink()->BufferCount() == 20;
  }
  ~Setup() {
    delete form;
    delete source;
    delete ds;
    if (db) EngineCloseDatabase(db);
    EngineExit();
  }
};

Setup *g_setup = nullptr;

Setup &Bench() {
  if (!g_setup) g_setup = new Setup;
  return *g_setup;
}

void BM_PaintFullGrid(benchmark::State &state) {
  Setup &s = Bench();
  if (!s.ok) return state.SkipWithError("no catalogue or not 20 rows");
  s.ds->Last();
  s.ds->MoveBy(-10);
  for (auto _ : state)
    s.grid->Widget()->repaint();
  state.counters["rows"] = static_cast<double>(s.grid->DataLink()->RecordCount());
}
BENCHMARK(BM_PaintFullGrid)->Unit(benchmark::kMicrosecond);

void BM_NextPastBottom(benchmark::State &state) {
  Setup &s = Bench();
  if (!s.ok) return state.SkipWithError("no catalogue or not 20 rows");
  auto to_bottom = [&] {
    s.ds->First();
    s.ds->MoveBy(19);
    QApplication::processEvents();
  };
  to_bottom();
  for (auto _ : state) {
    if (s.ds->Eof()) {
      state.PauseTiming();
      to_bottom();
      state.ResumeTiming();
    }
    s.ds->Next();
    // The scroll and the new row's paint happen here.
    QApplication::processEvents();
  }
  state.counters["active_row"] = s.grid->DataLink()->ActiveRecord();
}
BENCHMARK(BM_NextPastBottom)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  InitFramework(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete g_setup; // the windows go before the framework
  DoneFramework();
  return 0;
}
