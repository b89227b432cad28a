#include "engine/src/table.h"

#include "engine/src/collate.h"
#include "engine/src/core.h"
#include "engine/src/values.h"

#include <sodium.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbeng {

namespace {

constexpr const char *kFormatName = "bonussfx-table";
constexpr int kFormatVersion = 1;
// Cost of the password hash: slow enough to make guessing expensive, small
// enough to keep the engine's memory low.
constexpr unsigned long long kPwOps = 3;
constexpr size_t kPwMem = 4u << 20;

std::map<std::string, std::weak_ptr<TableFile>> &Registry() {
  static std::map<std::string, std::weak_ptr<TableFile>> files;
  return files;
}

// Files no cursor uses stay open for a moment: a table is typically opened
// again right after (the dataset reads its field list, then opens it), and
// then costs no new connection.
constexpr std::chrono::seconds kKeepOpen{2};
std::map<std::string, std::pair<std::shared_ptr<TableFile>, std::chrono::steady_clock::time_point>>
    &Kept() {
  static std::map<std::string,
                  std::pair<std::shared_ptr<TableFile>, std::chrono::steady_clock::time_point>>
      kept;
  return kept;
}

// Passwords already verified against a verifier in this process, kept as
// keyed hashes so that a table reopened with the same password costs no
// second slow hash.
std::set<std::string> &VerifiedCache() {
  static std::set<std::string> cache;
  return cache;
}

std::string CacheKey(const std::string &verifier, const std::string &password) {
  static unsigned char key[crypto_generichash_KEYBYTES];
  static bool keyed = false;
  if (!keyed) {
    randombytes_buf(key, sizeof key);
    keyed = true;
  }
  unsigned char out[32];
  crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(password.data()),
                     password.size(), key, sizeof key);
  return verifier + '\n' + std::string(reinterpret_cast<char *>(out), sizeof out);
}

int DictCollation(void *, int n1, const void *p1, int n2, const void *p2) {
  return CompareDictionary(
      std::string_view(static_cast<const char *>(p1), static_cast<size_t>(n1)),
      std::string_view(static_cast<const char *>(p2), static_cast<size_t>(n2)));
}

int NoCaseCollation(void *, int n1, const void *p1, int n2, const void *p2) {
  return CompareNoCase(std::string_view(static_cast<const char *>(p1), static_cast<size_t>(n1)),
                       std::string_view(static_cast<const char *>(p2), static_cast<size_t>(n2)));
}

const char *DeclaredType(uint16_t type) {
  switch (type) {
  case ENG_FLD_ZSTRING:
  case ENG_FLD_BCD:
    return "TEXT";
  case ENG_FLD_FLOAT:
  case ENG_FLD_TIMESTAMP:
    return "REAL";
  case ENG_FLD_BYTES:
  case ENG_FLD_VARBYTES:
    return "BLOB";
  default:
    return "INTEGER";
  }
}

DBResult Exec(sqlite3 *db, const std::string &sql, const std::string &what) {
  char *err = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) return FailSqlite(db, rc, what);
  return DBENG_OK;
}

bool FileWritable(const std::string &path) {
  if (access(path.c_str(), W_OK) != 0) return false;
  std::string dir = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
  if (dir.empty()) dir = ".";
  // The write-ahead log lives beside the file.
  return access(dir.c_str(), W_OK) == 0;
}

// Fields whose equality filters are pushed into queries without a collation.
bool OrderKeyField(uint16_t type) {
  return type != ENG_FLD_ZSTRING && type != ENG_FLD_BYTES && type != ENG_FLD_VARBYTES &&
         type != ENG_FLD_BCD && type != ENG_FLD_BLOB;
}

bool SameName(std::string_view a, std::string_view b) {
  return CompareNoCase(a, b) == 0;
}

} // namespace

void RegisterCollations(sqlite3 *db) {
  sqlite3_create_collation(db, kDictCollation, SQLITE_UTF8, nullptr, DictCollation);
  sqlite3_create_collation(db, kNoCaseCollation, SQLITE_UTF8, nullptr, NoCaseCollation);
}

TableFile::~TableFile() {
  for (auto &[sql, stmt] : stmts_)
    sqlite3_finalize(stmt);
  if (db_) {
    if (readOpen_) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
  }
  if (lockFd_ >= 0) close(lockFd_);
}

