#include "engine/src/collate.h"

#include <clocale>
#include <cstdint>
#include <locale.h>
#include <wctype.h>

namespace dbeng {

namespace {

locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(nullptr));
    return l;
  }();
  return loc;
}

// Decodes one UTF-8 character at text[*pos]; an invalid byte is returned as
// itself (above the range of characters, so it sorts after them).
uint32_t NextChar(std::string_view text, size_t *pos) {
  unsigned char c = static_cast<unsigned char>(text[*pos]);
  if (c < 0x80) {
    ++*pos;
    return c;
  }
  int extra = c >= 0xF8 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0 || *pos + static_cast<size_t>(extra) >= text.size()) {
    ++*pos;
    return 0x110000u + c;
  }
  uint32_t cp = c & (0x3Fu >> extra);
  for (int i = 1; i <= extra; ++i) {
    unsigned char cc = static_cast<unsigned char>(text[*pos + i]);
    if ((cc & 0xC0) != 0x80) {
      ++*pos;
      return 0x110000u + c;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  *pos += static_cast<size_t>(extra) + 1;
  return cp;
}

uint32_t Lower(uint32_t cp) {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  if (cp >= 0x110000u) return cp;
  locale_t loc = Utf8Locale();
  if (!loc) return cp;
  return static_cast<uint32_t>(towlower_l(static_cast<wint_t>(cp), loc));
}

void AppendUtf8(std::string &out, uint32_t cp) {
  if (cp >= 0x110000u) {
    out.push_back(static_cast<char>(cp - 0x110000u));
  } else if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

int Sign(int64_t v) {
  return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// Base letters of U+00C0..U+017F (lower case), 0 where the character is no
// accented Latin letter: accents weigh less than letters in dictionary order.
constexpr char kLatinBase[] =
    "aaaaaaaceeeeiiiidnooooo\0ouuuuyts" // C0-DF (D7 multiplication sign)
    "aaaaaaaceeeeiiiidnooooo\0ouuuuyty" // E0-FF (F7 division sign)
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkklllllllll" // 100-141
    "lnnnnnnnnnoooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";    // 142-17F

uint32_t BaseLetter(uint32_t lower) {
  if (lower >= 0xC0 && lower <= 0x17F) {
    char b = kLatinBase[lower - 0xC0];
    if (b) return static_cast<uint32_t>(b);
  }
  return lower;
}

uint32_t Same(uint32_t cp) {
  return cp;
}

// Compares two texts character by character, lower-cased and mapped with
// `weigh`; ASCII takes a fast path.
template <typename Weigh> int CompareMapped(std::string_view a, std::string_view b, Weigh weigh) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (ca < 0x80 && cb < 0x80) {
      int la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
      int lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
      if (la != lb) return la < lb ? -1 : 1;
      ++i;
      ++j;
      continue;
    }
    uint32_t x = weigh(Lower(NextChar(a, &i))), y = weigh(Lower(NextChar(b, &j)));
    if (x != y) return x < y ? -1 : 1;
  }
  return Sign(static_cast<int64_t>(a.size() - i) - static_cast<int64_t>(b.size() - j));
}

} // namespace

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size())
    AppendUtf8(out, Lower(NextChar(text, &pos)));
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  // Letters first, then accents.
  int c = CompareMapped(a, b, BaseLetter);
  return c != 0 ? c : CompareMapped(a, b, Same);
}

int CompareDictionary(std::string_view a, std::string_view b) {
  int c = CompareNoCase(a, b);
  if (c != 0) return c;
  // Same letters: the case decides, by code point (capitals first).
  int d = a.compare(b);
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

bool HasPrefix(std::string_view text, std::string_view prefix, bool ignoreCase) {
  if (!ignoreCase) return text.substr(0, prefix.size()) == prefix;
  std::string ft = FoldCase(text), fp = FoldCase(prefix);
  return std::string_view(ft).substr(0, fp.size()) == fp;
}

} // namespace dbeng
