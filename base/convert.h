// Conversions between texts, numbers and dates, as the runtime offers them
// to every layer: integers and floating-point numbers in plain decimal
// notation, dates as "yyyy-mm-dd", times as "hh:nn:ss" (milliseconds
// appended as ".zzz" when not zero). Failures raise EConvertError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Days since 30 December 1899; the fraction is the time of day.
using TDateTimeValue = double;

// Day number of 30 December 1899 counted so that 1 January of year 1 is 1.
inline constexpr int32_t kDateDelta = 693594;
inline constexpr double kMSecsPerDay = 86400000.0;

bool TryStrToInt(std::string_view s, int64_t &value);
// "'%s' is not a valid integer value".
int64_t StrToInt(std::string_view s);
bool TryStrToFloat(std::string_view s, double &value);
// "'%s' is not a valid floating point value".
double StrToFloat(std::string_view s);
// Up to 15 significant digits, no exponent for ordinary magnitudes.
std::string FloatToStr(double value);

bool TryEncodeDate(int year, int month, int day, TDateTimeValue &result);
void DecodeDate(TDateTimeValue dt, int &year, int &month, int &day);
void DecodeTime(TDateTimeValue dt, int &hour, int &minute, int &second, int &msec);

std::string DateToStr(TDateTimeValue dt);
std::string TimeToStr(TDateTimeValue dt);
// The date, and the time after a space when the time is not midnight.
std::string DateTimeToStr(TDateTimeValue dt);
// "'%s' is not a valid date", "'%s' is not a valid time",
// "'%s' is not a valid date and time".
TDateTimeValue StrToDate(std::string_view s);
TDateTimeValue StrToTime(std::string_view s);
TDateTimeValue StrToDateTime(std::string_view s);
bool TryStrToDate(std::string_view s, TDateTimeValue &value);
bool TryStrToTime(std::string_view s, TDateTimeValue &value);
bool TryStrToDateTime(std::string_view s, TDateTimeValue &value);

// Formats a number by a picture: "0" a digit always shown, "#" a digit
// shown when significant, "." the decimal point, "," thousands separators,
// text in quotes and any other character literally. An empty picture gives
// FloatToStr.
std::string FormatFloat(std::string_view picture, double value);
// Formats a date and time by a picture of "yyyy", "yy", "mm", "m", "dd",
// "d", "hh", "h", "nn", "n", "ss", "s", "zzz", quoted text and literal
// characters. An empty picture gives DateTimeToStr.
std::string FormatDateTime(std::string_view picture, TDateTimeValue dt);
