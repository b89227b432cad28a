#include "engine/src/sql.h"

#include "engine/src/core.h"

#include <cerrno>
#include <cstring>

namespace dbeng {

int BindValue(sqlite3_stmt *stmt, int index, const SqlValue &v) {
  switch (v.kind) {
  case SqlValue::kNull:
    return sqlite3_bind_null(stmt, index);
  case SqlValue::kInt:
    return sqlite3_bind_int64(stmt, index, v.i);
  case SqlValue::kFloat:
    return sqlite3_bind_double(stmt, index, v.f);
  case SqlValue::kText:
    return sqlite3_bind_text(stmt, index, v.s.data(), static_cast<int>(v.s.size()),
                             SQLITE_TRANSIENT);
  case SqlValue::kBytes:
    return sqlite3_bind_blob(stmt, index, v.s.data(), static_cast<int>(v.s.size()),
                             SQLITE_TRANSIENT);
  }
  return SQLITE_MISUSE;
}

SqlValue ColumnValue(sqlite3_stmt *stmt, int col) {
  switch (sqlite3_column_type(stmt, col)) {
  case SQLITE_INTEGER:
    return SqlValue::Int(sqlite3_column_int64(stmt, col));
  case SQLITE_FLOAT:
    return SqlValue::Float(sqlite3_column_double(stmt, col));
  case SQLITE_TEXT: {
    const char *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt, col));
    return SqlValue::Text(
        std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt, col))));
  }
  case SQLITE_BLOB: {
    const char *p = static_cast<const char *>(sqlite3_column_blob(stmt, col));
    size_t n = static_cast<size_t>(sqlite3_column_bytes(stmt, col));
    return SqlValue::Bytes(p ? std::string_view(p, n) : std::string_view());
  }
  default:
    return SqlValue::Null();
  }
}

DBResult MapSqlite(int rc) {
  switch (rc & 0xFF) {
  case SQLITE_OK:
  case SQLITE_ROW:
  case SQLITE_DONE:
    return DBENG_OK;
  case SQLITE_NOMEM:
    return DBENG_ERR_NOMEMORY;
  case SQLITE_CORRUPT:
    return DBENG_ERR_CORRUPT;
  case SQLITE_NOTADB:
    return DBENG_ERR_NOTATABLE;
  case SQLITE_FULL:
    return DBENG_ERR_DISKFULL;
  case SQLITE_IOERR:
    return DBENG_ERR_IO;
  case SQLITE_CANTOPEN:
    return DBENG_ERR_FILENOTFOUND;
  case SQLITE_READONLY:
    return DBENG_ERR_READONLY;
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    return DBENG_ERR_BUSY;
  case SQLITE_CONSTRAINT:
    return DBENG_ERR_KEYVIOL;
  case SQLITE_ABORT:
    return DBENG_ERR_BLOBSTALE;
  case SQLITE_PERM:
  case SQLITE_AUTH:
    return DBENG_ERR_READONLY;
  default:
    return DBENG_ERR_IO;
  }
}

DBResult FailSqlite(sqlite3 *db, int rc, const std::string &what) {
  const int last_errno = errno; // before any call below can change it
  DBResult code = MapSqlite(rc);
  if (code == DBENG_OK) code = DBENG_ERR_IO;
  int ext = db ? sqlite3_extended_errcode(db) : rc;
  // SQLite calls only ENOSPC a full disk; a write refused because the file
  // may not grow (a quota, a file-size limit) comes back as a plain I/O
  // error, though for the caller it is the same: no room for the data.
  // SQLite keeps the operating system's error only for some statements (not
  // for a failed COMMIT); for a failed write the error number the write left
  // behind tells it.
  int sys = 0;
  if (db && (code == DBENG_ERR_IO || code == DBENG_ERR_DISKFULL)) {
    sys = sqlite3_system_errno(db);
    if (sys == 0 && (ext == SQLITE_IOERR_WRITE || ext == SQLITE_IOERR_TRUNCATE ||
                     ext == SQLITE_IOERR_SHMSIZE || ext == SQLITE_FULL))
      sys = last_errno;
  }
  if (sys == ENOSPC || sys == EFBIG || sys == EDQUOT) code = DBENG_ERR_DISKFULL;
  Fail(code, what);
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if (sys != 0) msg += std::string(" (") + std::strerror(sys) + ")";
  AddCause(code, ext, "SQLite: " + msg);
  return code;
}

std::string QuoteIdent(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

} // namespace dbeng
