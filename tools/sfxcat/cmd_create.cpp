// sfxcat create: an empty catalogue table.
#include <ostream>

#include "tools/sfxcat/catalogue.h"

namespace sfxcat {
namespace {

int RunCreate(CommandContext &ctx) {
  if (!ctx.args.Positional().empty())
    throw EUsageError("create takes no arguments besides its options");
  TableLocation where = TableLocation::FromArgs(ctx.args);
  EngineRun engine;
  Database db(where);
  CreateCatalogueTable(db, where.password, ctx.args.Has("replace"));
  CatalogueTable table(db, true);
  ctx.out << table.FullName() << "\n";
  return 0;
}

const CommandRegistrar registrar({
    "create",
    "make an empty catalogue table",
    "[--replace]",
    "The table has the fields CATEGORY (16-bit integer), TITLE (text, 24), KEYWORDS (text, 240)\n"
    "and WAV (binary blob), a unique primary index on TITLE and secondary indexes on KEYWORDS\n"
    "(ignoring case) and CATEGORY. With --password the table is protected by that password.\n"
    "Prints the table's file name.",
    {{"replace", "", "replace an existing table of that name (its rows are lost)"}},
    true,
    RunCreate,
});

} // namespace
} // namespace sfxcat
