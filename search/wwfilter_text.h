// The filter lines of the enhanced table ("CATEGORY = 100", "TITLE <>
// "Rain"" ...) turned into the engine's filter tree. Comparisons and the
// words AND and OR (same precedence, left to right) with parentheses; a
// constant on the right of a field takes that field's type.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/strings.h"
#include "data/filter_expr.h"

// The condition of the lines: the non-empty ones, trailing blanks removed,
// the first as it is and each further one as " AND (" line ")".
std::string JoinwwFilterLines(const TStringList &lines);

// The tree for a condition. A name that is no field of the table sets
// `missing_field` and gives an empty tree; a malformed condition raises
// EDatabaseError.
std::vector<uint8_t> TranslatewwFilter(const TFilterFieldSource &fields, const std::string &text,
                                       std::string &missing_field);
