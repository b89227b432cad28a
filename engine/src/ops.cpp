// The exported operations: argument checks and dispatch to the engine's
// state, table files and cursors. Every body runs inside Guarded (core.h).
#include "engine/src/collate.h"
#include "engine/src/core.h"
#include "engine/src/cursor.h"
#include "engine/src/operations.h"
#include "engine/src/state.h"
#include "engine/src/table.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace dbeng;

namespace {

std::string Str(const char *s, size_t max = 4096) {
  return s ? std::string(s, strnlen(s, max)) : std::string();
}

bool IsStandard(const std::string &type) {
  return type.empty() || CompareNoCase(type, "STANDARD") == 0;
}

bool IsNativeTable(const char *driverType) {
  std::string t = Str(driverType, 32);
  return t.empty() || CompareNoCase(t, "NATIVE") == 0;
}

bool IsDirectory(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The full file name of a table of a database: relative names are taken in
// the database's folder; ".db" is added when the name has no extension.
std::string FullTableName(const Database &db, const std::string &name) {
  std::string path = !name.empty() && name[0] == '/' ? name : db.dir + "/" + name;
  size_t slash = path.rfind('/');
  std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (base.find('.') == std::string::npos) path += ".db";
  return path;
}

std::vector<std::string> PasswordsFor(const Database &db) {
  std::vector<std::string> list;
  if (Session *s = FindSession(db.session)) list = s->passwords;
  if (Session *s = CurrentSession(); s && s->handle != db.session)
    list.insert(list.end(), s->passwords.begin(), s->passwords.end());
  if (!db.password.empty()) list.push_back(db.password);
  return list;
}

// Opens a table file of a database for a cursor or a list, checking the
// driver type and the password.
DBResult OpenFile(hEngDb hDb, const char *tableName, const char *driverType, Database **dbOut,
                  std::shared_ptr<TableFile> *file) {
  if (DBResult r = CheckInit(); r != DBENG_OK) return r;
  Database *db = FindDatabase(hDb);
  if (!db) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
  std::string name = Str(tableName, ENG_MAXPATHLEN);
  if (name.empty()) return Fail(DBENG_ERR_INVALIDPARAM, "Table name missing");
  if (!IsNativeTable(driverType))
    return Fail(DBENG_ERR_NOTSUPPORTED, "Table type " + Str(driverType, 32));
  if (DBResult r = TableFile::Open(FullTableName(*db, name), file); r != DBENG_OK) return r;
  KeepOpen(*file);
  if (!(*file)->PasswordFits(PasswordsFor(*db)))
    return Fail(DBENG_ERR_NEEDPASSWORD, "Table: " + (*file)->Path());
  *dbOut = db;
  return DBENG_OK;
}

hEngCursor Register(std::unique_ptr<CursorBase> cursor, hEngDb db) {
  hEngCursor h = NewHandle(ENG_HKIND_CURSOR);
  cursor->handle = h;
  cursor->session = Eng().current;
  cursor->database = db;
  Eng().cursors[h] = std::move(cursor);
  return h;
}

DBResult WithTable(hEngCursor h, TableCursor **out) {
  if (DBResult r = CheckInit(); r != DBENG_OK) return r;
  *out = FindTableCursor(h);
  if (!*out)
    return Fail(FindCursor(h) ? DBENG_ERR_NOTSUPPORTED : DBENG_ERR_INVALIDHNDL, "Cursor handle");
  return DBENG_OK;
}

DBResult WithCursor(hEngCursor h, CursorBase **out) {
  if (DBResult r = CheckInit(); r != DBENG_OK) return r;
  *out = FindCursor(h);
  if (!*out) return Fail(DBENG_ERR_INVALIDHNDL, "Cursor handle");
  return DBENG_OK;
}

constexpr hEngLd kUtf8Driver = (ENG_HKIND_LDRIVER << 24) | 1;
constexpr hEngObj kClientObject = (ENG_HKIND_CLIENT << 24) | 1;

DBResult Convert(hEngLd hLd, char *dst, const char *src, uint32_t len, uint16_t *pDataLoss) {
  if (!dst || !src) return Fail(DBENG_ERR_INVALIDPARAM);
  if (hLd != 0 && hLd != kUtf8Driver) return Fail(DBENG_ERR_INVALIDHNDL, "Language driver");
  std::string_view text(src);
  size_t n = len == 0 ? text.size() : Utf8Cut(text, len);
  std::memmove(dst, src, n);
  dst[n] = '\0';
  if (pDataLoss) *pDataLoss = n < text.size() ? 1 : 0;
  return DBENG_OK;
}

} // namespace

extern "C" {

/* ---------------------------------------------------------------- sessions */

DBResult eng_GetCurrentSession(hEngSession *phSes) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!phSes) return Fail(DBENG_ERR_INVALIDPARAM);
    *phSes = Eng().current;
    return DBENG_OK;
  });
}

DBResult eng_StartSession(const char *name, hEngSession *phSes, const char *netDir) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!phSes) return Fail(DBENG_ERR_INVALIDPARAM);
    auto s = std::make_unique<Session>();
    s->handle = NewHandle(ENG_HKIND_SESSION);
    s->name = Str(name, ENG_MAXNAMELEN);
    if (s->name.empty()) s->name = "Session" + std::to_string(s->handle & 0xFFFFFF);
    s->netDir = Str(netDir, ENG_MAXPATHLEN);
    *phSes = s->handle;
    Eng().current = s->handle;
    Eng().sessions[s->handle] = std::move(s);
    return DBENG_OK;
  });
}

