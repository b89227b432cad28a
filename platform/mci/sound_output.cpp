#include "platform/mci/sound_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>

// ---------------------------------------------------------------- silent

bool SilentOutput::Start(const WaveSound &sound, std::int64_t from, std::int64_t to) {
  rate_ = sound.rate;
  from_ = from;
  to_ = std::max(from, to);
  started_ = Clock::now();
  banked_ = std::chrono::microseconds(0);
  paused_ = false;
  return true;
}

std::chrono::microseconds SilentOutput::Elapsed() const {
  if (paused_) return banked_;
  return banked_ + std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started_);
}

void SilentOutput::Pause() {
  if (paused_) return;
  banked_ = Elapsed();
  paused_ = true;
}

void SilentOutput::Resume() {
  if (!paused_) return;
  started_ = Clock::now();
  paused_ = false;
}

std::int64_t SilentOutput::Position() const {
  if (rate_ <= 0) return to_;
  std::int64_t played = Elapsed().count() * rate_ / 1000000;
  return std::min(to_, from_ + played);
}

bool SilentOutput::Finished() const {
  return Position() >= to_;
}

// ---------------------------------------------------------------- audio sink

namespace {

// Converts frames [from, to) of a sound to 16-bit samples at the rate and
// channel count an output device accepts (linear interpolation; channels are
// mixed down or repeated).
QByteArray ConvertFrames(const WaveSound &s, std::int64_t from, std::int64_t to, int rate,
                         int channels) {
  std::int64_t inFrames = to - from;
  if (rate == s.rate && channels == s.channels) {
    return QByteArray(reinterpret_cast<const char *>(s.samples.data() + from * s.channels),
                      static_cast<qsizetype>(inFrames * s.channels * 2));
  }
  std::int64_t outFrames = inFrames * rate / s.rate;
  QByteArray out(static_cast<qsizetype>(outFrames * channels * 2), Qt::Uninitialized);
  auto *dst = reinterpret_cast<std::int16_t *>(out.data());
  auto sampleAt = [&](std::int64_t frame, int ch) -> double {
    frame = std::clamp<std::int64_t>(frame, from, std::max(from, to - 1));
    if (channels == s.channels) return s.samples[frame * s.channels + ch];
    if (channels == 1) { // mix every channel into one
      double sum = 0;
      for (int c = 0; c < s.channels; ++c)
        sum += s.samples[frame * s.channels + c];
      return sum / s.channels;
    }
    return s.samples[frame * s.channels + std::min(ch, s.channels - 1)];
  };
  for (std::int64_t i = 0; i < outFrames; ++i) {
    double pos = static_cast<double>(i) * s.rate / rate;
    std::int64_t f = from + static_cast<std::int64_t>(pos);
    double frac = pos - static_cast<double>(f - from);
    for (int ch = 0; ch < channels; ++ch) {
      double v = sampleAt(f, ch) * (1.0 - frac) + sampleAt(f + 1, ch) * frac;
      *dst++ = static_cast<std::int16_t>(std::clamp(std::lrint(v), -32768L, 32767L));
    }
  }
  return out;
}

class SinkOutput : public SoundOutput {
public:
  explicit SinkOutput(const QAudioDevice &device) : device_(device) {}
  ~SinkOutput() override {
    if (sink_) {
      sink_->stop();
      delete sink_;
    }
  }

  bool Start(const WaveSound &sound, std::int64_t from, std::int64_t to) override {
    rate_ = sound.rate;
    from_ = from;
    to_ = std::max(from, to);
    QAudioFormat format;
    format.setSampleRate(sound.rate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device_.isFormatSupported(format)) {
      QAudioFormat preferred = device_.preferredFormat();
      format.setSampleRate(preferred.sampleRate() > 0 ? preferred.sampleRate() : 44100);
      format.setChannelCount(std::clamp(preferred.channelCount(), 1, 2));
    }
    outRate_ = format.sampleRate();
    data_ = ConvertFrames(sound, from_, to_, format.sampleRate(), format.channelCount());
    durationUs_ = (to_ - from_) * 1000000 / std::max(1, rate_);
    sink_ = new QAudioSink(device_, format);
    io_ = sink_->start();
    if (!io_ || sink_->error() == QAudio::OpenError || sink_->error() == QAudio::FatalError)
      return false;
    clock_.start();
    Pump();
    return true;
  }

  void Pause() override {
    if (!sink_ || paused_) return;
    sink_->suspend();
    bankedMs_ += clock_.elapsed();
    paused_ = true;
  }

  void Resume() override {
    if (!sink_ || !paused_) return;
    sink_->resume();
    clock_.restart();
    paused_ = false;
  }

  void Pump() override {
    if (!sink_ || !io_ || paused_) return;
    while (written_ < data_.size()) {
      qsizetype free = sink_->bytesFree();
      if (free <= 0) break;
      qsizetype n = std::min(free, data_.size() - written_);
      qint64 done = io_->write(data_.constData() + written_, n);
      if (done <= 0) break;
      written_ += done;
    }
  }

  std::int64_t Position() const override {
    if (!sink_) return from_;
    std::int64_t us = std::min<std::int64_t>(sink_->processedUSecs(), durationUs_);
    if (Finished()) return to_;
    return std::min(to_, from_ + us * rate_ / 1000000);
  }

  bool Finished() const override {
    if (!sink_) return false;
    if (written_ >= data_.size() && sink_->processedUSecs() >= durationUs_) return true;
    // Should a server stop taking samples, or never report the last ones as
    // played, give up a good while after the sound's time is over rather
    // than hang in play mode.
    std::int64_t activeMs = bankedMs_ + (paused_ ? 0 : clock_.elapsed());
    return activeMs * 1000 > durationUs_ + 1500000;
  }

  bool Failed() const override {
    if (!sink_) return true;
    QAudio::Error e = sink_->error();
    return e == QAudio::OpenError || e == QAudio::IOError || e == QAudio::FatalError;
  }

private:
  QAudioDevice device_;
  QAudioSink *sink_ = nullptr;
  QIODevice *io_ = nullptr;
  QByteArray data_;
  qsizetype written_ = 0;
  int rate_ = 0, outRate_ = 0;
  std::int64_t from_ = 0, to_ = 0, durationUs_ = 0;
  QElapsedTimer clock_;
  std::int64_t bankedMs_ = 0;
  bool paused_ = false;
};

} // namespace

std::unique_ptr<SoundOutput> MakeSoundOutput(bool forceSilent) {
  if (!forceSilent && QCoreApplication::instance()) {
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isNull()) return std::make_unique<SinkOutput>(device);
  }
  return std::make_unique<SilentOutput>();
}
