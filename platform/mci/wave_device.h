// The "waveaudio" device: one sound, a mode, a position and at most one
// pending completion notice. A sound whose length its header gives exactly
// is decoded at its first play, so opening costs no more than reading the
// header.
#pragma once

#include "platform/mci/mci.h"
#include "platform/mci/sound_output.h"
#include "platform/mci/wave_sound.h"

#include <QTimer>

#include <memory>

class WaveDevice {
public:
  // `later`, when given, holds the samples of `sound` still in its file.
  WaveDevice(MCIDEVICEID id, WaveSound sound, std::unique_ptr<WaveFileSamples> later = nullptr);
  ~WaveDevice(); // aborts a pending notice
  WaveDevice(const WaveDevice &) = delete;
  WaveDevice &operator=(const WaveDevice &) = delete;

  MCIDEVICEID Id() const { return id_; }

  // One command; `params` has been checked to be non-null where the command
  // reads or writes a record.
  MCIERROR Command(std::uint32_t command, std::uint32_t flags, void *params);

private:
  enum class Mode { Stopped, Playing, Paused };

  MCIERROR Play(std::uint32_t flags, MCI_PLAY_PARMS *p);
  MCIERROR Pause(std::uint32_t flags, void *params);
  MCIERROR Resume(std::uint32_t flags, void *params);
  MCIERROR Stop(std::uint32_t flags, void *params);
  MCIERROR Seek(std::uint32_t flags, MCI_SEEK_PARMS *p);
  MCIERROR Status(std::uint32_t flags, MCI_STATUS_PARMS *p);
  MCIERROR GetDevCaps(std::uint32_t flags, MCI_GETDEVCAPS_PARMS *p);
  MCIERROR Set(std::uint32_t flags, MCI_SET_PARMS *p);

  // Times in the current time format <-> frames.
  std::uint32_t ToTime(std::int64_t frame) const;
  bool FromTime(std::uint32_t time, std::int64_t &frame) const;
  std::int64_t CurrentFrame() const;

  // Ends playback where it stands (output released, mode stopped).
  void Halt();
  // Settles the pending notice with `code` and forgets it.
  void SettlePending(std::uint16_t code);
  // A command with MCI_NOTIFY that does not end playback: the pending notice
  // is superseded and the command's own notice posted at once.
  void NotifyDone(std::uint32_t flags, MCIHWND callback);
  void Tick();
  void WaitUntilStopped();
  // Decodes the samples left in the file; 0 or the decoding's error.
  MCIERROR EnsureDecoded();

  MCIDEVICEID id_;
  WaveSound sound_;
  std::unique_ptr<WaveFileSamples> later_;
  MCIERROR decodeError_ = 0;
  Mode mode_ = Mode::Stopped;
  std::int64_t position_ = 0; // frame, while not playing
  std::int64_t playTo_ = 0;
  std::uint32_t timeFormat_ = MCI_FORMAT_MILLISECONDS;
  MCIHWND pending_ = 0; // callback of the notice owed at the end of playback
  std::unique_ptr<SoundOutput> output_;
  QTimer timer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // false once destroyed
};