DBResult eng_SetCurrentSession(hEngSession hSes) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (hSes == 0) hSes = Eng().defaultSession;
    if (!FindSession(hSes)) return Fail(DBENG_ERR_INVALIDHNDL, "Session handle");
    Eng().current = hSes;
    return DBENG_OK;
  });
}

DBResult eng_CloseSession(hEngSession hSes) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!FindSession(hSes)) return Fail(DBENG_ERR_INVALIDHNDL, "Session handle");
    if (hSes == Eng().defaultSession)
      return Fail(DBENG_ERR_NOTSUPPORTED, "The default session ends with the engine");
    CloseSession(hSes);
    return DBENG_OK;
  });
}

DBResult eng_AddPassword(const char *password) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    std::string pw = Str(password, ENG_MAXPWLEN);
    if (pw.empty()) return Fail(DBENG_ERR_INVALIDPARAM, "Empty password");
    Session *s = CurrentSession();
    for (const std::string &p : s->passwords)
      if (p == pw) return DBENG_OK;
    s->passwords.push_back(pw);
    return DBENG_OK;
  });
}

DBResult eng_DropPassword(const char *password) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    Session *s = CurrentSession();
    if (!password) {
      s->passwords.clear();
      return DBENG_OK;
    }
    std::string pw = Str(password, ENG_MAXPWLEN);
    for (auto it = s->passwords.begin(); it != s->passwords.end(); ++it)
      if (*it == pw) {
        s->passwords.erase(it);
        return DBENG_OK;
      }
    return Fail(DBENG_ERR_OBJNOTFOUND, "Password not in the session");
  });
}

DBResult eng_SetPrivateDir(const char *dir) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    std::string d = Str(dir, ENG_MAXPATHLEN);
    if (!d.empty() && !IsDirectory(d)) return Fail(DBENG_ERR_DIRNOTFOUND, "Directory: " + d);
    CurrentSession()->privateDir = d;
    return DBENG_OK;
  });
}

DBResult eng_GetSessionInfo(EngSesInfo *info) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!info) return Fail(DBENG_ERR_INVALIDPARAM);
    Session *s = CurrentSession();
    *info = EngSesInfo{};
    CopyText(info->name, sizeof info->name, s->name);
    CopyText(info->netDir, sizeof info->netDir, s->netDir);
    CopyText(info->privateDir, sizeof info->privateDir, s->privateDir);
    for (auto &[h, db] : Eng().databases)
      if (db->session == s->handle) ++info->databaseCount;
    for (auto &[h, c] : Eng().cursors)
      if (c->session == s->handle) ++info->cursorCount;
    info->passwordCount = static_cast<uint16_t>(s->passwords.size());
    info->cfgMode = s->cfgMode;
    return DBENG_OK;
  });
}

/* --------------------------------------------------------------- databases */

DBResult eng_OpenDatabase(const char *dbName, const char *dbType, uint16_t openMode, uint16_t,
                          const char *password, uint16_t, const EngFldDesc *, const void *,
                          hEngDb *phDb) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!phDb) return Fail(DBENG_ERR_INVALIDPARAM);
    *phDb = 0;
    std::string name = Str(dbName, ENG_MAXNAMELEN), type = Str(dbType, 32);
    auto db = std::make_unique<Database>();
    if (!name.empty()) {
      std::string info = "\\DATABASES\\" + name + "\\DB INFO";
      if (!Eng().config.Exists(info)) return Fail(DBENG_ERR_UNKNOWNDB, "Alias: " + name);
      std::string aliasType = Eng().config.Get(info, "TYPE").value_or("STANDARD");
      if (!IsStandard(aliasType)) return Fail(DBENG_ERR_NOTSUPPORTED, "Driver type " + aliasType);
      db->alias = name;
      db->dir = Eng().config.Get(info, "PATH").value_or("");
      if (db->dir.empty()) db->dir = Eng().workDir;
    } else {
      if (!IsStandard(type)) return Fail(DBENG_ERR_NOTSUPPORTED, "Driver type " + type);
      db->dir = Eng().workDir;
    }
    if (!IsDirectory(db->dir)) return Fail(DBENG_ERR_DIRNOTFOUND, "Directory: " + db->dir);
    db->password = Str(password, ENG_MAXPWLEN);
    db->readOnly = openMode == ENG_OPEN_READONLY;
    db->session = Eng().current;
    db->handle = NewHandle(ENG_HKIND_DATABASE);
    *phDb = db->handle;
    Eng().databases[db->handle] = std::move(db);
    return DBENG_OK;
  });
}

DBResult eng_CloseDatabase(hEngDb hDb) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!FindDatabase(hDb)) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
    CloseDatabase(hDb);
    return DBENG_OK;
  });
}

