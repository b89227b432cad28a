// Sessions, passwords, configuration entries and aliases, properties,
// language drivers, and the error stack of files that are not tables.
#include "tests/engine/engine_fixture.h"

#include <fstream>
#include <sys/file.h>
#include <sys/wait.h>

using namespace enginetest;

class Sessions : public EngineTest {
protected:
  void WriteConfig() override {
    std::ofstream cfg(dir + "/dbeng.cfg");
    cfg << "; aliases of the tests\n[\\DATABASES\\sound\\DB INFO]\nTYPE=STANDARD\nPATH=" << dir
        << "\n\n[\\DATABASES\\relative\\DB INFO]\nPATH=.\n";
  }
  std::string Entry(uint16_t n) {
    DBResult code;
    int32_t native;
    char msg[128];
    EngineGetErrorEntry(n, &code, &native, msg);
    return code ? msg : "";
  }
};

TEST_F(Sessions, PasswordsOpenProtectedTablesAndCanBeChanged) {
  CreateCatalogue("locked.db", "walrus");
  hEngCursor c = 0;
  auto open = [&] {
    DBResult r = EngineOpenTable(db, "locked.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READONLY,
                                 ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c);
    if (r == DBENG_OK) EngineCloseCursor(c);
    return r;
  };
  EXPECT_EQ(open(), DBENG_ERR_NEEDPASSWORD);
  hEngCursor list = 0;
  EXPECT_EQ(EngineOpenFieldList(db, "locked.db", nullptr, 0, &list), DBENG_ERR_NEEDPASSWORD);
  ASSERT_OKE(EngineAddPassword("seal"));
  EXPECT_EQ(open(), DBENG_ERR_NEEDPASSWORD);
  ASSERT_OKE(EngineAddPassword("walrus"));
  EXPECT_OKE(open());
  ASSERT_OKE(EngineDropPassword("walrus"));
  EXPECT_EQ(open(), DBENG_ERR_NEEDPASSWORD);
  EXPECT_EQ(EngineDropPassword("never added"), DBENG_ERR_OBJNOTFOUND);
  ASSERT_OKE(EngineAddPassword("walrus"));
  ASSERT_OKE(EngineChangeTablePassword(db, "locked.db", nullptr, "narwhal"));
  EXPECT_EQ(open(), DBENG_ERR_NEEDPASSWORD);
  ASSERT_OKE(EngineDropPassword(nullptr));
  ASSERT_OKE(EngineAddPassword("narwhal"));
  EXPECT_OKE(open());
  // The password given when the database was opened also counts.
  ASSERT_OKE(EngineDropPassword(nullptr));
  hEngDb db2 = 0;
  ASSERT_OKE(EngineOpenDatabase("sound", nullptr, ENG_OPEN_READWRITE, ENG_SHARE_SHARED, "narwhal",
                                0, nullptr, nullptr, &db2));
  ASSERT_OKE(EngineOpenTable(db2, "locked.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READONLY,
                             ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c));
  EngCurProps props{};
  ASSERT_OKE(EngineGetCursorProperties(c, &props));
  EXPECT_EQ(props.hasPassword, 1);
  EXPECT_EQ(props.canModify, 0);
  EngineCloseCursor(c);
  EngineCloseDatabase(db2);
  // The verifier in the file is no clear text.
  std::ifstream f(dir + "/locked.db", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.find("narwhal"), std::string::npos);
  EXPECT_EQ(bytes.find("walrus"), std::string::npos);
}

TEST_F(Sessions, SessionsKeepTheirOwnPasswords) {
  CreateCatalogue("locked.db", "walrus");
  hEngSession def = 0, other = 0;
  ASSERT_OKE(EngineGetCurrentSession(&def));
  ASSERT_OKE(EngineStartSession("second", &other, nullptr));
  ASSERT_OKE(EngineAddPassword("walrus"));
  EngSesInfo info{};
  ASSERT_OKE(EngineGetSessionInfo(&info));
  EXPECT_STREQ(info.name, "second");
  EXPECT_EQ(info.passwordCount, 1);
  ASSERT_OKE(EngineSetCurrentSession(0));
  ASSERT_OKE(EngineGetSessionInfo(&info));
  EXPECT_STREQ(info.name, "Default");
  EXPECT_EQ(info.passwordCount, 0);
  EXPECT_OKE(EngineCloseSession(other));
  EXPECT_EQ(EngineSetCurrentSession(other), DBENG_ERR_INVALIDHNDL);
  EXPECT_EQ(EngineCloseSession(def), DBENG_ERR_NOTSUPPORTED);
}

