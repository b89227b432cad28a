// Reading sound files for the catalogue. A RIFF WAVE file that the decoder
// can read is kept byte for byte; any other format the decoder knows (FLAC,
// Ogg Vorbis, MP3, AIFF, AU, ...) is decoded and rewritten as a 16-bit PCM
// WAV file, since the catalogue's player and viewer expect WAV blobs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/exception.h"

namespace sfxcat {

// A file that cannot be taken into the catalogue; the message says why
// (without the file name, which the caller adds).
class ESoundFileError : public Exception {
  using Exception::Exception;
};

struct SoundData {
  std::string wav;        // the bytes to store
  bool converted = false; // true when decoded and rewritten
  int64_t frames = 0;
  int channels = 0;
  int sample_rate = 0;
};

// Files larger than this are refused: a catalogue blob is addressed with
// 32-bit offsets, and a sound effect of that size is a mistake.
constexpr int64_t kMaxSoundBytes = int64_t{1} << 30;

// Reads `path` and returns what the catalogue stores for it. Raises
// ESoundFileError for a missing, empty, unreadable or soundless file.
SoundData LoadSound(const std::string &path);

// A 16-bit PCM WAV file of the given interleaved samples.
std::string MakePcm16Wav(const std::vector<int16_t> &samples, int channels, int sample_rate);

// Converts a decoded sample in [-1, 1] to 16 bits, clamping overshoot.
int16_t FloatToPcm16(float sample);

} // namespace sfxcat