DBResult eng_SetDirectory(hEngDb hDb, const char *dir) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    Database *db = FindDatabase(hDb);
    if (!db) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
    std::string d = Str(dir, ENG_MAXPATHLEN);
    if (d.empty()) d = Eng().workDir;
    if (d[0] != '/') d = Eng().workDir + "/" + d;
    if (!IsDirectory(d)) return Fail(DBENG_ERR_DIRNOTFOUND, "Directory: " + d);
    db->dir = d;
    return DBENG_OK;
  });
}

DBResult eng_FormFullName(hEngDb hDb, const char *tableName, const char *, char *fullName) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    Database *db = FindDatabase(hDb);
    if (!db) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
    std::string name = Str(tableName, ENG_MAXPATHLEN);
    if (name.empty() || !fullName) return Fail(DBENG_ERR_INVALIDPARAM);
    std::string full = FullTableName(*db, name);
    if (full.size() > ENG_MAXPATHLEN) return Fail(DBENG_ERR_INVALIDPARAM, "Path too long: " + full);
    CopyText(fullName, ENG_MAXPATHLEN + 1, full);
    return DBENG_OK;
  });
}

DBResult eng_GetDatabaseDescriptor(const char *alias, EngDbDesc *desc) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    std::string name = Str(alias, ENG_MAXNAMELEN);
    if (name.empty() || !desc) return Fail(DBENG_ERR_INVALIDPARAM);
    std::string info = "\\DATABASES\\" + name + "\\DB INFO";
    if (!Eng().config.Exists(info)) return Fail(DBENG_ERR_UNKNOWNDB, "Alias: " + name);
    *desc = EngDbDesc{};
    CopyText(desc->name, sizeof desc->name, name);
    CopyText(desc->physName, sizeof desc->physName, Eng().config.Get(info, "PATH").value_or(""));
    CopyText(desc->dbType, sizeof desc->dbType,
             Eng().config.Get(info, "TYPE").value_or("STANDARD"));
    CopyText(desc->text, sizeof desc->text, Eng().config.Get(info, "DESCRIPTION").value_or(""));
    return DBENG_OK;
  });
}

DBResult eng_GetDatabaseDriverName(hEngDb hDb, char *ldName) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!FindDatabase(hDb)) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
    if (!ldName) return Fail(DBENG_ERR_INVALIDPARAM);
    CopyText(ldName, 32, "UTF8");
    return DBENG_OK;
  });
}

DBResult eng_GetTableDriverName(const char *fullName, const char *driverType, char *ldName) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!ldName || Str(fullName).empty()) return Fail(DBENG_ERR_INVALIDPARAM);
    if (!IsNativeTable(driverType))
      return Fail(DBENG_ERR_NOTSUPPORTED, "Table type " + Str(driverType, 32));
    CopyText(ldName, 32, "UTF8");
    return DBENG_OK;
  });
}

/* ----------------------------------------------------------- configuration */

DBResult eng_OpenConfigList(uint32_t, uint16_t, uint16_t, const char *path, hEngCursor *phCur) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!phCur) return Fail(DBENG_ERR_INVALIDPARAM);
    std::string p = Str(path, 1024);
    if (!p.empty() && !Eng().config.Exists(p)) return Fail(DBENG_ERR_NOCONFIGENTRY, "Path: " + p);
    auto list = std::make_unique<ListCursor>("CONFIG", static_cast<uint16_t>(sizeof(EngCfgDesc)));
    for (const EngCfgDesc &d : Eng().config.List(p))
      list->Add(&d, sizeof d);
    *phCur = Register(std::move(list), 0);
    return DBENG_OK;
  });
}

DBResult eng_AddConfigEntry(uint32_t, uint16_t, const char *path, uint16_t count,
                            const EngFldDesc *descs, const void *values, uint16_t) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    std::string p = Str(path, 1024);
    if (p.empty() || (count > 0 && (!descs || !values))) return Fail(DBENG_ERR_INVALIDPARAM);
    Config::Entries entries;
    const char *base = static_cast<const char *>(values);
    for (uint16_t i = 0; i < count; ++i) {
      std::string name(descs[i].name, strnlen(descs[i].name, sizeof descs[i].name));
      if (name.empty()) return Fail(DBENG_ERR_INVALIDPARAM, "Entry without a name");
      std::string value(base + descs[i].offset, strnlen(base + descs[i].offset, descs[i].length));
      entries.emplace_back(name, value);
    }
    Eng().config.Add(p, entries);
    return DBENG_OK;
  });
}

DBResult eng_DropConfigEntry(uint32_t, uint16_t, const char *path) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    std::string p = Str(path, 1024);
    if (p.empty()) return Fail(DBENG_ERR_INVALIDPARAM);
    if (!Eng().config.Exists(p)) return Fail(DBENG_ERR_NOCONFIGENTRY, "Path: " + p);
    Eng().config.Drop(p);
    return DBENG_OK;
  });
}

DBResult eng_FindConfigEntry(uint32_t, uint16_t, const char *path) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    std::string p = Str(path, 1024);
    return Eng().config.Exists(p) ? DBENG_OK : DBENG_ERR_NOCONFIGENTRY;
  });
}

/* -------------------------------------------------------------- properties */

