// sfxcat info: the table's fields, indexes and row count.
#include <iomanip>
#include <ostream>

#include "tools/sfxcat/catalogue.h"

namespace sfxcat {
namespace {

std::string TypeName(const FieldInfo &f) {
  switch (f.type) {
  case ENG_FLD_ZSTRING:
    return "text(" + std::to_string(f.units1) + ")";
  case ENG_FLD_DATE:
    return "date";
  case ENG_FLD_BLOB: {
    std::string kind = f.sub_type == ENG_SUB_MEMO      ? "memo"
                       : f.sub_type == ENG_SUB_GRAPHIC ? "graphic"
                                                       : "binary";
    return "blob(" + std::to_string(f.units1) + ", " + kind + ")";
  }
  case ENG_FLD_BOOL:
    return "boolean";
  case ENG_FLD_INT16:
    return "int16";
  case ENG_FLD_INT32:
    return f.sub_type == ENG_SUB_AUTOINC ? "autoinc" : "int32";
  case ENG_FLD_FLOAT:
    return f.sub_type == ENG_SUB_MONEY ? "money" : "float";
  case ENG_FLD_BCD:
    return "bcd(" + std::to_string(f.units1) + "," + std::to_string(f.units2) + ")";
  case ENG_FLD_BYTES:
    return "bytes(" + std::to_string(f.units1) + ")";
  case ENG_FLD_TIME:
    return "time";
  case ENG_FLD_TIMESTAMP:
    return "timestamp";
  case ENG_FLD_UINT16:
    return "uint16";
  case ENG_FLD_UINT32:
    return "uint32";
  case ENG_FLD_VARBYTES:
    return "varbytes(" + std::to_string(f.units1) + ")";
  default:
    return "type " + std::to_string(f.type);
  }
}

int RunInfo(CommandContext &ctx) {
  if (!ctx.args.Positional().empty())
    throw EUsageError("info takes no arguments besides its options");
  TableLocation where = TableLocation::FromArgs(ctx.args);
  EngineRun engine;
  Database db(where);
  CatalogueTable table(db, true);
  const EngCurProps &p = table.Properties();
  std::ostream &out = ctx.out;
  out << "table: " << table.FullName() << "\n";
  out << "password: " << (p.hasPassword ? "yes" : "no") << "\n";
  out << "rows: " << table.RowCount() << "\n";
  out << "fields:\n";
  for (const FieldInfo &f : table.Fields())
    out << "  " << f.number << " " << std::left << std::setw(16) << f.name << " " << TypeName(f)
        << "\n";
  out << "indexes:\n";
  for (const IndexInfo &i : table.Indexes()) {
    std::string fields;
    for (const std::string &f : i.fields)
      fields += (fields.empty() ? "" : ";") + f;
    out << "  " << std::left << std::setw(16) << (i.name.empty() ? "(primary)" : i.name) << " "
        << fields;
    if (i.primary) out << " primary";
    if (i.unique) out << " unique";
    if (i.descending) out << " descending";
    if (i.case_insensitive) out << " case-insensitive";
    out << "\n";
  }
  return 0;
}

const CommandRegistrar registrar({
    "info",
    "show a table's fields, indexes and row count",
    "",
    "Prints the table's file, whether it is password-protected, its row count, its fields\n"
    "(number, name, type) and its indexes (name, key fields, options).",
    {},
    true,
    RunInfo,
});

} // namespace
} // namespace sfxcat
