#include "base/convert.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/exception.h"
#include "base/format.h"
#include "base/text.h"

bool TryStrToInt(std::string_view s, int64_t &value) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (t[0] == '+' || t[0] == '-') {
    neg = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return false;
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > (neg ? 9223372036854775808ull : 9223372036854775807ull)) return false;
  }
  value = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

int64_t StrToInt(std::string_view s) {
  int64_t v;
  if (!TryStrToInt(s, v)) throw EConvertError(Format("'%s' is not a valid integer value", {s}));
  return v;
}

bool TryStrToFloat(std::string_view s, double &value) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  // Only plain decimal notation with an optional exponent; no hexadecimal,
  // no "inf" or "nan".
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E'))
      return false;
  errno = 0;
  char *end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v)) return false;
  value = v;
  return true;
}

double StrToFloat(std::string_view s) {
  double v;
  if (!TryStrToFloat(s, v))
    throw EConvertError(Format("'%s' is not a valid floating point value", {s}));
  return v;
}

std::string FloatToStr(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

namespace {

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Parses "d+" into n, advancing p; false when no digit.
bool ReadNum(std::string_view s, size_t &p, int &n, size_t max_digits) {
  size_t start = p;
  n = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9' && p - start < max_digits)
    n = n * 10 + (s[p++] - '0');
  return p > start;
}

bool ParseDate(std::string_view s, size_t &p, TDateTimeValue &v) {
  int y, m, d;
  if (!ReadNum(s, p, y, 4) || p >= s.size() || s[p++] != '-') return false;
  if (!ReadNum(s, p, m, 2) || p >= s.size() || s[p++] != '-') return false;
  if (!ReadNum(s, p, d, 2)) return false;
  return TryEncodeDate(y, m, d, v);
}

bool ParseTime(std::string_view s, size_t &p, TDateTimeValue &v) {
  int h, n, sec = 0, ms = 0;
  if (!ReadNum(s, p, h, 2) || p >= s.size() || s[p++] != ':') return false;
  if (!ReadNum(s, p, n, 2)) return false;
  if (p < s.size() && s[p] == ':') {
    ++p;
    if (!ReadNum(s, p, sec, 2)) return false;
    if (p < s.size() && s[p] == '.') {
      ++p;
      size_t start = p;
      if (!ReadNum(s, p, ms, 3)) return false;
      for (size_t k = p - start; k < 3; ++k)
        ms *= 10;
    }
  }
  if (h > 23 || n > 59 || sec > 59) return false;
  v = ((h * 60 + n) * 60 + sec) * 1000.0 + ms;
  v /= kMSecsPerDay;
  return true;
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTimeValue &result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  int y = year - 1;
  int64_t days = int64_t(y) * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m)
    days += DaysInMonth(year, m);
  days += day;
  result = static_cast<double>(days - kDateDelta);
  return true;
}

void DecodeDate(TDateTimeValue dt, int &year, int &month, int &day) {
  int64_t n = static_cast<int64_t>(std::floor(dt)) + kDateDelta; // 1 = 0001-01-01
  if (n < 1) {
    year = month = day = 0;
    return;
  }
  int64_t d = n - 1;
  int64_t y400 = d / 146097;
  d %= 146097;
  int64_t y100 = d / 36524;
  if (y100 == 4) y100 = 3;
  d -= y100 * 36524;
  int64_t y4 = d / 1461;
  d %= 1461;
  int64_t y1 = d / 365;
  if (y1 == 4) y1 = 3;
  d -= y1 * 365;
  year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  month = 1;
  while (d >= DaysInMonth(year, month)) {
    d -= DaysInMonth(year, month);
    ++month;
  }
  day = static_cast<int>(d) + 1;
}

void DecodeTime(TDateTimeValue dt, int &hour, int &minute, int &second, int &msec) {
  double frac = std::fabs(dt - std::floor(dt));
  int64_t ms = std::llround(frac * kMSecsPerDay);
  if (ms >= 86400000) ms = 86399999;
  msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  second = static_cast<int>(ms % 60);
  ms /= 60;
  minute = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

std::string DateToStr(TDateTimeValue dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  return buf;
}

std::string TimeToStr(TDateTimeValue dt) {
  int h, n, s, ms;
  DecodeTime(dt, h, n, s, ms);
  char buf[32];
  if (ms)
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", h, n, s, ms);
  else
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
  return buf;
}

std::string DateTimeToStr(TDateTimeValue dt) {
  if (dt == std::floor(dt)) return DateToStr(dt);
  return DateToStr(dt) + " " + TimeToStr(dt);
}

bool TryStrToDate(std::string_view s, TDateTimeValue &value) {
  std::string t = Trim(s);
  size_t p = 0;
  TDateTimeValue v;
  if (!ParseDate(t, p, v) || p != t.size()) return false;
  value = v;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTimeValue &value) {
  std::string t = Trim(s);
  size_t p = 0;
  TDateTimeValue v;
  if (!ParseTime(t, p, v) || p != t.size()) return false;
  value = v;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTimeValue &value) {
  std::string t = Trim(s);
  size_t p = 0;
  TDateTimeValue d = 0, tm = 0;
  if (!ParseDate(t, p, d)) {
    // A time alone is a time on day 0.
    p = 0;
    if (!ParseTime(t, p, tm) || p != t.size()) return false;
    value = tm;
    return true;
  }
  if (p < t.size()) {
    if (t[p] != ' ' && t[p] != 'T') return false;
    ++p;
    while (p < t.size() && t[p] == ' ')
      ++p;
    if (!ParseTime(t, p, tm) || p != t.size()) return false;
  }
  value = d < 0 ? d - tm : d + tm;
  return true;
}

TDateTimeValue StrToDate(std::string_view s) {
  TDateTimeValue v;
  if (!TryStrToDate(s, v)) throw EConvertError(Format("'%s' is not a valid date", {s}));
  return v;
}

TDateTimeValue StrToTime(std::string_view s) {
  TDateTimeValue v;
  if (!TryStrToTime(s, v)) throw EConvertError(Format("'%s' is not a valid time", {s}));
  return v;
}

TDateTimeValue StrToDateTime(std::string_view s) {
  TDateTimeValue v;
  if (!TryStrToDateTime(s, v))
    throw EConvertError(Format("'%s' is not a valid date and time", {s}));
  return v;
}

std::string FormatFloat(std::string_view picture, double value) {
  if (picture.empty()) return FloatToStr(value);
  // Work out the digits the picture asks for.
  int int_zeros = 0, frac_zeros = 0, frac_hashes = 0;
  bool thousands = false, in_frac = false, in_quote = false;
  for (char c : picture) {
    if (c == '\'' || c == '"') in_quote = !in_quote;
    if (in_quote) continue;
    if (c == '.')
      in_frac = true;
    else if (c == ',')
      thousands = true;
    else if (c == '0')
      (in_frac ? frac_zeros : int_zeros)++;
    else if (c == '#' && in_frac)
      frac_hashes++;
  }
  int decimals = frac_zeros + frac_hashes;
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(value));
  std::string digits(buf);
  std::string int_part = digits.substr(0, digits.find('.'));
  std::string frac_part =
      digits.find('.') == std::string::npos ? "" : digits.substr(digits.find('.') + 1);
  while (static_cast<int>(frac_part.size()) > frac_zeros && !frac_part.empty() &&
         frac_part.back() == '0')
    frac_part.pop_back();
  if (int_part == "0" && int_zeros == 0) int_part.clear();
  while (static_cast<int>(int_part.size()) < int_zeros)
    int_part.insert(0, "0");
  if (thousands)
    for (int i = static_cast<int>(int_part.size()) - 3; i > 0; i -= 3)
      int_part.insert(static_cast<size_t>(i), ",");
  bool negative = value < 0 && (int_part.find_first_not_of("0,") != std::string::npos ||
                                frac_part.find_first_not_of('0') != std::string::npos);
  // Rebuild: literals before the first digit placeholder, the number, then
  // literals after the last one.
  std::string prefix, suffix;
  size_t first = picture.find_first_of("0#.,"), last = picture.find_last_of("0#.,");
  auto literal = [](std::string_view part) {
    std::string out;
    bool q = false;
    for (char c : part) {
      if (c == '\'' || c == '"') {
        q = !q;
        continue;
      }
      out += c;
    }
    return out;
  };
  if (first != std::string_view::npos) {
    prefix = literal(picture.substr(0, first));
    suffix = literal(picture.substr(last + 1));
  }
  std::string number = int_part;
  if (!frac_part.empty()) number += "." + frac_part;
  if (number.empty()) number = "0";
  return (negative ? "-" : "") + prefix + number + suffix;
}

std::string FormatDateTime(std::string_view picture, TDateTimeValue dt) {
  if (picture.empty()) return DateTimeToStr(dt);
  int y, mo, d, h, mi, s, ms;
  DecodeDate(dt, y, mo, d);
  DecodeTime(dt, h, mi, s, ms);
  std::string out;
  auto two = [](int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return std::string(b);
  };
  auto starts = [&](size_t i, const char *tok) {
    size_t n = std::char_traits<char>::length(tok);
    if (i + n > picture.size()) return false;
    for (size_t k = 0; k < n; ++k)
      if ((picture[i + k] | 0x20) != tok[k]) return false;
    return true;
  };
  for (size_t i = 0; i < picture.size();) {
    char c = picture[i];
    if (c == '\'' || c == '"') {
      size_t end = picture.find(c, i + 1);
      if (end == std::string_view::npos) end = picture.size();
      out.append(picture.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (starts(i, "yyyy")) {
      char b[8];
      std::snprintf(b, sizeof b, "%04d", y);
      out += b;
      i += 4;
    } else if (starts(i, "yy")) {
      out += two(y % 100);
      i += 2;
    } else if (starts(i, "mm")) {
      out += two(mo);
      i += 2;
    } else if (starts(i, "m")) {
      out += std::to_string(mo);
      i += 1;
    } else if (starts(i, "dd")) {
      out += two(d);
      i += 2;
    } else if (starts(i, "d")) {
      out += std::to_string(d);
      i += 1;
    } else if (starts(i, "hh")) {
      out += two(h);
      i += 2;
    } else if (starts(i, "h")) {
      out += std::to_string(h);
      i += 1;
    } else if (starts(i, "nn")) {
      out += two(mi);
      i += 2;
    } else if (starts(i, "n")) {
      out += std::to_string(mi);
      i += 1;
    } else if (starts(i, "ss")) {
      out += two(s);
      i += 2;
    } else if (starts(i, "s")) {
      out += std::to_string(s);
      i += 1;
    } else if (starts(i, "zzz")) {
      char b[8];
      std::snprintf(b, sizeof b, "%03d", ms);
      out += b;
      i += 3;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}
