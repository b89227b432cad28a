// Shared set-up of the engine tests: the engine started through the binder,
// a temporary folder opened as a STANDARD database, the catalogue's table
// shape, and typed access to record buffers through the engine's field
// operations.
#pragma once

#include "data/engine/engine_api.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace enginetest {

inline std::string MakeTempDir() {
  char tmpl[] = "/tmp/dbeng-test.XXXXXX";
  const char *dir = mkdtemp(tmpl);
  return dir ? dir : "";
}

inline void RemoveTree(const std::string &dir) {
  if (dir.size() > 5) std::system(("rm -rf '" + dir + "'").c_str());
}

inline std::string LastErrorText() {
  std::string out;
  for (uint16_t n = 1; n < 10; ++n) {
    DBResult code;
    int32_t native;
    char msg[128];
    EngineGetErrorEntry(n, &code, &native, msg);
    if (code == 0) break;
    out += std::to_string(code) + ":" + msg + " | ";
  }
  return out;
}

#define ASSERT_OKE(expr) ASSERT_EQ((expr), DBENG_OK) << enginetest::LastErrorText()
#define EXPECT_OKE(expr) EXPECT_EQ((expr), DBENG_OK) << enginetest::LastErrorText()

inline EngFldDesc Field(const char *name, uint16_t type, int16_t units1 = 0, uint16_t sub = 0) {
  EngFldDesc f{};
  std::snprintf(f.name, sizeof f.name, "%s", name);
  f.type = type;
  f.units1 = units1;
  f.subType = sub;
  return f;
}

inline EngIdxDesc Index(const char *name, std::vector<uint16_t> fields, bool primary = false,
                        bool caseIns = false, bool desc = false, bool unique = false) {
  EngIdxDesc ix{};
  std::snprintf(ix.name, sizeof ix.name, "%s", name);
  ix.primary = primary;
  ix.unique = unique;
  ix.caseInsensitive = caseIns;
  ix.descending = desc;
  ix.fieldCount = static_cast<uint16_t>(fields.size());
  for (size_t i = 0; i < fields.size(); ++i)
    ix.keyFields[i] = fields[i];
  return ix;
}

// Field numbers of the catalogue shape.
enum : uint16_t { kCategory = 1, kTitle = 2, kKeywords = 3, kWav = 4 };

