// sfxcat explain-filter: the filter tree the dataset hands the engine for a
// filter text on the catalogue table, as hexadecimal bytes and as a dump of
// its nodes and literals.
#include <cstring>
#include <ostream>
#include <vector>

#include "data/filter_expr.h"
#include "tools/sfxcat/catalogue.h"

namespace sfxcat {
namespace {

// The field type a dataset gives an engine field (fields it makes no
// definition for are left out, as the dataset leaves them out).
bool FieldTypeOf(const EngFldDesc &d, TFieldType &type, int &size) {
  size = 0;
  switch (d.type) {
  case ENG_FLD_ZSTRING:
    type = ftString;
    size = d.units1;
    return true;
  case ENG_FLD_DATE:
    type = ftDate;
    return true;
  case ENG_FLD_BLOB:
    type = ftBlob;
    size = d.units1;
    return true;
  case ENG_FLD_BOOL:
    type = ftBoolean;
    return true;
  case ENG_FLD_INT16:
    type = ftSmallint;
    return d.length == 2;
  case ENG_FLD_INT32:
    type = d.subType == ENG_SUB_AUTOINC ? ftAutoInc : ftInteger;
    return true;
  case ENG_FLD_FLOAT:
    type = d.subType == ENG_SUB_MONEY ? ftCurrency : ftFloat;
    return true;
  case ENG_FLD_BCD:
    type = ftBCD;
    size = d.units2;
    return true;
  case ENG_FLD_BYTES:
    type = ftBytes;
    size = d.units1;
    return true;
  case ENG_FLD_TIME:
    type = ftTime;
    return true;
  case ENG_FLD_TIMESTAMP:
    type = ftDateTime;
    return true;
  case ENG_FLD_UINT16:
    type = ftWord;
    return true;
  case ENG_FLD_UINT32:
    type = ftInteger;
    return true;
  case ENG_FLD_VARBYTES:
    type = ftVarBytes;
    size = d.units1;
    return true;
  default:
    return false;
  }
}

// The table's fields as the dataset makes its fields from them.
TFilterFieldList TableFields(CatalogueTable &table) {
  std::vector<EngFldDesc> descs(table.Properties().fieldCount);
  Check(EngineGetFieldDescriptors(table.Cursor(), descs.data()), "reading the table's fields");
  TFilterFieldList fields;
  for (const EngFldDesc &d : descs) {
    TFieldType type;
    int size;
    if (FieldTypeOf(d, type, size))
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
