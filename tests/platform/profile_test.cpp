#include "platform/profile/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bsfx-profile-XXXXXX";
    dir_ = mkdtemp(tmpl);
    const char *old = std::getenv("XDG_CONFIG_HOME");
    hadOld_ = old != nullptr;
    if (old) old_ = old;
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (hadOld_)
      setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir_);
  }
  void WriteUserFile(const std::string &text) {
    fs::create_directories(dir_ + "/bonussfx");
    std::ofstream(dir_ + "/bonussfx/profile.ini") << text;
  }
  std::string dir_, old_;
  bool hadOld_ = false;
};

TEST_F(ProfileTest, BuiltInsKnowOnlyWaveSounds) {
  EXPECT_EQ(ProfileFilePath(), dir_ + "/bonussfx/profile.ini");
  EXPECT_EQ(GetProfileString("mci extensions", "WAV", "none"), "waveaudio");
  EXPECT_EQ(GetProfileString("MCI Extensions", "wav", "none"), "waveaudio");
  for (const char *kind : {"MID", "RMI", "AVI", "MOV", "MPG", ""})
    EXPECT_EQ(GetProfileString("mci extensions", kind, "none"), "none") << kind;
  EXPECT_EQ(GetProfileString("other section", "WAV", "none"), "none");
}

TEST_F(ProfileTest, UserFileAddsChangesAndRemovesEntries) {
  WriteUserFile("; local players\n"
                "[elsewhere]\nMID=ignored\n"
                "[ mci extensions ]\n"
                "mid = sequencer\n"
                "FLAC=\"waveaudio\"\n"
                "garbage line without equals\n"
                "WAV=\n");
  EXPECT_EQ(GetProfileString("mci extensions", "MID", "none"), "sequencer");
  EXPECT_EQ(GetProfileString("mci extensions", "flac", "none"), "waveaudio");
  // An empty value removes the built-in entry.
  EXPECT_EQ(GetProfileString("mci extensions", "WAV", "none"), "none");
  // The file is read at every lookup.
  WriteUserFile("[mci extensions]\nMID=none\n");
  EXPECT_EQ(GetProfileString("mci extensions", "MID", "none"), "none");
  EXPECT_EQ(GetProfileString("mci extensions", "WAV", "none"), "waveaudio");
}

TEST_F(ProfileTest, BufferLookupCutsWholeCharacters) {
  WriteUserFile("[mci extensions]\nXYZ=abcdefghijklmnopqrstuvwx\xC3\xA9z\n");
  char buf[26];
  // 24 ASCII bytes then a two-byte character: 25 bytes fit, the cut falls
  // inside the character, so it is left out whole.
  EXPECT_EQ(GetProfileString("mci extensions", "XYZ", "none", buf, sizeof buf), 24u);
  EXPECT_STREQ(buf, "abcdefghijklmnopqrstuvwx");
  EXPECT_EQ(GetProfileString("mci extensions", "WAV", "none", buf, sizeof buf), 9u);
  EXPECT_STREQ(buf, "waveaudio");
  EXPECT_EQ(GetProfileString("mci extensions", "WAV", "none", buf, 1), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(GetProfileString("mci extensions", "WAV", "none", nullptr, 0), 0u);
}
