// The time from a row change to an enabled Play button, for rows holding
// 1 MB WAVs: the data change closes the player, the viewer reads the blob,
// writes the temporary file, and the wave device opens (reading the sound's
// header; the samples are decoded at the first Play).
#include "base/streams.h"
#include "data/datasource.h"
#include "data/engine_table.h"
#include "data/field.h"
#include "media/media_player.h"
#include "media/pdb_multimedia.h"
#include "platform/mci/mci.h"
#include "support/bench_sounds.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

namespace {

void BM_RowChangeToPlayEnabled1MB(benchmark::State &state) {
  TestDatabase db;
  setenv("XDG_CONFIG_HOME", db.Folder().c_str(), 1);
  CreateCatalogue(db);
  hEngCursor cursor = db.OpenCursor("sounds.db");
  AddRow(cursor, 100, "First", "one", bench_sounds::OneMegabyteWav());
  AddRow(cursor, 100, "Second", "two", bench_sounds::OneMegabyteWav());
  EngineCloseCursor(cursor);
  {
    TComponent owner(nullptr);
    auto *table = new TTestDataSet(db, "sounds.db", "", &owner);
    auto *source = new TDataSource(&owner);
    source->SetDataSet(table);
    auto *player = new TPDBMediaPlayer(&owner);
    player->SetVisibleButtons(Buttons({btPlay, btPause, btStop}));
    auto *viewer = new TPDBMultiMedia(&owner);
    viewer->SetMediaPlayer(player);
    viewer->SetDataField("WAV");
    viewer->SetDataSource(source);
    table->Open();
    bool forward = true;
    for (auto _ : state) {
      if (forward)
        table->Next();
      else
        table->Prior();
      forward = !forward;
      if (!(player->AutoButtons() & ButtonBit(btPlay))) {
        state.SkipWithError("Play is not enabled after the row change");
        break;
      }
    }
    table->Close();
  }
}
BENCHMARK(BM_RowChangeToPlayEnabled1MB)->Unit(benchmark::kMillisecond);

// The blob read alone: the part of a row change that is the dataset layer's.
void BM_ReadBlob1MB(benchmark::State &state) {
  TestDatabase db;
  CreateCatalogue(db);
  hEngCursor cursor = db.OpenCursor("sounds.db");
  AddRow(cursor, 100, "First", "one", bench_sounds::OneMegabyteWav());
  EngineCloseCursor(cursor);
  TComponent owner(nullptr);
  auto *table = new TTestDataSet(db, "sounds.db", "", &owner);
  table->Open();
  auto *field = static_cast<TBlobField *>(table->FieldByName("WAV"));
  for (auto _ : state) {
    TMemoryStream s;
    field->SaveToStream(s);
    benchmark::DoNotOptimize(s.Memory().data());
  }
  table->Close();
}
BENCHMARK(BM_ReadBlob1MB)->Unit(benchmark::kMillisecond);

} // namespace
