// The media control interface with its wave device, on the silent output.
#include "platform/mci/mci.h"
#include "platform/mci/mci_notify.h"
#include "platform/mci/wave_sound.h"
#include "support/wav_fixtures.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A callback window: records every notice it receives.
class NoticeSink : public QObject {
public:
  NoticeSink() : handle(MciRegisterWindow(this)) {}
  ~NoticeSink() override { MciUnregisterWindow(handle); }
  bool event(QEvent *e) override {
    if (e->type() != MciNotifyEvent::EventType()) return QObject::event(e);
    auto *n = static_cast<MciNotifyEvent *>(e);
    codes.push_back(n->Code());
    devices.push_back(n->Device());
    return true;
  }
  MCIHWND handle;
  std::vector<std::uint16_t> codes;
  std::vector<MCIDEVICEID> devices;
};

std::string ErrorText(MCIERROR e) {
  char buf[4096];
  return mciGetErrorString(e, buf, sizeof buf) ? buf : "<none>";
}

class MciTest : public ::testing::Test {
protected:
  void SetUp() override {
    MciSetAudioOutput(MciAudioOutput::Silent);
    char tmpl[] = "/tmp/bsfx-mci-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1); // no user profile
  }
  void TearDown() override {
    mciSendCommand(MCI_ALL_DEVICE_ID, MCI_CLOSE, MCI_WAIT, nullptr);
    QCoreApplication::processEvents(); // deliver the last notices while the sinks live
    fs::remove_all(dir_);
  }

  // A 16-bit mono tone of `ms` milliseconds at 8 kHz.
  std::string ToneFile(const std::string &name, int ms) {
    std::string path = dir_ + "/" + name;
    EXPECT_TRUE(fixtures::WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                                     fixtures::Tone(8000, 1, 8 * ms)));
    return path;
  }

  MCIERROR Open(const std::string &path, MCIDEVICEID &id, const char *type = nullptr) {
    MCI_OPEN_PARMS p;
    p.lpstrElementName = path.c_str();
    p.lpstrDeviceType = type;
    std::uint32_t flags =
        MCI_WAIT | (path.empty() ? 0 : MCI_OPEN_ELEMENT) | (type ? MCI_OPEN_TYPE : 0);
    MCIERROR e = mciSendCommand(0, MCI_OPEN, flags, &p);
    if (e == 0)
      id = p.wDeviceID;
    else
      EXPECT_EQ(p.wDeviceID, 0) << "a failed open hands out no device";
    return e;
  }

  std::uintptr_t Status(MCIDEVICEID id, std::uint32_t item) {
    MCI_STATUS_PARMS p;
    p.dwItem = item;
    EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &p), 0u);
    return p.dwReturn;
  }

  MCIERROR Play(MCIDEVICEID id, NoticeSink &sink, std::uint32_t extra = 0, std::uint32_t from = 0,
                std::uint32_t to = 0) {
    MCI_PLAY_PARMS p;
    p.dwCallback = sink.handle;
    p.dwFrom = from;
    p.dwTo = to;
    return mciSendCommand(id, MCI_PLAY, MCI_NOTIFY | extra, &p);
  }

  std::string dir_;
};

} // namespace

