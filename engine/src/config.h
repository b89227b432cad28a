// The engine's configuration: aliases and other entries read from an INI
// file whose section names are configuration paths ("\DATABASES\sound\DB
// INFO"), overlaid by entries a session adds (temporary aliases), which live
// in memory only.
#pragma once

#include "engine/include/dbeng.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dbeng {

class Config {
public:
  using Entries = std::vector<std::pair<std::string, std::string>>;

  // Reads the file (a missing file is an empty configuration). Relative PATH
  // entries are taken relative to the file's folder.
  void LoadFile(const std::string &path);
  const std::string &FilePath() const { return filePath_; }

  // Entries and sub-paths (nodes) under `path`.
  std::vector<EngCfgDesc> List(const std::string &path) const;
  // True when `path` is a section or the start of one.
  bool Exists(const std::string &path) const;
  std::optional<std::string> Get(const std::string &path, const std::string &name) const;
  // Writes entries of `path` in memory (replacing entries of the same name).
  void Add(const std::string &path, const Entries &entries);
  // Removes `path` and everything below it.
  void Drop(const std::string &path);
  void Clear();

private:
  struct Section {
    std::string path;
    Entries entries;
  };
  std::map<std::string, Section> Merged() const;

  std::string filePath_;
  std::map<std::string, Section> file_;    // by folded path
  std::map<std::string, Section> session_; // by folded path
  std::set<std::string> dropped_;          // folded paths hidden from the file
};

// Normalises a configuration path: backslashes, no trailing separator.
std::string NormalisePath(const std::string &path);

} // namespace dbeng
