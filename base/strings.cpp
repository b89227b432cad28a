#include "base/strings.h"

#include "base/exception.h"
#include "base/text.h"

int TStringList::Add(const std::string &s) {
  items_.push_back(s);
  return Count() - 1;
}

void TStringList::Insert(int index, const std::string &s) {
  if (index < 0 || index > Count()) throw Exception("List index out of bounds");
  items_.insert(items_.begin() + index, s);
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw Exception("List index out of bounds");
  items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const std::string &s) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(items_[static_cast<size_t>(i)], s)) return i;
  return -1;
}

std::string TStringList::Text() const {
  std::string out;
  for (auto &s : items_) {
    out += s;
    out += '\n';
  }
  return out;
}

void TStringList::SetText(const std::string &text) {
  items_.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    items_.push_back(line);
    start = end + 1;
  }
}

std::string TStringList::Names(int index) const {
  const std::string &s = Strings(index);
  size_t eq = s.find('=');
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

int TStringList::IndexOfName(const std::string &name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string &s = items_[static_cast<size_t>(i)];
    size_t eq = s.find('=');
    if (eq != std::string::npos && AnsiSameText(std::string_view(s).substr(0, eq), name)) return i;
  }
  return -1;
}

std::string TStringList::Values(const std::string &name) const {
  int i = IndexOfName(name);
  if (i < 0) return {};
  const std::string &s = items_[static_cast<size_t>(i)];
  return s.substr(s.find('=') + 1);
}

void TStringList::SetValues(const std::string &name, const std::string &value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i >= 0) {
    items_[static_cast<size_t>(i)] = name + "=" + value;
  } else {
    Add(name + "=" + value);
  }
}

void TStringList::Assign(const TPersistent *source) {
  if (auto *other = dynamic_cast<const TStringList *>(source)) {
    items_ = other->items_;
    return;
  }
  TPersistent::Assign(source);
}
