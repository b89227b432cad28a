// Where the wave device's samples go: the machine's audio output through
// Qt Multimedia (push mode), or a silent output driven by a clock. Both
// report the position reached in frames of the sound, so the device behaves
// the same on either.
#pragma once

#include "platform/mci/wave_sound.h"

#include <chrono>
#include <cstdint>
#include <memory>

class SoundOutput {
public:
  virtual ~SoundOutput() = default;
  // Starts playing frames [from, to) of `sound`, which outlives the output.
  // False when the output cannot start.
  virtual bool Start(const WaveSound &sound, std::int64_t from, std::int64_t to) = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Called about every 10 ms while playing: moves samples along.
  virtual void Pump() {}
  // The frame reached, between `from` and `to`.
  virtual std::int64_t Position() const = 0;
  // True once every frame up to `to` has been heard.
  virtual bool Finished() const = 0;
  // True when the output broke down while playing.
  virtual bool Failed() const { return false; }
};

// Keeps real time without making a sound.
class SilentOutput : public SoundOutput {
public:
  bool Start(const WaveSound &sound, std::int64_t from, std::int64_t to) override;
  void Pause() override;
  void Resume() override;
  std::int64_t Position() const override;
  bool Finished() const override;

private:
  using Clock = std::chrono::steady_clock;
  std::chrono::microseconds Elapsed() const;

  int rate_ = 0;
  std::int64_t from_ = 0, to_ = 0;
  Clock::time_point started_;
  std::chrono::microseconds banked_{0}; // time played before the last pause
  bool paused_ = false;
};

// Makes the output for a new playback: the audio output unless the silent
// one is forced or there is no audio device.
std::unique_ptr<SoundOutput> MakeSoundOutput(bool forceSilent);
