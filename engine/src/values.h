// Conversions between record slots (dbeng.h) and the values SQLite stores.
#pragma once

#include "engine/include/dbeng.h"
#include "engine/src/sql.h"

#include <string>

namespace dbeng {

// The value of field `fd` in `record` (blank = NULL).
SqlValue SlotToValue(const EngFldDesc &fd, const uint8_t *record);
// Stores `v` into field `fd` of `record` (NULL = blank).
void ValueToSlot(const EngFldDesc &fd, const SqlValue &v, uint8_t *record);
// Stores column `col` of the statement's current row into field `fd`.
void ColumnToSlot(const EngFldDesc &fd, sqlite3_stmt *stmt, int col, uint8_t *record);

// Packed decimal (18 bytes) <-> decimal text ("-123.4500").
std::string BcdToText(const uint8_t *bcd);
bool TextToBcd(const std::string &text, int places, uint8_t *bcd);

// Orders two values of one field type the way indexes do (text in
// dictionary order, or ignoring case); NULL first.
int CompareValues(const SqlValue &a, const SqlValue &b, bool ignoreCase);

} // namespace dbeng
