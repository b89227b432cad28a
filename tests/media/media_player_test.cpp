// The media player control on the wave device with the silent output,
// driven through its widget the way clicks and keys reach it.
#include "base/app_hooks.h"
#include "media/media_player.h"
#include "platform/mci/mci.h"
#include "support/wav_fixtures.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr TButtonSet kBar = Buttons({btPlay, btPause, btStop});

class MediaPlayerTest : public ::testing::Test {
protected:
  void SetUp() override {
    MciSetAudioOutput(MciAudioOutput::Silent);
    char tmpl[] = "/tmp/bsfx-player-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    player_ = std::make_unique<TPDBMediaPlayer>(nullptr);
    player_->SetVisibleButtons(kBar);
    player_->SetBounds(16, 336, 85, 30);
    player_->Widget()->show();
  }
  void TearDown() override {
    player_.reset();
    QCoreApplication::processEvents();
    fs::remove_all(dir_);
  }

  std::string Tone(int ms) {
    std::string path = dir_ + "/tone.wav";
    EXPECT_TRUE(fixtures::WriteSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
                                     fixtures::Tone(8000, 1, 8 * ms)));
    return path;
  }

  void OpenTone(int ms) {
    player_->SetFileName(Tone(ms));
    player_->Open();
  }

  void Click(TMPBtnType b) {
    QTest::mouseClick(player_->Widget(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(player_->ButtonLeft(b) + 14, 15));
  }

  bool Active(TMPBtnType b) const { return player_->AutoButtons() & ButtonBit(b); }

  // The colour at the middle of a button's glyph area: green for the
  // coloured play glyph, grey for a disabled one.
  QColor GlyphPixel(TMPBtnType b) {
    QImage img = player_->Widget()->grab().toImage();
    int x0 = player_->ButtonLeft(b);
    for (int y = 5; y < 25; ++y)
      for (int x = x0 + 8; x < x0 + 22; ++x) {
        QColor c = img.pixelColor(x, y);
        if (c == QColor(0, 128, 0) || c == QColor(128, 128, 128)) return c;
      }
    return QColor();
  }

  std::string dir_;
  std::unique_ptr<TPDBMediaPlayer> player_;
};

} // namespace

TEST_F(MediaPlayerTest, LayoutSharesBorderPixels) {
  EXPECT_EQ(player_->Width(), 85);
  EXPECT_EQ(player_->Height(), 30);
  EXPECT_EQ(player_->ButtonWidth(), 29);
  EXPECT_EQ(player_->ButtonLeft(btPlay), 0);
  EXPECT_EQ(player_->ButtonLeft(btPause), 28);
  EXPECT_EQ(player_->ButtonLeft(btStop), 56);
  EXPECT_EQ(player_->ButtonLeft(btEject), -1);
  // 85 is the narrowest three buttons get; 20 the lowest.
  player_->SetBounds(16, 336, 40, 10);
  EXPECT_EQ(player_->Width(), 85);
  EXPECT_EQ(player_->Height(), 20);
  player_->SetBounds(0, 0, 121, 30);
  EXPECT_EQ(player_->ButtonWidth(), 41);
  EXPECT_EQ(player_->Width(), 121);
  // Showing more buttons keeps their width and widens the row.
  player_->SetVisibleButtons(Buttons({btPlay, btPause, btStop, btEject}));
  EXPECT_EQ(player_->Width(), 4 * 40 + 1);

  TMediaPlayer fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 240);
  EXPECT_EQ(fresh.Height(), 30);
  EXPECT_EQ(fresh.VisibleButtons(), kAllButtons);
  EXPECT_EQ(fresh.MinButtonSize().X, 29);
  EXPECT_EQ(fresh.MinButtonSize().Y, 20);
}

TEST_F(MediaPlayerTest, ClosedPlayerIgnoresTheMouseAndRaisesOnCommands) {
  EXPECT_EQ(player_->AutoButtons(), 0);
  EXPECT_EQ(GlyphPixel(btPlay), QColor(128, 128, 128));
  Click(btPlay); // drawn disabled: nothing happens
  EXPECT_FALSE(player_->Opened());
  try {
    player_->ClickButton(btPlay);
    FAIL() << "no exception";
  } catch (const EMCIDeviceError &e) {
    EXPECT_STREQ(e.what(), "No MCI device open");
  }
  // Space does not look at the automatic set: the command runs and its
  // error reaches the application's handler.
  std::vector<std::string> shown;
  SetApplicationExceptionHandler([&](const std::exception &e) { shown.push_back(e.what()); });
  player_->Widget()->setFocus();
  QTest::keyClick(player_->Widget(), Qt::Key_Space);
  SetApplicationExceptionHandler(nullptr);
  EXPECT_EQ(shown, std::vector<std::string>{"No MCI device open"});
  EXPECT_THROW(player_->Pause(), EMCIDeviceError);
  EXPECT_THROW(player_->Stop(), EMCIDeviceError);
  player_->Close(); // nothing open: nothing happens
}

TEST_F(MediaPlayerTest, OpenFailureKeepsThePlayerClosed) {
  std::string bad = dir_ + "/bad.wav";
  fixtures::WriteBytes(bad, "RIFF\x10\x00\x00\x00WAVEfmt  garbage");
  player_->SetFileName(bad);
  try {
    player_->Open();
    FAIL() << "no exception";
  } catch (const EMCIDeviceError &e) {
    EXPECT_EQ(std::string(e.what()),
              "The specified file cannot be played on the specified device. The file may be "
              "corrupt, or not in the correct format.");
  }
  EXPECT_FALSE(player_->Opened());
  EXPECT_EQ(player_->AutoButtons(), 0);
  // A good file afterwards opens normally.
  OpenTone(50);
  EXPECT_TRUE(Active(btPlay));
}

