// sfxcat list: the selected rows, one a line, the fields' display texts
// separated by tabs.
#include <ostream>

#include "data/field.h"
#include "data/table.h"
#include "tools/sfxcat/table_selection.h"

namespace sfxcat {
namespace {

std::vector<std::string> SplitNames(const std::string &list) {
  std::vector<std::string> names;
  std::string current;
  for (char c : list + ",") {
    if (c != ',') {
      current += c;
      continue;
    }
    if (current.empty()) throw EUsageError("--fields needs names separated by commas");
    names.push_back(current);
    current.clear();
  }
  return names;
}

int RunList(CommandContext &ctx) {
  const std::vector<std::string> names =
      SplitNames(ctx.args.Get("fields", "CATEGORY,TITLE,KEYWORDS"));
  std::vector<TField *> fields;
  WalkSelection(ctx.args, [&](TTable &table) {
    if (fields.empty())
      for (const std::string &name : names)
        fields.push_back(table.FieldByName(name));
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) ctx.out << '\t';
      ctx.out << EscapeCell(fields[i]->DisplayText());
    }
    ctx.out << '\n';
  });
  return 0;
}

std::vector<OptionSpec> ListOptions() {
  std::vector<OptionSpec> options = SelectionOptions();
  options.push_back(
      {"fields", "F1,F2,...", "the fields to print, in order (default: CATEGORY,TITLE,KEYWORDS)"});
  return options;
}

const CommandRegistrar kList(Command{
    "list", "print the rows of the catalogue, one a line",
    "[--filter TEXT] [--case-insensitive] [--no-partial] [--index NAME] [--nearest TEXT] "
    "[--range LOW HIGH] [--reverse] [--limit N] [--fields F1,F2,...]",
    "Opens the catalogue through the dataset layer, as the window does, and prints\n"
    "one row per line in cursor order: the display texts of the chosen fields,\n"
    "separated by tabs. A tab, newline or backslash inside a value is written as\n"
    "\\t, \\n or \\\\. --nearest starts at the first row whose key (of the current\n"
    "index) is at or after TEXT; --range keeps the rows whose key lies between LOW\n"
    "and HIGH.\n",
    ListOptions(), true, RunList});

} // namespace
} // namespace sfxcat
