// Text helpers for UTF-8 strings. Case folding goes beyond ASCII (through
// the C library's wide-character tables of the C.UTF-8 locale), and cutting
// a text to a byte width never splits a character.
#pragma once

#include <string>
#include <string_view>

std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
// Compares ignoring case: <0, 0, >0.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
// Compares with case: <0, 0, >0, in code-point order.
int AnsiCompareStr(std::string_view a, std::string_view b);

// The longest prefix of `s` of at most `max_bytes` bytes that ends on a
// character boundary.
std::string Utf8Truncate(std::string_view s, size_t max_bytes);
// Number of characters (code points) of a UTF-8 text.
size_t Utf8Length(std::string_view s);

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
