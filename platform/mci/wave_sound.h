// A sound file decoded into 16-bit interleaved samples, as the wave device
// plays it.
#pragma once

#include "platform/mci/mci.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

struct WaveSound {
  int rate = 0;                      // frames per second
  int channels = 0;                  // samples per frame
  std::int64_t frames = 0;           // frames decoded
  std::vector<std::int16_t> samples; // frames * channels values

  // Length of the sound in milliseconds, rounded down.
  std::uint32_t LengthMs() const;
  std::int64_t MsToFrames(std::uint32_t ms) const;
  std::uint32_t FramesToMs(std::int64_t frame) const;
};

// Decodes a file with libsndfile. Returns 0, MCIERR_FILE_NOT_FOUND when the
// file cannot be read, MCIERR_INVALID_FILE when it is not a sound libsndfile
// understands (or a corrupt one), MCIERR_OUT_OF_MEMORY for a sound too long
// to hold.
MCIERROR DecodeWaveFile(const std::string &path, WaveSound &out);

// The same for a sound held in memory.
MCIERROR DecodeWaveMemory(const void *data, std::size_t size, WaveSound &out);

// A sound file held open so that its samples can be decoded when they are
// first needed. The file stays readable through it even when its name is
// removed or reused meanwhile.
class WaveFileSamples {
public:
  ~WaveFileSamples();
  WaveFileSamples(const WaveFileSamples &) = delete;
  WaveFileSamples &operator=(const WaveFileSamples &) = delete;

  // Decodes every sample into `sound`, whose rate and channels the opening
  // set; its frames become the number actually decoded. The same results as
  // DecodeWaveFile.
  MCIERROR DecodeInto(WaveSound &sound);

private:
  friend MCIERROR OpenWaveFile(const std::string &, WaveSound &,
                               std::unique_ptr<WaveFileSamples> &);
  WaveFileSamples() = default;
  int fd_ = -1;
  sf_private_tag *file_ = nullptr;
  int format_ = 0;
  std::int64_t frames_ = 0;
};

// Opens a sound file for the wave device: rate, channels and length come
// from the header at once. For uncompressed encodings, whose header gives
// the exact length, the samples stay in the file, to be decoded through
// `later`; other encodings are decoded here (as DecodeWaveFile does) and
// `later` is left empty. The same results as DecodeWaveFile.
MCIERROR OpenWaveFile(const std::string &path, WaveSound &out,
                      std::unique_ptr<WaveFileSamples> &later);
