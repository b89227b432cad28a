// sfxcat explain-filter: the filter tree the dataset hands the engine for a
// filter text on the catalogue table, as hexadecimal bytes and as a dump of
// its nodes and literals.
#include <cstring>
#include <ostream>
#include <vector>

#include "data/field_defs.h"
#include "data/filter_expr.h"
#include "tools/sfxcat/catalogue.h"

namespace sfxcat {
namespace {

// The table's fields as the dataset makes its fields from them.
TFilterFieldList TableFields(CatalogueTable &table) {
  std::vector<EngFldDesc> descs(table.Properties().fieldCount);
  Check(EngineGetFieldDescriptors(table.Cursor(), descs.data()), "reading the table's fields");
  TFilterFieldList fields;
  for (const EngFldDesc &d : descs) {
    TFieldType type;
    int size;
    // Fields the dataset makes no definition for are left out, as it does.
    if (FieldTypeFromEngine(d.type, d.subType, d.units1, d.units2, d.length, type, size))
      fields.Add(
          {std::string(d.name, strnlen(d.name, sizeof d.name)), d.fieldNum, type, size, fkData});
  }
  return fields;
}

std::string Hex(const std::vector<uint8_t> &bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

int RunExplainFilter(CommandContext &ctx) {
  if (ctx.args.Positional().size() != 1)
    throw EUsageError("explain-filter takes exactly one filter text");
  TFilterOptions options = 0;
  if (ctx.args.Has("case-insensitive")) options |= foCaseInsensitive;
  if (ctx.args.Has("no-partial")) options |= foNoPartialCompare;
  TableLocation where = TableLocation::FromArgs(ctx.args);
  EngineRun engine;
  Database db(where);
  CatalogueTable table(db, true);
  TFilterFieldList fields = TableFields(table);
  std::vector<uint8_t> tree = BuildFilterTree(fields, ctx.args.Positional()[0], options);
  ctx.out << Hex(tree) << "\n" << DescribeFilterTree(tree);
  return 0;
}

const CommandRegistrar registrar({
    "explain-filter",
    "show the filter tree a filter text makes on the table",
    "[--case-insensitive] [--no-partial] TEXT",
    "Compiles TEXT (for example \"CATEGORY=100\" or \"TITLE='Dog*'\") against the table's\n"
    "fields exactly as a dataset's Filter does, and prints the tree handed to the engine: one\n"
    "line of lower-case hexadecimal bytes, then one line per node with its operands and\n"
    "literals. A text that does not compile prints the dataset's message and exits with 1.",
    {{"case-insensitive", "", "compare texts with = and <> without regard to case"},
     {"no-partial", "", "a trailing * in a text is an ordinary character, not a prefix match"}},
    true,
    RunExplainFilter,
});

} // namespace
} // namespace sfxcat
