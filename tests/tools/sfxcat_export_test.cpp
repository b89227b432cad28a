// sfxcat export, run as a process against catalogues made with sfxcat
// itself: every sound comes back byte for byte, by title and for the whole
// catalogue; missing titles, targets that cannot be written and empty
// catalogues are reported without harm.
#include <gtest/gtest.h>

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
namespace fs = std::filesystem;

namespace {

class SfxcatExport : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(Run({"create"}).status, 0); }

  // The table options go in after the command's name; nothing leaks in from
  // the caller's shell.
  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--dir", db_.Path(), "--password", "walrus"});
    return RunSfxcat(args, {"SFXCAT_PASSWORD=", "DBENG_CONFIG=" + (db_ / "none.cfg")});
  }

  sfxcat::TableLocation Where() const {
    sfxcat::TableLocation where;
    where.dir = db_.Path();
    where.table = "bonussfx.db";
    where.password = "walrus";
    where.has_password = true;
    return where;
  }

  // Rows written straight through the engine, with titles the importer
  // would tidy away.
  void InsertRows(const std::vector<std::pair<std::string, std::string>> &rows) {
    sfxcat::EngineRun engine;
    sfxcat::Database db(Where());
    sfxcat::CatalogueTable table(db, false);
    for (const auto &[title, wav] : rows)
      table.Insert(100, title, "", wav);
  }

  // Every row's stored sound, by title, read straight from the engine.
  std::map<std::string, std::string> StoredSounds() {
    sfxcat::EngineRun engine;
    sfxcat::Database db(Where());
    sfxcat::CatalogueTable table(db, true);
    hEngCursor cur = table.Cursor();
    std::vector<uint8_t> rec(table.Properties().recordSize);
    std::map<std::string, std::string> sounds;
    sfxcat::Check(EngineSetToBegin(cur), "set to begin");
    while (EngineGetNextRecord(cur, ENG_NOLOCK, rec.data(), nullptr) == DBENG_OK) {
      char title[25] = {};
      sfxcat::Check(EngineGetField(cur, sfxcat::kTitleField, rec.data(), title, nullptr), "title");
      sfxcat::Check(EngineOpenBlob(cur, rec.data(), sfxcat::kWavField, ENG_OPEN_READONLY), "open");
      uint32_t size = 0, got = 0;
      sfxcat::Check(EngineGetBlobSize(cur, rec.data(), sfxcat::kWavField, &size), "size");
      std::string wav(size, '\0');
      if (size > 0) {
        DBResult r = EngineGetBlob(cur, rec.data(), sfxcat::kWavField, 0, size, wav.data(), &got);
        if (r != DBENG_ERR_ENDOFBLOB) sfxcat::Check(r, "read");
      }
      EngineFreeBlob(cur, rec.data(), sfxcat::kWavField);
      sounds[title] = wav;
    }
    return sounds;
  }

  // "TITLE<tab>FILE" lines of standard output, as a map.
  static std::map<std::string, std::string> Listed(const RunResult &r) {
    std::map<std::string, std::string> files;
    for (const std::string &line : r.OutLines()) {
      auto tab = line.find('\t');
      EXPECT_NE(tab, std::string::npos) << line;
      if (tab != std::string::npos) files[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return files;
  }

  static std::set<std::string> FilesIn(const std::string &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
      names.insert(entry.path().filename().string());
    return names;
  }

  TempDir db_, out_;
};

} // namespace

