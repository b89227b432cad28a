// The multimedia viewer on a catalogue table built through the engine: every
// row change reloads the blob and feeds sounds to the player; bad blobs get
// their message or banner, leave the player closed, and the next row plays.
#include "base/app_hooks.h"
#include "base/streams.h"
#include "data/datasource.h"
#include "data/engine_table.h"
#include "data/field.h"
#include "media/media_player.h"
#include "media/pdb_multimedia.h"
#include "media/private_temp.h"
#include "platform/mci/mci.h"
#include "support/wav_fixtures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Tone(int ms, int rate = 8000) {
  return fixtures::PcmWavBytes(rate, 1, fixtures::Tone(rate, 1, rate * ms / 1000));
}

std::string Png() {
  QImage img(6, 4, QImage::Format_RGB32);
  img.fill(Qt::blue);
  QByteArray out;
  QBuffer buf(&out);
  buf.open(QIODevice::WriteOnly);
  img.save(&buf, "PNG");
  return out.toStdString();
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Row {
  std::string title;
  std::string blob; // empty: null
};

class MultiMediaTest : public ::testing::Test {
protected:
  void SetUp() override {
    MciSetAudioOutput(MciAudioOutput::Silent);
    setenv("XDG_CONFIG_HOME", db_.Folder().c_str(), 1); // no user profile
    CreateCatalogue(db_);
    hEngCursor cursor = db_.OpenCursor("sounds.db");
    for (const Row &r : rows_)
      AddRow(cursor, 900, r.title, "test", r.blob);
    EngineCloseCursor(cursor);
    table_ = new TTestDataSet(db_, "sounds.db", "", &owner_);
    table_->Open();
    source_ = new TDataSource(&owner_);
    source_->SetDataSet(table_);
    player_ = new TPDBMediaPlayer(&owner_);
    player_->SetVisibleButtons(Buttons({btPlay, btPause, btStop}));
    viewer_ = new TPDBMultiMedia(&owner_);
    viewer_->SetMediaPlayer(player_);
    TPDBMultiMedia::InfoMessageHook() = [this](const std::string &t) { messages_.push_back(t); };
    SetApplicationExceptionHandler(
        [this](const std::exception &e) { errors_.push_back(e.what()); });
  }
  void TearDown() override {
    SetApplicationExceptionHandler(nullptr);
    TPDBMultiMedia::InfoMessageHook() = nullptr;
  }

  void Bind() {
    viewer_->SetDataField("WAV");
    viewer_->SetDataSource(source_);
  }
  void GoTo(const std::string &title) { ASSERT_TRUE(table_->Locate("TITLE", TVariant(title), {})); }
  bool PlayActive() const { return player_->AutoButtons() & ButtonBit(btPlay); }
  std::string TempWav() const { return viewer_->PathForTempFile() + "$$$.WAV"; }

  TestDatabase db_;
  std::vector<Row> rows_ = {
      {"A tone", Tone(300)},
      {"B picture", Png()},
      {"C text", "Nothing but words, no sound at all."},
      {"D cut", std::string("RIFF\x24\x08\x00\x00WAVEfmt ", 16)},
      {"E null", ""},
      {"F lying", fixtures::PcmWavBytes(8000, 1, fixtures::Tone(8000, 1, 800), 5'000'000)},
      {"G midi", std::string("MThd\0\0\0\x06\0\x01\0\x01\0\x60MTrk", 18)},
      {"H tone", Tone(200, 11025)},
  };
  TComponent owner_{nullptr};
  TTestDataSet *table_ = nullptr;
  TDataSource *source_ = nullptr;
  TPDBMediaPlayer *player_ = nullptr;
  TPDBMultiMedia *viewer_ = nullptr;
  std::vector<std::string> messages_, errors_;
};

} // namespace