class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    EngEnv env{};
    std::snprintf(env.language, sizeof env.language, "0009");
    std::snprintf(env.workDir, sizeof env.workDir, "%s", dir.c_str());
    // No user configuration leaks into the tests.
    std::snprintf(env.configFile, sizeof env.configFile, "%s/dbeng.cfg", dir.c_str());
    WriteConfig();
    ASSERT_OKE(EngineInit(&env));
    ASSERT_OKE(EngineOpenDatabase(nullptr, nullptr, ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr,
                                  0, nullptr, nullptr, &db));
    ASSERT_OKE(EngineSetDirectory(db, dir.c_str()));
  }
  void TearDown() override {
    for (hEngCursor c : cursors)
      EngineCloseCursor(c);
    if (db) EngineCloseDatabase(db);
    EXPECT_EQ(EngineExit(), DBENG_OK);
    RemoveTree(dir);
  }
  virtual void WriteConfig() {}

  // The catalogue's shape: CATEGORY int16, TITLE text 24 (primary, unique),
  // KEYWORDS text 240 (index ignoring case), WAV binary blob of in-record size 240.
  void CreateCatalogue(const char *name = "cat.db", const char *password = "") {
    EngFldDesc fields[] = {Field("CATEGORY", ENG_FLD_INT16), Field("TITLE", ENG_FLD_ZSTRING, 24),
                           Field("KEYWORDS", ENG_FLD_ZSTRING, 240),
                           Field("WAV", ENG_FLD_BLOB, 240, ENG_SUB_BINARY)};
    EngIdxDesc indexes[] = {Index("", {kTitle}, true), Index("KEYWORDS", {kKeywords}, false, true),
                            Index("CATEGORY", {kCategory})};
    EngTableDesc desc{};
    std::snprintf(desc.name, sizeof desc.name, "%s", name);
    std::snprintf(desc.password, sizeof desc.password, "%s", password);
    desc.fieldCount = 4;
    desc.fields = fields;
    desc.indexCount = 3;
    desc.indexes = indexes;
    ASSERT_OKE(EngineCreateTable(db, &desc));
  }

  hEngCursor Open(const char *name = "cat.db", const char *index = nullptr,
                  uint16_t mode = ENG_OPEN_READWRITE) {
    hEngCursor c = 0;
    DBResult r = EngineOpenTable(db, name, nullptr, index, nullptr, 0, mode, ENG_SHARE_SHARED,
                                 ENG_XLT_FIELD, 0, nullptr, &c);
    EXPECT_EQ(r, DBENG_OK) << LastErrorText();
    if (c) cursors.push_back(c);
    return c;
  }

  void Close(hEngCursor c) {
    EngineCloseCursor(c);
    for (auto it = cursors.begin(); it != cursors.end(); ++it)
      if (*it == c) {
        cursors.erase(it);
        break;
      }
  }

  uint16_t RecordSize(hEngCursor c) {
    EngCurProps p{};
    EngineGetCursorProperties(c, &p);
    return p.recordSize;
  }

  std::vector<uint8_t> NewRecord(hEngCursor c) {
    std::vector<uint8_t> rec(RecordSize(c));
    EngineInitRecord(c, rec.data());
    return rec;
  }

  void PutInt16(hEngCursor c, std::vector<uint8_t> &rec, uint16_t field, int16_t v) {
    ASSERT_OKE(EnginePutField(c, field, rec.data(), &v));
  }
  void PutText(hEngCursor c, std::vector<uint8_t> &rec, uint16_t field, const std::string &v) {
    ASSERT_OKE(EnginePutField(c, field, rec.data(), v.c_str()));
  }
  std::string Text(hEngCursor c, const std::vector<uint8_t> &rec, uint16_t field) {
    char buf[512] = {};
    uint16_t blank = 0;
    EXPECT_OKE(EngineGetField(c, field, rec.data(), buf, &blank));
    return blank ? std::string("<blank>") : std::string(buf);
  }
  int Int16(hEngCursor c, const std::vector<uint8_t> &rec, uint16_t field) {
    int16_t v = 0;
    uint16_t blank = 0;
    EXPECT_OKE(EngineGetField(c, field, rec.data(), &v, &blank));
    return blank ? -99999 : v;
  }

  // Inserts a catalogue row; keywords default to the title in lower case.
  void AddRow(hEngCursor c, int category, const std::string &title, std::string keywords = "") {
    std::vector<uint8_t> rec = NewRecord(c);
    PutInt16(c, rec, kCategory, static_cast<int16_t>(category));
    PutText(c, rec, kTitle, title);
    PutText(c, rec, kKeywords, keywords.empty() ? title : keywords);
    ASSERT_OKE(EngineInsertRecord(c, ENG_NOLOCK, rec.data()));
  }

  // Titles from the current position to the end (or the beginning).
  std::vector<std::string> Titles(hEngCursor c, bool backward = false, uint16_t field = kTitle) {
    std::vector<std::string> out;
    std::vector<uint8_t> rec(RecordSize(c));
    for (;;) {
      DBResult r = backward ? EngineGetPriorRecord(c, ENG_NOLOCK, rec.data(), nullptr)
                            : EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr);
      if (r != DBENG_OK) {
        EXPECT_EQ(r, backward ? DBENG_ERR_BOF : DBENG_ERR_EOF) << LastErrorText();
        break;
      }
      out.push_back(Text(c, rec, field));
    }
    return out;
  }
  std::vector<std::string> AllTitles(hEngCursor c, uint16_t field = kTitle) {
    EngineSetToBegin(c);
    return Titles(c, false, field);
  }

  std::string dir;
  hEngDb db = 0;
  std::vector<hEngCursor> cursors;
};

} // namespace enginetest