DBResult eng_GetProperty(hEngObj hObj, uint32_t prop, void *buf, uint16_t bufLen, uint16_t *pLen) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!buf) return Fail(DBENG_ERR_INVALIDPARAM);
    auto text = [&](const std::string &t) -> DBResult {
      CopyText(static_cast<char *>(buf), bufLen, t);
      if (pLen) *pLen = static_cast<uint16_t>(strnlen(static_cast<char *>(buf), bufLen) + 1);
      return DBENG_OK;
    };
    auto number = [&](uint32_t v, size_t width) -> DBResult {
      if (bufLen < width) return Fail(DBENG_ERR_INVALIDPARAM, "Buffer too small");
      if (width == 2) {
        uint16_t w = static_cast<uint16_t>(v);
        std::memcpy(buf, &w, 2);
      } else {
        std::memcpy(buf, &v, 4);
      }
      if (pLen) *pLen = static_cast<uint16_t>(width);
      return DBENG_OK;
    };
    switch (ENG_HANDLE_KIND(hObj)) {
    case ENG_HKIND_SESSION: {
      Session *s = FindSession(hObj);
      if (!s) return Fail(DBENG_ERR_INVALIDHNDL, "Session handle");
      if (prop == ENG_PROP_SES_NETDIR) return text(s->netDir);
      if (prop == ENG_PROP_SES_CFGMODE) return number(s->cfgMode, 2);
      break;
    }
    case ENG_HKIND_DATABASE: {
      Database *db = FindDatabase(hObj);
      if (!db) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
      if (prop == ENG_PROP_DB_DRIVERTYPE) return text(db->type);
      if (prop == ENG_PROP_DB_DIRECTORY) return text(db->dir);
      if (prop == ENG_PROP_DB_FLAG4) return number(db->flag4, 2);
      if (prop == ENG_PROP_DB_FLAG5) return number(db->flag5, 2);
      if (prop == ENG_PROP_DB_TRACE) return number(db->trace, 4);
      break;
    }
    case ENG_HKIND_CURSOR: {
      CursorBase *c = FindCursor(hObj);
      if (!c) return Fail(DBENG_ERR_INVALIDHNDL, "Cursor handle");
      TableCursor *t = dynamic_cast<TableCursor *>(c);
      if (t && prop == ENG_PROP_CUR_UPDATEMODE) return number(t->updateMode, 2);
      if (t && prop == ENG_PROP_CUR_TABLENAME) return text(t->File().Path());
      break;
    }
    case ENG_HKIND_CLIENT:
      if (hObj != kClientObject) return Fail(DBENG_ERR_INVALIDHNDL, "Object handle");
      if (prop == ENG_PROP_CLIENT_TIMEOUT) return number(Eng().clientTimeout, 4);
      break;
    default:
      return Fail(DBENG_ERR_INVALIDHNDL, "Object handle");
    }
    return Fail(DBENG_ERR_NOTSUPPORTED, "Property " + std::to_string(prop));
  });
}

DBResult eng_SetProperty(hEngObj hObj, uint32_t prop, uint64_t value) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    switch (ENG_HANDLE_KIND(hObj)) {
    case ENG_HKIND_SESSION: {
      Session *s = FindSession(hObj);
      if (!s) return Fail(DBENG_ERR_INVALIDHNDL, "Session handle");
      if (prop == ENG_PROP_SES_NETDIR) {
        s->netDir = Str(reinterpret_cast<const char *>(static_cast<uintptr_t>(value)), 256);
        return DBENG_OK;
      }
      if (prop == ENG_PROP_SES_CFGMODE) {
        s->cfgMode = static_cast<uint16_t>(value);
        return DBENG_OK;
      }
      break;
    }
    case ENG_HKIND_DATABASE: {
      Database *db = FindDatabase(hObj);
      if (!db) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
      if (prop == ENG_PROP_DB_FLAG4) {
        db->flag4 = static_cast<uint16_t>(value);
        return DBENG_OK;
      }
      if (prop == ENG_PROP_DB_FLAG5) {
        db->flag5 = static_cast<uint16_t>(value);
        return DBENG_OK;
      }
      if (prop == ENG_PROP_DB_TRACE) {
        db->trace = static_cast<uint32_t>(value);
        return DBENG_OK;
      }
      break;
    }
    case ENG_HKIND_CURSOR: {
      TableCursor *t = FindTableCursor(hObj);
      if (!t) return Fail(DBENG_ERR_INVALIDHNDL, "Cursor handle");
      if (prop == ENG_PROP_CUR_UPDATEMODE) {
        t->updateMode = static_cast<uint16_t>(value);
        return DBENG_OK;
      }
      break;
    }
    case ENG_HKIND_CLIENT:
      if (hObj != kClientObject) return Fail(DBENG_ERR_INVALIDHNDL, "Object handle");
      if (prop == ENG_PROP_CLIENT_TIMEOUT) {
        Eng().clientTimeout = static_cast<uint32_t>(value);
        return DBENG_OK;
      }
      break;
    default:
      return Fail(DBENG_ERR_INVALIDHNDL, "Object handle");
    }
    return Fail(DBENG_ERR_NOTSUPPORTED, "Property " + std::to_string(prop));
  });
}

DBResult eng_GetObjectByName(uint16_t objType, const char *, hEngObj *phObj) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!phObj) return Fail(DBENG_ERR_INVALIDPARAM);
    if (objType != ENG_OBJ_CLIENT)
      return Fail(DBENG_ERR_OBJNOTFOUND, "Object type " + std::to_string(objType));
    *phObj = kClientObject;
    return DBENG_OK;
  });
}