TEST_F(MciTest, DecodesEveryWaveEncodingAtItsLevel) {
  struct Case {
    int format, rate, channels;
    double tolerance; // largest sample error allowed, in 16-bit steps
  };
  const Case cases[] = {
      {SF_FORMAT_PCM_16, 8000, 1, 0},        {SF_FORMAT_PCM_16, 44100, 2, 0},
      {SF_FORMAT_PCM_U8, 11025, 1, 256},     {SF_FORMAT_PCM_24, 22050, 2, 0},
      {SF_FORMAT_PCM_32, 48000, 1, 0},       {SF_FORMAT_FLOAT, 22050, 1, 1},
      {SF_FORMAT_DOUBLE, 16000, 2, 1},       {SF_FORMAT_ULAW, 8000, 1, 1100},
      {SF_FORMAT_ALAW, 8000, 1, 1100},       {SF_FORMAT_IMA_ADPCM, 22050, 1, 16384},
      {SF_FORMAT_MS_ADPCM, 22050, 2, 16384}, {SF_FORMAT_GSM610, 8000, 1, 16384},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << std::hex << c.format << std::dec << " rate "
                                    << c.rate << " channels " << c.channels);
    auto tone = fixtures::Tone(c.rate, c.channels, c.rate / 4);
    std::string path = dir_ + "/enc.wav";
    ASSERT_TRUE(fixtures::WriteSound(path, SF_FORMAT_WAV | c.format, c.rate, c.channels, tone));
    WaveSound sound;
    ASSERT_EQ(DecodeWaveFile(path, sound), 0u);
    EXPECT_EQ(sound.rate, c.rate);
    EXPECT_EQ(sound.channels, c.channels);
    // Block codecs pad the last block; no codec loses samples.
    EXPECT_GE(sound.frames, c.rate / 4);
    EXPECT_LE(sound.frames, c.rate / 4 + 1024);
    double worst = 0, energy = 0;
    for (std::size_t i = 0; i < tone.size(); ++i) {
      worst = std::max(worst, std::abs(double(sound.samples[i]) - tone[i]));
      energy += double(sound.samples[i]) * sound.samples[i];
    }
    EXPECT_LE(worst, c.tolerance);
    // Not silence: the level of a half-scale sine (RMS about 11585).
    EXPECT_GT(std::sqrt(energy / double(tone.size())), 9000);
    MCIDEVICEID id = 0;
    ASSERT_EQ(Open(path, id), 0u);
    EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), sound.frames * 1000 / c.rate);
    EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  }
}

TEST_F(MciTest, BadFilesFailToOpenWithTheirText) {
  MCIDEVICEID id = 99;
  EXPECT_EQ(Open(dir_ + "/missing.wav", id), MCIERR_FILE_NOT_FOUND);
  EXPECT_EQ(ErrorText(MCIERR_FILE_NOT_FOUND),
            "Cannot find the specified file. Make sure the path and filename are correct.");
  EXPECT_EQ(Open(dir_, id), MCIERR_EXTENSION_NOT_FOUND) << "a folder has no extension";

  std::string bad = dir_ + "/bad.wav";
  fixtures::WriteBytes(bad, "\x89PNG\r\n\x1a\n this is a picture, not a sound");
  EXPECT_EQ(Open(bad, id), MCIERR_INVALID_FILE);
  fixtures::WriteBytes(bad, "RIFF\x24\x00\x00\x00WAVEfm"); // header cut short
  EXPECT_EQ(Open(bad, id), MCIERR_INVALID_FILE);
  fixtures::WriteBytes(bad, "");
  EXPECT_EQ(Open(bad, id), MCIERR_INVALID_FILE);
  std::string random(5000, '\0');
  unsigned x = 12345;
  for (char &c : random)
    c = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  fixtures::WriteBytes(bad, random);
  EXPECT_EQ(Open(bad, id), MCIERR_INVALID_FILE);
  EXPECT_EQ(ErrorText(MCIERR_INVALID_FILE),
            "The specified file cannot be played on the specified device. The file may be "
            "corrupt, or not in the correct format.");
  EXPECT_EQ(MciOpenDeviceCount(), 0u);
}

TEST_F(MciTest, LyingHeaderPlaysTheSamplesThatExist) {
  auto tone = fixtures::Tone(8000, 1, 800); // 100 ms
  std::string path = dir_ + "/lies.wav";
  fixtures::WriteBytes(path, fixtures::PcmWavBytes(8000, 1, tone, 10'000'000));
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(path, id), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 100u);
  // A header claiming fewer bytes than the file holds plays what it claims.
  fixtures::WriteBytes(path, fixtures::PcmWavBytes(8000, 1, tone, 400));
  MCIDEVICEID id2 = 0;
  ASSERT_EQ(Open(path, id2), 0u);
  EXPECT_EQ(Status(id2, MCI_STATUS_LENGTH), 25u);
}

