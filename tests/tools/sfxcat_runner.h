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

} // namespace fixtures
