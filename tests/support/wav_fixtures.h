// Sound files for tests: sine tones written with libsndfile in any encoding,
// and hand-made WAV headers for the broken cases.
#pragma once

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace fixtures {

// A tone of `frames` frames, channel c at 440*(c+1) Hz, amplitude 0.5.
inline std::vector<std::int16_t> Tone(int rate, int channels, std::int64_t frames) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(frames * channels));
  for (std::int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      s[i * channels + c] = static_cast<std::int16_t>(
          std::lrint(16384.0 * std::sin(2 * M_PI * 440.0 * (c + 1) * i / rate)));
  return s;
}

// Writes `samples` to `path` in the given libsndfile format (e.g.
// SF_FORMAT_WAV | SF_FORMAT_PCM_16). True on success.
inline bool WriteSound(const std::string &path, int format, int rate, int channels,
                       const std::vector<std::int16_t> &samples) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
  bool ok;
  int sub = format & SF_FORMAT_SUBMASK;
  if (sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE) {
    // Short data would be stored unscaled in a float file; real float files
    // hold values between -1 and 1.
    std::vector<float> f32(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
      f32[i] = samples[i] / 32768.0f;
    ok = sf_writef_float(f, f32.data(), frames) == frames;
  } else {
    ok = sf_writef_short(f, samples.data(), frames) == frames;
  }
  sf_close(f);
  return ok;
}

// The bytes of a 16-bit PCM WAV file whose header may lie about the size of
// its data chunk (`claimedDataBytes`, or the truth when negative).
inline std::string PcmWavBytes(int rate, int channels, const std::vector<std::int16_t> &samples,
                               std::int64_t claimedDataBytes = -1) {
  auto u32 = [](std::string &s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [](std::string &s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
  };
  std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
  std::uint32_t claimed =
      claimedDataBytes < 0 ? dataBytes : static_cast<std::uint32_t>(claimedDataBytes);
  std::string s = "RIFF";
  u32(s, 36 + claimed);
  s += "WAVEfmt ";
  u32(s, 16);
  u16(s, 1);
  u16(s, static_cast<std::uint16_t>(channels));
  u32(s, static_cast<std::uint32_t>(rate));
  u32(s, static_cast<std::uint32_t>(rate * channels * 2));
  u16(s, static_cast<std::uint16_t>(channels * 2));
  u16(s, 16);
  s += "data";
  u32(s, claimed);
  s.append(reinterpret_cast<const char *>(samples.data()), dataBytes);
  return s;
}

inline void WriteBytes(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), std::streamsize(bytes.size()));
}

} // namespace fixtures