TEST_F(MciTest, KindsWithoutDeviceAndProfileEntries) {
  std::string wav = ToneFile("tone.wav", 50);
  std::string mid = dir_ + "/tone.mid";
  fs::copy_file(wav, mid);
  MCIDEVICEID id = 0;
  EXPECT_EQ(Open(mid, id), MCIERR_EXTENSION_NOT_FOUND);
  EXPECT_EQ(ErrorText(MCIERR_EXTENSION_NOT_FOUND),
            "Cannot determine the device type from the given filename extension.");
  EXPECT_EQ(Open("", id, "Sequencer"), MCIERR_DEVICE_NOT_INSTALLED);
  EXPECT_EQ(Open("", id, "no such thing"), MCIERR_INVALID_DEVICE_NAME);
  // Opening by type takes any extension; case does not matter.
  EXPECT_EQ(Open(mid, id, "WaveAudio"), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 50u);

  fs::create_directories(dir_ + "/bonussfx");
  std::ofstream(dir_ + "/bonussfx/profile.ini") << "[mci extensions]\nMID=waveaudio\nWAV=\n";
  EXPECT_EQ(Open(mid, id), 0u);
  EXPECT_EQ(Open(wav, id), MCIERR_EXTENSION_NOT_FOUND) << "the user removed WAV";
  std::ofstream(dir_ + "/bonussfx/profile.ini") << "[mci extensions]\nMID=cdaudio\n";
  EXPECT_EQ(Open(mid, id), MCIERR_DEVICE_NOT_INSTALLED);
}

TEST_F(MciTest, CapabilitiesAndUnsupportedCommands) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 40), id), 0u);
  auto cap = [&](std::uint32_t item) {
    MCI_GETDEVCAPS_PARMS p;
    p.dwItem = item;
    EXPECT_EQ(mciSendCommand(id, MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT, &p), 0u);
    return p.dwReturn;
  };
  EXPECT_EQ(cap(MCI_GETDEVCAPS_CAN_PLAY), 1u);
  EXPECT_EQ(cap(MCI_GETDEVCAPS_CAN_RECORD), 0u);
  EXPECT_EQ(cap(MCI_GETDEVCAPS_CAN_EJECT), 0u);
  EXPECT_EQ(cap(MCI_GETDEVCAPS_HAS_VIDEO), 0u);
  EXPECT_EQ(cap(MCI_GETDEVCAPS_DEVICE_TYPE), MCI_DEVTYPE_WAVEFORM_AUDIO);
  MCI_ANIM_RECT_PARMS where;
  EXPECT_EQ(mciSendCommand(id, MCI_WHERE, MCI_WAIT | MCI_ANIM_WHERE_SOURCE, &where),
            MCIERR_UNSUPPORTED_FUNCTION);
  MCI_SET_PARMS door;
  EXPECT_EQ(mciSendCommand(id, MCI_SET, MCI_WAIT | MCI_SET_DOOR_OPEN, &door),
            MCIERR_UNSUPPORTED_FUNCTION);
  EXPECT_EQ(mciSendCommand(id, 0x0999, MCI_WAIT, nullptr), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(mciSendCommand(id + 1, MCI_STOP, MCI_WAIT, nullptr), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(mciSendCommand(id, MCI_STATUS, MCI_WAIT, nullptr), MCIERR_NULL_PARAMETER_BLOCK);
  EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  EXPECT_EQ(mciSendCommand(id, MCI_CLOSE, MCI_WAIT, nullptr), MCIERR_INVALID_DEVICE_ID);
}

TEST_F(MciTest, PlayRunsInRealTimeAndNotifiesSuccess) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 300), id), 0u);
  NoticeSink sink;
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  ASSERT_EQ(Play(id, sink), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
  QTest::qWait(120);
  auto pos = Status(id, MCI_STATUS_POSITION);
  EXPECT_GE(pos, 100u);
  EXPECT_LT(pos, 300u);
  EXPECT_TRUE(sink.codes.empty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !sink.codes.empty(); }, 2000));
  EXPECT_EQ(sink.codes, std::vector<std::uint16_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(sink.devices[0], id);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), Status(id, MCI_STATUS_LENGTH));
  // Playing at the end finishes at once.
  ASSERT_EQ(Play(id, sink), 0u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return sink.codes.size() == 2; }, 500));
  EXPECT_EQ(sink.codes[1], MCI_NOTIFY_SUCCESSFUL);
}

