// Two processes on one table file: rows a second process commits are read
// by the first, whose cursor was open all along.
#include "tests/engine/engine_fixture.h"

#include <chrono>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

using namespace enginetest;
using Strings = std::vector<std::string>;

class Processes : public EngineTest {};

// Runs in the second process only (started by the test below).
TEST_F(Processes, HelperAddsRows) {
  const char *target = std::getenv("DBENG_TEST_TARGET_DIR");
  if (!target) GTEST_SKIP() << "runs only as the second process of another test";
  ASSERT_OKE(EngineSetDirectory(db, target));
  hEngCursor c = Open();
  for (const char *t : {"From the other side 1", "From the other side 2"})
    AddRow(c, 200, t);
}

TEST_F(Processes, ASecondProcessCommitsRowsThatTheFirstReads) {
  if (std::getenv("DBENG_TEST_TARGET_DIR")) GTEST_SKIP();
  CreateCatalogue();
  hEngCursor c = Open("cat.db", nullptr, ENG_OPEN_READONLY);
  hEngCursor w = Open();
  AddRow(w, 100, "Here");
  EXPECT_EQ(AllTitles(c), Strings{"Here"});
  uint32_t count = 0;
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 1u);

  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=Processes.HelperAddsRows";
  std::string envDir = "DBENG_TEST_TARGET_DIR=" + dir;
  std::vector<char *> env;
  for (char **e = environ; *e; ++e)
    env.push_back(*e);
  env.push_back(envDir.data());
  env.push_back(nullptr);
  char *argv[] = {self.data(), filter.data(), nullptr};
  pid_t pid;
  ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, env.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // Reads in quick succession share one snapshot; a cursor sees other
  // processes' commits once it has been idle for a moment (20 ms), which is
  // always so between a user's actions.
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(AllTitles(c), (Strings{"From the other side 1", "From the other side 2", "Here"}));
  ASSERT_OKE(EngineGetRecordCount(c, &count));
  EXPECT_EQ(count, 3u);
}
