// The criteria of the filter dialog and the record test made from them.
//
// A criterion is either a value criterion (a list of terms compared with a
// field's text by start, anywhere or exact match) or a range criterion (a
// lower and an upper bound compared with the field's typed value). The
// terms of a value are separated by one operator word: with the or-word a
// record needs one matching term, with the and-word it needs all of them.
// The null-word as a term matches an empty field. The helpers here read
// that syntax and test one field value against one criterion; they know
// nothing of datasets, so the record test can be checked on plain values.
#pragma once

#include <string>
#include <string_view>

#include "data/db_types.h"
#include "data/variant.h"

enum TwwFilterMatchType : uint8_t {
  fdMatchStart = 0,
  fdMatchAny = 1,
  fdMatchExact = 2,
  fdMatchEnd = 3,
  fdMatchRange = 4,
  fdMatchNone = 5,
};

// The three operator words of the value syntax.
struct TwwOperatorWords {
  std::string or_word = "or";
  std::string and_word = "and";
  std::string null_word = "null";
};

// One criterion on one field.
struct TwwFieldInfo {
  std::string FieldName;   // the dataset field; empty until resolved
  std::string DisplayName; // the field list's text for the field
  TwwFilterMatchType MatchType = fdMatchStart;
  std::string FilterValue;
  std::string MinValue, MaxValue;
  bool CaseSensitive = false;
  bool NonMatching = false;

  bool IsRange() const { return MatchType == fdMatchRange; }
  // A value criterion without value, or a range without either bound.
  bool IsEmpty() const {
    return IsRange() ? MinValue.empty() && MaxValue.empty() : FilterValue.empty();
  }
};

// Reads one token of a value from the 1-based `pos` and advances it: blanks
// and tabs are skipped, a text in double quotes is one token (without its
// quotes), otherwise a run of printable characters that are not in
// `delimiters`; a delimiter or control character is a token by itself. A
// position outside the text gives an empty token.
std::string GetToken(std::string_view text, int &pos, std::string_view delimiters);

// The operator word that separates the terms of `value` (the first or- or
// and-word after the first token), or an empty text when there is none.
std::string ParseOperator(std::string_view value, const TwwOperatorWords &words);

// The next term of `value` from `pos`, its tokens joined by single blanks,
// up to the operator `word` (consumed). `pos` becomes -1 after the last
// term. With an empty word the whole value is one term.
std::string NextTerm(std::string_view value, std::string_view word, int &pos);

// The text from `pos` up to the next `delimiter` (a one-character delimiter
// as is, a longer one as a word with a blank on each side, ignoring case),
// advancing past it; the rest of the text and `pos` -1 when none follows.
std::string SplitNext(std::string_view text, std::string_view delimiter, int &pos);

// Whether a criterion text suits a field of the type: digits (and a
// leading minus) for integer types, a number for float, currency and BCD,
// a date, time or date and time for those types; any text for the rest.
bool IsValidFieldText(TFieldType type, std::string_view text);

// Types whose values are checked and whose field list entry opens on the
// range page by default; time and date-time count only when the criteria
// are written into a query.
bool IsTypedFieldType(TFieldType type, bool query_modify = false);
// Blob-like fields (bytes, varbytes, blob, graphic) cannot be filtered.
bool IsFilterableFieldType(TFieldType type);

// The field value as the value test compares it: dates, times and
// date-times formatted, everything else as its text; null gives "".
std::string FilterFieldText(TFieldType type, const TVariant &value);

// Tests a field's text against a value criterion (match type, terms,
// case). NonMatching is not applied here.
bool MatchValueCriterion(const TwwFieldInfo &info, std::string_view field_text,
                         const TwwOperatorWords &words);

// Tests a field's typed value against a range criterion. Strings compare
// by character codes, integers and floats as numbers, dates and times as
// date-time values; other types pass. A null value lies outside every
// range that has a bound. A bound that does not convert raises
// EConvertError.
bool MatchRangeCriterion(const TwwFieldInfo &info, TFieldType type, const TVariant &value);

// The whole test of one criterion against one field value, NonMatching
// applied to value criteria.
bool TestCriterion(const TwwFieldInfo &info, TFieldType type, const TVariant &value,
                   const TwwOperatorWords &words);