TEST_F(MciTest, StopSeekAndCloseAbortThePendingNotice) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 1000), id), 0u);
  NoticeSink sink;
  ASSERT_EQ(Play(id, sink), 0u);
  QTest::qWait(60);
  ASSERT_EQ(mciSendCommand(id, MCI_STOP, MCI_WAIT, nullptr), 0u);
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.codes, std::vector<std::uint16_t>{MCI_NOTIFY_ABORTED});
  auto stoppedAt = Status(id, MCI_STATUS_POSITION);
  EXPECT_GE(stoppedAt, 50u);
  EXPECT_LT(stoppedAt, 400u);
  QTest::qWait(50);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), stoppedAt) << "stop holds the position";

  // A new play goes on from there; seeking aborts it.
  ASSERT_EQ(Play(id, sink), 0u);
  MCI_SEEK_PARMS seek;
  ASSERT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, &seek), 0u);
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.codes.size(), 2u);
  EXPECT_EQ(sink.codes.back(), MCI_NOTIFY_ABORTED);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);

  ASSERT_EQ(Play(id, sink), 0u);
  ASSERT_EQ(mciSendCommand(id, MCI_CLOSE, MCI_WAIT, nullptr), 0u);
  QCoreApplication::processEvents();
  EXPECT_EQ(sink.codes.size(), 3u);
  EXPECT_EQ(sink.codes.back(), MCI_NOTIFY_ABORTED);
  QTest::qWait(50);
  EXPECT_EQ(sink.codes.size(), 3u);
}

TEST_F(MciTest, PauseHoldsTheClockAndResumeTakesOverTheNotice) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 250), id), 0u);
  NoticeSink player, resumer;
  ASSERT_EQ(Play(id, player), 0u);
  QTest::qWait(60);
  ASSERT_EQ(mciSendCommand(id, MCI_PAUSE, MCI_WAIT, nullptr), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PAUSE);
  auto pausedAt = Status(id, MCI_STATUS_POSITION);
  QTest::qWait(300); // longer than the whole sound
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), pausedAt);
  EXPECT_TRUE(player.codes.empty()) << "a pause owes the play's notice, it does not settle it";

  MCI_GENERIC_PARMS resume;
  resume.dwCallback = resumer.handle;
  ASSERT_EQ(mciSendCommand(id, MCI_RESUME, MCI_NOTIFY, &resume), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
  QCoreApplication::processEvents();
  EXPECT_EQ(player.codes, std::vector<std::uint16_t>{MCI_NOTIFY_SUPERSEDED});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !resumer.codes.empty(); }, 2000));
  EXPECT_EQ(resumer.codes, std::vector<std::uint16_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(player.codes.size(), 1u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 250u);
  // Resuming a stopped device is refused.
  EXPECT_EQ(mciSendCommand(id, MCI_RESUME, MCI_WAIT, &resume), MCIERR_NONAPPLICABLE_FUNCTION);
}