DBResult TableFile::Open(const std::string &given, std::shared_ptr<TableFile> *out) {
  // One file, one connection: names that lead to the same file are one.
  char resolved[PATH_MAX];
  std::string path = realpath(given.c_str(), resolved) ? std::string(resolved) : given;
  auto &reg = Registry();
  auto it = reg.find(path);
  if (it != reg.end()) {
    if (auto existing = it->second.lock()) {
      *out = existing;
      return DBENG_OK;
    }
    reg.erase(it);
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    std::string dir = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
    if (!dir.empty() && stat(dir.c_str(), &st) != 0)
      return Fail(DBENG_ERR_DIRNOTFOUND, "Directory: " + dir);
    return Fail(DBENG_ERR_FILENOTFOUND, "Table: " + path);
  }
  if (!S_ISREG(st.st_mode)) return Fail(DBENG_ERR_NOTATABLE, "Not a file: " + path);

  std::shared_ptr<TableFile> file(new TableFile());
  file->path_ = path;
  file->writable_ = FileWritable(path);
  std::string uri = "file:";
  for (char c : path) {
    if (c == '?' || c == '#' || c == '%') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
      uri += buf;
    } else {
      uri += c;
    }
  }
  int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
  if (file->writable_) {
    flags |= SQLITE_OPEN_READWRITE;
  } else {
    flags |= SQLITE_OPEN_READONLY;
    std::string dir = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
    // On a folder nobody may write, the write-ahead index cannot be created:
    // read the file as it stands.
    if (access((dir.empty() ? "." : dir).c_str(), W_OK) != 0 &&
        access((path + "-shm").c_str(), F_OK) != 0)
      uri += "?immutable=1";
    else
      uri += "?mode=ro";
  }
  int rc = sqlite3_open_v2(uri.c_str(), &file->db_, flags, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(file->db_, rc, "Cannot open table: " + path);
  RegisterCollations(file->db_);
  sqlite3_busy_timeout(file->db_, 5000);
  sqlite3_exec(file->db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  file->lockFd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (DBResult r = file->Load(); r != DBENG_OK) return r;
  reg[path] = file;
  *out = std::move(file);
  return DBENG_OK;
}

DBResult TableFile::Load() {
  sqlite3_stmt *stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, "SELECT key, value FROM eng_meta", -1, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    if (rc != SQLITE_ERROR) return FailSqlite(db_, rc, "Table: " + path_);
    Fail(DBENG_ERR_NOTATABLE, "Table: " + path_); // no engine schema
    return AddCause(DBENG_ERR_NOTATABLE, sqlite3_extended_errcode(db_),
                    std::string("SQLite: ") + sqlite3_errmsg(db_));
  }
  std::string format;
  int version = 0;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::string key = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
    if (key == "format")
      format = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1));
    else if (key == "version")
      version = sqlite3_column_int(stmt, 1);
    else if (key == "tag")
      tag_ = static_cast<uint32_t>(sqlite3_column_int64(stmt, 1));
    else if (key == "rows" && sqlite3_column_type(stmt, 1) == SQLITE_INTEGER)
      rowCounter_ = true;
    else if (key == "password" && sqlite3_column_type(stmt, 1) == SQLITE_TEXT)
      verifier_ = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1));
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Table: " + path_);
  if (format != kFormatName) return Fail(DBENG_ERR_NOTATABLE, "Table: " + path_);
  if (version != kFormatVersion) return Fail(DBENG_ERR_BADVERSION, "Table: " + path_);

  rc = sqlite3_prepare_v2(
      db_, "SELECT num, name, type, subtype, units1, units2 FROM eng_fields ORDER BY num", -1,
      &stmt, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Table: " + path_);
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    EngFldDesc fd{};
    CopyText(fd.name, sizeof fd.name, reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
    fd.type = static_cast<uint16_t>(sqlite3_column_int(stmt, 2));
    fd.subType = static_cast<uint16_t>(sqlite3_column_int(stmt, 3));
    fd.units1 = static_cast<int16_t>(sqlite3_column_int(stmt, 4));
    fd.units2 = static_cast<int16_t>(sqlite3_column_int(stmt, 5));
    fd.calculated = fd.type == ENG_FLD_INT32 && fd.subType == ENG_SUB_AUTOINC ? 1 : 0;
    fd.rights = fd.calculated;
    shape_.fields.push_back(fd);
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Table: " + path_);
  if (shape_.fields.empty() || !shape_.Layout())
    return Fail(DBENG_ERR_CORRUPT, "Table has no valid field list: " + path_);
  columnList_.clear();
  for (size_t i = 0; i < shape_.fields.size(); ++i)
    columnList_ += (i ? ", f" : "f") + std::to_string(i + 1);

  rc = sqlite3_prepare_v2(db_,
                          "SELECT num, name, is_primary, is_unique, is_descending, is_caseins, "
                          "fields FROM eng_indexes ORDER BY num",
                          -1, &stmt, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Table: " + path_);
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    IndexInfo ix;
    int num = sqlite3_column_int(stmt, 0);
    CopyText(ix.desc.name, sizeof ix.desc.name,
             reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
    CopyText(ix.desc.format, sizeof ix.desc.format, "STANDARD");
    ix.desc.indexId = static_cast<uint16_t>(indexes_.size() + 1);
    ix.desc.primary = static_cast<uint16_t>(sqlite3_column_int(stmt, 2));
    ix.desc.unique = static_cast<uint16_t>(sqlite3_column_int(stmt, 3));
    ix.desc.descending = static_cast<uint16_t>(sqlite3_column_int(stmt, 4));
    ix.desc.caseInsensitive = static_cast<uint16_t>(sqlite3_column_int(stmt, 5));
    ix.desc.maintained = 1;
    ix.desc.keyLength = shape_.recordSize;
    std::string list = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 6));
    size_t start = 0;
    while (start < list.size()) {
      size_t end = list.find(';', start);
      if (end == std::string::npos) end = list.size();
      int f = std::atoi(list.substr(start, end - start).c_str());
      if (f < 1 || f > shape_.FieldCount() || ix.fields.size() >= ENG_MAXKEYFIELDS) {
        sqlite3_finalize(stmt);
        return Fail(DBENG_ERR_CORRUPT, "Table has an invalid index description: " + path_);
      }
      ix.desc.keyFields[ix.fields.size()] = static_cast<uint16_t>(f);
      ix.fields.push_back(static_cast<uint16_t>(f));
      start = end + 1;
    }
    ix.desc.fieldCount = static_cast<uint16_t>(ix.fields.size());
    ix.caseInsensitive = ix.desc.caseInsensitive != 0;
    ix.descending = ix.desc.descending != 0;
    ix.sqlName = "eng_ix" + std::to_string(num);
    ix.narrowName = ix.sqlName;
    if (ix.desc.primary && primary_ < 0) primary_ = static_cast<int>(indexes_.size());
    indexes_.push_back(std::move(ix));
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Table: " + path_);

  // Narrow key indexes (files written before they existed count with the
  // cursor's own index).
  rc = sqlite3_prepare_v2(db_,
                          "SELECT name FROM sqlite_master WHERE type = 'index' AND "
                          "(name LIKE 'eng_nk%' OR name LIKE 'eng_px%')",
                          -1, &stmt, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Table: " + path_);
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    std::string name = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
    for (IndexInfo &ix : indexes_) {
      if (name == "eng_nk" + ix.sqlName.substr(6)) ix.narrowName = name;
      if (name == "eng_px" + ix.sqlName.substr(6)) ix.primaryOrderName = name;
    }
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Table: " + path_);
  // Every row has an entry in every index (blank keys included), so any of
  // them counts the table; the one with the narrowest key fields reads the
  // fewest pages (a 16-bit category against a title is a third of them).
  size_t narrowest = SIZE_MAX;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    const IndexInfo &ix = indexes_[i];
    if (ix.narrowName == ix.sqlName) continue;
    size_t width = 0;
    for (uint16_t f : ix.fields) {
      const EngFldDesc *fd = shape_.Field(f);
      width += SlotWidth(fd->type, fd->units1);
    }
    if (width < narrowest) {
      narrowest = width;
      countIndex_ = static_cast<int>(i);
    }
  }

  rc = sqlite3_prepare_v2(db_,
                          "SELECT field, required, minval, maxval, defval, picture FROM eng_checks "
                          "ORDER BY field",
                          -1, &stmt, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Table: " + path_);
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    EngVChkDesc vc{};
    vc.fieldNum = static_cast<uint16_t>(sqlite3_column_int(stmt, 0));
    const EngFldDesc *fd = shape_.Field(vc.fieldNum);
    if (!fd) continue;
    vc.required = static_cast<uint16_t>(sqlite3_column_int(stmt, 1));
    auto copyValue = [&](int col, uint8_t *dst, uint16_t *flag) {
      if (sqlite3_column_type(stmt, col) == SQLITE_NULL) return;
      int n = sqlite3_column_bytes(stmt, col);
      const void *p = sqlite3_column_blob(stmt, col);
      if (n > 0 && static_cast<size_t>(n) <= 256) {
        std::memcpy(dst, p, static_cast<size_t>(n));
        *flag = 1;
      }
    };
    copyValue(2, vc.minVal, &vc.hasMin);
    copyValue(3, vc.maxVal, &vc.hasMax);
    copyValue(4, vc.defVal, &vc.hasDefault);
    if (sqlite3_column_type(stmt, 5) == SQLITE_TEXT)
      CopyText(vc.picture, sizeof vc.picture,
               reinterpret_cast<const char *>(sqlite3_column_text(stmt, 5)));
    shape_.fields[vc.fieldNum - 1].vchk = 1;
    checks_.push_back(vc);
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Table: " + path_);
  return DBENG_OK;
}

DBResult TableFile::Create(const std::string &path, const EngTableDesc &desc) {
  // Check the description before touching the disk.
  if (desc.fieldCount == 0 || !desc.fields)
    return Fail(DBENG_ERR_INVALIDDESC, "A table needs at least one field");
  RecordShape shape;
  for (uint16_t i = 0; i < desc.fieldCount; ++i) {
    EngFldDesc fd = desc.fields[i];
    std::string_view name(fd.name, strnlen(fd.name, sizeof fd.name));
    if (name.empty() || name.size() > ENG_MAXNAMELEN)
      return Fail(DBENG_ERR_INVALIDDESC, "Field " + std::to_string(i + 1) + " has no valid name");
    for (const EngFldDesc &other : shape.fields)
      if (SameName(other.name, name))
        return Fail(DBENG_ERR_INVALIDDESC, "Duplicate field name: " + std::string(name));
    if (SlotWidth(fd.type, fd.units1) == 0 ||
        (fd.type == ENG_FLD_BCD && (fd.units2 < 0 || fd.units2 > 32)))
      return Fail(DBENG_ERR_INVALIDDESC,
                  "Field " + std::string(name) + " has an invalid type or size");
    shape.fields.push_back(fd);
  }
  if (!shape.Layout()) return Fail(DBENG_ERR_INVALIDDESC, "Record too large");
  int primaries = 0;
  for (uint16_t i = 0; i < desc.indexCount; ++i) {
    const EngIdxDesc &ix = desc.indexes[i];
    if (ix.expression) return Fail(DBENG_ERR_NOTSUPPORTED, "Expression indexes are not supported");
    if (ix.fieldCount == 0 || ix.fieldCount > ENG_MAXKEYFIELDS)
      return Fail(DBENG_ERR_INVALIDDESC, "Index " + std::to_string(i + 1) + " has no valid key");
    for (uint16_t k = 0; k < ix.fieldCount; ++k) {
      const EngFldDesc *fd = shape.Field(ix.keyFields[k]);
      // Decimal values are stored as text, whose order is not theirs.
      if (!fd || fd->type == ENG_FLD_BLOB || fd->type == ENG_FLD_BCD)
        return Fail(DBENG_ERR_INVALIDDESC,
                    "Index " + std::to_string(i + 1) + " names a field that cannot be a key");
    }
    if (ix.primary) ++primaries;
    std::string_view name(ix.name, strnlen(ix.name, sizeof ix.name));
    if (name.empty() && !ix.primary)
      return Fail(DBENG_ERR_INVALIDDESC, "A secondary index needs a name");
    for (uint16_t j = 0; j < i; ++j)
      if (SameName(std::string_view(desc.indexes[j].name, strnlen(desc.indexes[j].name, 128)),
                   name))
        return Fail(DBENG_ERR_INVALIDDESC, "Duplicate index name: " + std::string(name));
  }
  if (primaries > 1) return Fail(DBENG_ERR_INVALIDDESC, "More than one primary index");
  for (uint16_t i = 0; i < desc.checkCount; ++i)
    if (!shape.Field(desc.checks[i].fieldNum))
      return Fail(DBENG_ERR_INVALIDDESC, "Validity check for a field that does not exist");

  struct stat st;
  std::string dir = path.substr(0, path.rfind('/') == std::string::npos ? 0 : path.rfind('/'));
  if (!dir.empty() && (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
    return Fail(DBENG_ERR_DIRNOTFOUND, "Directory: " + dir);
  if (stat(path.c_str(), &st) == 0) {
    if (!desc.overwrite) return Fail(DBENG_ERR_FILEEXISTS, "Table: " + path);
    char resolved[PATH_MAX];
    std::string real = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    Kept().erase(real);
    auto &reg = Registry();
    auto it = reg.find(real);
    if (it != reg.end() && !it->second.expired())
      return Fail(DBENG_ERR_TABLELOCKED, "Table is open: " + path);
    unlink(path.c_str());
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
  }

  sqlite3 *db = nullptr;
  int rc = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    DBResult r = FailSqlite(db, rc, "Cannot create table: " + path);
    sqlite3_close_v2(db);
    return r;
  }
  RegisterCollations(db);
  auto cleanup = [&](DBResult r) {
    sqlite3_close_v2(db);
    unlink(path.c_str());
    unlink((path + "-wal").c_str());
    unlink((path + "-shm").c_str());
    return r;
  };
  std::string sql = "PRAGMA page_size=8192; PRAGMA journal_mode=WAL; BEGIN;"
                    "CREATE TABLE eng_meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;"
                    "CREATE TABLE eng_fields(num INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                    "type INTEGER NOT NULL, subtype INTEGER NOT NULL, units1 INTEGER NOT NULL, "
                    "units2 INTEGER NOT NULL);"
                    "CREATE TABLE eng_indexes(num INTEGER PRIMARY KEY, name TEXT NOT NULL, "
                    "is_primary INTEGER NOT NULL, is_unique INTEGER NOT NULL, "
                    "is_descending INTEGER NOT NULL, is_caseins INTEGER NOT NULL, "
                    "fields TEXT NOT NULL);"
                    "CREATE TABLE eng_checks(field INTEGER PRIMARY KEY, required INTEGER NOT NULL, "
                    "minval BLOB, maxval BLOB, defval BLOB, picture TEXT);"
                    "CREATE TABLE eng_blobs(id INTEGER PRIMARY KEY, data BLOB NOT NULL);";
  sql += "CREATE TABLE eng_rows(id INTEGER PRIMARY KEY";
  for (const EngFldDesc &fd : shape.fields)
    sql += ", f" + std::to_string(fd.fieldNum) + " " + DeclaredType(fd.type);
  sql += ");";
  // The number of rows, kept by triggers in the transaction of every change
  // (whoever makes it), so that counting a whole table reads one value.
  sql += "INSERT INTO eng_meta(key, value) VALUES ('rows', 0);"
         "CREATE TRIGGER eng_rows_added AFTER INSERT ON eng_rows BEGIN "
         "UPDATE eng_meta SET value = value + 1 WHERE key = 'rows'; END;"
         "CREATE TRIGGER eng_rows_removed AFTER DELETE ON eng_rows BEGIN "
         "UPDATE eng_meta SET value = value - 1 WHERE key = 'rows'; END;";
  // Each index of the table is a covering SQLite index in cursor order: its
  // key columns, the row id, then every other column, so that a cursor reads
  // its rows from the index alone, page after page; and a narrow one on the
  // key columns alone, which enforces uniqueness and answers counts and
  // sequence numbers quickly.
  for (uint16_t i = 0; i < desc.indexCount; ++i) {
    const EngIdxDesc &ix = desc.indexes[i];
    std::string keys;
    std::vector<bool> inKey(shape.fields.size() + 1, false);
    for (uint16_t k = 0; k < ix.fieldCount; ++k) {
      const EngFldDesc *fd = shape.Field(ix.keyFields[k]);
      inKey[fd->fieldNum] = true;
      keys += (k ? ", f" : "f") + std::to_string(fd->fieldNum);
      if (fd->type == ENG_FLD_ZSTRING)
        keys += std::string(" COLLATE ") + (ix.caseInsensitive ? kNoCaseCollation : kDictCollation);
      if (ix.descending) keys += " DESC";
    }
    std::string rest;
    for (const EngFldDesc &fd : shape.fields)
      if (!inKey[fd.fieldNum]) rest += ", f" + std::to_string(fd.fieldNum);
    std::string n = std::to_string(i + 1);
    sql += "CREATE INDEX eng_ix" + n + " ON eng_rows(" + keys + ", id" + rest + ");";
    sql += std::string("CREATE ") + (ix.unique || ix.primary ? "UNIQUE " : "") + "INDEX eng_nk" +
           n + " ON eng_rows(" + keys + ");";
  }
  // A secondary index on one numeric field also gets an index in the order
  // of its key, then the primary key: a filter for one value of that field
  // (one category) then reads its rows in primary order with a seek, where
  // the primary index would be read through until enough rows matched.
  int primary = -1;
  for (uint16_t i = 0; i < desc.indexCount && primary < 0; ++i)
    if (desc.indexes[i].primary) primary = i;
  if (primary >= 0 && !desc.indexes[primary].descending) {
    const EngIdxDesc &pix = desc.indexes[primary];
    std::string pkeys;
    for (uint16_t k = 0; k < pix.fieldCount; ++k) {
      const EngFldDesc *fd = shape.Field(pix.keyFields[k]);
      pkeys += ", f" + std::to_string(fd->fieldNum);
      if (fd->type == ENG_FLD_ZSTRING)
        pkeys +=
            std::string(" COLLATE ") + (pix.caseInsensitive ? kNoCaseCollation : kDictCollation);
    }
    for (uint16_t i = 0; i < desc.indexCount; ++i) {
      const EngIdxDesc &ix = desc.indexes[i];
      const EngFldDesc *fd = shape.Field(ix.keyFields[0]);
      if (i == primary || ix.fieldCount != 1 || ix.descending || !OrderKeyField(fd->type)) continue;
      sql += "CREATE INDEX eng_px" + std::to_string(i + 1) + " ON eng_rows(f" +
             std::to_string(fd->fieldNum) + pkeys + ", id);";
    }
  }
  if (DBResult r = Exec(db, sql, "Cannot create table: " + path); r != DBENG_OK) return cleanup(r);

  sqlite3_stmt *stmt = nullptr;
  auto step = [&](const std::string &what) -> DBResult {
    int src = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return src == SQLITE_DONE ? DBENG_OK : FailSqlite(db, src, what);
  };
  uint32_t tag;
  randombytes_buf(&tag, sizeof tag);
  std::string verifier;
  std::string_view pw(desc.password, strnlen(desc.password, sizeof desc.password));
  if (!pw.empty()) {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, pw.data(), pw.size(), kPwOps, kPwMem) != 0)
      return cleanup(Fail(DBENG_ERR_NOMEMORY, "Cannot hash the password"));
    verifier = out;
  }
  sqlite3_prepare_v2(db, "INSERT INTO eng_meta(key, value) VALUES (?, ?)", -1, &stmt, nullptr);
  sqlite3_bind_text(stmt, 1, "format", -1, SQLITE_STATIC);
  sqlite3_bind_text(stmt, 2, kFormatName, -1, SQLITE_STATIC);
  DBResult r = step("Cannot create table: " + path);
  if (r == DBENG_OK) {
    sqlite3_bind_text(stmt, 1, "version", -1, SQLITE_STATIC);
    sqlite3_bind_int(stmt, 2, kFormatVersion);
    r = step("Cannot create table: " + path);
  }
  if (r == DBENG_OK) {
    sqlite3_bind_text(stmt, 1, "tag", -1, SQLITE_STATIC);
    sqlite3_bind_int64(stmt, 2, tag);
    r = step("Cannot create table: " + path);
  }
  if (r == DBENG_OK) {
    sqlite3_bind_text(stmt, 1, "password", -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, verifier.c_str(), -1, SQLITE_TRANSIENT);
    r = step("Cannot create table: " + path);
  }
  sqlite3_finalize(stmt);
  if (r != DBENG_OK) return cleanup(r);

  sqlite3_prepare_v2(db,
                     "INSERT INTO eng_fields(num, name, type, subtype, units1, units2) "
                     "VALUES (?, ?, ?, ?, ?, ?)",
                     -1, &stmt, nullptr);
  for (const EngFldDesc &fd : shape.fields) {
    sqlite3_bind_int(stmt, 1, fd.fieldNum);
    sqlite3_bind_text(stmt, 2, fd.name, static_cast<int>(strnlen(fd.name, sizeof fd.name)),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 3, fd.type);
    sqlite3_bind_int(stmt, 4, fd.subType);
    sqlite3_bind_int(stmt, 5, fd.units1);
    sqlite3_bind_int(stmt, 6, fd.units2);
    if ((r = step("Cannot create table: " + path)) != DBENG_OK) break;
  }
  sqlite3_finalize(stmt);
  if (r != DBENG_OK) return cleanup(r);

  sqlite3_prepare_v2(db,
                     "INSERT INTO eng_indexes(num, name, is_primary, is_unique, is_descending, "
                     "is_caseins, fields) VALUES (?, ?, ?, ?, ?, ?, ?)",
                     -1, &stmt, nullptr);
  for (uint16_t i = 0; i < desc.indexCount && r == DBENG_OK; ++i) {
    const EngIdxDesc &ix = desc.indexes[i];
    std::string list;
    for (uint16_t k = 0; k < ix.fieldCount; ++k)
      list += (k ? ";" : "") + std::to_string(ix.keyFields[k]);
    sqlite3_bind_int(stmt, 1, i + 1);
    sqlite3_bind_text(stmt, 2, ix.name, static_cast<int>(strnlen(ix.name, sizeof ix.name)),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 3, ix.primary ? 1 : 0);
    sqlite3_bind_int(stmt, 4, ix.unique || ix.primary ? 1 : 0);
    sqlite3_bind_int(stmt, 5, ix.descending ? 1 : 0);
    sqlite3_bind_int(stmt, 6, ix.caseInsensitive ? 1 : 0);
    sqlite3_bind_text(stmt, 7, list.c_str(), -1, SQLITE_TRANSIENT);
    r = step("Cannot create table: " + path);
  }
  sqlite3_finalize(stmt);
  if (r != DBENG_OK) return cleanup(r);

  sqlite3_prepare_v2(db,
                     "INSERT INTO eng_checks(field, required, minval, maxval, defval, picture) "
                     "VALUES (?, ?, ?, ?, ?, ?)",
                     -1, &stmt, nullptr);
  for (uint16_t i = 0; i < desc.checkCount && r == DBENG_OK; ++i) {
    const EngVChkDesc &vc = desc.checks[i];
    const EngFldDesc *fd = shape.Field(vc.fieldNum);
    sqlite3_bind_int(stmt, 1, vc.fieldNum);
    sqlite3_bind_int(stmt, 2, vc.required ? 1 : 0);
    uint16_t width = fd->length;
    if (vc.hasMin)
      sqlite3_bind_blob(stmt, 3, vc.minVal, width > 256 ? 256 : width, SQLITE_TRANSIENT);
    if (vc.hasMax)
      sqlite3_bind_blob(stmt, 4, vc.maxVal, width > 256 ? 256 : width, SQLITE_TRANSIENT);
    if (vc.hasDefault)
      sqlite3_bind_blob(stmt, 5, vc.defVal, width > 256 ? 256 : width, SQLITE_TRANSIENT);
    if (vc.picture[0])
      sqlite3_bind_text(stmt, 6, vc.picture,
                        static_cast<int>(strnlen(vc.picture, sizeof vc.picture)), SQLITE_TRANSIENT);
    r = step("Cannot create table: " + path);
  }
  sqlite3_finalize(stmt);
  if (r != DBENG_OK) return cleanup(r);
  if ((r = Exec(db, "COMMIT", "Cannot create table: " + path)) != DBENG_OK) return cleanup(r);
  sqlite3_close_v2(db);
  return DBENG_OK;
}

bool TableFile::PasswordFits(const std::vector<std::string> &passwords) const {
  if (verifier_.empty()) return true;
  auto &cache = VerifiedCache();
  for (const std::string &pw : passwords)
    if (cache.count(CacheKey(verifier_, pw))) return true;
  for (const std::string &pw : passwords) {
    if (crypto_pwhash_str_verify(verifier_.c_str(), pw.data(), pw.size()) == 0) {
      cache.insert(CacheKey(verifier_, pw));
      return true;
    }
  }
  return false;
}

DBResult TableFile::SetPassword(const std::string &password) {
  std::string verifier;
  if (!password.empty()) {
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), kPwOps, kPwMem) != 0)
      return Fail(DBENG_ERR_NOMEMORY, "Cannot hash the password");
    verifier = out;
  }
  Writer w(this);
  if (DBResult r = w.Begin(); r != DBENG_OK) return r;
  sqlite3_stmt *stmt;
  if (DBResult r = Prepare("UPDATE eng_meta SET value = ? WHERE key = 'password'", &stmt);
      r != DBENG_OK)
    return r;
  {
    StmtReset reset(stmt);
    sqlite3_bind_text(stmt, 1, verifier.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Cannot change the password of " + path_);
  }
  if (DBResult r = w.Commit(); r != DBENG_OK) return r;
  verifier_ = verifier;
  return DBENG_OK;
}

