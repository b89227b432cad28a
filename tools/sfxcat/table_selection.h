// The row selection shared by `sfxcat list` and `sfxcat count`: the
// catalogue table opened through the dataset layer (session, table, fields)
// the way the window opens it, narrowed by a filter, an index, a key range
// and a starting key, and walked in cursor order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/sfxcat/command.h"

class TTable;

namespace sfxcat {

// The selection options of list and count, in --help order.
const std::vector<OptionSpec> &SelectionOptions();

// Opens the table of the command's location with the selection applied and
// calls `row` for each selected row in cursor order (backwards with
// --reverse), at most --limit times. Dataset and engine errors leave as
// exceptions whose message reads like the program's message box.
void WalkSelection(const ParsedArgs &args, const std::function<void(TTable &table)> &row);

// Opens the table of the command's location read-only, in the order of its
// primary index, lets `configure` set it up before it opens (filter, index)
// and calls `use` with the open table. The session is closed afterwards
// whatever happens; dataset errors leave as exceptions whose message reads
// like the program's message box (the message and a full stop).
void WithCatalogueTable(const ParsedArgs &args, const std::function<void(TTable &table)> &configure,
                        const std::function<void(TTable &table)> &use);

// A value for a tab-separated line: tab, newline and backslash escaped.
std::string EscapeCell(const std::string &value);

} // namespace sfxcat
