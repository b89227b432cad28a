// sfxcat as scripts use it: a separate process on temporary folders, its
// results on standard output, one-line errors on standard error and its exit
// status. The rows it writes are read back through the engine.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat_runner.h"
#include "tools/sound_fixtures.h"

using fixtures::ReadFileBytes;
using fixtures::RunResult;
using fixtures::RunSfxcat;
using fixtures::TempDir;

namespace {

struct Row {
  int16_t category;
  std::string title, keywords, wav;
};

// Every row of DIR/bonussfx.db, in primary (title) order, blobs included.
std::vector<Row> ReadRows(const std::string &dir, const std::string &password) {
  sfxcat::TableLocation where;
  where.dir = dir;
  where.table = "bonussfx.db";
  where.password = password;
  where.has_password = !password.empty();
  sfxcat::EngineRun engine;
  sfxcat::Database db(where);
  sfxcat::CatalogueTable table(db, true);
  hEngCursor cur = table.Cursor();
  std::vector<uint8_t> rec(table.Properties().recordSize);
  std::vector<Row> rows;
  sfxcat::Check(EngineSetToBegin(cur), "set to begin");
  for (;;) {
    DBResult r = EngineGetNextRecord(cur, ENG_NOLOCK, rec.data(), nullptr);
    if (r == DBENG_ERR_EOF) break;
    sfxcat::Check(r, "next record");
    Row row{};
    char text[241] = {};
    sfxcat::Check(EngineGetField(cur, sfxcat::kCategoryField, rec.data(), &row.category, nullptr),
                  "category");
    sfxcat::Check(EngineGetField(cur, sfxcat::kTitleField, rec.data(), text, nullptr), "title");
    row.title = text;
    std::fill(std::begin(text), std::end(text), '\0');
    uint16_t blank = 0;
    sfxcat::Check(EngineGetField(cur, sfxcat::kKeywordsField, rec.data(), text, &blank),
                  "keywords");
    row.keywords = blank ? "" : text;
    sfxcat::Check(EngineOpenBlob(cur, rec.data(), sfxcat::kWavField, ENG_OPEN_READONLY), "blob");
    uint32_t size = 0;
    sfxcat::Check(EngineGetBlobSize(cur, rec.data(), sfxcat::kWavField, &size), "blob size");
    row.wav.resize(size);
    uint32_t got = 0;
    if (size) {
      DBResult br =
          EngineGetBlob(cur, rec.data(), sfxcat::kWavField, 0, size, row.wav.data(), &got);
      if (br != DBENG_ERR_ENDOFBLOB) sfxcat::Check(br, "blob read");
    }
    EXPECT_EQ(got, size);
    EngineFreeBlob(cur, rec.data(), sfxcat::kWavField);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string Join(const std::vector<std::string> &v) {
  std::string s;
  for (const auto &x : v)
    s += x + "\n";
  return s;
}

// Opens WAV bytes with libsndfile, as the player does: frames, or -1.
long WavFrames(const std::string &bytes, TempDir &dir) {
  std::string path = dir / "probe.wav";
  fixtures::WriteFileBytes(path, bytes);
  SF_INFO info{};
  SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return -1;
  sf_close(f);
  return static_cast<long>(info.frames);
}

class SfxcatTest : public ::testing::Test {
protected:
  // No password or engine configuration leaks in from the caller's shell.
  RunResult Run(const std::vector<std::string> &args) {
    return RunSfxcat(args, {"SFXCAT_PASSWORD=", "DBENG_CONFIG=" + (dir / "none.cfg")});
  }
  void Create(const std::string &password = "walrus") {
    RunResult r = Run({"create", "--dir", dir.Path(), "--password", password});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  TempDir dir;
};

TEST_F(SfxcatTest, CreateInfoAndPasswords) {
  Create();
  RunResult info = Run({"info", "--dir", dir.Path(), "--password", "walrus"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.err, "");
  for (const char *want :
       {"rows: 0", "password: yes", "1 CATEGORY", "int16", "2 TITLE", "text(24)", "3 KEYWORDS",
        "text(240)", "4 WAV", "blob(240, binary)", "(primary)", "TITLE primary unique",
        "KEYWORDS case-insensitive", "CATEGORY         CATEGORY"})
    EXPECT_NE(info.out.find(want), std::string::npos) << want << " missing from\n" << info.out;

  // A protected table: without its password, or with a wrong one, a clear
  // one-line error and nothing on standard output.
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"info", "--dir", dir.Path()},
        std::vector<std::string>{"info", "--dir", dir.Path(), "--password", "seal"}}) {
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_NE(r.err.find("bonussfx.db in " + dir.Path()), std::string::npos) << r.err;
  }

  // Creating over an existing table needs --replace.
  RunResult again = Run({"create", "--dir", dir.Path(), "--password", "walrus"});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("already exists"), std::string::npos) << again.err;

  RunResult change = Run({"passwd", "--dir", dir.Path(), "--password", "walrus", "--new", "seal"});
  ASSERT_EQ(change.status, 0) << change.err;
  EXPECT_EQ(Run({"info", "--dir", dir.Path(), "--password", "walrus"}).status, 1);
  EXPECT_EQ(Run({"info", "--dir", dir.Path(), "--password", "seal"}).status, 0);
  // The new password is needed to change it again.
  EXPECT_EQ(Run({"passwd", "--dir", dir.Path(), "--password", "walrus", "--new", "x"}).status, 1);

  ASSERT_EQ(Run({"passwd", "--dir", dir.Path(), "--password", "seal", "--remove"}).status, 0);
  RunResult open = Run({"info", "--dir", dir.Path()});
  EXPECT_EQ(open.status, 0) << open.err;
  EXPECT_NE(open.out.find("password: no"), std::string::npos);

  RunResult replaced = Run({"create", "--dir", dir.Path(), "--replace"});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
}

TEST_F(SfxcatTest, ImportsEveryReadableUnusualFileAndNamesTheOthers) {
  Create();
  TempDir sounds;
  auto made = fixtures::WriteUnusualSounds(sounds.Path());
  // The folder stands for its files.
  RunResult r = Run(
      {"import", "--dir", dir.Path(), "--password", "walrus", "--category", "900", sounds.Path()});
  EXPECT_EQ(r.status, 1) << "some files were unreadable";

  std::map<std::string, std::string> title_of; // file -> title, from standard output
  for (const std::string &line : r.OutLines()) {
    auto tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    title_of[line.substr(tab + 1)] = line.substr(0, tab);
  }
  size_t readable = 0;
  for (const auto &f : made) {
    SCOPED_TRACE(f.name);
    const std::string path = sounds / f.name;
    size_t mentions = 0;
    for (const std::string &line : r.ErrLines())
      if (line.find(path + ":") != std::string::npos) ++mentions;
    if (f.readable) {
      ++readable;
      EXPECT_EQ(mentions, 0u) << r.err;
      EXPECT_TRUE(title_of.count(path));
    } else {
      EXPECT_EQ(mentions, 1u) << "each unreadable file is named once:\n" << r.err;
      EXPECT_FALSE(title_of.count(path));
    }
  }
  EXPECT_NE(
      r.err.find(std::to_string(readable) + " of " + std::to_string(made.size()) + " imported"),
      std::string::npos)
      << r.err;

  TempDir probe;
  std::vector<Row> rows = ReadRows(dir.Path(), "walrus");
  ASSERT_EQ(rows.size(), readable);
  std::map<std::string, const Row *> by_title;
  for (const Row &row : rows)
    by_title[row.title] = &row;
  for (const auto &f : made) {
    if (!f.readable) continue;
    SCOPED_TRACE(f.name);
    const std::string path = sounds / f.name;
    ASSERT_TRUE(by_title.count(title_of[path]));
    const Row &row = *by_title[title_of[path]];
    EXPECT_EQ(row.category, 900);
    if (f.stored_as_is) {
      EXPECT_EQ(row.wav, ReadFileBytes(path)) << "WAVs are stored byte for byte";
    } else {
      EXPECT_EQ(row.wav.substr(0, 4), "RIFF");
      EXPECT_GT(WavFrames(row.wav, probe), 0) << "converted to a WAV the player reads";
    }
  }
  // Titles come from the file names; keywords from their words.
  ASSERT_TRUE(by_title.count("ima adpcm"));
  EXPECT_EQ(by_title["ima adpcm"]->keywords, "ima adpcm");
  ASSERT_TRUE(by_title.count("odd-rate-7350"));
  EXPECT_EQ(by_title["odd-rate-7350"]->keywords, "odd rate 7350");
}

TEST_F(SfxcatTest, TitlesAndKeywordsAreCutAndMadeUnique) {
  Create();
  TempDir sounds;
  const std::string longname = sounds / "A very long name for a door creaking slowly.wav";
  fixtures::WriteToneWav(longname, 100);
  const std::string bang = sounds / "bang.wav";
  fixtures::WriteToneWav(bang, 100);
  auto import = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"import", "--dir",      dir.Path(), "--password",
                                     "walrus", "--category", "400"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  };
  RunResult first = import({longname, longname, bang});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "A very long name for a d\t" + longname + "\nA very long name for a 2\t" +
                           longname + "\nbang\t" + bang + "\n");

  std::string many(300, 'x');
  for (size_t i = 7; i < many.size(); i += 8)
    many[i] = ' ';
  RunResult given = import({"--title", "  Bang  ", "--keywords", many, bang});
  ASSERT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(given.out, "Bang\t" + bang + "\n");
  EXPECT_NE(given.err.find("keywords cut to 240"), std::string::npos) << given.err;

  RunResult clash = import({"--title", "bang", bang});
  ASSERT_EQ(clash.status, 0) << clash.err;
  EXPECT_EQ(clash.out, "bang 2\t" + bang + "\n");
  EXPECT_NE(clash.err.find("is taken"), std::string::npos);

  std::vector<Row> rows = ReadRows(dir.Path(), "walrus");
  ASSERT_EQ(rows.size(), 5u);
  std::set<std::string> titles;
  for (const Row &row : rows) {
    EXPECT_LE(row.title.size(), 24u);
    EXPECT_LE(row.keywords.size(), 240u);
    titles.insert(row.title);
    if (row.title == "Bang") {
      EXPECT_EQ(row.keywords.size(), 239u) << "cut at the last whole word";
    }
    if (row.title == "bang") {
      EXPECT_EQ(row.keywords, "bang");
    }
  }
  EXPECT_EQ(titles.size(), 5u);
}

