// Compares a recording of the audio output (raw 16-bit little-endian mono)
// with the sound file that was played: finds the start offset by
// correlation, after converting the file to the recording's rate and to one
// channel, and reports how alike the two are.
//
//   media_compare_recording SOUND.wav RECORDING.raw RATE [MIN_CORRELATION]
//
// Prints "offset N correlation C maxdiff D frames F" and exits 0 when the
// correlation reaches MIN_CORRELATION (default 0.9), 1 when it does not, 2 on
// bad input.
#include "platform/mci/wave_sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char **argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s SOUND RECORDING RATE [MIN_CORRELATION]\n", argv[0]);
    return 2;
  }
  WaveSound sound;
  if (MCIERROR e = DecodeWaveFile(argv[1], sound)) {
    std::fprintf(stderr, "cannot decode %s (error %u)\n", argv[1], e);
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), {});
  std::vector<double> rec(raw.size() / 2);
  for (std::size_t i = 0; i < rec.size(); ++i)
    rec[i] = static_cast<std::int16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                       (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
  const int rate = std::atoi(argv[3]);
  const double minCorrelation = argc > 4 ? std::atof(argv[4]) : 0.9;
  if (rate <= 0 || sound.frames == 0 || rec.empty()) {
    std::fprintf(stderr, "nothing to compare\n");
    return 2;
  }

  // The file as the recording should hold it: one channel at `rate`.
  std::vector<double> mono(static_cast<std::size_t>(sound.frames));
  for (std::int64_t f = 0; f < sound.frames; ++f) {
    double sum = 0;
    for (int c = 0; c < sound.channels; ++c)
      sum += sound.samples[f * sound.channels + c];
    mono[f] = sum / sound.channels;
  }
  std::size_t n = static_cast<std::size_t>(sound.frames * std::int64_t(rate) / sound.rate);
  std::vector<double> ref(n);
  for (std::size_t i = 0; i < n; ++i) {
    double pos = double(i) * sound.rate / rate;
    std::size_t f = static_cast<std::size_t>(pos);
    double frac = pos - double(f);
    double a = mono[std::min(f, mono.size() - 1)], b = mono[std::min(f + 1, mono.size() - 1)];
    ref[i] = a * (1 - frac) + b * frac;
  }

  // The sound starts near the first sample that is not silence.
  std::size_t first = 0;
  while (first < rec.size() && std::abs(rec[first]) < 64)
    ++first;
  if (first == rec.size()) {
    std::printf("offset -1 correlation 0 maxdiff -1 frames 0 (the recording is silent)\n");
    return 1;
  }
  auto correlate = [&](std::size_t off, std::size_t len) {
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < len && off + i < rec.size(); ++i) {
      xy += ref[i] * rec[off + i];
      xx += ref[i] * ref[i];
      yy += rec[off + i] * rec[off + i];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
  };
  const std::size_t window = std::min<std::size_t>(n, static_cast<std::size_t>(rate)); // 1 s
  std::size_t lo = first > std::size_t(rate) / 4 ? first - rate / 4 : 0;
  std::size_t hi = std::min(rec.size(), first + rate / 4);
  std::size_t best = lo;
  double bestC = -2;
  for (std::size_t off = lo; off < hi; ++off) {
    double c = correlate(off, window);
    if (c > bestC) bestC = c, best = off;
  }
  std::size_t len = std::min(n, rec.size() - best);
  double whole = correlate(best, n);
  double maxdiff = 0;
  for (std::size_t i = 0; i < len; ++i)
    maxdiff = std::max(maxdiff, std::abs(ref[i] - rec[best + i]));
  std::printf("offset %zu correlation %.4f maxdiff %.0f frames %zu of %zu\n", best, whole, maxdiff,
              len, n);
  return whole >= minCorrelation && len == n ? 0 : 1;
}
