// The catalogue table as sfxcat sees it, over the engine contract
// (data/engine/engine_api.h): the engine started for the run, a database
// opened by folder or alias, and the catalogue table with its four fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/engine/engine_api.h"
#include "tools/sfxcat/command.h"

namespace sfxcat {

// An engine failure: the engine's text for the code, the underlying cause
// from its error stack, and what sfxcat was doing.
class EEngineError : public Exception {
public:
  EEngineError(DBResult code, const std::string &message) : Exception(message), code_(code) {}
  DBResult Code() const { return code_; }

private:
  DBResult code_;
};

// The engine's text for `code` followed by the causes on its error stack.
std::string EngineErrorText(DBResult code);
// Raises EEngineError("<doing>: <engine text>") unless `code` is 0.
void Check(DBResult code, const std::string &doing);

// The catalogue's fields, in record order.
constexpr uint16_t kCategoryField = 1;
constexpr uint16_t kTitleField = 2;
constexpr uint16_t kKeywordsField = 3;
constexpr uint16_t kWavField = 4;

// Where a command's table is: from --dir/--alias, --table and --password.
struct TableLocation {
  std::string dir;   // empty: by alias
  std::string alias; // used when dir is empty
  std::string table;
  std::string password;
  bool has_password = false;

  static TableLocation FromArgs(const ParsedArgs &args);
  // "bonussfx.db in /some/folder" or "bonussfx.db of alias sound", for messages.
  std::string Describe() const;
};

// The engine, started for the life of the object.
class EngineRun {
public:
  EngineRun();
  ~EngineRun();
  EngineRun(const EngineRun &) = delete;
  EngineRun &operator=(const EngineRun &) = delete;

private:
  bool counted_ = false;
};

// A database opened on the location's folder or alias, with the location's
// password given to the session.
class Database {
public:
  explicit Database(const TableLocation &where);
  ~Database();
  Database(const Database &) = delete;
  Database &operator=(const Database &) = delete;
  hEngDb Handle() const { return db_; }
  const TableLocation &Where() const { return where_; }

private:
  TableLocation where_;
  hEngDb db_ = 0;
};

// Creates the catalogue table: CATEGORY (16-bit integer), TITLE (text 24),
// KEYWORDS (text 240), WAV (binary blob, in-record size 240); the primary
// index on TITLE (unique), secondary indexes KEYWORDS (case-insensitive) and
// CATEGORY; protected by `password` unless it is empty.
void CreateCatalogueTable(Database &db, const std::string &password, bool replace);

struct FieldInfo {
  uint16_t number;
  std::string name;
  uint16_t type, sub_type;
  int units1, units2;
};

struct IndexInfo {
  std::string name; // "" for the primary index
  std::vector<std::string> fields;
  bool primary, unique, descending, case_insensitive;
};

// The catalogue table opened through a cursor in primary (TITLE) order.
class CatalogueTable {
public:
  CatalogueTable(Database &db, bool read_only);
  ~CatalogueTable();
  CatalogueTable(const CatalogueTable &) = delete;
  CatalogueTable &operator=(const CatalogueTable &) = delete;

  hEngCursor Cursor() const { return cursor_; }
  const EngCurProps &Properties() const { return props_; }
  std::string FullName() const { return props_.fullName; }
  std::vector<FieldInfo> Fields() const;
  std::vector<IndexInfo> Indexes() const;
  uint32_t RowCount() const;

  // True when a row with exactly this title exists.
  bool TitleTaken(const std::string &title);

  // Adds one row. The title must be free; DBENG_ERR_KEYVIOL comes back as an
  // EEngineError with that code when another writer took it meanwhile.
  void Insert(int16_t category, const std::string &title, const std::string &keywords,
              const std::string &wav);

  // Raises a clear error unless the table has the catalogue's fields and a
  // primary index.
  void CheckShape() const;

private:
  Database &db_;
  hEngCursor cursor_ = 0;
  EngCurProps props_{};
  std::vector<EngFldDesc> fields_;
  std::vector<uint8_t> record_;
};

} // namespace sfxcat