/* -------------------------------------------------------- language drivers */

DBResult eng_GetLanguageDriver(hEngCursor hCur, hEngLd *phLd) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    if (!phLd) return Fail(DBENG_ERR_INVALIDPARAM);
    *phLd = kUtf8Driver;
    return DBENG_OK;
  });
}

DBResult eng_LoadLanguageDriver(hEngLd *phLd, const char *ldName) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    if (!phLd) return Fail(DBENG_ERR_INVALIDPARAM);
    std::string name = Str(ldName, 32);
    if (!name.empty() && CompareNoCase(name, "UTF8") != 0 && CompareNoCase(name, "UTF-8") != 0)
      return Fail(DBENG_ERR_OBJNOTFOUND, "Language driver " + name);
    *phLd = kUtf8Driver;
    return DBENG_OK;
  });
}

DBResult eng_UnloadLanguageDriver(hEngLd hLd) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    return hLd == kUtf8Driver ? DBENG_OK : Fail(DBENG_ERR_INVALIDHNDL, "Language driver");
  });
}

DBResult eng_NativeToAnsi(hEngLd hLd, char *dst, const char *src, uint32_t len,
                          uint16_t *pDataLoss) {
  return Guarded([&]() -> DBResult { return Convert(hLd, dst, src, len, pDataLoss); });
}

DBResult eng_AnsiToNative(hEngLd hLd, char *dst, const char *src, uint32_t len,
                          uint16_t *pDataLoss) {
  return Guarded([&]() -> DBResult { return Convert(hLd, dst, src, len, pDataLoss); });
}

/* ------------------------------------------------------- tables and lists */

DBResult eng_OpenTable(hEngDb hDb, const char *tableName, const char *driverType,
                       const char *indexName, const char *indexTag, uint16_t indexId,
                       uint16_t openMode, uint16_t shareMode, uint16_t, uint16_t, const void *,
                       hEngCursor *phCur) {
  return Guarded([&]() -> DBResult {
    if (!phCur) return Fail(DBENG_ERR_INVALIDPARAM);
    *phCur = 0;
    Database *db;
    std::shared_ptr<TableFile> file;
    if (DBResult r = OpenFile(hDb, tableName, driverType, &db, &file); r != DBENG_OK) return r;
    bool readOnly = openMode == ENG_OPEN_READONLY;
    if (!readOnly && (!file->Writable() || db->readOnly))
      return Fail(DBENG_ERR_READONLY, "Table: " + file->Path());
    bool exclusive = shareMode == ENG_SHARE_EXCLUSIVE;
    if (file->ExclusiveCount() > 0 || (exclusive && file->CursorCount() > 0))
      return Fail(DBENG_ERR_TABLELOCKED, "Table is in use: " + file->Path());
    if (DBResult r = file->AcquireShare(exclusive); r != DBENG_OK) return r;
    auto cursor = std::make_unique<TableCursor>(file, readOnly, exclusive);
    cursor->tableName = Str(tableName, ENG_MAXPATHLEN);
    int index;
    if (DBResult r = cursor->FindIndex(indexName, indexTag, indexId, &index); r != DBENG_OK)
      return r;
    cursor->SwitchIndex(index, false);
    *phCur = Register(std::move(cursor), hDb);
    return DBENG_OK;
  });
}

DBResult eng_CloseCursor(hEngCursor hCur) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    CloseCursor(hCur);
    return DBENG_OK;
  });
}

DBResult eng_GetCursorProperties(hEngCursor hCur, EngCurProps *props) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    if (!props) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->Properties(props);
  });
}

DBResult eng_GetFieldDescriptors(hEngCursor hCur, EngFldDesc *descs) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!descs) return Fail(DBENG_ERR_INVALIDPARAM);
    const auto &fields = c->Shape().fields;
    std::memcpy(descs, fields.data(), fields.size() * sizeof(EngFldDesc));
    return DBENG_OK;
  });
}

DBResult eng_GetValidityCheck(hEngCursor hCur, uint16_t seqNo, EngVChkDesc *desc) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    const auto &checks = c->File().Checks();
    if (!desc || seqNo < 1 || seqNo > checks.size())
      return Fail(DBENG_ERR_INVALIDPARAM, "Validity check " + std::to_string(seqNo));
    *desc = checks[seqNo - 1];
    return DBENG_OK;
  });
}

DBResult eng_GetIndexDescriptor(hEngCursor hCur, uint16_t seqNo, EngIdxDesc *desc) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!desc) return Fail(DBENG_ERR_INVALIDPARAM);
    const auto &ixs = c->File().Indexes();
    int i = seqNo == 0 ? c->IndexNo() : seqNo - 1;
    if (i < 0 || static_cast<size_t>(i) >= ixs.size())
      return Fail(DBENG_ERR_OBJNOTFOUND,
                  seqNo == 0 ? "No current index" : "Index " + std::to_string(seqNo));
    *desc = ixs[static_cast<size_t>(i)].desc;
    return DBENG_OK;
  });
}

DBResult eng_GetIndexDescriptors(hEngCursor hCur, EngIdxDesc *descs) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!descs) return Fail(DBENG_ERR_INVALIDPARAM);
    const auto &ixs = c->File().Indexes();
    for (size_t i = 0; i < ixs.size(); ++i)
      descs[i] = ixs[i].desc;
    return DBENG_OK;
  });
}

