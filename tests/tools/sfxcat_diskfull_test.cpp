// sfxcat import on a disk that fills up partway: the program runs with a
// file-size limit (writes past it fail as on a full disk), stops with a clear
// message and a non-zero status, and every row it committed before the
// failure is still whole and readable afterwards.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <set>

#include "engine/src/table.h"
#include "tools/sfxcat_runner.h"
#include "tools/sound_fixtures.h"

using fixtures::ReadFileBytes;
using fixtures::RunResult;
using fixtures::TempDir;

namespace {

constexpr int kSounds = 40;
constexpr long kFrames = 20000; // about 40 KB of 16-bit mono WAV each

class SfxcatDiskFull : public ::testing::Test {
protected:
  std::vector<std::string> Env() const {
    return {"SFXCAT_PASSWORD=", "DBENG_CONFIG=" + (dir / "none.cfg")};
  }
  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--dir", dir.Path(), "--password", "walrus"});
    return fixtures::RunSfxcat(args, Env());
  }
  RunResult RunLimited(std::vector<std::string> args, long long limit) {
    args.insert(args.begin() + 1, {"--dir", dir.Path(), "--password", "walrus"});
    return fixtures::RunSfxcatWithFileLimit(args, Env(), limit);
  }
  // Writes `count` different tones into a fresh folder named `name`.
  std::string MakeSounds(const std::string &name, int count) {
    std::string folder = sounds / name;
    std::filesystem::create_directory(folder);
    for (int i = 0; i < count; ++i) {
      char file[32];
      std::snprintf(file, sizeof file, "/%s %03d.wav", name.c_str(), i);
      fixtures::WriteToneWav(folder + file, kFrames + i);
    }
    return folder;
  }
  std::string TablePath() const { return dir / "bonussfx.db"; }

  // SQLite's own check of the table file (write-ahead log included), with
  // the engine's collations so the text indexes can be verified too.
  std::string IntegrityCheck() const {
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(TablePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      std::string msg = sqlite3_errmsg(db);
      sqlite3_close(db);
      return "cannot open: " + msg;
    }
    dbeng::RegisterCollations(db);
    std::string result;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK) {
      result = std::string("cannot check: ") + sqlite3_errmsg(db);
    } else {
      int rc;
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        result += reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)) + std::string("\n");
      if (rc != SQLITE_DONE) result += std::string("check failed: ") + sqlite3_errmsg(db);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
  }

  // The rows as `sfxcat list` prints them, title and keywords, checked
  // against `count` and `info` and the sounds exported byte for byte.
  std::set<std::string> ReadableTitles() {
    RunResult count = Run({"count"});
    EXPECT_EQ(count.status, 0) << count.err;
    RunResult info = Run({"info"});
    EXPECT_EQ(info.status, 0) << info.err;
    RunResult list = Run({"list", "--fields", "TITLE"});
    EXPECT_EQ(list.status, 0) << list.err;
    std::vector<std::string> lines = list.OutLines();
    EXPECT_EQ(count.OutLines(), std::vector<std::string>{std::to_string(lines.size())});
    EXPECT_NE(info.out.find("rows: " + std::to_string(lines.size()) + "\n"), std::string::npos)
        << info.out;
    return {lines.begin(), lines.end()};
  }

  TempDir dir, sounds;
};

} // namespace

