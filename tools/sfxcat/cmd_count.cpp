// sfxcat count: how many rows the selection holds.
#include <ostream>

#include "tools/sfxcat/table_selection.h"

namespace sfxcat {
namespace {

int RunCount(CommandContext &ctx) {
  long long rows = 0;
  WalkSelection(ctx.args, [&](TTable &) { ++rows; });
  ctx.out << rows << "\n";
  return 0;
}

const CommandRegistrar kCount(Command{
    "count", "print how many rows of the catalogue are selected",
    "[--filter TEXT] [--case-insensitive] [--no-partial] [--index NAME] [--nearest TEXT] "
    "[--range LOW HIGH] [--reverse] [--limit N]",
    "Walks the rows that `sfxcat list` would print with the same options and\n"
    "prints their number.\n",
    SelectionOptions(), true, RunCount});

} // namespace
} // namespace sfxcat