TEST_F(Sessions, AliasesFromTheFileAndTemporaryOnesInMemory) {
  EngDbDesc desc{};
  ASSERT_OKE(EngineGetDatabaseDescriptor("sound", &desc));
  EXPECT_STREQ(desc.dbType, "STANDARD");
  EXPECT_EQ(std::string(desc.physName), dir);
  EXPECT_EQ(EngineGetDatabaseDescriptor("nosuch", &desc), DBENG_ERR_UNKNOWNDB);
  // A relative PATH is taken relative to the configuration file.
  ASSERT_OKE(EngineGetDatabaseDescriptor("relative", &desc));
  EXPECT_EQ(std::string(desc.physName), dir + "/.");
  // The aliases as nodes of "\DATABASES", and the entries of one alias.
  hEngCursor list = 0;
  ASSERT_OKE(EngineOpenConfigList(0, ENG_OPEN_READONLY, 0, "\\DATABASES", &list));
  std::vector<std::string> nodes;
  EngCfgDesc rec{};
  while (EngineGetNextRecord(list, ENG_NOLOCK, &rec, nullptr) == DBENG_OK) {
    EXPECT_EQ(rec.isNode, 1);
    nodes.push_back(rec.name);
  }
  EXPECT_EQ(nodes, (std::vector<std::string>{"relative", "sound"}));
  EngineCloseCursor(list);
  ASSERT_OKE(EngineOpenConfigList(0, ENG_OPEN_READONLY, 0, "\\DATABASES\\sound\\DB INFO", &list));
  std::string entries;
  while (EngineGetNextRecord(list, ENG_NOLOCK, &rec, nullptr) == DBENG_OK)
    entries += std::string(rec.name) + "=" + rec.value + ";";
  EXPECT_EQ(entries, "TYPE=STANDARD;PATH=" + dir + ";");
  EngineCloseCursor(list);

  // A temporary alias written as a parameter list: one descriptor per entry
  // and one record holding the values.
  std::string sub = dir + "/sub";
  ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
  EngFldDesc params[2]{};
  std::snprintf(params[0].name, 32, "TYPE");
  std::snprintf(params[1].name, 32, "PATH");
  std::vector<char> values(300, 0);
  std::snprintf(values.data(), 9, "STANDARD");
  std::snprintf(values.data() + 9, 290, "%s", sub.c_str());
  params[0].fieldNum = 1;
  params[0].type = params[1].type = 1;
  params[0].offset = 0;
  params[0].length = 9;
  params[1].fieldNum = 2;
  params[1].offset = 9;
  params[1].length = static_cast<uint16_t>(sub.size() + 1);
  EXPECT_EQ(EngineFindConfigEntry(0, 1, "\\DATABASES\\temp"), DBENG_ERR_NOCONFIGENTRY);
  ASSERT_OKE(EngineAddConfigEntry(0, 1, "\\DATABASES\\temp\\DB INFO", 2, params, values.data(), 1));
  EXPECT_OKE(EngineFindConfigEntry(0, 1, "\\DATABASES\\temp"));
  hEngDb tdb = 0;
  ASSERT_OKE(EngineOpenDatabase("temp", nullptr, ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr, 0,
                                nullptr, nullptr, &tdb));
  char full[260];
  ASSERT_OKE(EngineFormFullName(tdb, "bonussfx", nullptr, full));
  EXPECT_EQ(std::string(full), sub + "/bonussfx.db");
  char type[64];
  ASSERT_OKE(EngineGetProperty(tdb, ENG_PROP_DB_DRIVERTYPE, type, sizeof type, nullptr));
  EXPECT_STREQ(type, "STANDARD");
  EngineCloseDatabase(tdb);
  ASSERT_OKE(EngineDropConfigEntry(0, 1, "\\DATABASES\\temp"));
  EXPECT_EQ(EngineOpenDatabase("temp", nullptr, ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr, 0,
                               nullptr, nullptr, &tdb),
            DBENG_ERR_UNKNOWNDB);
  // An alias whose folder is gone.
  std::string gone = dir + "/gone";
  std::snprintf(values.data() + 9, 290, "%s", gone.c_str());
  params[1].length = static_cast<uint16_t>(gone.size() + 1);
  ASSERT_OKE(EngineAddConfigEntry(0, 1, "\\DATABASES\\gone\\DB INFO", 2, params, values.data(), 1));
  EXPECT_EQ(EngineOpenDatabase("gone", nullptr, ENG_OPEN_READWRITE, ENG_SHARE_SHARED, nullptr, 0,
                               nullptr, nullptr, &tdb),
            DBENG_ERR_DIRNOTFOUND);
}

