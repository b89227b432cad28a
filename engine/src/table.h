// One table file: its SQLite connection (shared by every cursor of the
// process on that file), its shape (fields, indexes, validity checks), its
// password verifier, the statement cache, the read transaction held across a
// burst of calls, and the record locks of its cursors.
#pragma once

#include "engine/include/dbeng.h"
#include "engine/src/record.h"
#include "engine/src/sql.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace dbeng {

class TableCursor;

struct IndexInfo {
  EngIdxDesc desc{};
  std::string sqlName;          // the covering SQLite index cursors read through
  std::string narrowName;       // the narrow one on the key columns (counts)
  std::string primaryOrderName; // key, then the primary key ("" when none)
  std::vector<uint16_t> fields; // key field numbers
  bool caseInsensitive = false;
  bool descending = false;
};

class TableFile {
public:
  ~TableFile();

  // Opens (or finds, when the process has it open already) the table file.
  // `writable` tells whether the file may be written by this process.
  static DBResult Open(const std::string &path, std::shared_ptr<TableFile> *out);
  // Creates a table file from a description.
  static DBResult Create(const std::string &path, const EngTableDesc &desc);

  const std::string &Path() const { return path_; }
  bool Writable() const { return writable_; }
  const RecordShape &Shape() const { return shape_; }
  const std::vector<IndexInfo> &Indexes() const { return indexes_; }
  const std::vector<EngVChkDesc> &Checks() const { return checks_; }
  int PrimaryIndex() const { return primary_; }
  // The narrow index with the smallest keys, which counts every row of the
  // table in the fewest pages; -1 when the file has no narrow indexes.
  int CountIndex() const { return countIndex_; }
  // True when the file keeps its number of rows (eng_meta 'rows'); it is
  // right while the triggers that keep it are there.
  bool KeepsRowCount() const { return rowCounter_; }
  bool HasPassword() const { return !verifier_.empty(); }
  uint32_t Tag() const { return tag_; }
  sqlite3 *Db() const { return db_; }

  // True when one of `passwords` opens the table (always without password).
  bool PasswordFits(const std::vector<std::string> &passwords) const;
  DBResult SetPassword(const std::string &password);

  // A prepared statement for `sql`, prepared once per file and reused.
  DBResult Prepare(const std::string &sql, sqlite3_stmt **stmt);

  // Reads run inside one read transaction that lasts across a burst of calls
  // and ends once the file has been idle (EndIdleRead) or before a change.
  DBResult BeginRead();
  void EndRead();
  void Touch() { lastUse_ = std::chrono::steady_clock::now(); }
  bool ReadIdleFor(std::chrono::milliseconds ms) const {
    return readOpen_ && std::chrono::steady_clock::now() - lastUse_ >= ms;
  }
  // Increases whenever what the cursors may have cached could be out of date:
  // at every change through this process and whenever a read transaction
  // ends (other processes' changes become visible).
  uint64_t Generation() const { return generation_; }
  // Changes whenever the table's contents may have changed: commits of this
  // process and of other processes.
  uint64_t ChangeStamp();
  // Counts of the table cached by change stamp and query.
  std::unordered_map<std::string, uint32_t> &CountCache() { return countCache_; }

  // A write transaction; Commit ends it, destruction without Commit rolls back.
  class Writer {
  public:
    explicit Writer(TableFile *file) : file_(file) {}
    ~Writer();
    DBResult Begin();
    DBResult Commit();

  private:
    TableFile *file_;
    bool open_ = false;
  };

  // Record <-> row. Binds the record's fields as parameters first..first+n-1.
  DBResult BindRecord(sqlite3_stmt *stmt, int first, const uint8_t *record) const;
  // Fills `record` from columns first..first+n-1 of the current row.
  void ReadRecord(sqlite3_stmt *stmt, int first, uint8_t *record) const;
  // The value of field `fieldNum` of a record as SQLite stores it.
  SqlValue FieldValue(uint16_t fieldNum, const uint8_t *record) const;
  // Stores `v` into field `fieldNum` of a record.
  void StoreValue(uint16_t fieldNum, const SqlValue &v, uint8_t *record) const;

  // Column list "f1, f2, ..." of every field.
  const std::string &ColumnList() const { return columnList_; }

  // Record locks of the cursors of this process.
  TableCursor *LockOwner(int64_t rowId) const;
  bool Lock(int64_t rowId, TableCursor *owner);
  void Unlock(int64_t rowId, TableCursor *owner);
  void UnlockAll(TableCursor *owner);

  // Share locks between processes (advisory locks on the file).
  DBResult AcquireShare(bool exclusive);
  void ReleaseShare(bool exclusive);
  int &CursorCount() { return cursorCount_; }
  int &ExclusiveCount() { return exclusiveCount_; }

  // Next value of an autoincrement field (within a write transaction).
  DBResult NextAutoInc(uint16_t fieldNum, int64_t *value);

private:
  TableFile() = default;
  DBResult Load();

  std::string path_;
  sqlite3 *db_ = nullptr;
  bool writable_ = false;
  RecordShape shape_;
  std::vector<IndexInfo> indexes_;
  std::vector<EngVChkDesc> checks_;
  int primary_ = -1;
  int countIndex_ = -1;
  bool rowCounter_ = false;
  std::string verifier_;
  uint32_t tag_ = 0;
  std::string columnList_;
  std::unordered_map<std::string, sqlite3_stmt *> stmts_;
  bool readOpen_ = false;
  std::chrono::steady_clock::time_point lastUse_{};
  uint64_t generation_ = 1;
  std::unordered_map<std::string, uint32_t> countCache_;
  uint64_t writes_ = 0;
  std::map<int64_t, TableCursor *> locks_;
  int lockFd_ = -1;
  int shareHolders_ = 0;
  int exclusiveHolders_ = 0;
  int cursorCount_ = 0;
  int exclusiveCount_ = 0;

  uint64_t checkpointed_ = 0;

  friend class Writer;
  friend void KeepOpen(const std::shared_ptr<TableFile> &file);
};

// Every table file the process has open is known by its real path, so that
// cursors on one file share its connection. A file no cursor uses is kept
// open for a moment after its last use (see table.cpp), then closed.
void KeepOpen(const std::shared_ptr<TableFile> &file);
// Ends the read transactions of files idle for at least `ms`, and closes
// kept files nobody used for a while.
void EndIdleReads(std::chrono::milliseconds ms);
// Closes every table file (engine exit).
void CloseAllTableFiles();

// Registers the engine's collations on a connection.
void RegisterCollations(sqlite3 *db);

} // namespace dbeng
