// The pieces of sfxcat below the engine: reading and converting sound files,
// deriving titles and keywords, and the command-line parsing.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "tools/sfxcat/command.h"
#include "tools/sfxcat/naming.h"
#include "tools/sfxcat/sound_file.h"
#include "tools/sound_fixtures.h"

using namespace sfxcat;
using fixtures::ReadFileBytes;

namespace {

struct VirtualBytes {
  const std::string *bytes;
  sf_count_t pos = 0;
};

// Opens WAV bytes in memory, as the player does with a blob.
SF_INFO InfoOfWavBytes(const std::string &bytes) {
  static SF_VIRTUAL_IO io = {
      [](void *u) -> sf_count_t {
        return static_cast<sf_count_t>(static_cast<VirtualBytes *>(u)->bytes->size());
      },
      [](sf_count_t off, int whence, void *u) -> sf_count_t {
        auto *v = static_cast<VirtualBytes *>(u);
        sf_count_t base = whence == SEEK_SET   ? 0
                          : whence == SEEK_CUR ? v->pos
                                               : static_cast<sf_count_t>(v->bytes->size());
        v->pos = base + off;
        return v->pos;
      },
      [](void *ptr, sf_count_t count, void *u) -> sf_count_t {
        auto *v = static_cast<VirtualBytes *>(u);
        sf_count_t left = static_cast<sf_count_t>(v->bytes->size()) - v->pos;
        sf_count_t n = std::max<sf_count_t>(0, std::min(count, left));
        std::memcpy(ptr, v->bytes->data() + v->pos, static_cast<size_t>(n));
        v->pos += n;
        return n;
      },
      [](const void *, sf_count_t, void *) -> sf_count_t { return 0; },
      [](void *u) -> sf_count_t { return static_cast<VirtualBytes *>(u)->pos; }};
  VirtualBytes v{&bytes};
  SF_INFO info{};
  SNDFILE *f = sf_open_virtual(&io, SFM_READ, &info, &v);
  if (!f) return SF_INFO{};
  sf_close(f);
  return info;
}

} // namespace

TEST(SoundFile, UnusualFilesAreTakenOrRefusedWithAReason) {
  fixtures::TempDir dir;
  auto made = fixtures::WriteUnusualSounds(dir.Path());
  ASSERT_GE(made.size(), 20u);
  for (const auto &f : made) {
    SCOPED_TRACE(f.name);
    std::string path = dir / f.name;
    if (!f.readable) {
      try {
        LoadSound(path);
        ADD_FAILURE() << "taken although unreadable";
      } catch (const ESoundFileError &e) {
        EXPECT_FALSE(e.Message().empty());
      }
      continue;
    }
    SoundData s = LoadSound(path);
    EXPECT_EQ(s.converted, !f.stored_as_is);
    EXPECT_EQ(s.sample_rate, f.sample_rate);
    EXPECT_EQ(s.channels, f.channels);
    if (f.stored_as_is) {
      EXPECT_EQ(s.wav, ReadFileBytes(path)) << "a WAV must be kept byte for byte";
    } else {
      // Converted: a 16-bit PCM WAV of the same shape that the player reads.
      ASSERT_GE(s.wav.size(), 44u);
      EXPECT_EQ(s.wav.substr(0, 4), "RIFF");
      EXPECT_EQ(s.wav.substr(8, 4), "WAVE");
      SF_INFO info = InfoOfWavBytes(s.wav);
      EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
      EXPECT_EQ(info.samplerate, f.sample_rate);
      EXPECT_EQ(info.channels, f.channels);
      EXPECT_EQ(info.frames, s.frames);
      // Lossy codecs may pad or trim a little at the ends.
      EXPECT_NEAR(static_cast<double>(s.frames), static_cast<double>(f.frames), 2400.0);
    }
  }
}

TEST(SoundFile, MissingFileAndFolderAreReported) {
  fixtures::TempDir dir;
  EXPECT_THROW(LoadSound(dir / "nothing-here.wav"), ESoundFileError);
  EXPECT_THROW(LoadSound(dir.Path()), ESoundFileError);
  try {
    LoadSound(dir / "nothing-here.wav");
  } catch (const ESoundFileError &e) {
    EXPECT_EQ(e.Message(), "no such file");
  }
}

