// A sound file decoded into 16-bit interleaved samples, as the wave device
// plays it.
#pragma once

#include "platform/mci/mci.h"

#include <cstdint>
#include <string>
#include <vector>

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
