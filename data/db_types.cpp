#include "data/db_types.h"

const char *FieldTypeName(TFieldType type) {
  static const char *const kNames[] = {
      "Unknown", "String",    "Smallint", "Integer",    "Word", "Boolean",
      "Float",   "Currency",  "BCD",      "Date",       "Time", "DateTime",
      "Bytes",   "VarBytes",  "AutoInc",  "Blob",       "Memo", "Graphic",
      "FmtMemo", "NativeOle", "XBaseOle", "TypedBinary"};
  return type <= ftTypedBinary ? kNames[type] : "Unknown";
}