TEST_F(MciTest, AnotherNoticeSupersedesThePlaysNotice) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 150), id), 0u);
  NoticeSink player, other;
  ASSERT_EQ(Play(id, player), 0u);
  MCI_SET_PARMS set;
  set.dwCallback = other.handle;
  set.dwTimeFormat = MCI_FORMAT_MILLISECONDS;
  ASSERT_EQ(mciSendCommand(id, MCI_SET, MCI_NOTIFY | MCI_SET_TIME_FORMAT, &set), 0u);
  QCoreApplication::processEvents();
  EXPECT_EQ(player.codes, std::vector<std::uint16_t>{MCI_NOTIFY_SUPERSEDED});
  EXPECT_EQ(other.codes, std::vector<std::uint16_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY) << "playing goes on";
  ASSERT_TRUE(QTest::qWaitFor([&] { return Status(id, MCI_STATUS_MODE) == MCI_MODE_STOP; }, 2000));
  QTest::qWait(30);
  EXPECT_EQ(player.codes.size(), 1u);
  EXPECT_EQ(other.codes.size(), 1u);
}

TEST_F(MciTest, RangesAndTimeFormats) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 500), id), 0u);
  NoticeSink sink;
  MCI_SEEK_PARMS seek;
  seek.dwTo = 200;
  ASSERT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_TO, &seek), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 200u);
  seek.dwTo = 501;
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_TO, &seek), MCIERR_OUTOFRANGE);
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT, &seek), MCIERR_MISSING_PARAMETER);
  EXPECT_EQ(mciSendCommand(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_END, &seek), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 500u);

  EXPECT_EQ(Play(id, sink, MCI_FROM | MCI_TO, 100, 50), MCIERR_OUTOFRANGE);
  ASSERT_EQ(Play(id, sink, MCI_FROM | MCI_TO, 400, 480), 0u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !sink.codes.empty(); }, 2000));
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 480u);

  MCI_SET_PARMS set;
  set.dwTimeFormat = MCI_FORMAT_SAMPLES;
  ASSERT_EQ(mciSendCommand(id, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, &set), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_TIME_FORMAT), MCI_FORMAT_SAMPLES);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 4000u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 3840u);
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  EXPECT_EQ(mciSendCommand(id, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, &set),
            MCIERR_BAD_TIME_FORMAT);
  EXPECT_EQ(Status(id, MCI_STATUS_NUMBER_OF_TRACKS), 1u);
}

TEST_F(MciTest, WaitingPlayReturnsAtTheEnd) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 120), id), 0u);
  MCI_PLAY_PARMS p;
  ASSERT_EQ(mciSendCommand(id, MCI_PLAY, MCI_WAIT, &p), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 120u);
}

TEST_F(MciTest, NoticesToAForgottenWindowAreDropped) {
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(ToneFile("t.wav", 40), id), 0u);
  MCIHWND stale;
  {
    NoticeSink gone;
    stale = gone.handle;
  }
  EXPECT_EQ(MciWindowObject(stale), nullptr);
  MCI_PLAY_PARMS p;
  p.dwCallback = stale;
  ASSERT_EQ(mciSendCommand(id, MCI_PLAY, MCI_NOTIFY, &p), 0u);
  NoticeSink fresh;
  EXPECT_NE(fresh.handle, stale) << "handles are not reused";
  QTest::qWait(120);
  EXPECT_TRUE(fresh.codes.empty());
}

