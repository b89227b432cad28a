#include "tools/sfxcat/table_selection.h"

#include <limits>

#include "data/db_engine_error.h"
#include "data/session.h"
#include "data/table.h"
#include "tools/sfxcat/catalogue.h"
#include "tools/sfxcat/terminal_prompt.h"

namespace sfxcat {

const std::vector<OptionSpec> &SelectionOptions() {
  static const std::vector<OptionSpec> options = {
      {"filter", "TEXT", "only rows that pass the filter expression TEXT (e.g. CATEGORY=100)"},
      {"case-insensitive", "", "compare texts of the filter ignoring case"},
      {"no-partial", "", "a trailing * in the filter is not a partial match"},
      {"index", "NAME", "walk in the order of index NAME (default: the primary index, TITLE)"},
      {"nearest", "TEXT", "start at the first row whose key is at or after TEXT"},
      {"range", "LOW HIGH", "only rows whose key lies between LOW and HIGH (both included)"},
      {"reverse", "", "walk backwards, from the last row (or the --nearest row)"},
      {"limit", "N", "stop after N rows"},
  };
  return options;
}

std::string EscapeCell(const std::string &value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
    case '\t':
      out += "\\t";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\\':
      out += "\\\\";
      break;
    default:
      out += c;
    }
  }
  return out;
}

namespace {

void OpenAndUse(const ParsedArgs &args, const std::function<void(TTable &table)> &configure,
                const std::function<void(TTable &table)> &use) {
  TableLocation where = TableLocation::FromArgs(args);

  InstallTerminalPrompts();
  // The engine is stopped again when the work ends, whatever happens, so the
  // process leaves with its tables closed and the engine shut down.
  struct SessionStop {
    ~SessionStop() {
      try {
        if (Session != nullptr) Session->Close();
      } catch (...) {
      }
    }
  } stop;
  if (where.has_password) Session->AddPassword(where.password);
  TTable table;
  table.SetDatabaseName(where.dir.empty() ? where.alias : where.dir);
  table.SetTableName(where.table);
  table.SetReadOnly(true);
  if (configure) configure(table);
  table.Open();
  use(table);
  table.Close();
}

// Moves through the open table's selected rows in cursor order.
void WalkOpenTable(TTable &table, const ParsedArgs &args, bool ranged, const std::string &low,
                   const std::string &high, long long limit,
                   const std::function<void(TTable &table)> &row) {
  if (ranged) table.SetRange({TVariant(low)}, {TVariant(high)});
  const bool reverse = args.Has("reverse");
  if (args.Has("nearest"))
    table.FindNearest({TVariant(args.Get("nearest"))});
  else if (reverse)
    table.Last();
  else
    table.First();
  long long done = 0;
  if (reverse) {
    // FindNearest may leave the table past its last row: start at the last.
    if (table.Eof() && table.RecordCount() > 0) table.Last();
    while (done < limit && table.RecordCount() > 0) {
      row(table);
      ++done;
      if (table.MoveBy(-1) == 0) break;
    }
  } else {
    while (done < limit && !table.Eof()) {
      row(table);
      ++done;
      table.Next();
    }
  }
}

void Walk(const ParsedArgs &args, const std::function<void(TTable &table)> &row) {
  // --range takes two words; the second arrives as the one positional word.
  std::string low, high;
  const bool ranged = args.Has("range");
  if (ranged) {
    if (args.Positional().size() != 1) throw EUsageError("--range needs two values, LOW and HIGH");
    low = args.Get("range");
    high = args.Positional()[0];
  } else if (!args.Positional().empty()) {
    throw EUsageError("unexpected argument \"" + args.Positional()[0] + "\"");
  }
  const long long limit = args.GetInt("limit", std::numeric_limits<long long>::max(), 0,
                                      std::numeric_limits<long long>::max());
  OpenAndUse(
      args,
      [&](TTable &table) {
        if (args.Has("index")) table.SetIndexName(args.Get("index"));
        TFilterOptions options = 0;
        if (args.Has("case-insensitive")) options |= foCaseInsensitive;
        if (args.Has("no-partial")) options |= foNoPartialCompare;
        table.SetFilterOptions(options);
        if (args.Has("filter")) {
          table.SetFilter(args.Get("filter"));
          table.SetFiltered(true);
        }
      },
      [&](TTable &table) { WalkOpenTable(table, args, ranged, low, high, limit, row); });
}

} // namespace

void WithCatalogueTable(const ParsedArgs &args, const std::function<void(TTable &table)> &configure,
                        const std::function<void(TTable &table)> &use) {
  try {
    OpenAndUse(args, configure, use);
  } catch (const EDatabaseError &e) {
    throw Exception(e.Message() + ".");
  }
}

void WalkSelection(const ParsedArgs &args, const std::function<void(TTable &table)> &row) {
  try {
    Walk(args, row);
  } catch (const EDatabaseError &e) {
    // What the window's message box shows: the message and a full stop.
    throw Exception(e.Message() + ".");
  }
}

} // namespace sfxcat