TEST_F(SfxcatExport, EveryImportedWavComesBackByteForByte) {
  TempDir sounds;
  auto made = fixtures::WriteUnusualSounds(sounds.Path());
  // Sizes around the 61,440-byte copy chunk: one chunk exactly, and several.
  fixtures::WriteToneWav(sounds / "one chunk.wav", (61440 - 44) / 2);
  fixtures::WriteToneWav(sounds / "many chunks.wav", 100000);
  ASSERT_EQ(ReadFileBytes(sounds / "one chunk.wav").size(), 61440u);
  RunResult import = Run({"import", "--category", "900", sounds.Path()});
  const std::map<std::string, std::string> source_of = Listed(import); // title -> file
  ASSERT_GE(source_of.size(), 10u) << import.err;
  std::set<std::string> as_is = {sounds / "one chunk.wav", sounds / "many chunks.wav"};
  for (const auto &f : made)
    if (f.stored_as_is) as_is.insert(sounds / f.name);

  const std::map<std::string, std::string> stored = StoredSounds();
  ASSERT_EQ(stored.size(), source_of.size());
  int compared_with_source = 0;
  for (const auto &[title, path] : source_of) {
    SCOPED_TRACE(title);
    ASSERT_TRUE(stored.count(title));
    const std::string file = out_ / ("single " + title + ".wav");
    RunResult r = Run({"export", "--title", title, file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string bytes = ReadFileBytes(file);
    EXPECT_TRUE(bytes == stored.at(title)) << bytes.size() << " vs " << stored.at(title).size();
    if (as_is.count(path)) {
      EXPECT_TRUE(bytes == ReadFileBytes(path)) << "a WAV kept as it was comes back unchanged";
      ++compared_with_source;
    }
  }
  EXPECT_GE(compared_with_source, 3);

  const std::string folder = out_ / "all";
  RunResult all = Run({"export", "--all", folder});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.err, "") << "a small catalogue gets no progress lines";
  const auto files = Listed(all);
  ASSERT_EQ(files.size(), stored.size());
  EXPECT_EQ(FilesIn(folder).size(), stored.size());
  for (const auto &[title, bytes] : stored) {
    SCOPED_TRACE(title);
    ASSERT_TRUE(files.count(title));
    EXPECT_EQ(files.at(title), folder + "/" + title + ".wav");
    EXPECT_TRUE(ReadFileBytes(files.at(title)) == bytes);
    if (as_is.count(source_of.at(title))) {
      EXPECT_TRUE(ReadFileBytes(files.at(title)) == ReadFileBytes(source_of.at(title)));
    }
  }
}

TEST_F(SfxcatExport, MissingTitlesWriteNothing) {
  const std::string wav = "RIFF....WAVE";
  InsertRows({{"ABCDEFGHIJKLMNOPQRSTUVWX", wav}, {"Bell", wav}});
  const std::string file = out_ / "x.wav";
  for (const std::string &title : {std::string("Nope"), std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                                   std::string("bell"), std::string("Bel")}) {
    SCOPED_TRACE(title);
    // The second is cut to the title's 24 characters by the key, the third
    // differs in case, the fourth is a prefix: none is the row's title.
    RunResult r = Run({"export", "--title", title, file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_EQ(r.ErrLines()[0],
              "sfxcat export: no sound titled \"" + title + "\" in bonussfx.db in " + db_.Path());
    EXPECT_FALSE(fs::exists(file)) << "no file for a missing title";
  }
  RunResult found = Run({"export", "--title", "ABCDEFGHIJKLMNOPQRSTUVWX", file});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(ReadFileBytes(file), wav);

  // A missing catalogue creates no folder either.
  RunResult nowhere = RunSfxcat(
      {"export", "--dir", out_ / "no-db", "--password", "walrus", "--all", out_ / "never"},
      {"SFXCAT_PASSWORD=", "DBENG_CONFIG=" + (db_ / "none.cfg")});
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_EQ(nowhere.ErrLines().size(), 1u) << nowhere.err;
  EXPECT_FALSE(fs::exists(out_ / "never"));
}

TEST_F(SfxcatExport, TargetsThatCannotBeWrittenAreNamed) {
  const std::string wav = "RIFF....WAVE-and-some-data";
  InsertRows({{"Bell", wav}, {"Dog", wav + "woof"}, {"Rain", wav + "drip"}});

  // By title: no folder, a folder in the way.
  for (const std::string &target : {out_ / "no-such-folder/x.wav", out_.Path()}) {
    RunResult r = Run({"export", "--title", "Bell", target});
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_EQ(r.ErrLines()[0], "sfxcat export: Cannot create file " + target);
  }
  // Never over the catalogue itself.
  const std::string table = db_ / "bonussfx.db";
  const std::string before = ReadFileBytes(table);
  RunResult self = Run({"export", "--title", "Bell", table});
  EXPECT_EQ(self.status, 1);
  EXPECT_NE(self.err.find("is the catalogue table itself"), std::string::npos) << self.err;
  EXPECT_TRUE(ReadFileBytes(table) == before);
  RunResult still = Run({"count"});
  EXPECT_EQ(still.out, "3\n") << still.err;

  // An existing file is replaced whole, however long it was.
  const std::string existing = out_ / "existing.wav";
  fixtures::WriteFileBytes(existing, std::string(100000, 'z'));
  ASSERT_EQ(Run({"export", "--title", "Bell", existing}).status, 0);
  EXPECT_EQ(ReadFileBytes(existing), wav);

  // In a folder: the file that cannot be written is named, the others are.
  const std::string folder = out_ / "all";
  fs::create_directories(folder + "/Dog.wav"); // a folder where the file should go
  RunResult all = Run({"export", "--all", folder});
  EXPECT_EQ(all.status, 1);
  std::vector<std::string> errs = all.ErrLines();
  ASSERT_EQ(errs.size(), 2u) << all.err;
  EXPECT_EQ(errs[0], "sfxcat export: Cannot create file " + folder + "/Dog.wav");
  EXPECT_EQ(errs[1], "sfxcat export: 2 of 3 files written, 1 could not be");
  EXPECT_EQ(ReadFileBytes(folder + "/Bell.wav"), wav);
  EXPECT_EQ(ReadFileBytes(folder + "/Rain.wav"), wav + "drip");
  EXPECT_EQ(Listed(all).size(), 2u);
}

TEST_F(SfxcatExport, EmptyCatalogueGivesAnEmptyFolder) {
  const std::string folder = out_ / "deep/er/folder";
  RunResult r = Run({"export", "--all", folder});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "sfxcat export: the catalogue is empty; no files written\n");
  ASSERT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(FilesIn(folder).empty());

  // A file where the folder should be is reported, and left alone.
  const std::string blocker = out_ / "blocker";
  fixtures::WriteFileBytes(blocker, "keep me");
  RunResult blocked = Run({"export", "--all", blocker});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("cannot create the folder " + blocker), std::string::npos)
      << blocked.err;
  EXPECT_EQ(ReadFileBytes(blocker), "keep me");
}

TEST_F(SfxcatExport, TitlesBecomeSafeDistinctFileNames) {
  InsertRows({{"a/b", "1"},
              {"a_b", "2"},
              {".hidden", "3"},
              {"..", "4"},
              {"Dog", "5"},
              {"dog", "6"},
              {std::string("x\x01y"), "7"}});
  const std::string folder = out_ / "all";
  RunResult r = Run({"export", "--all", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto listed = Listed(r);
  ASSERT_EQ(listed.size(), 7u) << r.out;
  std::map<std::string, std::string> content; // file name -> bytes
  for (const std::string &name : FilesIn(folder))
    content[name] = ReadFileBytes(folder + "/" + name);
  ASSERT_EQ(content.size(), 7u) << "one file per row";
  EXPECT_EQ(content["_hidden.wav"], "3");
  EXPECT_EQ(content["__.wav"], "4");
  EXPECT_EQ(content["x_y.wav"], "7");
  // Rows arrive in title order, so the first of two equal names keeps it.
  std::set<std::string> ab = {content["a_b.wav"], content["a_b (2).wav"]};
  EXPECT_EQ(ab, (std::set<std::string>{"1", "2"}));
  std::set<std::string> dogs = {content.count("Dog.wav") ? content["Dog.wav"] : content["dog.wav"],
                                content.count("Dog (2).wav") ? content["Dog (2).wav"]
                                                             : content["dog (2).wav"]};
  EXPECT_EQ(dogs, (std::set<std::string>{"5", "6"}));
  for (const auto &[title, path] : listed)
    EXPECT_EQ(path.rfind(folder + "/", 0), 0u) << path;
}

TEST_F(SfxcatExport, LargeCataloguesReportProgress) {
  ASSERT_EQ(Run({"generate", "--rows", "1000"}).status, 0);
  const std::string folder = out_ / "all";
  RunResult r = Run({"export", "--all", folder});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.OutLines().size(), 1000u);
  EXPECT_EQ(FilesIn(folder).size(), 1000u);
  std::vector<std::string> lines = r.ErrLines();
  ASSERT_EQ(lines.size(), 10u) << r.err;
  EXPECT_EQ(lines.front(), "sfxcat export: 100 of 1000 rows (10%)");
  EXPECT_EQ(lines.back(), "sfxcat export: 1000 of 1000 rows (100%)");
}

TEST_F(SfxcatExport, UsageAndHelp) {
  for (const std::vector<std::string> &args :
       {std::vector<std::string>{"export", "x.wav"},
        std::vector<std::string>{"export", "--title", "Bell", "--all", "x"},
        std::vector<std::string>{"export", "--title", "Bell"},
        std::vector<std::string>{"export", "--all"},
        std::vector<std::string>{"export", "--title", "", "x.wav"},
        std::vector<std::string>{"export", "--title", "Bell", "a.wav", "b.wav"}}) {
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 2) << r.err;
    ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
    EXPECT_NE(r.err.find("(see sfxcat export --help)"), std::string::npos) << r.err;
  }
  RunResult help = RunSfxcat({"export", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: sfxcat export", 0), 0u) << help.out;
  for (const char *want : {"--title TITLE", "--all", "--dir FOLDER", "--password PW"})
    EXPECT_NE(help.out.find(want), std::string::npos) << want;
  EXPECT_NE(RunSfxcat({"--help"}).out.find("  export"), std::string::npos);
}