DBResult eng_OpenFieldList(hEngDb hDb, const char *tableName, const char *driverType, uint16_t,
                           hEngCursor *phCur) {
  return Guarded([&]() -> DBResult {
    if (!phCur) return Fail(DBENG_ERR_INVALIDPARAM);
    Database *db;
    std::shared_ptr<TableFile> file;
    if (DBResult r = OpenFile(hDb, tableName, driverType, &db, &file); r != DBENG_OK) return r;
    auto list = std::make_unique<ListCursor>("FIELDS", static_cast<uint16_t>(sizeof(EngFldDesc)));
    for (const EngFldDesc &fd : file->Shape().fields)
      list->Add(&fd, sizeof fd);
    *phCur = Register(std::move(list), hDb);
    return DBENG_OK;
  });
}

DBResult eng_OpenValidityList(hEngDb hDb, const char *tableName, const char *driverType,
                              hEngCursor *phCur) {
  return Guarded([&]() -> DBResult {
    if (!phCur) return Fail(DBENG_ERR_INVALIDPARAM);
    Database *db;
    std::shared_ptr<TableFile> file;
    if (DBResult r = OpenFile(hDb, tableName, driverType, &db, &file); r != DBENG_OK) return r;
    auto list =
        std::make_unique<ListCursor>("VALCHECKS", static_cast<uint16_t>(sizeof(EngVChkDesc)));
    for (const EngVChkDesc &vc : file->Checks())
      list->Add(&vc, sizeof vc);
    *phCur = Register(std::move(list), hDb);
    return DBENG_OK;
  });
}

DBResult eng_OpenIndex(hEngCursor hCur, const char *indexName, uint16_t indexId) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    int index;
    if ((!indexName || !*indexName) && indexId == 0)
      return Fail(DBENG_ERR_INVALIDPARAM, "Index name missing");
    if (DBResult r = c->FindIndex(indexName, nullptr, indexId, &index); r != DBENG_OK) return r;
    return Fail(DBENG_ERR_INDEXOPEN, "Indexes of this table are always open");
  });
}

DBResult eng_CloseIndex(hEngCursor hCur, const char *, uint16_t) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return Fail(DBENG_ERR_NOTSUPPORTED, "Indexes of this table are always open");
  });
}

DBResult eng_SwitchToIndex(hEngCursor hCur, const char *indexName, const char *indexTag,
                           uint16_t indexId, uint16_t keepCurrent) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    int index;
    if (DBResult r = c->FindIndex(indexName, indexTag, indexId, &index); r != DBENG_OK) return r;
    return c->SwitchIndex(index, keepCurrent != 0);
  });
}

DBResult eng_CloneCursor(hEngCursor hSrc, uint16_t readOnly, uint16_t, hEngCursor *phNew) {
  return Guarded([&]() -> DBResult {
    TableCursor *src;
    if (DBResult r = WithTable(hSrc, &src); r != DBENG_OK) return r;
    if (!phNew) return Fail(DBENG_ERR_INVALIDPARAM);
    if (src->Exclusive()) return Fail(DBENG_ERR_TABLELOCKED, "The table is open exclusively");
    std::shared_ptr<TableFile> file;
    if (DBResult r = TableFile::Open(src->File().Path(), &file); r != DBENG_OK) return r;
    if (DBResult r = file->AcquireShare(false); r != DBENG_OK) return r;
    auto clone = std::make_unique<TableCursor>(file, readOnly != 0 || src->ReadOnly(), false);
    clone->tableName = src->tableName;
    clone->SwitchIndex(src->IndexNo(), false);
    clone->CopyPositionFrom(*src);
    hEngDb db = src->database;
    *phNew = Register(std::move(clone), db);
    return DBENG_OK;
  });
}

/* -------------------------------------------------------------- navigation */

DBResult eng_SetToBegin(hEngCursor hCur) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    return c->SetToBegin();
  });
}

DBResult eng_SetToEnd(hEngCursor hCur) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    return c->SetToEnd();
  });
}

DBResult eng_SetToCursor(hEngCursor hDest, hEngCursor hSrc) {
  return Guarded([&]() -> DBResult {
    TableCursor *dest, *src;
    if (DBResult r = WithTable(hDest, &dest); r != DBENG_OK) return r;
    if (DBResult r = WithTable(hSrc, &src); r != DBENG_OK) return r;
    return dest->GotoCursor(*src);
  });
}

DBResult eng_GetNextRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    return c->Next(lock, recBuf, props);
  });
}

DBResult eng_GetPriorRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    return c->Prior(lock, recBuf, props);
  });
}

DBResult eng_GetRecord(hEngCursor hCur, uint16_t lock, void *recBuf, EngRecProps *props) {
  return Guarded([&]() -> DBResult {
    CursorBase *c;
    if (DBResult r = WithCursor(hCur, &c); r != DBENG_OK) return r;
    return c->Current(lock, recBuf, props);
  });
}

DBResult eng_GetRecordCount(hEngCursor hCur, uint32_t *count) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!count) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->Count(count);
  });
}

