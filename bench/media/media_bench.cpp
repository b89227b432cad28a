// Costs on the way from a row change to an enabled Play button for a 1 MB
// WAV: content detection, writing the temporary file, and opening the wave
// device (which reads the header of a plain WAV and leaves its samples in the
// file until the first Play).
#include "media/content_detection.h"
#include "media/private_temp.h"
#include "platform/mci/mci.h"
#include "support/bench_sounds.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void BM_DetectContent1MB(benchmark::State &state) {
  const std::string &wav = bench_sounds::OneMegabyteWav();
  for (auto _ : state) {
    TBlobInfo info;
    TDetection d =
        DetectContent(reinterpret_cast<const unsigned char *>(wav.data()), wav.size(), info);
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_DetectContent1MB);

void BM_WriteTempFile1MB(benchmark::State &state) {
  const std::string &wav = bench_sounds::OneMegabyteWav();
  std::string path = PrivateTempFolder() + "bench$$$.WAV";
  for (auto _ : state) {
    ::unlink(path.c_str());
    WritePrivateFile(path, wav.data(), wav.size());
  }
  ::unlink(path.c_str());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(wav.size()));
}
BENCHMARK(BM_WriteTempFile1MB)->Unit(benchmark::kMicrosecond);

void BM_OpenWaveDevice1MB(benchmark::State &state) {
  std::string path = PrivateTempFolder() + "bench-open.wav";
  const std::string &wav = bench_sounds::OneMegabyteWav();
  ::unlink(path.c_str());
  WritePrivateFile(path, wav.data(), wav.size());
  for (auto _ : state) {
    MCI_OPEN_PARMS p;
    p.lpstrElementName = path.c_str();
    if (mciSendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, &p) != 0) {
      state.SkipWithError("open failed");
      break;
    }
    mciSendCommand(p.wDeviceID, MCI_CLOSE, MCI_WAIT, nullptr);
  }
  ::unlink(path.c_str());
}
BENCHMARK(BM_OpenWaveDevice1MB)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  MciSetAudioOutput(MciAudioOutput::Silent);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // Leave without static destructors, as the programs do (the engine's and
  // the audio library's clean-up at exit is not wanted here).
  std::fflush(nullptr);
  std::_Exit(0);
}
