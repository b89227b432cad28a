#include "tools/sfxcat/command.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ostream>
#include <sstream>

namespace sfxcat {

std::string ParsedArgs::Get(const std::string &name, const std::string &fallback) const {
  auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second;
}

long long ParsedArgs::GetInt(const std::string &name, long long fallback, long long min,
                             long long max) const {
  auto it = values_.find(name);
  if (it == values_.end()) return fallback;
  const std::string &text = it->second;
  errno = 0;
  char *end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE)
    throw EUsageError("--" + name + " needs a whole number, not \"" + text + "\"");
  if (v < min || v > max)
    throw EUsageError("--" + name + " must be between " + std::to_string(min) + " and " +
                      std::to_string(max) + ", not " + text);
  return v;
}

CommandRegistry &CommandRegistry::Instance() {
  static CommandRegistry registry;
  return registry;
}

void CommandRegistry::Add(Command command) {
  std::string name = command.name;
  commands_[name] = std::move(command);
}

const Command *CommandRegistry::Find(const std::string &name) const {
  auto it = commands_.find(name);
  return it == commands_.end() ? nullptr : &it->second;
}

std::vector<const Command *> CommandRegistry::All() const {
  std::vector<const Command *> all;
  for (const auto &[name, command] : commands_)
    all.push_back(&command);
  return all;
}

const std::vector<OptionSpec> &CommonTableOptions() {
  static const std::vector<OptionSpec> options = {
      {"dir", "FOLDER", "open FOLDER as the database (instead of an alias)"},
      {"alias", "NAME", "open the database of alias NAME (default: sound)"},
      {"table", "FILE", "the catalogue table inside the database (default: bonussfx.db)"},
      {"password", "PW", "the table password (default: the environment variable SFXCAT_PASSWORD)"},
  };
  return options;
}

namespace {

const OptionSpec *FindOption(const Command &command, const std::string &name) {
  for (const auto &o : command.options)
    if (o.name == name) return &o;
  if (command.uses_table)
    for (const auto &o : CommonTableOptions())
      if (o.name == name) return &o;
  return nullptr;
}

void AppendOptions(std::ostringstream &s, const std::vector<OptionSpec> &options) {
  for (const auto &o : options) {
    std::string left = "  --" + o.name + (o.value_name.empty() ? "" : " " + o.value_name);
    s << left;
    if (left.size() < 26)
      s << std::string(26 - left.size(), ' ');
    else
      s << "\n" << std::string(26, ' ');
    s << o.help << "\n";
  }
}

} // namespace

ParsedArgs ParseArguments(const Command &command, const std::vector<std::string> &args) {
  ParsedArgs parsed;
  bool options_done = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (options_done || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      parsed.AddPositional(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    std::string name = arg.substr(2), value;
    bool inline_value = false;
    if (auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
      inline_value = true;
    }
    if (name == "help") {
      parsed.Set("help", "");
      continue;
    }
    const OptionSpec *spec = FindOption(command, name);
    if (!spec) throw EUsageError("unknown option --" + name);
    if (spec->value_name.empty()) {
      if (inline_value) throw EUsageError("--" + name + " takes no value");
    } else if (!inline_value) {
      if (i + 1 >= args.size()) throw EUsageError("--" + name + " needs a value");
      value = args[++i];
    }
    if (parsed.Has(name)) throw EUsageError("--" + name + " given twice");
    parsed.Set(name, value);
  }
  if (command.uses_table && parsed.Has("dir") && parsed.Has("alias"))
    throw EUsageError("give either --dir or --alias, not both");
  return parsed;
}

std::string CommandHelp(const Command &command) {
  std::ostringstream s;
  s << "usage: sfxcat " << command.name;
  if (command.uses_table) s << " [--dir FOLDER | --alias NAME] [--table FILE] [--password PW]";
  if (!command.synopsis.empty()) s << " " << command.synopsis;
  s << "\n\n" << command.summary << "\n";
  if (!command.description.empty()) s << "\n" << command.description << "\n";
  if (!command.options.empty()) {
    s << "\noptions:\n";
    AppendOptions(s, command.options);
  }
  if (command.uses_table) {
    s << "\ntable options:\n";
    AppendOptions(s, CommonTableOptions());
  }
  s << "  --help                  show this help\n";
  return s.str();
}

std::string ProgramHelp() {
  std::ostringstream s;
  s << "usage: sfxcat COMMAND [OPTIONS] [ARGUMENTS]\n"
       "       sfxcat COMMAND --help\n\n"
       "Builds and inspects catalogues of sound effects.\n\ncommands:\n";
  for (const Command *c : CommandRegistry::Instance().All()) {
    std::string left = "  " + c->name;
    s << left << std::string(left.size() < 18 ? 18 - left.size() : 1, ' ') << c->summary << "\n";
  }
  return s.str();
}

int RunProgram(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
  if (args.empty()) {
    err << "sfxcat: no command given (see sfxcat --help)\n";
    return 2;
  }
  const std::string &name = args[0];
  if (name == "--help" || name == "-h" || name == "help") {
    if (args.size() > 1) {
      if (const Command *c = CommandRegistry::Instance().Find(args[1])) {
        out << CommandHelp(*c);
        return 0;
      }
      err << "sfxcat: unknown command \"" << args[1] << "\" (see sfxcat --help)\n";
      return 2;
    }
    out << ProgramHelp();
    return 0;
  }
  const Command *command = CommandRegistry::Instance().Find(name);
  if (!command) {
    err << "sfxcat: unknown command \"" << name << "\" (see sfxcat --help)\n";
    return 2;
  }
  try {
    CommandContext ctx{*command, ParseArguments(*command, {args.begin() + 1, args.end()}), out,
                       err};
    if (ctx.args.Has("help")) {
      out << CommandHelp(*command);
      return 0;
    }
    int status = command->run(ctx);
    out.flush();
    if (!out) {
      err << "sfxcat " << name << ": cannot write the results\n";
      return 1;
    }
    return status;
  } catch (const EUsageError &e) {
    err << "sfxcat " << name << ": " << e.Message() << " (see sfxcat " << name << " --help)\n";
    return 2;
  } catch (const EAbort &) {
    return 1;
  } catch (const Exception &e) {
    err << "sfxcat " << name << ": " << e.Message() << "\n";
    return 1;
  } catch (const std::bad_alloc &) {
    err << "sfxcat " << name << ": out of memory\n";
    return 1;
  } catch (const std::exception &e) {
    err << "sfxcat " << name << ": " << e.what() << "\n";
    return 1;
  }
}

} // namespace sfxcat
