#include "search/wwfilter_criteria.h"

#include <cstdint>

#include "base/convert.h"
#include "base/exception.h"
#include "base/text.h"

namespace {

// Memo texts are compared up to this many bytes.
constexpr size_t kMemoLimit = 32767;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The delimiter set for an operator word: the word's character when it is
// a single character.
std::string DelimitersFor(std::string_view word) {
  return Utf8Length(word) == 1 ? std::string(word) : std::string();
}

std::string DelimitersFor(const TwwOperatorWords &words) {
  return DelimitersFor(words.or_word) + DelimitersFor(words.and_word);
}

// Length in bytes of the UTF-8 character that starts with `lead`.
size_t CharBytes(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

bool InDelimiters(std::string_view text, size_t at, std::string_view delimiters) {
  if (delimiters.empty()) return false;
  // A delimiter is one character, possibly several bytes long; the set may
  // hold two of them.
  size_t i = 0;
  while (i < delimiters.size()) {
    const size_t n = CharBytes(static_cast<unsigned char>(delimiters[i]));
    if (text.substr(at, n) == delimiters.substr(i, n)) return true;
    i += n;
  }
  return false;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int CompareNumbers(double a, double b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

std::string GetToken(std::string_view text, int &pos, std::string_view delimiters) {
  const int len = static_cast<int>(text.size());
  if (pos < 1 || pos > len) return {};
  size_t i = static_cast<size_t>(pos - 1);
  while (i < text.size() && IsBlank(text[i]))
    ++i;
  if (i >= text.size()) {
    pos = len + 1;
    return {};
  }
  std::string token;
  if (text[i] == '"') {
    const size_t close = text.find('"', i + 1);
    if (close == std::string_view::npos) {
      token = std::string(text.substr(i));
      pos = len + 1;
    } else {
      token = std::string(text.substr(i, close - i + 1));
      pos = static_cast<int>(close) + 2;
    }
    if (!token.empty() && IsQuote(token.front())) token.erase(0, 1);
    if (!token.empty() && IsQuote(token.back())) token.pop_back();
    return token;
  }
  size_t end = i;
  while (end < text.size() && static_cast<unsigned char>(text[end]) >= 33 &&
         !InDelimiters(text, end, delimiters))
    end += CharBytes(static_cast<unsigned char>(text[end]));
  if (end > text.size()) end = text.size();
  if (end == i) {
    // A delimiter or a control character stands here: it is the token.
    token = std::string(text.substr(i, CharBytes(static_cast<unsigned char>(text[i]))));
    end = i;
  } else {
    token = std::string(text.substr(i, end - i));
  }
  // A token of one character also passes over the character after it
  // (where a one-character operator word usually stands).
  size_t next = end;
  if (Utf8Length(token) < 2) next += token.size();
  pos = static_cast<int>(next) + 1;
  return token;
}

std::string ParseOperator(std::string_view value, const TwwOperatorWords &words) {
  const std::string delimiters = DelimitersFor(words);
  int pos = 1;
  bool first = true;
  while (pos >= 1 && pos <= static_cast<int>(value.size())) {
    const std::string token = GetToken(value, pos, delimiters);
    if (token.empty()) break;
    if (!first) {
      if (AnsiSameText(token, words.or_word)) return words.or_word;
      if (AnsiSameText(token, words.and_word)) return words.and_word;
    }
    first = false;
  }
  return {};
}

std::string NextTerm(std::string_view value, std::string_view word, int &pos) {
  const std::string delimiters = DelimitersFor(word);
  std::string term;
  bool last_empty = false;
  while (true) {
    if (pos < 1 || pos > static_cast<int>(value.size())) break;
    const std::string token = GetToken(value, pos, delimiters);
    if (token.empty()) {
      last_empty = true;
      break;
    }
    if (!word.empty() && AnsiSameText(token, word)) break;
    if (!term.empty()) term += ' ';
    term += token;
  }
  if (pos < 1 || pos > static_cast<int>(value.size()) || last_empty) pos = -1;
  return term;
}

std::string SplitNext(std::string_view text, std::string_view delimiter, int &pos) {
  if (pos < 1 || pos > static_cast<int>(text.size()) + 1) {
    pos = -1;
    return {};
  }
  const size_t from = static_cast<size_t>(pos - 1);
  size_t at = std::string_view::npos, skip = 0;
  if (Utf8Length(delimiter) == 1) {
    at = text.find(delimiter, from);
    skip = delimiter.size();
  } else if (!delimiter.empty()) {
    const std::string upper = AnsiUpperCase(text);
    const std::string needle = " " + AnsiUpperCase(delimiter) + " ";
    // Upper-casing may change byte lengths beyond ASCII; search the
    // upper-cased text only when it kept the original's length.
    if (upper.size() == text.size()) {
      at = upper.find(needle, from);
      skip = needle.size();
    }
  }
  if (at == std::string_view::npos) {
    pos = -1;
    return std::string(text.substr(from));
  }
  pos = static_cast<int>(at + skip) + 1;
  return std::string(text.substr(from, at - from));
}

bool IsValidFieldText(TFieldType type, std::string_view text) {
  switch (type) {
  case ftSmallint:
  case ftInteger:
  case ftWord:
  case ftAutoInc:
    if (text.size() > 1 && text.front() == '-') return AllDigits(text.substr(1));
    return AllDigits(text) || text.empty();
  case ftFloat:
  case ftCurrency:
  case ftBCD: {
    if (text.empty()) return true;
    double d;
    return TryStrToFloat(text.substr(0, 63), d);
  }
  case ftDate: {
    TDateTimeValue v;
    return TryStrToDate(text, v);
  }
  case ftTime: {
    TDateTimeValue v;
    return TryStrToTime(text, v);
  }
  case ftDateTime: {
    TDateTimeValue v;
    return TryStrToDateTime(text, v) || TryStrToDate(text, v);
  }
  default:
    return true;
  }
}

bool IsTypedFieldType(TFieldType type, bool query_modify) {
  switch (type) {
  case ftSmallint:
  case ftInteger:
  case ftWord:
  case ftBoolean:
  case ftFloat:
  case ftCurrency:
  case ftDate:
  case ftAutoInc:
    return true;
  case ftTime:
  case ftDateTime:
    return query_modify;
  default:
    return false;
  }
}

bool IsFilterableFieldType(TFieldType type) {
  return type != ftBytes && type != ftVarBytes && type != ftBlob && type != ftGraphic;
}

std::string FilterFieldText(TFieldType type, const TVariant &value) {
  if (value.IsNull()) return {};
  switch (type) {
  case ftDate:
    return DateToStr(value.AsDateTime());
  case ftTime:
    return TimeToStr(value.AsDateTime());
  case ftDateTime:
    return DateTimeToStr(value.AsDateTime());
  default:
    return value.AsString();
  }
}

bool MatchValueCriterion(const TwwFieldInfo &info, std::string_view field_text,
                         const TwwOperatorWords &words) {
  const std::string word = ParseOperator(info.FilterValue, words);
  const bool any_term = !word.empty() && word == words.or_word;
  std::string text(field_text), value = info.FilterValue;
  if (!info.CaseSensitive) {
    text = AnsiUpperCase(text);
    value = AnsiUpperCase(value);
  }
  int pos = 1;
  bool seen_term = false;
  while (pos != -1) {
    const std::string term = NextTerm(value, word, pos);
    // Blanks after a trailing operator word leave an empty last term;
    // it is not a term the user wrote.
    if (term.empty() && pos == -1 && seen_term) break;
    seen_term = true;
    bool matches = false;
    if (!term.empty()) {
      if (AnsiSameText(term, words.null_word) && text.empty()) {
        matches = true;
      } else {
        switch (info.MatchType) {
        case fdMatchStart:
          matches = text.compare(0, term.size(), term) == 0;
          break;
        case fdMatchAny:
          matches = text.find(term) != std::string::npos;
          break;
        case fdMatchExact:
          matches = text == term;
          break;
        case fdMatchEnd:
          matches = text.size() >= term.size() &&
                    text.compare(text.size() - term.size(), term.size(), term) == 0;
          break;
        default:
          matches = false;
        }
      }
    }
    if (any_term && matches) return true;
    if (!any_term && !matches) return false;
  }
  return !any_term;
}

bool MatchRangeCriterion(const TwwFieldInfo &info, TFieldType type, const TVariant &value) {
  const bool has_min = !info.MinValue.empty(), has_max = !info.MaxValue.empty();
  if (!has_min && !has_max) return true;
  int below = 0, above = 0; // value compared with min and max
  switch (type) {
  case ftString: {
    const std::string text = value.IsNull() ? std::string() : value.AsString();
    if (has_min) below = AnsiCompareStr(text, info.MinValue);
    if (has_max) above = AnsiCompareStr(text, info.MaxValue);
    break;
  }
  case ftSmallint:
  case ftInteger:
  case ftWord:
  case ftAutoInc: {
    const int64_t lo = has_min ? StrToInt(Trim(info.MinValue)) : 0;
    const int64_t hi = has_max ? StrToInt(Trim(info.MaxValue)) : 0;
    if (value.IsNull()) return false;
    const int64_t v = value.AsInteger();
    below = v < lo ? -1 : 0;
    above = v > hi ? 1 : 0;
    break;
  }
  case ftFloat:
  case ftCurrency: {
    const double lo = has_min ? StrToFloat(Trim(info.MinValue)) : 0;
    const double hi = has_max ? StrToFloat(Trim(info.MaxValue)) : 0;
    if (value.IsNull()) return false;
    const double v = value.AsFloat();
    below = CompareNumbers(v, lo);
    above = CompareNumbers(v, hi);
    break;
  }
  case ftDate:
  case ftTime:
  case ftDateTime: {
    auto read = [type](const std::string &s) {
      const std::string t = Trim(s);
      if (type == ftDate) return StrToDate(t);
      if (type == ftTime) return StrToTime(t);
      TDateTimeValue v;
      if (TryStrToDate(t, v)) return v;
      return StrToDateTime(t);
    };
    const double lo = has_min ? read(info.MinValue) : 0;
    const double hi = has_max ? read(info.MaxValue) : 0;
    if (value.IsNull()) return false;
    const double v = value.AsDateTime();
    below = CompareNumbers(v, lo);
    above = CompareNumbers(v, hi);
    break;
  }
  default:
    return true;
  }
  if (has_min && below < 0) return false;
  if (has_max && above > 0) return false;
  return true;
}

bool TestCriterion(const TwwFieldInfo &info, TFieldType type, const TVariant &value,
                   const TwwOperatorWords &words) {
  if (info.IsRange()) {
    // Memo texts have no order the range could use.
    if (type == ftMemo || type == ftFmtMemo) return true;
    return MatchRangeCriterion(info, type, value);
  }
  std::string text = FilterFieldText(type, value);
  if (type == ftMemo || type == ftFmtMemo) text = Utf8Truncate(text, kMemoLimit);
  const bool matches = MatchValueCriterion(info, text, words);
  return info.NonMatching ? !matches : matches;
}
