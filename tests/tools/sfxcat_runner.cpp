#include "tools/sfxcat_runner.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/sound_fixtures.h"

extern char **environ;

namespace fixtures {

namespace {

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

} // namespace

std::vector<std::string> RunResult::ErrLines() const {
  return Lines(err);
}
std::vector<std::string> RunResult::OutLines() const {
  return Lines(out);
}

std::string BinDir() {
  if (const char *dir = std::getenv("BSFX_BIN_DIR")) return dir;
  return std::string(BSFX_BINARY_DIR) + "/bin";
}

namespace {

// Starts `program` with standard input from /dev/null and its output in the
// files of `capture`; a limit >= 0 caps the size of every file it writes.
RunResult Start(const std::string &program, const std::vector<std::string> &args,
                const std::vector<std::string> &env, long long max_file_bytes) {
  TempDir capture;
  const std::string out_path = capture / "out", err_path = capture / "err";

  std::vector<std::string> argv_s = {program};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (auto &a : argv_s)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> env_s;
  for (char **e = environ; *e; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const auto &add : env)
      if (entry.compare(0, add.find('=') + 1, add, 0, add.find('=') + 1) == 0) replaced = true;
    if (!replaced) env_s.push_back(entry);
  }
  env_s.insert(env_s.end(), env.begin(), env.end());
  std::vector<char *> envp;
  for (auto &e : env_s)
    envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  if (max_file_bytes < 0) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + program);
  } else {
    // posix_spawn cannot set a resource limit, so fork and set it in the
    // child; only async-signal-safe calls between fork and exec.
    pid = fork();
    if (pid < 0) throw std::runtime_error("cannot start " + program);
    if (pid == 0) {
      int in = open("/dev/null", O_RDONLY);
      int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
        _exit(127);
      struct rlimit limit = {static_cast<rlim_t>(max_file_bytes),
                             static_cast<rlim_t>(max_file_bytes)};
      signal(SIGXFSZ, SIG_IGN); // an ignored signal stays ignored across exec
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
      execve(program.c_str(), argv.data(), envp.data());
      _exit(127);
    }
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
  }
  RunResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  result.out = ReadFileBytes(out_path);
  result.err = ReadFileBytes(err_path);
  return result;
}

} // namespace

RunResult RunProgram(const std::string &program, const std::vector<std::string> &args,
                     const std::vector<std::string> &env) {
  return Start(program, args, env, -1);
}

RunResult RunSfxcatWithFileLimit(const std::vector<std::string> &args,
                                 const std::vector<std::string> &env, long long max_file_bytes) {
  return Start(BinDir() + "/sfxcat", args, env, max_file_bytes);
}

RunResult RunSfxcat(const std::vector<std::string> &args, const std::vector<std::string> &env) {
  return RunProgram(BinDir() + "/sfxcat", args, env);
}

} // namespace fixtures
