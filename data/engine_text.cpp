#include "data/engine_text.h"

#include <cstring>
#include <vector>

#include "base/text.h"

std::string AnsiToNative(hEngLd locale, std::string_view text, size_t width) {
  std::string cut = Utf8Truncate(text, width);
  if (locale == 0 || cut.empty()) return cut;
  std::vector<char> out(cut.size() + 1, '\0');
  if (EngineAnsiToNative(locale, out.data(), cut.c_str(), static_cast<uint32_t>(cut.size()),
                         nullptr) != DBENG_OK)
    return cut;
  return std::string(out.data());
}

std::string NativeToAnsi(hEngLd locale, std::string_view text) {
  std::string in(text);
  if (locale == 0 || in.empty()) return in;
  std::vector<char> out(in.size() + 1, '\0');
  if (EngineNativeToAnsi(locale, out.data(), in.c_str(), static_cast<uint32_t>(in.size()),
                         nullptr) != DBENG_OK)
    return in;
  return std::string(out.data());
}

std::string FromBuffer(const char *buffer, size_t size) {
  return std::string(buffer, strnlen(buffer, size));
}
