// sfxcat list and count, run as a process against catalogues made with
// sfxcat itself: rows in cursor order through the dataset layer, the
// selection options, escaping, and errors as the window would show them.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat_runner.h"
#include "tools/sound_fixtures.h"

using fixtures::RunResult;
using fixtures::RunSfxcat;
using fixtures::TempDir;

namespace {

class SfxcatList : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(Run({"create"}).status, 0);
    ASSERT_EQ(Run({"generate", "--rows", "40"}).status, 0);
    // A row whose keywords hold a tab, a newline and a backslash, written
    // straight through the engine (the importer tidies keywords).
    sfxcat::TableLocation where;
    where.dir = dir_.Path();
    where.table = "bonussfx.db";
    where.password = "walrus";
    where.has_password = true;
    sfxcat::EngineRun engine;
    sfxcat::Database db(where);
    sfxcat::CatalogueTable table(db, false);
    table.Insert(300, "Odd", "tab\there\nback\\slash", "");
  }

  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--dir", dir_.Path(), "--password", "walrus"});
    return RunSfxcat(args);
  }

  std::vector<std::string> Titles(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"list", "--fields", "TITLE"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.OutLines();
  }

  TempDir dir_;
};

} // namespace

TEST_F(SfxcatList, EveryTitleInDictionaryOrderAndCountAgreesWithInfo) {
  std::vector<std::string> titles = Titles();
  ASSERT_EQ(titles.size(), 41u);
  for (size_t i = 1; i < titles.size(); ++i)
    EXPECT_LE(AnsiCompareText(titles[i - 1], titles[i]), 0) << titles[i - 1] << " / " << titles[i];

  RunResult count = Run({"count"});
  ASSERT_EQ(count.status, 0) << count.err;
  RunResult info = Run({"info"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("rows: " + count.OutLines().at(0) + "\n"), std::string::npos) << info.out;
  EXPECT_EQ(count.OutLines().at(0), "41");
}

TEST_F(SfxcatList, DefaultFieldsAreTabSeparatedWithEscapes) {
  RunResult r = Run({"list", "--filter", "CATEGORY=300"});
  ASSERT_EQ(r.status, 0) << r.err;
  bool seen = false;
  for (const std::string &line : r.OutLines()) {
    ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
    EXPECT_EQ(line.rfind("300\t", 0), 0u) << line;
    if (line == "300\tOdd\ttab\\there\\nback\\\\slash") seen = true;
  }
  EXPECT_TRUE(seen) << r.out;
}

TEST_F(SfxcatList, SelectionOptions) {
  std::vector<std::string> all = Titles();
  std::vector<std::string> reversed(all.rbegin(), all.rend());
  EXPECT_EQ(Titles({"--reverse"}), reversed);
  EXPECT_EQ(Titles({"--limit", "3"}), std::vector<std::string>(all.begin(), all.begin() + 3));

  // --nearest starts at the first key at or after the text, in dictionary
  // order (lower case finds the capitalised titles).
  const std::string prefix = AnsiLowerCase(all[20].substr(0, 3));
  size_t first = 0;
  while (AnsiLowerCase(all[first]).rfind(prefix, 0) != 0)
    ++first;
  std::vector<std::string> from = Titles({"--nearest", prefix});
  EXPECT_EQ(from, std::vector<std::string>(all.begin() + static_cast<long>(first), all.end()));

  // A range on the CATEGORY index gives the rows of one category, as the
  // filter does (in another order).
  std::vector<std::string> ranged = Titles({"--index", "CATEGORY", "--range", "300", "300"});
  std::vector<std::string> filtered = Titles({"--filter", "CATEGORY=300"});
  std::sort(ranged.begin(), ranged.end());
  std::sort(filtered.begin(), filtered.end());
  EXPECT_FALSE(ranged.empty());
  EXPECT_EQ(ranged, filtered);
  RunResult count = Run({"count", "--index", "CATEGORY", "--range", "300", "300"});
  EXPECT_EQ(count.OutLines().at(0), std::to_string(ranged.size()));
}

TEST_F(SfxcatList, ErrorsReadLikeTheWindowsMessages) {
  RunResult r = Run({"list", "--fields", "TITLE,NOPE"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "sfxcat list: Field 'NOPE' not found.\n");
  EXPECT_TRUE(r.out.empty());

  r = Run({"list", "--index", "NOPE"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("NOPE"), std::string::npos) << r.err;

  r = Run({"list", "--range", "1"});
  EXPECT_EQ(r.status, 2) << "--range needs two values";

  // No password and standard input not a terminal: no prompt, the engine's
  // password message ends the command.
  r = RunSfxcat({"list", "--dir", dir_.Path()}, {"SFXCAT_PASSWORD="});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("password"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.back(), '\n');
  EXPECT_EQ(r.err.at(r.err.size() - 2), '.');
  EXPECT_EQ(Run({"count"}).OutLines().at(0), "41") << "nothing changed on disk";
}