DBResult eng_GetSequenceNumber(hEngCursor hCur, uint32_t *seqNum) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!seqNum) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->SequenceNumber(seqNum);
  });
}

DBResult eng_GetBookmark(hEngCursor hCur, void *bookmark) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!bookmark) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->GetBookmark(bookmark);
  });
}

DBResult eng_SetToBookmark(hEngCursor hCur, const void *bookmark) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!bookmark) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->GotoBookmark(bookmark);
  });
}

DBResult eng_ForceReread(hEngCursor hCur) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    c->File().EndRead();
    c->File().CountCache().clear();
    c->ForgetCache();
    return DBENG_OK;
  });
}

/* ----------------------------------------------------------------- editing */

DBResult eng_InitRecord(hEngCursor hCur, void *recBuf) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->InitRecord(recBuf);
  });
}

DBResult eng_InsertRecord(hEngCursor hCur, uint16_t lock, void *recBuf) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->Insert(lock, recBuf);
  });
}

DBResult eng_ModifyRecord(hEngCursor hCur, void *recBuf, uint16_t releaseLock) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->Modify(recBuf, releaseLock != 0);
  });
}

DBResult eng_DeleteRecord(hEngCursor hCur, void *recBuf) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->Delete(recBuf);
  });
}

DBResult eng_ReleaseRecordLock(hEngCursor hCur, uint16_t all) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->ReleaseLock(all != 0);
  });
}

DBResult eng_GetField(hEngCursor hCur, uint16_t fieldNum, const void *recBuf, void *dest,
                      uint16_t *isBlank) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    FieldView v;
    if (!ReadField(c->Shape(), fieldNum, static_cast<const uint8_t *>(recBuf), &v))
      return Fail(DBENG_ERR_INVALIDFIELD, "Field " + std::to_string(fieldNum));
    if (isBlank) *isBlank = v.blank ? 1 : 0;
    if (dest) {
      if (v.blank)
        std::memset(dest, 0, v.desc->length);
      else
        std::memcpy(dest, v.data, v.desc->length);
    }
    return DBENG_OK;
  });
}

DBResult eng_PutField(hEngCursor hCur, uint16_t fieldNum, void *recBuf, const void *src) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    const EngFldDesc *fd = c->Shape().Field(fieldNum);
    if (!fd) return Fail(DBENG_ERR_INVALIDFIELD, "Field " + std::to_string(fieldNum));
    uint8_t *rec = static_cast<uint8_t *>(recBuf);
    if (fd->type == ENG_FLD_BLOB) {
      // A blob's bytes go through the blob operations; here it can only be
      // emptied.
      if (src) return Fail(DBENG_ERR_NOTABLOB, "Blob values are written with the blob operations");
      c->FreeBlob(recBuf, fieldNum);
      std::memset(rec + fd->offset, 0, fd->length);
      rec[fd->nullOffset] = 0;
      return DBENG_OK;
    }
    WriteSlot(*fd, rec, src);
    return DBENG_OK;
  });
}

/* -------------------------------------------------------------------- keys */

DBResult eng_ExtractKey(hEngCursor hCur, const void *recBuf, void *keyBuf) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!keyBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->ExtractKey(recBuf, keyBuf);
  });
}

DBResult eng_GetRecordForKey(hEngCursor hCur, uint16_t, uint16_t fieldCount, uint16_t partLen,
                             const void *key, void *recBuf) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!key) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->GetRecordForKey(fieldCount, partLen, key, recBuf);
  });
}

DBResult eng_SetToKey(hEngCursor hCur, uint16_t searchCond, uint16_t, uint16_t fieldCount,
                      uint16_t partLen, const void *key) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!key || searchCond > ENG_KEY_GE) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->SetToKey(searchCond, fieldCount, partLen, key);
  });
}

DBResult eng_SetRange(hEngCursor hCur, uint16_t, uint16_t fieldCount1, uint16_t partLen1,
                      const void *key1, uint16_t incl1, uint16_t fieldCount2, uint16_t partLen2,
                      const void *key2, uint16_t incl2) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->SetRange(fieldCount1, partLen1, key1, incl1 != 0, fieldCount2, partLen2, key2,
                       incl2 != 0);
  });
}

DBResult eng_ResetRange(hEngCursor hCur) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->ResetRange();
  });
}

/* ----------------------------------------------------------------- filters */

DBResult eng_AddFilter(hEngCursor hCur, uint64_t clientData, uint16_t priority, uint16_t canAbort,
                       const void *tree, EngRecFilterFn fn, hEngFilter *phFilter) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!phFilter) return Fail(DBENG_ERR_INVALIDPARAM);
    *phFilter = 0;
    return c->AddFilter(clientData, priority, canAbort, tree, fn, phFilter);
  });
}

DBResult eng_DropFilter(hEngCursor hCur, hEngFilter hFilter) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->DropFilter(hFilter);
  });
}

DBResult eng_ActivateFilter(hEngCursor hCur, hEngFilter hFilter) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->SetFilterActive(hFilter, true);
  });
}

DBResult eng_DeactivateFilter(hEngCursor hCur, hEngFilter hFilter) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return c->SetFilterActive(hFilter, false);
  });
}

/* ------------------------------------------------------------------- blobs */

DBResult eng_OpenBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint16_t openMode) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->OpenBlobField(recBuf, fieldNum, openMode == ENG_OPEN_READONLY);
  });
}

