#include "tools/sfxcat/naming.h"

#include <stdexcept>

#include "base/text.h"

namespace sfxcat {

namespace {

std::string FileStem(const std::string &path) {
  std::string name = path;
  if (auto slash = name.find_last_of('/'); slash != std::string::npos)
    name = name.substr(slash + 1);
  if (auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

std::string SanitizeUtf8(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = b(i);
    size_t len = c < 0x80                   ? 1
                 : (c >= 0xC2 && c <= 0xDF) ? 2
                 : (c >= 0xE0 && c <= 0xEF) ? 3
                 : (c >= 0xF0 && c <= 0xF4) ? 4
                                            : 0;
    bool ok = len > 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k)
      ok = (b(i + k) & 0xC0) == 0x80;
    // Overlong forms, surrogates and code points past U+10FFFF.
    if (ok && len == 3 && ((c == 0xE0 && b(i + 1) < 0xA0) || (c == 0xED && b(i + 1) >= 0xA0)))
      ok = false;
    if (ok && len == 4 && ((c == 0xF0 && b(i + 1) < 0x90) || (c == 0xF4 && b(i + 1) >= 0x90)))
      ok = false;
    if (ok) {
      out.append(text, i, len);
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

std::string NormalizeSpaces(const std::string &text) {
  std::string out;
  bool pending_space = false;
  for (char c : text) {
    if (IsSpace(c) || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out.push_back(' ');
    pending_space = false;
    out.push_back(c);
  }
  return out;
}

std::string CutText(const std::string &text, size_t width, bool at_word) {
  if (text.size() <= width) return text;
  std::string cut = Utf8Truncate(text, width);
  if (at_word && text[cut.size()] != ' ') {
    auto space = cut.find_last_of(' ');
    if (space != std::string::npos && space > 0) cut.resize(space);
  }
  return TrimRight(cut);
}

std::string TitleFromFileName(const std::string &path) {
  std::string stem = SanitizeUtf8(FileStem(path));
  for (char &c : stem)
    if (c == '_') c = ' ';
  std::string title = CutText(NormalizeSpaces(stem), kTitleWidth);
  return title.empty() ? "Untitled" : title;
}

std::string KeywordsFromFileName(const std::string &path) {
  std::string stem = SanitizeUtf8(FileStem(path)), words;
  for (char c : stem) {
    unsigned char u = static_cast<unsigned char>(c);
    // Letters and digits, and every byte of a non-ASCII character, make
    // words; anything else separates them.
    bool word_char =
        u >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    words.push_back(word_char ? c : ' ');
  }
  return CutText(AnsiLowerCase(NormalizeSpaces(words)), kKeywordsWidth, true);
}

std::string MakeUniqueTitle(const std::string &title,
                            const std::function<bool(const std::string &)> &taken) {
  if (!taken(title)) return title;
  for (int n = 2; n < 1000000; ++n) {
    std::string suffix = " " + std::to_string(n);
    std::string candidate = CutText(title, kTitleWidth - suffix.size()) + suffix;
    if (!taken(candidate)) return candidate;
  }
  throw std::runtime_error("no free title for \"" + title + "\"");
}

std::string ExportFileName(const std::string &title) {
  std::string name;
  const std::string clean = SanitizeUtf8(title);
  name.reserve(clean.size());
  for (char c : clean) {
    const auto u = static_cast<unsigned char>(c);
    name += (c == '/' || u < 0x20 || u == 0x7f) ? '_' : c;
  }
  // U+FFFD stands for bytes that were not UTF-8: keep the name plain.
  for (size_t at; (at = name.find("\xEF\xBF\xBD")) != std::string::npos;)
    name.replace(at, 3, "_");
  size_t begin = name.find_first_not_of(' ');
  size_t end = name.find_last_not_of(' ');
  name = begin == std::string::npos ? std::string() : name.substr(begin, end - begin + 1);
  for (char &c : name) {
    if (c != '.') break;
    c = '_';
  }
  if (name.empty()) name = "Untitled";
  // Well inside the usual 255-byte limit, with room for " (n)" and ".wav".
  return CutText(name, 200) + ".wav";
}

bool ExportNames::Taken(const std::string &name) const {
  return used_.count(AnsiLowerCase(name)) != 0;
}

std::string ExportNames::Take(const std::string &title) {
  const std::string first = ExportFileName(title);
  std::string name = first;
  const std::string stem = first.substr(0, first.size() - 4);
  for (int n = 2; Taken(name); ++n)
    name = stem + " (" + std::to_string(n) + ").wav";
  used_.insert(AnsiLowerCase(name));
  return name;
}

} // namespace sfxcat
