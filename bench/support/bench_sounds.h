// Sounds for the benchmarks.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace bench_sounds {

// A 16-bit stereo 44.1 kHz WAV of 1 MB (about 5.9 s of a tone).
inline const std::string &OneMegabyteWav() {
  static const std::string wav = [] {
    const std::uint32_t dataBytes = 1024 * 1024 - 44;
    const std::uint32_t rate = 44100, channels = 2;
    std::string s = "RIFF";
    auto u32 = [&](std::uint32_t v) {
      for (int i = 0; i < 4; ++i)
        s.push_back(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](std::uint16_t v) {
      s.push_back(char(v & 0xFF));
      s.push_back(char(v >> 8));
    };
    u32(36 + dataBytes);
    s += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * channels * 2);
    u16(channels * 2);
    u16(16);
    s += "data";
    u32(dataBytes);
    for (std::uint32_t i = 0; i < dataBytes / 2; ++i)
      u16(static_cast<std::uint16_t>(
          std::int16_t(8000 * std::sin(2 * M_PI * 440.0 * (i / channels) / rate))));
    return s;
  }();
  return wav;
}

} // namespace bench_sounds
