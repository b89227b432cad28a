// Titles and keywords of catalogue rows: derived from file names when not
// given, cut to the widths of the catalogue's fields without splitting a
// character, and titles made unique.
#pragma once

#include <functional>
#include <set>
#include <string>

namespace sfxcat {

constexpr size_t kTitleWidth = 24;
constexpr size_t kKeywordsWidth = 240;

// "sounds/Dog_bark-02.wav" -> "Dog bark 02": the file name without folder
// and extension, with underscores as spaces and runs of spaces collapsed,
// cut to the title width. An empty result becomes "Untitled".
std::string TitleFromFileName(const std::string &path);

// "sounds/Dog_bark-02.wav" -> "dog bark 02": the words of the file name, in
// lower case, separated by single spaces, cut to the keywords width.
std::string KeywordsFromFileName(const std::string &path);

// Replaces every byte that does not belong to a well-formed UTF-8 character
// (a file name in another encoding, a damaged list) with U+FFFD, so the
// catalogue only ever holds valid text.
std::string SanitizeUtf8(const std::string &text);

// Collapses white space (tabs, newlines, runs of spaces) to single spaces and
// trims the ends.
std::string NormalizeSpaces(const std::string &text);

// Cuts a text to at most `width` bytes on a character boundary, preferring
// the last space within the width when cutting would split a word.
std::string CutText(const std::string &text, size_t width, bool at_word = false);

// `title` itself when `taken` says it is free, else the first free one of
// "title 2", "title 3", ... (cutting the title so the number fits the width).
std::string MakeUniqueTitle(const std::string &title,
                            const std::function<bool(const std::string &)> &taken);

// A file name for a sound exported under `title`: "<title>.wav" with every
// '/', control character (NUL to 31 and DEL) and byte that is not part of
// well-formed UTF-8 replaced by '_', leading dots turned into '_' (no hidden
// files, no "." or ".."), outer spaces trimmed and cut to 200 bytes; an
// empty title becomes "Untitled".
std::string ExportFileName(const std::string &title);

// Hands out the export file names of one folder so no two rows share a file:
// the first title that maps to "Dog.wav" gets it, the next ones
// "Dog (2).wav", "Dog (3).wav", ... Names are compared ignoring case, since
// the folder may live on a file system that does.
class ExportNames {
public:
  std::string Take(const std::string &title);

private:
  bool Taken(const std::string &name) const;
  std::set<std::string> used_; // lower-cased
};

} // namespace sfxcat
