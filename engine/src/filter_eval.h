// The evaluator of filter trees (format in dbeng.h): a tree is checked once
// against the table's record shape and compiled into a compact program of
// nodes, which then judges record images without touching the tree again.
//
// Semantics, for every node class and operator:
// - A comparison reads both operands as values. A blank text field reads as
//   the empty text (the engine stores an empty text as blank); any other
//   blank value fails every comparison, so "A<>1" does not pass a blank A.
// - Texts order by the engine's dictionary order (collate.h); "=" and "<>"
//   on texts compare exactly, or ignoring case in a compare node whose flag
//   is 1. A compare node's partial length n > 0 compares only the first n
//   characters of each side.
// - Numbers (integers, floats, BCD, Booleans) compare by value; dates, times
//   and timestamps compare on one scale (a date is midnight of its day).
// - Arithmetic (+, -, *, /) works on numbers and gives blank when an operand
//   is blank or a division is by zero; "+" on two texts joins them.
// - A value standing where a condition belongs is true when it is neither
//   blank nor zero nor the empty text.
// - Blank tests look at the blank flag only (an empty text is blank).
#pragma once

#include "engine/src/filter_iface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dbeng {

// A tree that an index can answer: one field compared with constants, each
// term ANDed with the others ("CATEGORY=100", "CATEGORY>=100 AND CATEGORY<200",
// "TITLE='Dog*'"). Constants are decoded to the field's kind of value.
struct IndexableTerm {
  uint32_t op = 0;              // ENG_FOP_EQ, _GT, _LT, _GE or _LE
  bool caseInsensitive = false; // texts: compare ignoring case
  uint16_t partialLength = 0;   // texts: compare only this many characters (0 = whole)
  bool isText = false;
  std::string text;  // the constant text (as written, not folded)
  double number = 0; // the constant number, on the field's own scale
};

struct IndexableFilter {
  uint16_t fieldNum = 0;
  std::vector<IndexableTerm> terms;
};

// True when `tree` is such a tree on a field of `shape`; fills *out. A blank
// field never passes such a filter, except that for a text field "=" with
// the empty text would also pass blank rows: such trees are not reported.
bool AnalyzeFilterTree(const uint8_t *tree, size_t treeSize, const RecordShape &shape,
                       IndexableFilter *out);

} // namespace dbeng
