// An ordered list of texts with "name=value" access, as used for parameter
// lists, field-name lists and selected-field lines.
#pragma once

#include <string>
#include <vector>

#include "base/component.h"

class TStringList : public TPersistent {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string &Strings(int index) const { return items_.at(static_cast<size_t>(index)); }
  const std::string &operator[](int index) const { return Strings(index); }
  void SetStrings(int index, const std::string &s) { items_.at(static_cast<size_t>(index)) = s; }
  int Add(const std::string &s);
  void Insert(int index, const std::string &s);
  void Delete(int index);
  void Clear() { items_.clear(); }
  // Index of the first item equal to `s` ignoring case, or -1.
  int IndexOf(const std::string &s) const;
  // Lines joined with "\n" (each line ends with one), and its setter, which
  // splits at "\n" and "\r\n".
  std::string Text() const;
  void SetText(const std::string &text);
  // "name=value" items: the name part of item i, and the value for a name.
  std::string Names(int index) const;
  int IndexOfName(const std::string &name) const;
  std::string Values(const std::string &name) const;
  void SetValues(const std::string &name, const std::string &value);
  const std::vector<std::string> &Items() const { return items_; }
  void Assign(const TPersistent *source) override;

private:
  std::vector<std::string> items_;
};
