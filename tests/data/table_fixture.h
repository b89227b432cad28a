// Test tables built through the engine in private temporary folders: a
// catalogue-shaped table (CATEGORY, TITLE, KEYWORDS, WAV) with its primary
// index on TITLE and secondary indexes on KEYWORDS (case-insensitive) and
// CATEGORY, optionally protected by a password.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/database.h"
#include "data/db_engine_error.h"
#include "data/engine/engine_api.h"
#include "data/session.h"

// Stops the sessions (and so the engine) once every test of the binary ran,
// as the programs do at the end of main.
class SessionsEnvironment : public ::testing::Environment {
public:
  void TearDown() override { DoneSessions(); }
};
inline ::testing::Environment *const kSessionsEnvironment =
    ::testing::AddGlobalTestEnvironment(new SessionsEnvironment);

// The message of the exception `f` raises, or "(no exception)".
inline std::string MessageOf(const std::function<void()> &f) {
  try {
    f();
  } catch (const Exception &e) {
    return e.Message();
  }
  return "(no exception)";
}

struct CatalogueRow {
  int category;
  std::string title;
  std::string keywords;
};

inline std::vector<CatalogueRow> SampleRows() {
  return {{100, "Dog barking", "dog bark animal"}, {100, "Cat meow", "cat animal"},
          {500, "Drill", "machine drill noise"},   {600, "Rain", "water rain nature"},
          {100, "Cow moo", "cow animal farm"},     {500, "Anvil", "metal machine hit"},
          {700, "Laugh", "people laugh happy"},    {600, "Thunder", "storm nature loud"},
          {900, "Zap", "electric pot luck"},       {200, "Boing", "cartoon spring"}};
}

class TempFolder {
public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bsfx-tables-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string &Path() const { return path_; }

private:
  std::string path_;
};

inline EngFldDesc FieldDesc(uint16_t number, const char *name, uint16_t type, int16_t units) {
  EngFldDesc d;
  std::memset(&d, 0, sizeof d);
  d.fieldNum = number;
  std::strncpy(d.name, name, sizeof d.name - 1);
  d.type = type;
  d.units1 = units;
  if (type == ENG_FLD_BLOB) d.subType = ENG_SUB_BINARY;
  return d;
}

inline EngIdxDesc IndexDesc(const char *name, uint16_t field, bool primary, bool case_insensitive) {
  EngIdxDesc d;
  std::memset(&d, 0, sizeof d);
  std::strncpy(d.name, name, sizeof d.name - 1);
  d.primary = primary ? 1 : 0;
  d.unique = primary ? 1 : 0;
  d.caseInsensitive = case_insensitive ? 1 : 0;
  d.fieldCount = 1;
  d.keyFields[0] = field;
  return d;
}

// Creates `table` in the database's folder and fills it with `rows`. The
// password, when not empty, protects the table; the session must hold it
// (or none must be needed) for the rows to go in.
inline void CreateCatalogueTable(TDatabase &db, const std::string &table,
                                 const std::vector<CatalogueRow> &rows,
                                 const std::string &password = std::string()) {
  EngFldDesc fields[] = {
      FieldDesc(1, "CATEGORY", ENG_FLD_INT16, 0), FieldDesc(2, "TITLE", ENG_FLD_ZSTRING, 24),
      FieldDesc(3, "KEYWORDS", ENG_FLD_ZSTRING, 240), FieldDesc(4, "WAV", ENG_FLD_BLOB, 240)};
  EngIdxDesc indexes[] = {IndexDesc("", 2, true, false), IndexDesc("KEYWORDS", 3, false, true),
                          IndexDesc("CATEGORY", 1, false, false)};
  EngTableDesc desc;
  std::memset(&desc, 0, sizeof desc);
  std::strncpy(desc.name, table.c_str(), sizeof desc.name - 1);
  std::strncpy(desc.password, password.c_str(), sizeof desc.password - 1);
  desc.fieldCount = 4;
  desc.fields = fields;
  desc.indexCount = 3;
  desc.indexes = indexes;
  Check(EngineCreateTable(db.Handle(), &desc));
  if (rows.empty()) return;
  TSessionLock lock(db.Session());
  if (!password.empty()) Check(EngineAddPassword(password.c_str()));
  hEngCursor cursor = 0;
  Check(EngineOpenTable(db.Handle(), table.c_str(), nullptr, nullptr, nullptr, 0,
                        ENG_OPEN_READWRITE, ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &cursor));
  EngCurProps props;
  Check(EngineGetCursorProperties(cursor, &props));
  std::vector<uint8_t> record(props.recordSize);
  for (const CatalogueRow &row : rows) {
    Check(EngineInitRecord(cursor, record.data()));
    int16_t category = static_cast<int16_t>(row.category);
    Check(EnginePutField(cursor, 1, record.data(), &category));
    Check(EnginePutField(cursor, 2, record.data(), row.title.c_str()));
    Check(EnginePutField(cursor, 3, record.data(), row.keywords.c_str()));
    Check(EngineInsertRecord(cursor, ENG_NOLOCK, record.data()));
  }
  Check(EngineCloseCursor(cursor));
  if (!password.empty()) EngineDropPassword(password.c_str());
}

// Makes a catalogue table in a fresh folder through a database of the
// default session, then closes that database again.
inline void MakeCatalogueIn(const std::string &folder, const std::string &table,
                            const std::vector<CatalogueRow> &rows,
                            const std::string &password = std::string()) {
  TDatabase db(nullptr);
  db.SetDatabaseName(folder);
  db.Open();
  CreateCatalogueTable(db, table, rows, password);
  db.Close();
}