TEST_F(SfxcatTest, FoldersStandForTheirFiles) {
  Create();
  TempDir sounds;
  std::filesystem::create_directories(sounds / "b/deeper");
  std::filesystem::create_directories(sounds / ".hidden");
  std::filesystem::create_directories(sounds / "empty");
  fixtures::WriteToneWav(sounds / "b/deeper/owl.wav", 100);
  fixtures::WriteToneWav(sounds / "a.wav", 100);
  fixtures::WriteToneWav(sounds / ".hidden/secret.wav", 100);
  fixtures::WriteToneWav(sounds / ".dotfile.wav", 100);
  RunResult r = Run({"import", "--dir", dir.Path(), "--password", "walrus", "--category", "100",
                     sounds.Path(), sounds / "empty"});
  EXPECT_EQ(r.status, 1) << "the empty folder counts as a failure";
  EXPECT_EQ(r.out, "a\t" + (sounds / "a.wav") + "\nowl\t" + (sounds / "b/deeper/owl.wav") + "\n");
  ASSERT_EQ(r.ErrLines().size(), 2u) << r.err;
  EXPECT_EQ(r.ErrLines()[0], "sfxcat import: " + (sounds / "empty") + ": no files in this folder");
  EXPECT_EQ(Run({"import", "--dir", dir.Path(), "--password", "walrus", "--category", "100",
                 "--title", "Owl", sounds / "b"})
                .status,
            0)
      << "--title with a folder of one file";
}

