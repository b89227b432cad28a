#include "tests/data/engine_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "data/engine/engine_api.h"

namespace {

void CopyText(char *dst, size_t size, const std::string &src) {
  std::memset(dst, 0, size);
  std::memcpy(dst, src.data(), std::min(src.size(), size - 1));
}

bool started = false;

// Ends the engine once the tests are done, as a program does at exit.
class EngineEnvironment : public ::testing::Environment {
public:
  void TearDown() override {
    if (started) EngineExit();
    started = false;
  }
};
[[maybe_unused]] auto *const engine_environment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

void EnsureEngine() {
  if (started) return;
  EngEnv env{};
  CopyText(env.language, sizeof env.language, "0009");
  DBResult r = EngineInit(&env);
  if (r != DBENG_OK && r != DBENG_ERR_ALREADYINIT) {
    char text[128] = {};
    EngineGetErrorString(r, text);
    ADD_FAILURE() << "cannot start the engine: " << r << " " << text;
    return;
  }
  started = true;
}

std::string EngineText(DBResult r) {
  char text[128] = {};
  EngineGetErrorString(r, text);
  return std::to_string(r) + " " + text;
}

} // namespace

TestDatabase::TestDatabase() {
  EnsureEngine();
  char tmpl[] = "/tmp/bsfx_data_XXXXXX";
  const char *dir = mkdtemp(tmpl);
  if (!dir) throw std::runtime_error("cannot make a temporary folder");
  folder_ = dir;
  DBResult r = EngineOpenDatabase(nullptr, "STANDARD", ENG_OPEN_READWRITE, ENG_SHARE_SHARED,
                                  nullptr, 0, nullptr, nullptr, &db_);
  if (r != DBENG_OK) throw std::runtime_error("cannot open a database: " + EngineText(r));
  r = EngineSetDirectory(db_, folder_.c_str());
  if (r != DBENG_OK) throw std::runtime_error("cannot set the folder: " + EngineText(r));
}

TestDatabase::~TestDatabase() {
  if (db_) EngineCloseDatabase(db_);
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

void TestDatabase::CreateTable(const std::string &name, const std::vector<TestFieldSpec> &fields,
                               const std::vector<TestIndexSpec> &indexes,
                               const std::vector<uint16_t> &required) {
  std::vector<EngFldDesc> fds(fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    EngFldDesc &f = fds[i];
    std::memset(&f, 0, sizeof f);
    f.fieldNum = static_cast<uint16_t>(i + 1);
    CopyText(f.name, sizeof f.name, fields[i].name);
    f.type = fields[i].type;
    f.subType = fields[i].sub_type;
    f.units1 = fields[i].units1;
    f.units2 = fields[i].units2;
  }
  std::vector<EngIdxDesc> ids(indexes.size());
  for (size_t i = 0; i < indexes.size(); ++i) {
    EngIdxDesc &d = ids[i];
    std::memset(&d, 0, sizeof d);
    CopyText(d.name, sizeof d.name, indexes[i].name);
    d.indexId = static_cast<uint16_t>(i + 1);
    d.primary = indexes[i].primary;
    d.unique = indexes[i].unique;
    d.caseInsensitive = indexes[i].case_insensitive;
    d.maintained = 1;
    d.fieldCount = static_cast<uint16_t>(indexes[i].fields.size());
    for (size_t k = 0; k < indexes[i].fields.size(); ++k)
      d.keyFields[k] = indexes[i].fields[k];
  }
  std::vector<EngVChkDesc> checks(required.size());
  for (size_t i = 0; i < required.size(); ++i) {
    std::memset(&checks[i], 0, sizeof checks[i]);
    checks[i].fieldNum = required[i];
    checks[i].required = 1;
  }
  EngTableDesc desc{};
  CopyText(desc.name, sizeof desc.name, name);
  CopyText(desc.driverType, sizeof desc.driverType, "NATIVE");
  desc.overwrite = 1;
  desc.fieldCount = static_cast<uint16_t>(fds.size());
  desc.fields = fds.data();
  desc.indexCount = static_cast<uint16_t>(ids.size());
  desc.indexes = ids.data();
  desc.checkCount = static_cast<uint16_t>(checks.size());
  desc.checks = checks.data();
  DBResult r = EngineCreateTable(db_, &desc);
  if (r != DBENG_OK) throw std::runtime_error("cannot create " + name + ": " + EngineText(r));
}

hEngCursor TestDatabase::OpenCursor(const std::string &table, const std::string &index,
                                    bool read_only) {
  hEngCursor cursor = 0;
  DBResult r = EngineOpenTable(db_, table.c_str(), "", index.empty() ? nullptr : index.c_str(),
                               nullptr, 0, read_only ? ENG_OPEN_READONLY : ENG_OPEN_READWRITE,
                               ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &cursor);
  if (r != DBENG_OK) EngineCheck(r);
  return cursor;
}

void CreateCatalogue(TestDatabase &db, const std::string &table) {
  db.CreateTable(table,
                 {{"CATEGORY", ENG_FLD_INT16},
                  {"TITLE", ENG_FLD_ZSTRING, 0, 24},
                  {"KEYWORDS", ENG_FLD_ZSTRING, 0, 240},
                  {"WAV", ENG_FLD_BLOB, ENG_SUB_BINARY, 240}},
                 {{"", {2}, true, true, false},
                  {"KEYWORDS", {3}, false, false, true},
                  {"CATEGORY", {1}, false, false, false}});
}

void AddRow(hEngCursor cursor, int category, const std::string &title, const std::string &keywords,
            const std::string &wav) {
  EngCurProps props{};
  EngineCheck(EngineGetCursorProperties(cursor, &props));
  std::vector<uint8_t> rec(props.recordSize);
  EngineCheck(EngineInitRecord(cursor, rec.data()));
  int16_t cat = static_cast<int16_t>(category);
  EngineCheck(EnginePutField(cursor, 1, rec.data(), &cat));
  std::vector<char> text(256, 0);
  CopyText(text.data(), text.size(), title);
  EngineCheck(EnginePutField(cursor, 2, rec.data(), text.data()));
  CopyText(text.data(), text.size(), keywords);
  EngineCheck(EnginePutField(cursor, 3, rec.data(), text.data()));
  if (!wav.empty()) {
    EngineCheck(EngineOpenBlob(cursor, rec.data(), 4, ENG_OPEN_READWRITE));
    EngineCheck(
        EnginePutBlob(cursor, rec.data(), 4, 0, static_cast<uint32_t>(wav.size()), wav.data()));
  }
  EngineCheck(EngineInsertRecord(cursor, ENG_NOLOCK, rec.data()));
}