TEST_F(SfxcatDiskFull, ImportStopsCleanlyAndKeepsEveryCommittedRow) {
  ASSERT_EQ(Run({"create"}).status, 0);
  const std::string folder = MakeSounds("gong", kSounds);
  const auto start_size = std::filesystem::file_size(TablePath());

  // Room for a few sounds, not for all of them.
  const long long limit = static_cast<long long>(start_size) + 400 * 1024;
  RunResult r = RunLimited({"import", "--category", "900", folder}, limit);
  EXPECT_EQ(r.status, 1) << r.err;

  // The rows printed as added; there must be some, and not all.
  std::vector<std::string> added = r.OutLines();
  ASSERT_GT(added.size(), 0u) << r.err;
  ASSERT_LT(added.size(), static_cast<size_t>(kSounds)) << "the limit was never reached";

  // One line names the full disk with the file it happened on, one tells how
  // many files were left out, and the summary counts them.
  const size_t failed = kSounds - added.size();
  std::vector<std::string> err = r.ErrLines();
  ASSERT_EQ(err.size(), failed > 1 ? 3u : 2u) << r.err;
  const std::string failed_file = folder + "/" + "gong " + (added.size() < 10 ? "00" : "0") +
                                  std::to_string(added.size()) + ".wav";
  EXPECT_EQ(
      err[0].rfind("sfxcat import: " + failed_file + ": cannot store the row: Disk is full", 0), 0u)
      << r.err;
  if (failed > 1) {
    EXPECT_EQ(err[1],
              "sfxcat import: stopped; " + std::to_string(failed - 1) + " more files not imported");
  }
  EXPECT_EQ(err.back(), "sfxcat import: " + std::to_string(added.size()) + " of " +
                            std::to_string(kSounds) + " imported, " + std::to_string(failed) +
                            " could not be");

  // Without the limit: the file is sound, and exactly the printed rows are
  // there, each with its whole sound.
  EXPECT_EQ(IntegrityCheck(), "ok\n");
  std::set<std::string> titles = ReadableTitles();
  std::set<std::string> printed;
  for (const std::string &line : added)
    printed.insert(line.substr(0, line.find('\t')));
  EXPECT_EQ(titles, printed);
  TempDir out;
  for (const std::string &line : added) {
    std::string title = line.substr(0, line.find('\t'));
    std::string source = line.substr(line.find('\t') + 1);
    RunResult ex = Run({"export", "--title", title, out / "x.wav"});
    ASSERT_EQ(ex.status, 0) << ex.err;
    EXPECT_EQ(ReadFileBytes(out / "x.wav"), ReadFileBytes(source)) << title;
  }

  // With room again, the same table takes the rest.
  const std::string more = MakeSounds("bell", 5);
  RunResult again = Run({"import", "--category", "900", more});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.OutLines().size(), 5u);
  EXPECT_EQ(ReadableTitles().size(), added.size() + 5);
  EXPECT_EQ(IntegrityCheck(), "ok\n");
}

TEST_F(SfxcatDiskFull, NoRoomForTheFirstRowLeavesTheTableAsItWas) {
  ASSERT_EQ(Run({"create"}).status, 0);
  ASSERT_EQ(Run({"import", "--category", "100", MakeSounds("seed", 2)}).status, 0);
  ASSERT_EQ(ReadableTitles().size(), 2u);

  // The limit counts per file: the table file may stay as large as it is,
  // but its write-ahead log (which starts empty) cannot take one sound,
  // while its 32 KB shared index still fits.
  RunResult r = RunLimited({"import", "--category", "900", MakeSounds("gong", 3)}, 40 * 1024);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(": cannot store the row: Disk is full"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("0 of 3 imported, 3 could not be"), std::string::npos) << r.err;

  EXPECT_EQ(IntegrityCheck(), "ok\n");
  EXPECT_EQ(ReadableTitles(), (std::set<std::string>{"seed 000", "seed 001"}));

  // With less room still, not even the log's shared index can be made: the
  // table cannot be opened for the import, which says why.
  RunResult closed = RunLimited({"import", "--category", "900", sounds / "gong"}, 8 * 1024);
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(closed.out, "");
  ASSERT_EQ(closed.ErrLines().size(), 1u) << closed.err;
  EXPECT_EQ(closed.err.rfind(
                "sfxcat import: cannot open bonussfx.db in " + dir.Path() + ": Disk is full: ", 0),
            0u)
      << closed.err;
  EXPECT_EQ(IntegrityCheck(), "ok\n");
  EXPECT_EQ(ReadableTitles().size(), 2u);
}

TEST_F(SfxcatDiskFull, RowsLeftInTheLogWhenTheTableFileCannotGrowAreKept) {
  ASSERT_EQ(Run({"create"}).status, 0);
  ASSERT_EQ(Run({"import", "--category", "100", MakeSounds("seed", 8)}).status, 0);
  ASSERT_EQ(ReadableTitles().size(), 8u);
  const auto size = static_cast<long long>(std::filesystem::file_size(TablePath()));

  // The table file may not grow at all, while its log (from empty) has room
  // for a few sounds: when the import ends, those rows cannot be folded into
  // the file and stay in the log; they must still count as stored.
  RunResult r =
      RunLimited({"import", "--category", "900", MakeSounds("gong", 20)}, size + 100 * 1024);
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> added = r.OutLines();
  ASSERT_GT(added.size(), 0u) << r.err;
  EXPECT_NE(r.err.find(": cannot store the row: Disk is full"), std::string::npos) << r.err;
  EXPECT_GT(std::filesystem::file_size(TablePath() + "-wal"), 0u)
      << "the limit should have kept the log from being folded into the table file";

  EXPECT_EQ(IntegrityCheck(), "ok\n");
  std::set<std::string> titles = ReadableTitles();
  EXPECT_EQ(titles.size(), 8 + added.size());
  for (const std::string &line : added)
    EXPECT_EQ(titles.count(line.substr(0, line.find('\t'))), 1u) << line;
}
