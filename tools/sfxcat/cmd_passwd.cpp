// sfxcat passwd: change or remove a table's password.
#include <ostream>

#include "tools/sfxcat/catalogue.h"

namespace sfxcat {
namespace {

int RunPasswd(CommandContext &ctx) {
  if (!ctx.args.Positional().empty())
    throw EUsageError("passwd takes no arguments besides its options");
  const bool remove = ctx.args.Has("remove");
  if (remove == ctx.args.Has("new")) throw EUsageError("give either --new PW or --remove");
  std::string fresh = ctx.args.Get("new");
  if (!remove && fresh.empty())
    throw EUsageError("--new needs a password (--remove takes the protection away)");
  if (fresh.size() > ENG_MAXPWLEN)
    throw EUsageError("the new password is longer than 255 characters");
  TableLocation where = TableLocation::FromArgs(ctx.args);
  EngineRun engine;
  Database db(where);
  {
    // Opening first tells a missing table or a wrong password apart from a
    // failure of the change itself.
    CatalogueTable table(db, false);
  }
  Check(EngineChangeTablePassword(db.Handle(), where.table.c_str(), "", fresh.c_str()),
        "cannot change the password of " + where.Describe());
  ctx.err << "sfxcat passwd: " << (remove ? "password removed from " : "password changed for ")
          << where.Describe() << "\n";
  return 0;
}

const CommandRegistrar registrar({
    "passwd",
    "change or remove a table's password",
    "(--new PW | --remove)",
    "--password gives the present password; the table then opens only with the new one.",
    {{"new", "PW", "the new password"}, {"remove", "", "take the password protection away"}},
    true,
    RunPasswd,
});

} // namespace
} // namespace sfxcat
