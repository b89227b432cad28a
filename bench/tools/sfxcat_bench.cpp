// What a catalogue import costs: reading and converting sound files, and
// adding rows (title look-up, fields, blob, insert) through the engine.
#include <benchmark/benchmark.h>

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat/sound_file.h"

namespace {

std::string TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sfxcat-bench.XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  return pattern;
}

void WriteTone(const std::string &path, int format, int rate, long frames) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = format;
  SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) std::abort();
  std::vector<float> s(static_cast<size_t>(frames));
  for (long i = 0; i < frames; ++i)
    s[static_cast<size_t>(i)] = 0.5f * static_cast<float>(std::sin(i * 0.05));
  sf_writef_float(f, s.data(), frames);
  sf_close(f);
}

// One second of sound, kept as it is (a WAV) or decoded and rewritten.
void BM_LoadSound(benchmark::State &state, int format, const char *ext) {
  std::string dir = TempFolder(), path = dir + "/tone" + ext;
  WriteTone(path, format, 44100, 44100);
  for (auto _ : state) {
    sfxcat::SoundData s = sfxcat::LoadSound(path);
    benchmark::DoNotOptimize(s.wav.data());
  }
  state.SetItemsProcessed(state.iterations() * 44100);
  state.SetLabel("samples = sound frames read");
  std::filesystem::remove_all(dir);
}
BENCHMARK_CAPTURE(BM_LoadSound, wav16, SF_FORMAT_WAV | SF_FORMAT_PCM_16, ".wav");
BENCHMARK_CAPTURE(BM_LoadSound, flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, ".flac");
BENCHMARK_CAPTURE(BM_LoadSound, ogg, SF_FORMAT_OGG | SF_FORMAT_VORBIS, ".ogg");

// Adding rows as import does: a title look-up, then the insert with a blob
// of range(0) bytes.
void BM_InsertRow(benchmark::State &state) {
  std::string dir = TempFolder();
  sfxcat::TableLocation where;
  where.dir = dir;
  where.table = "bonussfx.db";
  where.password = "walrus";
  where.has_password = true;
  sfxcat::EngineRun engine;
  sfxcat::Database db(where);
  sfxcat::CreateCatalogueTable(db, where.password, false);
  sfxcat::CatalogueTable table(db, false);
  std::string wav =
      sfxcat::MakePcm16Wav(std::vector<int16_t>(static_cast<size_t>(state.range(0) / 2)), 1, 8000);
  long n = 0;
  for (auto _ : state) {
    std::string title = "Row " + std::to_string(++n);
    if (table.TitleTaken(title)) state.SkipWithError("title taken");
    table.Insert(static_cast<int16_t>(100 * (1 + n % 9)), title, "bench row keywords", wav);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(wav.size()));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_InsertRow)->Arg(400)->Arg(64 << 10)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