TEST_F(MciTest, ErrorStringsAreCutToTheBuffer) {
  char buf[8];
  EXPECT_TRUE(mciGetErrorString(MCIERR_INVALID_DEVICE_ID, buf, sizeof buf));
  EXPECT_STREQ(buf, "Invalid");
  EXPECT_FALSE(mciGetErrorString(12345, buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  EXPECT_FALSE(mciGetErrorString(MCIERR_INVALID_FILE, nullptr, 0));
}

TEST_F(MciTest, PlainEncodingsAreDecodedLaterFromTheFileAsOpened) {
  struct Case {
    int format, rate, channels;
    bool deferred; // the header gives the exact length
  };
  const Case cases[] = {
      {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, true},
      {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 2, true},
      {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 22050, 2, true},
      {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 1, true},
      {SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 1, true},
      {SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 44100, 4, true},
      {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1, true},
      {SF_FORMAT_AU | SF_FORMAT_PCM_16, 8000, 1, true},
      {SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 1, false},
      {SF_FORMAT_WAV | SF_FORMAT_GSM610, 8000, 1, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << std::hex << c.format);
    const std::int64_t frames = c.rate / 5 + 7;
    std::string path = dir_ + "/later.snd";
    ASSERT_TRUE(fixtures::WriteSound(path, c.format, c.rate, c.channels,
                                     fixtures::Tone(c.rate, c.channels, frames)));
    WaveSound whole;
    ASSERT_EQ(DecodeWaveFile(path, whole), 0u);

    WaveSound sound;
    std::unique_ptr<WaveFileSamples> later;
    ASSERT_EQ(OpenWaveFile(path, sound, later), 0u);
    EXPECT_EQ(later != nullptr, c.deferred);
    EXPECT_EQ(sound.rate, c.rate);
    EXPECT_EQ(sound.channels, c.channels);
    // The length known at opening is the length decoded.
    EXPECT_EQ(sound.frames, whole.frames);
    if (!later) {
      EXPECT_EQ(sound.samples, whole.samples);
      continue;
    }
    EXPECT_TRUE(sound.samples.empty()) << "nothing decoded at opening";
    // The name is reused for another sound before the samples are needed:
    // they still come from the file that was opened.
    std::filesystem::remove(path);
    ASSERT_TRUE(fixtures::WriteSound(path, c.format, c.rate, 1, fixtures::Tone(c.rate, 1, 10)));
    ASSERT_EQ(later->DecodeInto(sound), 0u);
    EXPECT_EQ(sound.frames, whole.frames);
    EXPECT_EQ(sound.samples, whole.samples);
    EXPECT_NE(later->DecodeInto(sound), 0u) << "a second decode has no file left";
  }

  // Headers that lie about the data size: the length at opening is what
  // the file holds, or what the header claims when that is less, and the
  // samples decoded later are exactly that many.
  auto tone = fixtures::Tone(8000, 1, 800);
  for (auto [claimed, expected] : {std::pair{10'000'000u, 800}, {400u, 200}, {1600u, 800}}) {
    SCOPED_TRACE(claimed);
    std::string path = dir_ + "/lies.wav";
    fixtures::WriteBytes(path, fixtures::PcmWavBytes(8000, 1, tone, claimed));
    WaveSound sound;
    std::unique_ptr<WaveFileSamples> later;
    ASSERT_EQ(OpenWaveFile(path, sound, later), 0u);
    EXPECT_EQ(sound.frames, expected);
    ASSERT_NE(later, nullptr);
    ASSERT_EQ(later->DecodeInto(sound), 0u);
    EXPECT_EQ(sound.frames, expected);
    ASSERT_EQ(sound.samples.size(), std::size_t(expected));
    EXPECT_TRUE(std::equal(sound.samples.begin(), sound.samples.end(), tone.begin()));
  }
}

TEST_F(MciTest, ADeviceStillPlaysWhenItsFileIsRemovedAfterOpening) {
  MCIDEVICEID id = 0;
  std::string path = ToneFile("gone.wav", 150);
  ASSERT_EQ(Open(path, id), 0u);
  std::filesystem::remove(path);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH), 150u);
  NoticeSink sink;
  ASSERT_EQ(Play(id, sink), 0u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !sink.codes.empty(); }, 2000));
  EXPECT_EQ(sink.codes, std::vector<std::uint16_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 150u);
  // Played again from the start, from the samples decoded the first time.
  MCI_PLAY_PARMS p;
  p.dwFrom = 50;
  ASSERT_EQ(mciSendCommand(id, MCI_PLAY, MCI_WAIT | MCI_FROM, &p), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 150u);
}