TEST_F(SfxcatTest, ImportListReportsBadLinesAndKeepsTheRest) {
  Create();
  TempDir sounds;
  std::filesystem::create_directory(sounds / "sub");
  fixtures::WriteToneWav(sounds / "sub/rooster.wav", 200);
  fixtures::WriteToneWav(sounds / "gong.wav", 200);
  fixtures::WriteFileBytes(sounds / "list.tsv",
                           "# a comment\n"
                           "sub/rooster.wav\t100\tRooster crowing\tfarm morning bird\n"
                           "\n"
                           "gong.wav\t\tTemple gong\r\n"
                           "gong.wav\tloud\tBad category\n"
                           "gong.wav\t900\tToo\tmany\tcolumns\n"
                           "missing.wav\t900\tNot there\n");
  RunResult r = Run({"import", "--dir", dir.Path(), "--password", "walrus", "--category", "900",
                     "--list", sounds / "list.tsv"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.OutLines().size(), 2u) << r.out;
  const std::string list = sounds / "list.tsv";
  EXPECT_NE(r.err.find(list + ":5:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(list + ":6:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(list + ":7: no such file"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("2 of 5 imported"), std::string::npos) << r.err;

  std::vector<Row> rows = ReadRows(dir.Path(), "walrus");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].title, "Rooster crowing");
  EXPECT_EQ(rows[0].category, 100);
  EXPECT_EQ(rows[0].keywords, "farm morning bird");
  EXPECT_EQ(rows[1].title, "Temple gong");
  EXPECT_EQ(rows[1].category, 900) << "an empty CATEGORY column takes --category";
  EXPECT_EQ(rows[1].keywords, "gong");
  EXPECT_EQ(rows[1].wav, ReadFileBytes(sounds / "gong.wav"));
}

TEST_F(SfxcatTest, BadCommandLinesAndMissingTablesGiveOneLine) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char *says;
  };
  const std::string d = dir.Path();
  const Case cases[] = {
      {{}, 2, "no command"},
      {{"frobnicate"}, 2, "unknown command"},
      {{"info", "--dir", d, "--bogus"}, 2, "unknown option --bogus"},
      {{"info", "--dir", d, "--alias", "sound"}, 2, "not both"},
      {{"import", "--dir", d, "x.wav"}, 2, "--category N is needed"},
      {{"import", "--dir", d, "--category", "1e3", "x.wav"}, 2, "whole number"},
      {{"import", "--dir", d, "--category", "100"}, 2, "no sound files"},
      {{"generate", "--dir", d, "--rows", "0"}, 2, "between 1 and"},
      {{"passwd", "--dir", d, "--password", "a"}, 2, "--new PW or --remove"},
      {{"info", "--dir", d + "/nowhere"}, 1, "no folder"},
      {{"info", "--dir", d}, 1, "no table bonussfx.db in"},
      {{"info", "--alias", "nosuchalias"}, 1, "nosuchalias"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(Join(c.args));
    RunResult r = Run(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  // A file that is not a table of this engine.
  fixtures::WriteFileBytes(dir / "bonussfx.db", std::string(4096, 'z'));
  RunResult r = Run({"info", "--dir", d});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_EQ(ReadFileBytes(dir / "bonussfx.db"), std::string(4096, 'z')) << "left untouched";

  RunResult help = Run({"import", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: sfxcat import"), std::string::npos);
  EXPECT_EQ(help.err, "");
}

TEST_F(SfxcatTest, GenerateSpreadsRowsOverTheCategories) {
  Create();
  RunResult r = Run({"generate", "--dir", dir.Path(), "--password", "walrus", "--rows", "180"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("180 of 180 rows (100%)"), std::string::npos) << r.err;
  RunResult more = Run({"generate", "--dir", dir.Path(), "--password", "walrus", "--rows", "45"});
  ASSERT_EQ(more.status, 0) << more.err;
  EXPECT_NE(more.out.find("225 rows in"), std::string::npos) << more.out;

  std::vector<Row> rows = ReadRows(dir.Path(), "walrus");
  ASSERT_EQ(rows.size(), 225u);
  std::map<int, int> per_category;
  std::set<std::string> keyword_sets;
  TempDir probe;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row &row = rows[i];
    ++per_category[row.category];
    keyword_sets.insert(row.keywords);
    EXPECT_LE(row.title.size(), 24u);
    EXPECT_FALSE(row.keywords.empty());
    if (i % 20 == 0) {
      long frames = WavFrames(row.wav, probe);
      EXPECT_GE(frames, 80);
      EXPECT_LE(frames, 400);
    }
  }
  ASSERT_EQ(per_category.size(), 9u);
  for (auto [category, count] : per_category) {
    EXPECT_EQ(category % 100, 0);
    EXPECT_EQ(count, 25) << category;
  }
  EXPECT_GT(keyword_sets.size(), 150u) << "keywords vary";
}

} // namespace

namespace {

// With the engine library in none of the places searched (a copy of sfxcat
// alone in a folder, no DBENG_DLLPATH), sfxcat says what the program says.
TEST(SfxcatWithoutEngine, SaysTheEngineCouldNotBeInitialised) {
  fixtures::TempDir dir;
  std::string lonely = dir / "sfxcat";
  std::filesystem::copy_file(fixtures::BinDir() + "/sfxcat", lonely);
  fixtures::RunResult r =
      fixtures::RunProgram(lonely, {"info", "--dir", dir.Path()}, {"DBENG_DLLPATH="});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("An error occurred while attempting to initialize the database engine "
                       "(error $2108)."),
            std::string::npos)
      << r.err;
}

} // namespace
