#include "platform/mci/wave_device.h"

#include "platform/mci/mci_notify.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

namespace {
bool ForceSilent() {
  return MciGetAudioOutput() == MciAudioOutput::Silent;
}

MCIHWND CallbackOf(void *params) {
  return params ? static_cast<MCI_GENERIC_PARMS *>(params)->dwCallback : 0;
}
} // namespace

WaveDevice::WaveDevice(MCIDEVICEID id, WaveSound sound, std::unique_ptr<WaveFileSamples> later)
    : id_(id), sound_(std::move(sound)), later_(std::move(later)) {
  timer_.setInterval(10);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

WaveDevice::~WaveDevice() {
  *alive_ = false;
  timer_.stop();
  output_.reset();
  SettlePending(MCI_NOTIFY_ABORTED);
}

MCIERROR WaveDevice::Command(std::uint32_t command, std::uint32_t flags, void *params) {
  switch (command) {
  case MCI_PLAY:
    return Play(flags, static_cast<MCI_PLAY_PARMS *>(params));
  case MCI_PAUSE:
    return Pause(flags, params);
  case MCI_RESUME:
    return Resume(flags, params);
  case MCI_STOP:
    return Stop(flags, params);
  case MCI_SEEK:
    return Seek(flags, static_cast<MCI_SEEK_PARMS *>(params));
  case MCI_STATUS:
    return Status(flags, static_cast<MCI_STATUS_PARMS *>(params));
  case MCI_GETDEVCAPS:
    return GetDevCaps(flags, static_cast<MCI_GETDEVCAPS_PARMS *>(params));
  case MCI_SET:
    return Set(flags, static_cast<MCI_SET_PARMS *>(params));
  case MCI_RECORD:
  case MCI_STEP:
  case MCI_WHERE:
  case MCI_WINDOW:
  case MCI_PUT:
    // A wave device neither records nor shows pictures.
    return MCIERR_UNSUPPORTED_FUNCTION;
  default:
    return MCIERR_UNRECOGNIZED_COMMAND;
  }
}

std::uint32_t WaveDevice::ToTime(std::int64_t frame) const {
  if (timeFormat_ == MCI_FORMAT_SAMPLES) return static_cast<std::uint32_t>(frame);
  return sound_.FramesToMs(frame);
}

bool WaveDevice::FromTime(std::uint32_t time, std::int64_t &frame) const {
  if (ToTime(sound_.frames) < time) return false;
  frame = timeFormat_ == MCI_FORMAT_SAMPLES ? std::int64_t(time) : sound_.MsToFrames(time);
  frame = std::min(frame, sound_.frames);
  return true;
}

std::int64_t WaveDevice::CurrentFrame() const {
  if (mode_ != Mode::Stopped && output_) return output_->Position();
  return position_;
}

void WaveDevice::Halt() {
  position_ = CurrentFrame();
  timer_.stop();
  output_.reset();
  mode_ = Mode::Stopped;
}

void WaveDevice::SettlePending(std::uint16_t code) {
  MCIHWND target = pending_;
  pending_ = 0;
  MciPostNotify(target, code, id_);
}

void WaveDevice::NotifyDone(std::uint32_t flags, MCIHWND callback) {
  if (!(flags & MCI_NOTIFY)) return;
  SettlePending(MCI_NOTIFY_SUPERSEDED);
  MciPostNotify(callback, MCI_NOTIFY_SUCCESSFUL, id_);
}

MCIERROR WaveDevice::EnsureDecoded() {
  if (!later_) return decodeError_;
  std::unique_ptr<WaveFileSamples> later = std::move(later_);
  const std::int64_t promised = sound_.frames;
  decodeError_ = later->DecodeInto(sound_);
  if (decodeError_ != 0) {
    sound_.samples.clear();
    sound_.frames = 0;
  } else if (sound_.frames != promised) {
    // The file held other than its header said (it changed under us):
    // positions stay within what can be played.
    position_ = std::min(position_, sound_.frames);
  }
  return decodeError_;
}

MCIERROR WaveDevice::Play(std::uint32_t flags, MCI_PLAY_PARMS *p) {
  if ((flags & (MCI_FROM | MCI_TO)) && !p) return MCIERR_NULL_PARAMETER_BLOCK;
  // The samples are needed now; a sound that cannot be decoded plays not at
  // all, and says so at every play.
  if (MCIERROR e = EnsureDecoded()) return e;
  std::int64_t from = CurrentFrame();
  std::int64_t to = sound_.frames;
  if ((flags & MCI_FROM) && !FromTime(p->dwFrom, from)) return MCIERR_OUTOFRANGE;
  if ((flags & MCI_TO) && !FromTime(p->dwTo, to)) return MCIERR_OUTOFRANGE;
  if (to < from) return MCIERR_OUTOFRANGE;

  // A new play ends the one under way: its notice is aborted.
  Halt();
  SettlePending(MCI_NOTIFY_ABORTED);
  if (flags & MCI_NOTIFY) pending_ = CallbackOf(p);
  position_ = from;
  playTo_ = to;
  if (from >= to) { // nothing to play: done at once
    position_ = to;
    SettlePending(MCI_NOTIFY_SUCCESSFUL);
    return 0;
  }
  output_ = MakeSoundOutput(ForceSilent());
  if (!output_->Start(sound_, from, to)) {
    // The audio output refused (a server that went away, say): keep time
    // silently rather than fail the command.
    output_ = std::make_unique<SilentOutput>();
    output_->Start(sound_, from, to);
  }
  mode_ = Mode::Playing;
  timer_.start();
  if (flags & MCI_WAIT) WaitUntilStopped();
  return 0;
}

void WaveDevice::WaitUntilStopped() {
  if (!QCoreApplication::instance()) return;
  // Events handled in the loop may close this device: watch for that.
  std::shared_ptr<bool> alive = alive_;
  while (*alive && mode_ != Mode::Stopped) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
}

void WaveDevice::Tick() {
  if (!output_ || mode_ != Mode::Playing) return;
  output_->Pump();
  if (output_->Failed()) {
    Halt();
    SettlePending(MCI_NOTIFY_FAILURE);
  } else if (output_->Finished()) {
    timer_.stop();
    output_.reset();
    mode_ = Mode::Stopped;
    position_ = playTo_;
    SettlePending(MCI_NOTIFY_SUCCESSFUL);
  }
}

MCIERROR WaveDevice::Pause(std::uint32_t flags, void *params) {
  if (mode_ == Mode::Playing) {
    output_->Pause();
    mode_ = Mode::Paused;
  }
  // The notice of the paused play stays owed: it comes when the play ends
  // after a resume, unless a later command supersedes or aborts it.
  NotifyDone(flags, CallbackOf(params));
  return 0;
}

MCIERROR WaveDevice::Resume(std::uint32_t flags, void *params) {
  if (mode_ == Mode::Stopped) return MCIERR_NONAPPLICABLE_FUNCTION;
  if (mode_ == Mode::Paused) {
    output_->Resume();
    mode_ = Mode::Playing;
  }
  // A resume that asks for a notice takes over the one owed to the play: it
  // is told when the sound ends.
  if (flags & MCI_NOTIFY) {
    SettlePending(MCI_NOTIFY_SUPERSEDED);
    pending_ = CallbackOf(params);
  }
  return 0;
}

MCIERROR WaveDevice::Stop(std::uint32_t flags, void *params) {
  Halt();
  SettlePending(MCI_NOTIFY_ABORTED);
  if (flags & MCI_NOTIFY) MciPostNotify(CallbackOf(params), MCI_NOTIFY_SUCCESSFUL, id_);
  return 0;
}

MCIERROR WaveDevice::Seek(std::uint32_t flags, MCI_SEEK_PARMS *p) {
  std::uint32_t how = flags & (MCI_SEEK_TO_START | MCI_SEEK_TO_END | MCI_TO);
  if (how == 0) return MCIERR_MISSING_PARAMETER;
  if (how != MCI_SEEK_TO_START && how != MCI_SEEK_TO_END && how != MCI_TO)
    return MCIERR_FLAGS_NOT_COMPATIBLE;
  std::int64_t target = 0;
  if (how == MCI_SEEK_TO_END) target = sound_.frames;
  if (how == MCI_TO) {
    if (!p) return MCIERR_NULL_PARAMETER_BLOCK;
    if (!FromTime(p->dwTo, target)) return MCIERR_OUTOFRANGE;
  }
  Halt();
  SettlePending(MCI_NOTIFY_ABORTED);
  position_ = target;
  if (flags & MCI_NOTIFY) MciPostNotify(p ? p->dwCallback : 0, MCI_NOTIFY_SUCCESSFUL, id_);
  return 0;
}

MCIERROR WaveDevice::Status(std::uint32_t flags, MCI_STATUS_PARMS *p) {
  if (!p) return MCIERR_NULL_PARAMETER_BLOCK;
  if (!(flags & MCI_STATUS_ITEM)) return MCIERR_MISSING_PARAMETER;
  if ((flags & MCI_TRACK) && p->dwTrack != 1) return MCIERR_OUTOFRANGE;
  switch (p->dwItem) {
  case MCI_STATUS_LENGTH:
    p->dwReturn = ToTime(sound_.frames);
    break;
  case MCI_STATUS_POSITION:
    p->dwReturn = (flags & (MCI_TRACK | MCI_STATUS_START)) ? 0 : ToTime(CurrentFrame());
    break;
  case MCI_STATUS_NUMBER_OF_TRACKS:
  case MCI_STATUS_CURRENT_TRACK:
  case MCI_STATUS_MEDIA_PRESENT:
  case MCI_STATUS_READY:
    p->dwReturn = 1;
    break;
  case MCI_STATUS_MODE:
    p->dwReturn = mode_ == Mode::Playing  ? MCI_MODE_PLAY
                  : mode_ == Mode::Paused ? MCI_MODE_PAUSE
                                          : MCI_MODE_STOP;
    break;
  case MCI_STATUS_TIME_FORMAT:
    p->dwReturn = timeFormat_;
    break;
  default:
    return MCIERR_UNSUPPORTED_FUNCTION;
  }
  NotifyDone(flags, p->dwCallback);
  return 0;
}

MCIERROR WaveDevice::GetDevCaps(std::uint32_t flags, MCI_GETDEVCAPS_PARMS *p) {
  if (!p) return MCIERR_NULL_PARAMETER_BLOCK;
  if (!(flags & MCI_GETDEVCAPS_ITEM)) return MCIERR_MISSING_PARAMETER;
  switch (p->dwItem) {
  case MCI_GETDEVCAPS_CAN_PLAY:
  case MCI_GETDEVCAPS_HAS_AUDIO:
  case MCI_GETDEVCAPS_USES_FILES:
  case MCI_GETDEVCAPS_COMPOUND_DEVICE:
    p->dwReturn = 1;
    break;
  case MCI_GETDEVCAPS_CAN_RECORD:
  case MCI_GETDEVCAPS_CAN_EJECT:
  case MCI_GETDEVCAPS_HAS_VIDEO:
  case MCI_GETDEVCAPS_CAN_SAVE:
    p->dwReturn = 0;
    break;
  case MCI_GETDEVCAPS_DEVICE_TYPE:
    p->dwReturn = MCI_DEVTYPE_WAVEFORM_AUDIO;
    break;
  default:
    return MCIERR_UNSUPPORTED_FUNCTION;
  }
  NotifyDone(flags, p->dwCallback);
  return 0;
}

MCIERROR WaveDevice::Set(std::uint32_t flags, MCI_SET_PARMS *p) {
  if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_AUDIO))
    return MCIERR_UNSUPPORTED_FUNCTION;
  if (!(flags & MCI_SET_TIME_FORMAT)) return MCIERR_MISSING_PARAMETER;
  if (!p) return MCIERR_NULL_PARAMETER_BLOCK;
  if (p->dwTimeFormat != MCI_FORMAT_MILLISECONDS && p->dwTimeFormat != MCI_FORMAT_SAMPLES)
    return MCIERR_BAD_TIME_FORMAT;
  timeFormat_ = p->dwTimeFormat;
  NotifyDone(flags, p->dwCallback);
  return 0;
}
