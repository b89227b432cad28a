#include "media/private_temp.h"

#include "base/exception.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(PrivateTemp, FolderIsPrivateAndFilesReplaceLinksInsteadOfFollowingThem) {
  std::string dir = PrivateTempFolder();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  struct stat st {};
  ASSERT_EQ(lstat(dir.substr(0, dir.size() - 1).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  std::string victim = dir + "victim.txt";
  std::ofstream(victim) << "precious";
  std::string path = dir + "$$$.WAV";
  fs::remove(path);
  fs::create_symlink(victim, path);
  WritePrivateFile(path, "RIFFdata", 8);
  EXPECT_EQ(ReadFile(victim), "precious") << "the link was followed";
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadFile(path), "RIFFdata");
  ASSERT_EQ(lstat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // Rewriting replaces the old content entirely.
  WritePrivateFile(path, "ab", 2);
  EXPECT_EQ(ReadFile(path), "ab");
  fs::remove(path);
  fs::remove(victim);

  try {
    WritePrivateFile("/nonexistent-folder/x.wav", "a", 1);
    FAIL() << "no exception";
  } catch (const EFCreateError &e) {
    EXPECT_EQ(e.Message(), "Cannot create file /nonexistent-folder/x.wav");
  }
}

TEST(PrivateTemp, PlantedFolderIsNotTrusted) {
  char tmpl[] = "/tmp/bsfx-rt-XXXXXX";
  std::string rt = mkdtemp(tmpl);
  const char *old = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = old ? old : "";
  setenv("XDG_RUNTIME_DIR", rt.c_str(), 1);
  // Someone made "bonussfx" a link to a folder open to all.
  std::string open = rt + "-open";
  fs::create_directory(open);
  fs::permissions(open, fs::perms::all);
  fs::create_directory_symlink(open, rt + "/bonussfx");
  std::string dir = PrivateTempFolder();
  EXPECT_NE(dir, rt + "/bonussfx/");
  EXPECT_NE(dir.find("bonussfx"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(lstat(dir.substr(0, dir.size() - 1).c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u);
  if (old)
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(dir);
  fs::remove_all(rt);
  fs::remove_all(open);
}

namespace {
// A forked program that reports its private folder through a pipe and then
// runs until it is ended.
struct TProgram {
  pid_t pid = -1;
  std::string folder;
  TProgram() {
    int report[2];
    if (pipe(report) != 0) return;
    pid = fork();
    if (pid == 0) {
      close(report[0]);
      const std::string f = PrivateTempFolder();
      (void)!write(report[1], f.data(), f.size());
      close(report[1]);
      for (;;)
        pause();
    }
    close(report[1]);
    char buf[512];
    ssize_t n = read(report[0], buf, sizeof buf);
    close(report[0]);
    if (n > 0) folder.assign(buf, static_cast<size_t>(n));
  }
  void End() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
};
} // namespace

TEST(PrivateTemp, EachProgramHasAFolderOfItsOwnAndFoldersOfEndedProgramsGo) {
  char tmpl[] = "/tmp/bsfx-rt-XXXXXX";
  std::string rt = mkdtemp(tmpl);
  const char *old = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = old ? old : "";
  setenv("XDG_RUNTIME_DIR", rt.c_str(), 1);

  // A folder left by a program that has ended, with its sound still there.
  TProgram ended;
  ended.End();
  const std::string stale = rt + "/bonussfx/" + std::to_string(ended.pid);
  ASSERT_EQ(ended.folder, stale + "/");
  std::ofstream(stale + "/$$$.WAV") << "old";

  TProgram one, two;
  EXPECT_EQ(one.folder, rt + "/bonussfx/" + std::to_string(one.pid) + "/");
  EXPECT_EQ(two.folder, rt + "/bonussfx/" + std::to_string(two.pid) + "/");
  EXPECT_NE(one.folder, two.folder);
  EXPECT_FALSE(fs::exists(stale)) << "left by a program that has ended";
  EXPECT_TRUE(fs::exists(one.folder)) << "a running program's folder stays";
  struct stat st {};
  ASSERT_EQ(lstat(two.folder.substr(0, two.folder.size() - 1).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  one.End();
  two.End();

  if (old)
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  fs::remove_all(rt);
}
