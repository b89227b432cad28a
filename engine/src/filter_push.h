// Filters the table's storage answers itself: a tree that is a comparison of
// a numeric field with a constant, a text field equal to a text, a blank
// test, or an AND of such, becomes an SQL condition, so that SQLite reads
// only the matching rows (through an index where one fits).
#pragma once

#include "engine/src/record.h"
#include "engine/src/sql.h"

#include <string>
#include <vector>

namespace dbeng {

// True when `tree` (size bytes, version 2) has this form; *sql then holds the
// condition over columns f<n> with ? parameters in *params.
bool RecogniseSimpleFilter(const uint8_t *tree, size_t size, const RecordShape &shape,
                           std::string *sql, std::vector<SqlValue> *params);

} // namespace dbeng
