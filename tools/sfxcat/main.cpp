// sfxcat: the command-line companion of the catalogue browser.
#include <iostream>
#include <string>
#include <vector>

#include "tools/sfxcat/command.h"

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return sfxcat::RunProgram(args, std::cout, std::cerr);
}