TEST(SoundFile, ConversionClampsAndRounds) {
  EXPECT_EQ(FloatToPcm16(0.0f), 0);
  EXPECT_EQ(FloatToPcm16(1.0f), 32767);
  EXPECT_EQ(FloatToPcm16(1.7f), 32767);
  EXPECT_EQ(FloatToPcm16(-1.0f), -32768);
  EXPECT_EQ(FloatToPcm16(-3.0f), -32768);
  EXPECT_EQ(FloatToPcm16(0.5f), 16384);
  EXPECT_EQ(FloatToPcm16(std::nanf("")), 0);

  std::string wav = MakePcm16Wav({1, -2, 3, -4}, 2, 11025);
  ASSERT_EQ(wav.size(), 44u + 8u);
  SF_INFO info = InfoOfWavBytes(wav);
  EXPECT_EQ(info.frames, 2);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, 11025);
}

TEST(Naming, TitlesFromFileNames) {
  EXPECT_EQ(TitleFromFileName("/x/y/Dog_bark-02.wav"), "Dog bark-02");
  EXPECT_EQ(TitleFromFileName("a  b\tc.flac"), "a b c");
  EXPECT_EQ(TitleFromFileName("noext"), "noext");
  EXPECT_EQ(TitleFromFileName(".wav"), ".wav");
  EXPECT_EQ(TitleFromFileName("dir/___.wav"), "Untitled");
  // Cut to 24 bytes, never inside a character, and no trailing space.
  EXPECT_EQ(TitleFromFileName("An extremely long name of a sound.wav"), "An extremely long name o");
  EXPECT_EQ(TitleFromFileName("Twenty three characters x.wav"), "Twenty three characters");
  std::string umlauts = TitleFromFileName("Gänseblümchen über Bäume.wav");
  EXPECT_LE(umlauts.size(), kTitleWidth);
  EXPECT_EQ(umlauts, "Gänseblümchen über B");
}

TEST(Naming, KeywordsFromFileNames) {
  EXPECT_EQ(KeywordsFromFileName("/s/Dog_Bark-02 (close).wav"), "dog bark 02 close");
  EXPECT_EQ(KeywordsFromFileName("Ärger.ogg"), "ärger");
  std::string many;
  for (int i = 0; i < 60; ++i)
    many += "word" + std::to_string(i) + "_";
  std::string kw = KeywordsFromFileName(many + ".wav");
  EXPECT_LE(kw.size(), kKeywordsWidth);
  EXPECT_NE(kw.back(), ' ');
  // Cut at a word boundary: the last word is whole.
  std::string last = kw.substr(kw.find_last_of(' ') + 1);
  EXPECT_NE(many.find(last + "_"), std::string::npos);
}

TEST(Naming, TextIsAlwaysValidUtf8) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(SanitizeUtf8("plain ascii"), "plain ascii");
  EXPECT_EQ(SanitizeUtf8("Gänse €"), "Gänse €");
  EXPECT_EQ(SanitizeUtf8("caf\xE9 noir"), "caf" + fffd + " noir");        // a Latin-1 file name
  EXPECT_EQ(SanitizeUtf8("\xC0\xAF"), fffd + fffd);                       // overlong "/"
  EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80"), fffd + fffd + fffd);            // a surrogate
  EXPECT_EQ(SanitizeUtf8("\xF4\x90\x80\x80"), fffd + fffd + fffd + fffd); // past U+10FFFF
  EXPECT_EQ(SanitizeUtf8("cut \xE2\x82"), "cut " + fffd + fffd);          // cut short at the end
  EXPECT_EQ(SanitizeUtf8("\xF0\x9F\x94\x94"), "\xF0\x9F\x94\x94");        // a bell emoji stays
  EXPECT_EQ(TitleFromFileName("/s/caf\xE9.wav"), "caf" + fffd);
  EXPECT_EQ(NormalizeSpaces("a\x7f\x01"
                            "b"),
            "a b");
}