TEST_F(MediaPlayerTest, PlayPauseResumeAndTheEndOfPlay) {
  OpenTone(400);
  EXPECT_TRUE(player_->Opened());
  EXPECT_EQ(player_->AutoButtons(), Buttons({btPlay, btNext, btPrev}));
  EXPECT_EQ(GlyphPixel(btPlay), QColor(0, 128, 0));
  EXPECT_EQ(GlyphPixel(btPause), QColor(128, 128, 128));
  std::vector<TMPNotifyValues> notices;
  player_->OnNotify = [&](TObject *) { notices.push_back(player_->NotifyValue()); };

  Click(btPlay);
  EXPECT_EQ(player_->Mode(), mpPlaying);
  EXPECT_FALSE(Active(btPlay));
  EXPECT_TRUE(Active(btPause));
  EXPECT_TRUE(Active(btStop));
  EXPECT_EQ(GlyphPixel(btPlay), QColor(128, 128, 128));

  QTest::qWait(80);
  Click(btPause);
  EXPECT_EQ(player_->Mode(), mpPaused);
  EXPECT_TRUE(Active(btPlay));
  EXPECT_TRUE(Active(btPause));
  EXPECT_TRUE(Active(btStop));
  std::uint32_t at = player_->Position();
  QTest::qWait(100);
  EXPECT_EQ(player_->Position(), at);

  Click(btPause); // again: resumes
  EXPECT_EQ(player_->Mode(), mpPlaying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return notices.size() == 2; }, 3000));
  EXPECT_EQ(player_->Mode(), mpStopped);
  EXPECT_TRUE(Active(btPlay));
  EXPECT_FALSE(Active(btPause));
  EXPECT_FALSE(Active(btStop));
  EXPECT_EQ(player_->Position(), player_->Length());
  // The resume took over the play's notice: superseded, then successful.
  EXPECT_EQ(notices, (std::vector<TMPNotifyValues>{nvSuperseded, nvSuccessful}));
  EXPECT_EQ(player_->NotifyValue(), nvSuccessful);
}

TEST_F(MediaPlayerTest, StopHoldsThePositionAndPlayGoesOnFromThere) {
  OpenTone(1000);
  Click(btPlay);
  QTest::qWait(100);
  Click(btStop);
  EXPECT_EQ(player_->Mode(), mpStopped);
  EXPECT_TRUE(Active(btPlay));
  EXPECT_FALSE(Active(btPause));
  EXPECT_FALSE(Active(btStop));
  std::uint32_t at = player_->Position();
  EXPECT_GT(at, 50u);
  QTest::qWait(20);
  QCoreApplication::processEvents(); // the aborted notice
  EXPECT_EQ(player_->NotifyValue(), nvAborted);
  Click(btPlay);
  EXPECT_GE(player_->Position(), at);
  player_->Stop();
}

TEST_F(MediaPlayerTest, AutoRewindAtTheEnd) {
  OpenTone(60);
  player_->Play();
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Mode() == mpStopped; }, 2000));
  ASSERT_EQ(player_->Position(), player_->Length());
  player_->Play(); // from the start again
  EXPECT_EQ(player_->Mode(), mpPlaying);
  EXPECT_LT(player_->Position(), 30u);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Mode() == mpStopped; }, 2000));

  player_->SetAutoRewind(false);
  player_->Play(); // stands at the end: over at once
  EXPECT_EQ(player_->Mode(), mpStopped);
  EXPECT_EQ(player_->Position(), player_->Length());

  // A pending start position is used instead of rewinding.
  player_->SetAutoRewind(true);
  player_->SetStartPos(30);
  player_->Play();
  EXPECT_GE(player_->Position(), 30u);
  player_->Stop();
}

TEST_F(MediaPlayerTest, ClickEventsCanStopTheDefault) {
  OpenTone(300);
  std::vector<std::string> calls;
  bool allow = false;
  player_->OnClick = [&](TObject *, TMPBtnType b, bool &doDefault) {
    calls.push_back("click " + std::to_string(b));
    doDefault = allow;
  };
  player_->OnPostClick = [&](TObject *, TMPBtnType b) {
    calls.push_back("post " + std::to_string(b));
  };
  Click(btPlay);
  EXPECT_EQ(player_->Mode(), mpStopped) << "the default was stopped";
  // The mouse path still applies the button's automatic rule.
  EXPECT_TRUE(Active(btPause));
  allow = true;
  player_->ClickButton(btPlay);
  EXPECT_EQ(player_->Mode(), mpPlaying);
  EXPECT_EQ(calls, (std::vector<std::string>{"click 0", "click 0", "post 0"}));
  player_->Stop();
}

TEST_F(MediaPlayerTest, KeyboardMovesTheFocusAndSpaceClicks) {
  OpenTone(300);
  player_->Widget()->setFocus();
  QWidget *w = player_->Widget();
  EXPECT_EQ(player_->FocusedButton(), btPlay);
  QTest::keyClick(w, Qt::Key_Left);
  EXPECT_EQ(player_->FocusedButton(), btPlay);
  QTest::keyClick(w, Qt::Key_Right);
  QTest::keyClick(w, Qt::Key_Right);
  EXPECT_EQ(player_->FocusedButton(), btStop);
  QTest::keyClick(w, Qt::Key_Right); // rightmost visible: stays
  EXPECT_EQ(player_->FocusedButton(), btStop);
  QTest::keyClick(w, Qt::Key_Left);
  QTest::keyClick(w, Qt::Key_Left);
  QTest::keyClick(w, Qt::Key_Space);
  EXPECT_EQ(player_->Mode(), mpPlaying);
  EXPECT_TRUE(Active(btPause));
  player_->Stop();
}