DBResult TableFile::Prepare(const std::string &sql, sqlite3_stmt **stmt) {
  auto it = stmts_.find(sql);
  if (it != stmts_.end()) {
    *stmt = it->second;
    return DBENG_OK;
  }
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, stmt, nullptr);
  // $DBENG_SQL_LOG names a file that receives every query the engine
  // prepares (used to check their plans).
  static FILE *log = [] {
    const char *path = std::getenv("DBENG_SQL_LOG");
    return path && *path ? std::fopen(path, "a") : nullptr;
  }();
  if (log && rc == SQLITE_OK) {
    std::fprintf(log, "%s\n", sql.c_str());
    std::fflush(log);
  }
  if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Cannot prepare a query of " + path_);
  stmts_.emplace(sql, *stmt);
  return DBENG_OK;
}

DBResult TableFile::BeginRead() {
  Touch();
  if (readOpen_) return DBENG_OK;
  int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Cannot read " + path_);
  readOpen_ = true;
  return DBENG_OK;
}

void TableFile::EndRead() {
  if (!readOpen_) return;
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  readOpen_ = false;
  ++generation_;
}

TableFile::Writer::~Writer() {
  if (open_) {
    sqlite3_exec(file_->db_, "ROLLBACK", nullptr, nullptr, nullptr);
    ++file_->generation_;
  }
}