TEST(Naming, UniqueTitlesKeepTheWidth) {
  std::set<std::string> taken = {"Bang", "Bang 2", "An extremely long name o"};
  auto is_taken = [&](const std::string &t) { return taken.count(t) != 0; };
  EXPECT_EQ(MakeUniqueTitle("Boom", is_taken), "Boom");
  EXPECT_EQ(MakeUniqueTitle("Bang", is_taken), "Bang 3");
  std::string u = MakeUniqueTitle("An extremely long name o", is_taken);
  EXPECT_EQ(u, "An extremely long name 2");
  EXPECT_LE(u.size(), kTitleWidth);
}

TEST(Naming, ExportFileNamesAreSafe) {
  EXPECT_EQ(ExportFileName("Dog bark 02"), "Dog bark 02.wav");
  EXPECT_EQ(ExportFileName("AC/DC"), "AC_DC.wav");
  EXPECT_EQ(ExportFileName("../../etc/passwd"), "___.._etc_passwd.wav");
  EXPECT_EQ(ExportFileName(".hidden"), "_hidden.wav");
  EXPECT_EQ(ExportFileName(".."), "__.wav");
  EXPECT_EQ(ExportFileName(std::string("a\0b\x01"
                                       "c\x1f\x7f",
                                       7)),
            "a_b_c__.wav");
  EXPECT_EQ(ExportFileName("tab\there\nnext"), "tab_here_next.wav");
  EXPECT_EQ(ExportFileName("caf\xE9"), "caf_.wav");
  EXPECT_EQ(ExportFileName("Gänse über"), "Gänse über.wav");
  EXPECT_EQ(ExportFileName("  spaced  "), "spaced.wav");
  EXPECT_EQ(ExportFileName(""), "Untitled.wav");
  EXPECT_EQ(ExportFileName("   "), "Untitled.wav");
  EXPECT_EQ(ExportFileName(std::string(1, '\0')), "_.wav");
  const std::string name = ExportFileName(std::string(300, 'x'));
  EXPECT_EQ(name.size(), 204u);
  EXPECT_EQ(name.substr(200), ".wav");
}

TEST(Naming, ExportNamesNeverRepeatInAFolder) {
  ExportNames names;
  EXPECT_EQ(names.Take("a/b"), "a_b.wav");
  EXPECT_EQ(names.Take("a_b"), "a_b (2).wav");
  EXPECT_EQ(names.Take("a\x01"
                       "b"),
            "a_b (3).wav");
  // A later title that itself reads "a_b (2)" still gets a file of its own.
  EXPECT_EQ(names.Take("a_b (2)"), "a_b (2) (2).wav");
  // Names differing only in case would share a file on some file systems.
  EXPECT_EQ(names.Take("Dog"), "Dog.wav");
  EXPECT_EQ(names.Take("DOG"), "DOG (2).wav");
  EXPECT_EQ(names.Take("Über"), "Über.wav");
  EXPECT_EQ(names.Take("über"), "über (2).wav");
  EXPECT_EQ(names.Take(""), "Untitled.wav");
  EXPECT_EQ(names.Take("Untitled"), "Untitled (2).wav");
}

TEST(CommandLine, OptionsAndErrors) {
  Command c;
  c.name = "demo";
  c.options = {{"rows", "N", "rows"}, {"quiet", "", "no progress"}};
  ParsedArgs a =
      ParseArguments(c, {"--rows", "12", "file1", "--quiet", "--table=x.db", "--", "--odd"});
  EXPECT_EQ(a.GetInt("rows", 0, 1, 100), 12);
  EXPECT_TRUE(a.Has("quiet"));
  EXPECT_EQ(a.Get("table"), "x.db");
  EXPECT_EQ(a.Get("alias", "sound"), "sound");
  EXPECT_EQ(a.Positional(), (std::vector<std::string>{"file1", "--odd"}));

  EXPECT_THROW(ParseArguments(c, {"--nope"}), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--rows"}), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--quiet=yes"}), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--dir", "a", "--alias", "b"}), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--rows", "1", "--rows", "2"}), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--rows", "x"}).GetInt("rows", 0, 1, 100), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--rows", "0"}).GetInt("rows", 0, 1, 100), EUsageError);
  EXPECT_THROW(ParseArguments(c, {"--rows", "99999999999999999999"}).GetInt("rows", 0, 1, 100),
               EUsageError);

  c.uses_table = false;
  EXPECT_THROW(ParseArguments(c, {"--dir", "a"}), EUsageError);
}
