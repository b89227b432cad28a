// sfxcat explain-filter, run as a program on a catalogue made by sfxcat create.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tools/sfxcat_runner.h"

using fixtures::RunSfxcat;

namespace {

class ExplainFilter : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bsfx_explain_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    auto made = RunSfxcat({"create", "--dir", dir, "--password", "walrus"});
    ASSERT_EQ(made.status, 0) << made.err;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  fixtures::RunResult Explain(std::vector<std::string> args) {
    std::vector<std::string> all{"explain-filter", "--dir", dir, "--password", "walrus"};
    all.insert(all.end(), args.begin(), args.end());
    return RunSfxcat(all);
  }
  std::string dir;
};

TEST_F(ExplainFilter, PrintsTheTreeInHexAndAsNodes) {
  auto r = Explain({"CATEGORY=100"});
  ASSERT_EQ(r.status, 0) << r.err;
  auto lines = r.OutLines();
  ASSERT_GE(lines.size(), 4u);
  // The 59-byte tree of CATEGORY=100, CATEGORY being field 1.
  EXPECT_EQ(lines[0], "02003b00ffff0a003000"         // header
                      "02000000030000000c001800"     // = with operands 12 and 24
                      "040000000d00000001000000"     // field 1, name at literal 0
                      "050000000e000000050002000900" // int16, 2 bytes at literal 9
                      "43415445474f525900"           // CATEGORY
                      "6400");                       // 100
  EXPECT_EQ(lines[1], "version 2, 59 bytes, nodes at 10, literals at 48");
  EXPECT_EQ(lines[2], "[0] =");
  EXPECT_EQ(lines[3], "  [12] field 1 CATEGORY");
  EXPECT_EQ(lines[4], "  [24] constant int16 100");
}

TEST_F(ExplainFilter, OptionsAndFailures) {
  auto r = Explain({"--case-insensitive", "title='dog*'"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.OutLines().at(2), "[0] = (compare: case-insensitive 1, partial length 3)");
  r = Explain({"--no-partial", "TITLE='dog*'"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.OutLines().at(4), "  [24] constant string 'dog*'");

  r = Explain({"CATEGORY="});
  EXPECT_NE(r.status, 0);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("Expression expected but nothing found"), std::string::npos) << r.err;
  r = Explain({"WAV='x'"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("Field 'WAV' cannot be used in a filter expression"), std::string::npos);
  r = Explain({});
  EXPECT_EQ(r.status, 2);
}

} // namespace
