// Text order of the engine. Keys sort in dictionary order: letters compare
// first without regard to case (beyond ASCII), and case only decides between
// texts that are otherwise equal, so "dog" sorts next to "Dog barking".
// Case-insensitive indexes compare the folded texts only.
#pragma once

#include <string>
#include <string_view>

namespace dbeng {

// Lower-case form of a UTF-8 text (invalid bytes are kept as they are).
std::string FoldCase(std::string_view text);
// Dictionary order: <0, 0, >0. Equal only for identical texts.
int CompareDictionary(std::string_view a, std::string_view b);
// Case-insensitive order: equal when the folded texts are.
int CompareNoCase(std::string_view a, std::string_view b);
// True when `text` starts with `prefix`, case-insensitively or exactly.
bool HasPrefix(std::string_view text, std::string_view prefix, bool ignoreCase);

// Names of the collations registered on every table connection.
inline constexpr const char *kDictCollation = "ENGDICT";
inline constexpr const char *kNoCaseCollation = "ENGNOCASE";

} // namespace dbeng