TEST_F(Sessions, FilesThatAreNotTablesSayWhatIsWrongWithTheCause) {
  hEngCursor c = 0;
  auto open = [&](const char *name) {
    return EngineOpenTable(db, name, nullptr, nullptr, nullptr, 0, ENG_OPEN_READONLY,
                           ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c);
  };
  EXPECT_EQ(open("missing.db"), DBENG_ERR_FILENOTFOUND);
  EXPECT_NE(Entry(1).find("missing.db"), std::string::npos);
  {
    std::ofstream(dir + "/text.db") << "this is a text file, not a table, long enough to look at\n";
  }
  EXPECT_EQ(open("text.db"), DBENG_ERR_NOTATABLE);
  EXPECT_NE(Entry(2).find("SQLite"), std::string::npos) << Entry(2);
  // A truncated table: the first page only of a real one.
  CreateCatalogue();
  hEngCursor w = Open();
  for (int i = 0; i < 200; ++i)
    AddRow(w, 100, "row" + std::to_string(i), std::string(200, 'k'));
  Close(w);
  {
    std::ifstream in(dir + "/cat.db", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 16384u);
    std::ofstream(dir + "/cut.db", std::ios::binary) << bytes.substr(0, 12000);
  }
  DBResult r = open("cut.db");
  if (r == DBENG_OK) {
    // The schema may still be readable: reading the rows then fails clearly.
    std::vector<uint8_t> rec(RecordSize(c));
    DBResult n;
    while ((n = EngineGetNextRecord(c, ENG_NOLOCK, rec.data(), nullptr)) == DBENG_OK) {
    }
    EXPECT_EQ(n, DBENG_ERR_CORRUPT) << LastErrorText();
    EngineCloseCursor(c);
  } else {
    EXPECT_TRUE(r == DBENG_ERR_CORRUPT || r == DBENG_ERR_NOTATABLE) << r;
  }
  EXPECT_NE(LastErrorText().find("SQLite"), std::string::npos) << LastErrorText();
  // A folder that does not exist.
  EXPECT_EQ(EngineSetDirectory(db, (dir + "/nowhere").c_str()), DBENG_ERR_DIRNOTFOUND);
  // Every code has a text; unknown ones say their number.
  char msg[128];
  for (DBResult code :
       {DBENG_ERR_EOF, DBENG_ERR_NEEDPASSWORD, DBENG_ERR_READONLY, DBENG_ERR_CORRUPT}) {
    ASSERT_OKE(EngineGetErrorString(code, msg));
    EXPECT_GT(std::strlen(msg), 5u);
  }
  ASSERT_OKE(EngineGetErrorString(0x3F3F, msg));
  EXPECT_STREQ(msg, "Engine error 16191");
}

