// sfxcat play, run as a process with the silent audio output: the row found
// by its title is played through the viewer and the player to its end, and
// rows without a playable sound end with the viewer's message.
#include <gtest/gtest.h>

#include <chrono>

#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat_runner.h"
#include "tools/sound_fixtures.h"

using fixtures::ReadFileBytes;
using fixtures::RunResult;
using fixtures::RunSfxcat;
using fixtures::TempDir;

namespace {

class SfxcatPlay : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(Run({"create"}).status, 0);
    // Three tones of different lengths, so the length printed tells which
    // row was played: 250, 400 and 125 ms.
    fixtures::WriteToneWav(dir_ / "a.wav", 2000, 8000);
    fixtures::WriteToneWav(dir_ / "b.wav", 4410, 11025);
    fixtures::WriteToneWav(dir_ / "c.wav", 1000, 8000);
    for (auto [title, file] : {std::pair{"Alpha", "a.wav"}, {"Beta", "b.wav"}, {"Gamma", "c.wav"}})
      ASSERT_EQ(Run({"import", "--category", "100", "--title", title, dir_ / file}).status, 0);
  }

  // Rows whose WAV field holds something else, written through the engine.
  void InsertRaw(const std::string &title, const std::string &blob) {
    sfxcat::TableLocation where;
    where.dir = dir_.Path();
    where.table = "bonussfx.db";
    where.password = "walrus";
    where.has_password = true;
    sfxcat::EngineRun engine;
    sfxcat::Database db(where);
    sfxcat::CatalogueTable table(db, false);
    table.Insert(200, title, "odd", blob);
  }

  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--dir", dir_.Path(), "--password", "walrus"});
    return RunSfxcat(args,
                     {"BSFX_AUDIO_OUTPUT=silent", "QT_QPA_PLATFORM=offscreen",
                      "XDG_CONFIG_HOME=" + dir_ / "config", "XDG_RUNTIME_DIR=" + dir_.Path()});
  }

  TempDir dir_;
};

} // namespace

TEST_F(SfxcatPlay, PlaysTheTitledRowToItsEnd) {
  for (auto [title, ms] : {std::pair{"Beta", 400}, {"Alpha", 250}, {"Gamma", 125}}) {
    auto start = std::chrono::steady_clock::now();
    RunResult r = Run({"play", "--title", title});
    auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(r.status, 0) << title << ": " << r.err;
    EXPECT_EQ(r.OutLines(), std::vector<std::string>{std::to_string(ms)}) << title;
    // The command waits for the completion notice, which comes only once
    // the whole sound has been played in real time.
    EXPECT_GE(took, std::chrono::milliseconds(ms)) << title;
  }
}

TEST_F(SfxcatPlay, AMissingTitleIsAnErrorAndTheCatalogueIsUntouched) {
  const std::string before = ReadFileBytes(dir_ / "bonussfx.db");
  RunResult r = Run({"play", "--title", "Delta"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_NE(r.err.find("sfxcat play: no row has the title \"Delta\""), std::string::npos) << r.err;
  // Titles are matched whole, not as prefixes.
  r = Run({"play", "--title", "Alp"});
  EXPECT_EQ(r.status, 1) << r.out;

  r = Run({"play"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--title"), std::string::npos) << r.err;
  r = Run({"play", "--title", "Alpha", "extra"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(ReadFileBytes(dir_ / "bonussfx.db"), before);
}

TEST_F(SfxcatPlay, ABlobThatIsNotASoundGivesTheViewersMessage) {
  InsertRaw("Not recognised", "just some text, no known signature at all");
  // A wave header over a body that cannot be decoded: the device refuses it.
  std::string broken("RIFF\x24\x00\x00\x00WAVEfmt ", 16);
  broken.append(1, '\x10');
  broken.append(40, '\xff');
  InsertRaw("Broken wave", broken);
  InsertRaw("No sound", "");
  // A RIFF blob of no kind the viewer knows is not a sound either.
  InsertRaw("Plain riff", std::string("RIFF\x04\x00\x00\x00"
                                      "DATA",
                                      12));

  RunResult r = Run({"play", "--title", "Not recognised"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(r.err, "sfxcat play: blobfield getinfo failed\n");

  r = Run({"play", "--title", "Broken wave"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_EQ(r.err.rfind("sfxcat play: ", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find("holds no sound"), std::string::npos) << "the device's own error: " << r.err;
  EXPECT_GT(r.err.size(), std::string("sfxcat play: \n").size()) << r.err;

  r = Run({"play", "--title", "No sound"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("holds no sound"), std::string::npos) << r.err;
  r = Run({"play", "--title", "Plain riff"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("holds no sound"), std::string::npos) << r.err;

  // The good rows still play after the bad ones.
  r = Run({"play", "--title", "Gamma"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.OutLines(), std::vector<std::string>{"125"});
}
