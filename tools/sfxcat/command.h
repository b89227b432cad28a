// The command registry of sfxcat and the option parsing every command
// shares. Each command lives in a file of its own and registers itself with
// a static CommandRegistrar; main() finds it by name.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "base/exception.h"

namespace sfxcat {

// A mistake in the command line: the message is printed with a pointer to
// --help and the program ends with status 2.
class EUsageError : public Exception {
  using Exception::Exception;
};

struct OptionSpec {
  std::string name;       // without the leading "--"
  std::string value_name; // empty: a flag without a value
  std::string help;
};

// The parsed command line of one command: option values by name and the
// remaining arguments in order.
class ParsedArgs {
public:
  bool Has(const std::string &name) const { return values_.count(name) != 0; }
  std::string Get(const std::string &name, const std::string &fallback = "") const;
  // An integer option within [min, max]; a missing option gives `fallback`.
  long long GetInt(const std::string &name, long long fallback, long long min, long long max) const;
  const std::vector<std::string> &Positional() const { return positional_; }

  void Set(const std::string &name, const std::string &value) { values_[name] = value; }
  void AddPositional(const std::string &arg) { positional_.push_back(arg); }

private:
  std::map<std::string, std::string> values_;
  std::vector<std::string> positional_;
};

struct Command;

struct CommandContext {
  const Command &command;
  ParsedArgs args;
  std::ostream &out; // results only
  std::ostream &err; // progress, warnings and errors
};

struct Command {
  std::string name;
  std::string summary;     // one line for the command list
  std::string synopsis;    // e.g. "--category N [--keywords TEXT] FILE..."
  std::string description; // paragraphs shown by --help
  std::vector<OptionSpec> options;
  bool uses_table = true; // takes --dir/--alias/--table/--password
  std::function<int(CommandContext &)> run;
};

class CommandRegistry {
public:
  static CommandRegistry &Instance();
  void Add(Command command);
  const Command *Find(const std::string &name) const;
  std::vector<const Command *> All() const; // sorted by name

private:
  std::map<std::string, Command> commands_;
};

struct CommandRegistrar {
  explicit CommandRegistrar(Command command) {
    CommandRegistry::Instance().Add(std::move(command));
  }
};

// The options every table command takes, in the order --help lists them.
const std::vector<OptionSpec> &CommonTableOptions();

// Parses `args` (the words after the command name) against the command's
// options and, for table commands, the common ones. Raises EUsageError.
ParsedArgs ParseArguments(const Command &command, const std::vector<std::string> &args);

// The --help text of a command.
std::string CommandHelp(const Command &command);
// The program's own help: usage and the list of commands.
std::string ProgramHelp();

// Runs sfxcat with the words after the program name; returns the exit
// status. Errors are one line on `err`.
int RunProgram(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace sfxcat