DBResult eng_GetBlobSize(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t *size) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf || !size) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->BlobSize(recBuf, fieldNum, size);
  });
}

DBResult eng_GetBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                     uint32_t len, void *dest, uint32_t *read) {
  return Guarded([&]() -> DBResult {
    uint32_t dummy;
    if (!read) read = &dummy;
    *read = 0;
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf || (!dest && len > 0)) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->ReadBlob(recBuf, fieldNum, offset, len, dest, read);
  });
}

DBResult eng_PutBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t offset,
                     uint32_t len, const void *src) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf || (!src && len > 0)) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->WriteBlob(recBuf, fieldNum, offset, len, src);
  });
}

DBResult eng_TruncateBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum, uint32_t len) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->TruncateBlob(recBuf, fieldNum, len);
  });
}

DBResult eng_FreeBlob(hEngCursor hCur, void *recBuf, uint16_t fieldNum) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (!recBuf) return Fail(DBENG_ERR_INVALIDPARAM);
    return c->FreeBlob(recBuf, fieldNum);
  });
}

/* --------------------------------------------------------------- callbacks */

DBResult eng_RegisterCallback(hEngObj hObj, uint16_t cbType, uint64_t clientData, uint16_t bufLen,
                              void *cbBuf, EngCallbackFn fn) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    Session *s = nullptr;
    if (hObj == 0)
      s = CurrentSession();
    else if (ENG_HANDLE_KIND(hObj) == ENG_HKIND_SESSION)
      s = FindSession(hObj);
    else if (CursorBase *c = FindCursor(hObj))
      s = FindSession(c->session);
    if (!s) return Fail(DBENG_ERR_INVALIDHNDL, "Object handle");
    if (!fn) {
      s->callbacks.erase(cbType);
      return DBENG_OK;
    }
    s->callbacks[cbType] = CallbackReg{clientData, bufLen, cbBuf, fn};
    return DBENG_OK;
  });
}

DBResult eng_GetCallback(hEngObj hObj, uint16_t cbType, uint64_t *clientData, uint16_t *bufLen,
                         void **cbBuf, EngCallbackFn *fn) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    Session *s = nullptr;
    if (hObj == 0)
      s = CurrentSession();
    else if (ENG_HANDLE_KIND(hObj) == ENG_HKIND_SESSION)
      s = FindSession(hObj);
    else if (CursorBase *c = FindCursor(hObj))
      s = FindSession(c->session);
    if (!s) return Fail(DBENG_ERR_INVALIDHNDL, "Object handle");
    auto it = s->callbacks.find(cbType);
    CallbackReg reg = it == s->callbacks.end() ? CallbackReg{} : it->second;
    if (clientData) *clientData = reg.client;
    if (bufLen) *bufLen = reg.bufLen;
    if (cbBuf) *cbBuf = reg.buf;
    if (fn) *fn = reg.fn;
    return DBENG_OK;
  });
}

/* -------------------------------------------------------- cached updates */

DBResult eng_BeginCachedUpdates(hEngCursor hCur, hEngCursor *phCached) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    if (phCached) *phCached = 0;
    return Fail(DBENG_ERR_NOTSUPPORTED, "Cached updates are not offered by this engine");
  });
}

DBResult eng_EndCachedUpdates(hEngCursor hCur, hEngCursor, uint16_t) {
  return Guarded([&]() -> DBResult {
    TableCursor *c;
    if (DBResult r = WithTable(hCur, &c); r != DBENG_OK) return r;
    return Fail(DBENG_ERR_NOTSUPPORTED, "Cached updates are not offered by this engine");
  });
}

/* ------------------------------------------------- creation and passwords */

DBResult eng_CreateTable(hEngDb hDb, const EngTableDesc *desc) {
  return Guarded([&]() -> DBResult {
    if (DBResult r = CheckInit(); r != DBENG_OK) return r;
    Database *db = FindDatabase(hDb);
    if (!db) return Fail(DBENG_ERR_INVALIDHNDL, "Database handle");
    if (!desc) return Fail(DBENG_ERR_INVALIDPARAM);
    std::string name(desc->name, strnlen(desc->name, sizeof desc->name));
    if (name.empty()) return Fail(DBENG_ERR_INVALIDPARAM, "Table name missing");
    if (!IsNativeTable(desc->driverType))
      return Fail(DBENG_ERR_NOTSUPPORTED, "Table type " + Str(desc->driverType, 32));
    if (db->readOnly) return Fail(DBENG_ERR_READONLY, "The database was opened read-only");
    return TableFile::Create(FullTableName(*db, name), *desc);
  });
}

DBResult eng_ChangeTablePassword(hEngDb hDb, const char *tableName, const char *driverType,
                                 const char *newPassword) {
  return Guarded([&]() -> DBResult {
    Database *db;
    std::shared_ptr<TableFile> file;
    if (DBResult r = OpenFile(hDb, tableName, driverType, &db, &file); r != DBENG_OK) return r;
    if (!file->Writable() || db->readOnly)
      return Fail(DBENG_ERR_READONLY, "Table: " + file->Path());
    return file->SetPassword(Str(newPassword, ENG_MAXPWLEN));
  });
}

} // extern "C"