DBResult TableFile::Writer::Begin() {
  if (!file_->writable_) return Fail(DBENG_ERR_READONLY, "Table: " + file_->path_);
  file_->EndRead();
  int rc = sqlite3_exec(file_->db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    DBResult r = FailSqlite(file_->db_, rc, "Cannot change " + file_->path_);
    return r == DBENG_ERR_BUSY ? DBENG_ERR_BUSY : r;
  }
  open_ = true;
  return DBENG_OK;
}

DBResult TableFile::Writer::Commit() {
  int rc = sqlite3_exec(file_->db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return FailSqlite(file_->db_, rc, "Cannot change " + file_->path_);
  open_ = false;
  ++file_->generation_;
  ++file_->writes_;
  file_->Touch();
  return DBENG_OK;
}

DBResult TableFile::BindRecord(sqlite3_stmt *stmt, int first, const uint8_t *record) const {
  for (uint16_t n = 1; n <= shape_.FieldCount(); ++n) {
    int rc = BindValue(stmt, first + n - 1, FieldValue(n, record));
    if (rc != SQLITE_OK) return FailSqlite(db_, rc, "Cannot store a record of " + path_);
  }
  return DBENG_OK;
}

SqlValue TableFile::FieldValue(uint16_t fieldNum, const uint8_t *record) const {
  return SlotToValue(*shape_.Field(fieldNum), record);
}

void TableFile::StoreValue(uint16_t fieldNum, const SqlValue &v, uint8_t *record) const {
  ValueToSlot(*shape_.Field(fieldNum), v, record);
}

void TableFile::ReadRecord(sqlite3_stmt *stmt, int first, uint8_t *record) const {
  std::memset(record, 0, shape_.recordSize);
  for (const EngFldDesc &fd : shape_.fields)
    ColumnToSlot(fd, stmt, first + fd.fieldNum - 1, record);
}

TableCursor *TableFile::LockOwner(int64_t rowId) const {
  auto it = locks_.find(rowId);
  return it == locks_.end() ? nullptr : it->second;
}

bool TableFile::Lock(int64_t rowId, TableCursor *owner) {
  auto [it, inserted] = locks_.emplace(rowId, owner);
  return inserted || it->second == owner;
}

void TableFile::Unlock(int64_t rowId, TableCursor *owner) {
  auto it = locks_.find(rowId);
  if (it != locks_.end() && it->second == owner) locks_.erase(it);
}

void TableFile::UnlockAll(TableCursor *owner) {
  for (auto it = locks_.begin(); it != locks_.end();)
    it = it->second == owner ? locks_.erase(it) : std::next(it);
}

DBResult TableFile::AcquireShare(bool exclusive) {
  if (lockFd_ < 0) return DBENG_OK;
  if (exclusive) {
    if (exclusiveHolders_ == 0 && flock(lockFd_, LOCK_EX | LOCK_NB) != 0)
      return Fail(DBENG_ERR_TABLELOCKED, "Table is in use by another process: " + path_);
    ++exclusiveHolders_;
    return DBENG_OK;
  }
  if (exclusiveHolders_ == 0 && shareHolders_ == 0 && flock(lockFd_, LOCK_SH | LOCK_NB) != 0)
    return Fail(DBENG_ERR_TABLELOCKED, "Table is locked by another process: " + path_);
  ++shareHolders_;
  return DBENG_OK;
}

void TableFile::ReleaseShare(bool exclusive) {
  if (lockFd_ < 0) return;
  if (exclusive) {
    if (--exclusiveHolders_ == 0) {
      if (shareHolders_ > 0)
        flock(lockFd_, LOCK_SH | LOCK_NB);
      else
        flock(lockFd_, LOCK_UN);
    }
  } else if (--shareHolders_ == 0 && exclusiveHolders_ == 0) {
    flock(lockFd_, LOCK_UN);
  }
}

DBResult TableFile::NextAutoInc(uint16_t fieldNum, int64_t *value) {
  std::string key = "autoinc." + std::to_string(fieldNum);
  sqlite3_stmt *stmt;
  // The counter starts from the largest value present, so a table whose
  // counter entry is missing never hands out a number twice.
  if (DBResult r = Prepare("SELECT coalesce((SELECT value FROM eng_meta WHERE key = ?1), "
                           "(SELECT coalesce(max(f" +
                               std::to_string(fieldNum) + "), 0) FROM eng_rows))",
                           &stmt);
      r != DBENG_OK)
    return r;
  {
    StmtReset reset(stmt);
    sqlite3_bind_text(stmt, 1, key.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) return FailSqlite(db_, rc, "Cannot number a record of " + path_);
    *value = sqlite3_column_int64(stmt, 0) + 1;
  }
  if (DBResult r = Prepare("INSERT OR REPLACE INTO eng_meta(key, value) VALUES (?1, ?2)", &stmt);
      r != DBENG_OK)
    return r;
  StmtReset reset(stmt);
  sqlite3_bind_text(stmt, 1, key.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(stmt, 2, *value);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_DONE) return FailSqlite(db_, rc, "Cannot number a record of " + path_);
  return DBENG_OK;
}

uint64_t TableFile::ChangeStamp() {
  sqlite3_stmt *stmt;
  if (Prepare("PRAGMA data_version", &stmt) != DBENG_OK) return ++writes_ << 20;
  StmtReset reset(stmt);
  uint64_t version =
      sqlite3_step(stmt) == SQLITE_ROW ? static_cast<uint64_t>(sqlite3_column_int64(stmt, 0)) : 0;
  return (version << 32) ^ writes_;
}

void KeepOpen(const std::shared_ptr<TableFile> &file) {
  if (file->CursorCount() == 0 && file->writes_ != file->checkpointed_) {
    // The last cursor is gone: bring the main file up to date, as closing
    // the connection would.
    file->EndRead();
    sqlite3_wal_checkpoint_v2(file->db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    file->checkpointed_ = file->writes_;
  }
  Kept()[file->Path()] = {file, std::chrono::steady_clock::now()};
}

void EndIdleReads(std::chrono::milliseconds ms) {
  auto now = std::chrono::steady_clock::now();
  auto &kept = Kept();
  for (auto it = kept.begin(); it != kept.end();)
    it = it->second.first->CursorCount() == 0 && now - it->second.second > kKeepOpen
             ? kept.erase(it)
             : std::next(it);
  for (auto &[path, weak] : Registry())
    if (auto file = weak.lock())
      if (file->ReadIdleFor(ms)) file->EndRead();
}

void CloseAllTableFiles() {
  Kept().clear();
  Registry().clear();
}

} // namespace dbeng
