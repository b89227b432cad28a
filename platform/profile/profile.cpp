#include "platform/profile/profile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

namespace {

struct BuiltIn {
  const char *section, *key, *value;
};

constexpr BuiltIn kBuiltIns[] = {
    {"mci extensions", "WAV", "waveaudio"},
};

bool SameIgnoringCase(const std::string &a, const std::string &b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
         });
}

std::string Trim(const std::string &s) {
  const char *ws = " \t\r\n";
  auto b = s.find_first_not_of(ws);
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(ws);
  return s.substr(b, e - b + 1);
}

// The entry for section/key in the user's file: nullopt when the file does
// not mention it, an empty string when it removes it.
std::optional<std::string> FromUserFile(const std::string &section, const std::string &key) {
  std::ifstream in(ProfileFilePath());
  if (!in) return std::nullopt;
  std::optional<std::string> found;
  bool inSection = false;
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      auto close = line.find(']');
      inSection =
          close != std::string::npos && SameIgnoringCase(Trim(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    auto eq = line.find('=');
    if (eq == std::string::npos || !SameIgnoringCase(Trim(line.substr(0, eq)), key)) continue;
    std::string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    found = value; // the last entry for a key wins
  }
  return found;
}

} // namespace

std::string ProfileFilePath() {
  const char *xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg == '/') {
    base = xdg;
  } else {
    const char *home = std::getenv("HOME");
    base = std::string(home && *home ? home : ".") + "/.config";
  }
  return base + "/bonussfx/profile.ini";
}

std::string GetProfileString(const std::string &section, const std::string &key,
                             const std::string &defaultValue) {
  if (auto user = FromUserFile(section, key)) return user->empty() ? defaultValue : *user;
  for (const auto &b : kBuiltIns)
    if (SameIgnoringCase(section, b.section) && SameIgnoringCase(key, b.key)) return b.value;
  return defaultValue;
}

std::uint32_t GetProfileString(const char *section, const char *key, const char *defaultValue,
                               char *buffer, std::uint32_t size) {
  if (!buffer || size == 0) return 0;
  std::string value =
      GetProfileString(section ? section : "", key ? key : "", defaultValue ? defaultValue : "");
  std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  // Step back over continuation bytes so that no character is split.
  if (n < value.size())
    while (n > 0 && (static_cast<unsigned char>(value[n]) & 0xC0) == 0x80)
      --n;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<std::uint32_t>(n);
}
