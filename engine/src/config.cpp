#include "engine/src/config.h"

#include "engine/src/collate.h"
#include "engine/src/core.h"

#include <fstream>

namespace dbeng {

namespace {

std::string Trim(const std::string &s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool StartsWithPath(const std::string &key, const std::string &prefix) {
  return prefix.empty() || key == prefix ||
         (key.size() > prefix.size() && key.compare(0, prefix.size(), prefix) == 0 &&
          key[prefix.size()] == '\\');
}

} // namespace

std::string NormalisePath(const std::string &path) {
  std::string out;
  for (char c : path) {
    if (c == '/') c = '\\';
    if (c == '\\' && !out.empty() && out.back() == '\\') continue;
    out += c;
  }
  while (!out.empty() && out.back() == '\\')
    out.pop_back();
  if (!out.empty() && out.front() != '\\') out.insert(out.begin(), '\\');
  return out;
}

void Config::LoadFile(const std::string &path) {
  file_.clear();
  filePath_ = path;
  std::ifstream in(path);
  if (!in) return;
  std::string dir = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
  std::string line;
  Section *current = nullptr;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      std::string p = NormalisePath(Trim(line.substr(1, line.size() - 2)));
      Section &s = file_[FoldCase(p)];
      s.path = p;
      current = &s;
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string name = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
    if (CompareNoCase(name, "PATH") == 0 && !value.empty() && value[0] != '/' && !dir.empty())
      value = dir + "/" + value;
    current->entries.emplace_back(name, value);
  }
}

std::map<std::string, Config::Section> Config::Merged() const {
  std::map<std::string, Section> out;
  for (const auto &[key, s] : file_) {
    bool hidden = false;
    for (const std::string &d : dropped_)
      if (StartsWithPath(key, d)) hidden = true;
    if (!hidden) out[key] = s;
  }
  for (const auto &[key, s] : session_) {
    Section &target = out[key];
    target.path = s.path;
    for (const auto &[name, value] : s.entries) {
      bool replaced = false;
      for (auto &e : target.entries)
        if (CompareNoCase(e.first, name) == 0) {
          e.second = value;
          replaced = true;
        }
      if (!replaced) target.entries.emplace_back(name, value);
    }
  }
  return out;
}

std::vector<EngCfgDesc> Config::List(const std::string &path) const {
  std::string p = NormalisePath(path);
  std::string key = FoldCase(p);
  std::vector<EngCfgDesc> out;
  std::set<std::string> nodes;
  for (const auto &[k, s] : Merged()) {
    if (k == key) {
      for (const auto &[name, value] : s.entries) {
        EngCfgDesc d{};
        CopyText(d.name, sizeof d.name, name);
        CopyText(d.value, sizeof d.value, value);
        d.type = 1;
        out.push_back(d);
      }
    } else if (StartsWithPath(k, key)) {
      std::string rest = s.path.substr(p.size() + (p.empty() ? 0 : 0));
      if (!rest.empty() && rest[0] == '\\') rest.erase(0, 1);
      std::string node = rest.substr(0, rest.find('\\'));
      if (!node.empty() && nodes.insert(FoldCase(node)).second) {
        EngCfgDesc d{};
        CopyText(d.name, sizeof d.name, node);
        d.isNode = 1;
        d.type = 1;
        out.push_back(d);
      }
    }
  }
  return out;
}

bool Config::Exists(const std::string &path) const {
  std::string key = FoldCase(NormalisePath(path));
  for (const auto &[k, s] : Merged())
    if (StartsWithPath(k, key)) return true;
  return false;
}

std::optional<std::string> Config::Get(const std::string &path, const std::string &name) const {
  auto merged = Merged();
  auto it = merged.find(FoldCase(NormalisePath(path)));
  if (it == merged.end()) return std::nullopt;
  for (const auto &[n, v] : it->second.entries)
    if (CompareNoCase(n, name) == 0) return v;
  return std::nullopt;
}

void Config::Add(const std::string &path, const Entries &entries) {
  std::string p = NormalisePath(path);
  std::string key = FoldCase(p);
  // Re-adding a dropped path makes it visible again (with the new entries).
  for (auto it = dropped_.begin(); it != dropped_.end();)
    it = StartsWithPath(key, *it) ? dropped_.erase(it) : std::next(it);
  Section &s = session_[key];
  s.path = p;
  for (const auto &[name, value] : entries) {
    bool replaced = false;
    for (auto &e : s.entries)
      if (CompareNoCase(e.first, name) == 0) {
        e.second = value;
        replaced = true;
      }
    if (!replaced) s.entries.emplace_back(name, value);
  }
}

void Config::Drop(const std::string &path) {
  std::string key = FoldCase(NormalisePath(path));
  for (auto it = session_.begin(); it != session_.end();)
    it = StartsWithPath(it->first, key) ? session_.erase(it) : std::next(it);
  dropped_.insert(key);
}

void Config::Clear() {
  file_.clear();
  session_.clear();
  dropped_.clear();
}

} // namespace dbeng
