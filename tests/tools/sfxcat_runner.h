// Runs the sfxcat program as a separate process, the way scripts use it.
#pragma once

#include <string>
#include <vector>

namespace fixtures {

struct RunResult {
  int status = -1; // exit status; -1 when it did not exit normally
  std::string out, err;
  std::vector<std::string> ErrLines() const;
  std::vector<std::string> OutLines() const;
};

// The folder of the built programs: $BSFX_BIN_DIR, else the build's bin/.
std::string BinDir();

// Runs bin/sfxcat with `args`; `env` adds NAME=VALUE settings.
RunResult RunSfxcat(const std::vector<std::string> &args, const std::vector<std::string> &env = {});

// Runs any program with arguments and environment additions.
RunResult RunProgram(const std::string &program, const std::vector<std::string> &args,
                     const std::vector<std::string> &env = {});

// Runs bin/sfxcat with no file allowed to grow past `max_file_bytes`
// (RLIMIT_FSIZE) and SIGXFSZ ignored, so a write past the limit fails with
// EFBIG as it would on a full disk, without needing a small file system.
RunResult RunSfxcatWithFileLimit(const std::vector<std::string> &args,
                                 const std::vector<std::string> &env, long long max_file_bytes);

} // namespace fixtures
