// Small helpers over SQLite: statement handles, values, and the mapping of
// SQLite's result codes to the engine's.
#pragma once

#include "engine/include/dbeng.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbeng {

// A value of a key column or a parameter: blank, integer, float, text or
// bytes.
struct SqlValue {
  enum Kind : uint8_t { kNull, kInt, kFloat, kText, kBytes } kind = kNull;
  int64_t i = 0;
  double f = 0;
  std::string s; // text or bytes

  static SqlValue Null() { return {}; }
  static SqlValue Int(int64_t v) {
    SqlValue x;
    x.kind = kInt;
    x.i = v;
    return x;
  }
  static SqlValue Float(double v) {
    SqlValue x;
    x.kind = kFloat;
    x.f = v;
    return x;
  }
  static SqlValue Text(std::string_view v) {
    SqlValue x;
    x.kind = kText;
    x.s.assign(v);
    return x;
  }
  static SqlValue Bytes(std::string_view v) {
    SqlValue x;
    x.kind = kBytes;
    x.s.assign(v);
    return x;
  }
  bool IsNull() const { return kind == kNull; }
};

// Binds `v` to parameter `index` (from 1).
int BindValue(sqlite3_stmt *stmt, int index, const SqlValue &v);
// Reads column `col` of the current row.
SqlValue ColumnValue(sqlite3_stmt *stmt, int col);

// The engine code for a SQLite result code.
DBResult MapSqlite(int rc);
// Fails with the engine code for `rc`: `what` as the first entry of the
// error stack and SQLite's own message (with its extended code) below it.
DBResult FailSqlite(sqlite3 *db, int rc, const std::string &what);

// Resets a statement when it leaves scope.
class StmtReset {
public:
  explicit StmtReset(sqlite3_stmt *stmt) : stmt_(stmt) {}
  ~StmtReset() {
    if (stmt_) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }
  StmtReset(const StmtReset &) = delete;
  StmtReset &operator=(const StmtReset &) = delete;

private:
  sqlite3_stmt *stmt_;
};

// Quotes an identifier for SQL text.
std::string QuoteIdent(std::string_view name);

} // namespace dbeng
