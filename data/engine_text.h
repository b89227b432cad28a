// Texts crossing into and out of the engine: converted with a language
// driver (none means the engine's default) and cut to the engine's field
// widths without splitting a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "data/engine/engine_api.h"

// Widths of the engine's text fields, in bytes.
inline constexpr size_t kNameWidth = ENG_MAXNAMELEN;
inline constexpr size_t kIndexNameWidth = ENG_MAXIDXNAMELEN;
inline constexpr size_t kPasswordWidth = ENG_MAXPWLEN;
inline constexpr size_t kPathWidth = ENG_MAXPATHLEN;

std::string AnsiToNative(hEngLd locale, std::string_view text, size_t width);
std::string NativeToAnsi(hEngLd locale, std::string_view text);
// A zero-terminated text of at most `size` bytes (an engine buffer) as a string.
std::string FromBuffer(const char *buffer, size_t size);