TEST_F(Sessions, ReadOnlyFilesAndExclusiveUse) {
  CreateCatalogue();
  hEngCursor shared = Open();
  hEngCursor c = 0;
  EXPECT_EQ(EngineOpenTable(db, "cat.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                            ENG_SHARE_EXCLUSIVE, ENG_XLT_FIELD, 0, nullptr, &c),
            DBENG_ERR_TABLELOCKED);
  Close(shared);
  // Another process holding the table keeps this one from using it alone.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  // The child only makes async-signal-safe calls.
  std::string file = dir + "/cat.db";
  pid_t child = fork();
  if (child == 0) {
    int fd = ::open(file.c_str(), O_RDONLY);
    flock(fd, LOCK_SH);
    (void)!write(ready[1], "x", 1);
    sleep(2);
    _exit(0);
  }
  char x;
  ASSERT_EQ(read(ready[0], &x, 1), 1);
  EXPECT_EQ(EngineOpenTable(db, "cat.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                            ENG_SHARE_EXCLUSIVE, ENG_XLT_FIELD, 0, nullptr, &c),
            DBENG_ERR_TABLELOCKED);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_OKE(EngineOpenTable(db, "cat.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                             ENG_SHARE_EXCLUSIVE, ENG_XLT_FIELD, 0, nullptr, &c));
  EngineCloseCursor(c);
  // A database opened read-only gives read-only tables.
  hEngDb rodb = 0;
  ASSERT_OKE(EngineOpenDatabase("sound", nullptr, ENG_OPEN_READONLY, ENG_SHARE_SHARED, nullptr, 0,
                                nullptr, nullptr, &rodb));
  EXPECT_EQ(EngineOpenTable(rodb, "cat.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                            ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c),
            DBENG_ERR_READONLY);
  EngineCloseDatabase(rodb);
  if (geteuid() == 0) GTEST_SKIP() << "the superuser may write every file";
  ASSERT_EQ(chmod((dir + "/cat.db").c_str(), 0444), 0);
  EXPECT_EQ(EngineOpenTable(db, "cat.db", nullptr, nullptr, nullptr, 0, ENG_OPEN_READWRITE,
                            ENG_SHARE_SHARED, ENG_XLT_FIELD, 0, nullptr, &c),
            DBENG_ERR_READONLY);
  hEngCursor ro = Open("cat.db", nullptr, ENG_OPEN_READONLY);
  EXPECT_NE(ro, 0u);
}

TEST_F(Sessions, PropertiesLanguageDriversAndDescriptors) {
  hEngSession s = 0;
  ASSERT_OKE(EngineGetCurrentSession(&s));
  ASSERT_OKE(EngineSetProperty(s, ENG_PROP_SES_CFGMODE, 2));
  uint16_t mode = 0;
  ASSERT_OKE(EngineGetProperty(s, ENG_PROP_SES_CFGMODE, &mode, sizeof mode, nullptr));
  EXPECT_EQ(mode, 2);
  hEngObj client = 0;
  ASSERT_OKE(EngineGetObjectByName(ENG_OBJ_CLIENT, nullptr, &client));
  EXPECT_OKE(EngineSetProperty(client, ENG_PROP_CLIENT_TIMEOUT, 0xFFFFEBF0u));
  EXPECT_EQ(EngineSetProperty(s, 0x12345, 1), DBENG_ERR_NOTSUPPORTED);
  CreateCatalogue();
  hEngCursor c = Open();
  EXPECT_OKE(EngineSetProperty(c, ENG_PROP_CUR_UPDATEMODE, 1));
  hEngLd ld = 0;
  ASSERT_OKE(EngineGetLanguageDriver(c, &ld));
  // Conversions cut to a width without splitting a character.
  char out[16];
  uint16_t loss = 0;
  ASSERT_OKE(EngineAnsiToNative(ld, out, "caf\xC3\xA9s", 4, &loss));
  EXPECT_STREQ(out, "caf");
  EXPECT_EQ(loss, 1);
  ASSERT_OKE(EngineNativeToAnsi(ld, out, "caf\xC3\xA9", 5, &loss));
  EXPECT_STREQ(out, "caf\xC3\xA9");
  EXPECT_EQ(loss, 0);
  char name[32];
  ASSERT_OKE(EngineGetTableDriverName((dir + "/cat.db").c_str(), "NATIVE", name));
  EXPECT_STREQ(name, "UTF8");
  // Field descriptors: the catalogue's shape as 62-byte entries.
  EngCurProps props{};
  ASSERT_OKE(EngineGetCursorProperties(c, &props));
  EXPECT_EQ(props.fieldCount, 4);
  EXPECT_EQ(props.indexCount, 3);
  EXPECT_EQ(props.bookmarkSize, ENG_BOOKMARK_SIZE);
  std::vector<EngFldDesc> fields(props.fieldCount);
  ASSERT_OKE(EngineGetFieldDescriptors(c, fields.data()));
  EXPECT_STREQ(fields[3].name, "WAV");
  EXPECT_EQ(fields[3].type, ENG_FLD_BLOB);
  EXPECT_EQ(fields[3].subType, ENG_SUB_BINARY);
  EXPECT_EQ(fields[3].units1, 240);
  EXPECT_EQ(fields[1].units1, 24);
  EXPECT_EQ(fields[0].length, 2);
  std::vector<EngIdxDesc> ixs(props.indexCount);
  ASSERT_OKE(EngineGetIndexDescriptors(c, ixs.data()));
  EXPECT_EQ(ixs[0].primary, 1);
  EXPECT_EQ(ixs[0].unique, 1);
  EXPECT_EQ(ixs[1].caseInsensitive, 1);
  EXPECT_STREQ(ixs[2].name, "CATEGORY");
  // The same shape from a list cursor, without opening the table.
  hEngCursor list = 0;
  ASSERT_OKE(EngineOpenFieldList(db, "cat", nullptr, 0, &list));
  EngFldDesc fd{};
  int n = 0;
  while (EngineGetNextRecord(list, ENG_NOLOCK, &fd, nullptr) == DBENG_OK)
    ++n;
  EXPECT_EQ(n, 4);
  EngineCloseCursor(list);
  EXPECT_EQ(EngineOpenIndex(c, "KEYWORDS", 0), DBENG_ERR_INDEXOPEN);
  EXPECT_EQ(EngineBeginCachedUpdates(c, nullptr), DBENG_ERR_NOTSUPPORTED);
}