TEST_F(MultiMediaTest, RowChangeOpensTheSoundAndEnablesPlay) {
  Bind();
  EXPECT_TRUE(player_->Opened());
  EXPECT_TRUE(PlayActive());
  EXPECT_EQ(viewer_->BlobInfo().Kind, "WAV");
  EXPECT_EQ(viewer_->BlobInfo().Format, "RIFF");
  EXPECT_EQ(player_->FileName(), TempWav());
  EXPECT_EQ(ReadFile(TempWav()), rows_[0].blob) << "the blob byte for byte";
  EXPECT_EQ(player_->Length(), 300u);
  EXPECT_TRUE(viewer_->PlaybackTimerActive());
  EXPECT_EQ(player_->Mode(), mpStopped) << "no automatic play";
  // The private folder: ours alone.
  struct stat st {};
  std::string dir = viewer_->PathForTempFile();
  ASSERT_EQ(lstat(dir.substr(0, dir.size() - 1).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);

  player_->Play();
  ASSERT_TRUE(QTest::qWaitFor([&] { return PlayActive() && player_->Mode() == mpStopped; }, 3000));
  EXPECT_TRUE(messages_.empty());
  EXPECT_TRUE(errors_.empty());
}

TEST_F(MultiMediaTest, BadBlobsLeaveThePlayerClosedAndTheNextRowPlays) {
  Bind();
  GoTo("B picture");
  EXPECT_FALSE(player_->Opened());
  EXPECT_FALSE(PlayActive());
  EXPECT_TRUE(viewer_->PictureLoaded());
  EXPECT_EQ(viewer_->Picture().Width(), 6);
  EXPECT_FALSE(fs::exists(TempWav())) << "every load removes the old files";

  GoTo("C text");
  EXPECT_FALSE(player_->Opened());
  EXPECT_FALSE(viewer_->PictureLoaded());
  EXPECT_EQ(messages_, std::vector<std::string>{"blobfield getinfo failed"});

  GoTo("D cut"); // a RIFF WAVE header cut short: the device refuses it
  EXPECT_FALSE(player_->Opened());
  EXPECT_FALSE(PlayActive());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "The specified file cannot be played on the specified device. The file "
                        "may be corrupt, or not in the correct format.");
  EXPECT_FALSE(viewer_->PlaybackTimerActive());
  EXPECT_EQ(table_->FieldByName("TITLE")->AsString(), "D cut") << "the move itself went through";

  GoTo("E null"); // nothing to load; the last file stays until the next load
  EXPECT_FALSE(player_->Opened());
  EXPECT_TRUE(fs::exists(TempWav()));

  GoTo("F lying"); // the header claims 5 MB: what is there plays
  EXPECT_TRUE(player_->Opened());
  EXPECT_EQ(player_->Length(), 100u);

  GoTo("G midi"); // no device for MIDI
  EXPECT_FALSE(player_->Opened());
  EXPECT_EQ(viewer_->Banner().Running(), TBanner::Horizontal);
  EXPECT_EQ(viewer_->Banner().Text(), "Midi Sound file can't be played on this computer!");
  EXPECT_FALSE(fs::exists(viewer_->PathForTempFile() + "$$$.MID")) << "nothing is written";

  GoTo("H tone");
  EXPECT_EQ(viewer_->Banner().Running(), TBanner::None);
  EXPECT_TRUE(player_->Opened());
  EXPECT_TRUE(PlayActive());
  player_->Play();
  EXPECT_EQ(player_->Mode(), mpPlaying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Mode() == mpStopped; }, 3000));
  EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(MultiMediaTest, KindWithoutAProfileEntryShowsTheBanner) {
  fs::create_directories(db_.Folder() + "/bonussfx");
  std::ofstream(db_.Folder() + "/bonussfx/profile.ini") << "[mci extensions]\nWAV=\n";
  Bind();
  EXPECT_FALSE(player_->Opened());
  EXPECT_EQ(viewer_->Banner().Text(), "Wave Sound file can't be played on this computer!");
  EXPECT_FALSE(fs::exists(TempWav()));
}

TEST_F(MultiMediaTest, AutoPlayAndAutoReplay) {
  viewer_->SetAutoPlayMultiMedia(true);
  Bind();
  EXPECT_EQ(player_->Mode(), mpPlaying) << "moving to a row starts playback";
  GoTo("H tone");
  EXPECT_EQ(player_->Mode(), mpPlaying);
  viewer_->SetAutoRePlayMultiMedia(true);
  // 200 ms of sound: it ends, and the 500 ms timer starts it again.
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Mode() == mpStopped; }, 2000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return player_->Mode() == mpPlaying; }, 1000));
  viewer_->SetAutoRePlayMultiMedia(false);
  player_->Stop();
}

TEST_F(MultiMediaTest, TemporaryFolderAndFilesGoAway) {
  viewer_->SetPathForTempFile(db_.Folder() + "/no such folder");
  EXPECT_EQ(viewer_->PathForTempFile(), PrivateTempFolder());
  viewer_->SetPathForTempFile(db_.Folder());
  EXPECT_EQ(viewer_->PathForTempFile(), db_.Folder() + "/");
  Bind();
  std::string file = db_.Folder() + "/$$$.WAV";
  EXPECT_TRUE(fs::exists(file));
  viewer_->SetMediaPlayer(nullptr);
  delete viewer_;
  viewer_ = nullptr;
  EXPECT_FALSE(fs::exists(file)) << "removed at destruction";
}
