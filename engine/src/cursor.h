// A cursor on a table: a position in the order of its current index, within
// an optional key range and the active filters, read in keyset batches.
//
// Position model. The cursor is before the first record, after the last, on
// a record (its key and row id), or in a crack: between records, given by a
// key and how the next and prior records relate to it (after a delete, or
// after EngineSetToKey). Every read query starts from the position's key,
// so positions survive inserts and deletes made by anyone.
//
// Batches. Rows are fetched 32 at a time (growing to 1024 while a scan goes
// on in one direction) with queries of the form
//   SELECT ... WHERE (key, id) > (?, ?) AND range AND pushed-filters
//   ORDER BY key, id LIMIT n
// on the index, inside the table file's read transaction. A batch is valid
// for one generation of the file (see TableFile::Generation).
#pragma once

#include "engine/src/filter_iface.h"
#include "engine/src/state.h"
#include "engine/src/table.h"

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dbeng {

struct CursorFilter {
  hEngFilter handle = 0;
  uint16_t priority = 0;
  uint64_t client = 0;
  uint16_t canAbort = 0;
  bool active = false;
  EngRecFilterFn fn = nullptr;
  std::unique_ptr<RecordPredicate> predicate;
  bool pushable = false; // answered by the table's storage (SQL)
  std::string pushSql;   // condition with ? parameters
  std::vector<SqlValue> pushParams;
  uint32_t order = 0; // creation order, for equal priorities
};

struct OpenBlob {
  uint32_t id = 0; // mark written into the record's blob slot
  bool readOnly = true;
  int64_t sourceId = 0;         // blob the contents came from
  sqlite3_blob *blob = nullptr; // read-only: incremental reader
  uint32_t size = 0;
  bool loaded = false; // read/write: data holds the contents
  bool modified = false;
  std::string data;
};

enum class KeyOp { kGT, kGE, kLT, kLE };

class TableCursor : public CursorBase {
public:
  TableCursor(std::shared_ptr<TableFile> file, bool readOnly, bool exclusive);
  ~TableCursor() override;

  TableFile &File() { return *file_; }
  const RecordShape &Shape() const { return file_->Shape(); }
  bool ReadOnly() const { return readOnly_; }
  bool Exclusive() const { return exclusive_; }
  int IndexNo() const { return index_; }
  uint16_t updateMode = 0;
  std::string tableName; // as given at open

  DBResult Properties(EngCurProps *props) override;
  DBResult SetToBegin() override;
  DBResult SetToEnd() override;
  DBResult Next(uint16_t lock, void *rec, EngRecProps *props) override;
  DBResult Prior(uint16_t lock, void *rec, EngRecProps *props) override;
  DBResult Current(uint16_t lock, void *rec, EngRecProps *props) override;

  // Index selection: -1 = row-id order.
  DBResult FindIndex(const char *name, const char *tag, uint16_t id, int *index) const;
  DBResult SwitchIndex(int index, bool keepCurrent);

  DBResult Count(uint32_t *count);
  DBResult SequenceNumber(uint32_t *seq);
  DBResult GetBookmark(void *bookmark);
  DBResult GotoBookmark(const void *bookmark);
  DBResult GotoCursor(TableCursor &src);
  void CopyPositionFrom(const TableCursor &src);
  void ForgetCache() { batch_.count = 0; }

  // Keys
  DBResult ExtractKey(const void *rec, void *key);
  DBResult SetToKey(uint16_t cond, uint16_t fieldCount, uint16_t partLen, const void *key);
  DBResult GetRecordForKey(uint16_t fieldCount, uint16_t partLen, const void *key, void *rec);
  DBResult SetRange(uint16_t n1, uint16_t part1, const void *key1, bool incl1, uint16_t n2,
                    uint16_t part2, const void *key2, bool incl2);
  DBResult ResetRange();

  // Editing
  DBResult InitRecord(void *rec);
  DBResult Insert(uint16_t lock, void *rec);
  DBResult Modify(void *rec, bool releaseLock);
  DBResult Delete(void *rec);
  DBResult ReleaseLock(bool all);

  // Filters
  DBResult AddFilter(uint64_t client, uint16_t priority, uint16_t canAbort, const void *tree,
                     EngRecFilterFn fn, hEngFilter *out);
  DBResult DropFilter(hEngFilter h);
  DBResult SetFilterActive(hEngFilter h, bool active);
  size_t FilterCount() const { return filters_.size(); }

  // Blobs
  DBResult OpenBlobField(void *rec, uint16_t field, bool readOnly);
  DBResult BlobSize(void *rec, uint16_t field, uint32_t *size);
  DBResult ReadBlob(void *rec, uint16_t field, uint32_t offset, uint32_t len, void *dest,
                    uint32_t *read);
  DBResult WriteBlob(void *rec, uint16_t field, uint32_t offset, uint32_t len, const void *src);
  DBResult TruncateBlob(void *rec, uint16_t field, uint32_t len);
  DBResult FreeBlob(void *rec, uint16_t field);

private:
  enum class At { kBegin, kEnd, kRow, kCrack };
  struct Bound {
    std::vector<SqlValue> values;
    bool inclusive = true;
  };
  struct Batch {
    uint64_t generation = 0;
    size_t count = 0;
    std::vector<uint8_t> records;
    std::vector<int64_t> ids;
    bool fromBegin = false; // the first row is the first of the table
    bool toEnd = false;     // the last row is the last of the table
    const uint8_t *Record(size_t i, size_t size) const { return records.data() + i * size; }
  };

  DBResult PrepareRead();
  bool BatchValid() const { return batch_.count > 0 && batch_.generation == file_->Generation(); }
  // Key columns of the current index (and the row id when `withId`).
  struct Col {
    std::string expr;
    const char *collate;
    bool desc;
  };
  std::vector<Col> KeyCols(bool withId) const;
  std::vector<SqlValue> KeyOf(const uint8_t *record, int64_t id, bool withId) const;
  std::vector<SqlValue> KeyValuesFrom(const void *key, uint16_t fieldCount, uint16_t partLen,
                                      bool upper) const;
  // Appends a comparison of the key columns with `values` in index order.
  void AppendCompare(std::string &sql, std::vector<SqlValue> &params, const std::vector<Col> &cols,
                     const std::vector<SqlValue> &values, KeyOp op) const;
  // Range and pushed-filter conditions (" AND ..." each).
  void AppendRestrictions(std::string &sql, std::vector<SqlValue> &params) const;
  std::string OrderBy(bool backward) const;
  // True when rows before `values` (a key of the current index) include
  // those with a blank key, which a row-value comparison leaves out: one
  // ascending key field and a key that is not blank.
  bool BlanksBefore(const std::vector<SqlValue> &values) const;
  std::string FromClause() const;
  // The SQLite index that gives the rows of the current index and filters.
  std::string ReadIndex() const;
  // Fetches a batch forward (after the position) or backward (before it).
  DBResult Fetch(bool backward);
  // Applies the C++ filters to a record; sets *abort when a callback asks.
  bool Passes(const uint8_t *record, int64_t id, DBResult *abort);
  void SetRow(const uint8_t *record, int64_t id, long batchPos);
  void Deliver(uint16_t lock, void *rec, EngRecProps *props, DBResult *rc);
  DBResult ReadRow(int64_t id, std::vector<uint8_t> *record);
  DBResult CheckRecord(const uint8_t *rec) const;
  DBResult EnsureLoaded(OpenBlob &ob);
  void CloseBlob(OpenBlob &ob);
  // Stores the blobs of record image `rec` (a working copy of the caller's
  // buffer `owner`, whose open blobs are looked up) and sets their ids.
  DBResult StoreBlobs(void *owner, uint8_t *rec, const std::vector<uint8_t> *old);
  OpenBlob *FindBlob(void *rec, uint16_t field);
  void RebuildPushed();
  bool HasCppFilters() const;
  DBResult CountQuery(const std::string &where, const std::vector<SqlValue> &params,
                      uint32_t *count);
  DBResult Scan(bool fromBegin, const std::function<bool(const uint8_t *, int64_t)> &visit);
  DBResult YieldCheck(uint64_t rows);

  std::shared_ptr<TableFile> file_;
  bool readOnly_;
  bool exclusive_;
  int index_ = -1;
  At at_ = At::kBegin;
  int64_t rowId_ = 0;
  std::vector<uint8_t> current_;   // record of the current row (kRow)
  std::vector<SqlValue> crackKey_; // kCrack
  KeyOp crackNext_ = KeyOp::kGE, crackPrior_ = KeyOp::kLT;
  Batch batch_;
  long batchPos_ = -1;
  size_t batchSize_ = 32;
  bool lastForward_ = true;
  std::optional<Bound> lo_, hi_;
  std::list<CursorFilter> filters_; // stable addresses
  uint32_t filterOrder_ = 0;
  std::vector<const CursorFilter *> cppFilters_; // active, evaluated here, by priority
  std::vector<const CursorFilter *> sqlFilters_; // active, pushed into queries
  std::map<std::pair<void *, uint16_t>, OpenBlob> blobs_;
  uint32_t blobSerial_ = 0;
  uint64_t scanned_ = 0;
};

TableCursor *FindTableCursor(hEngCursor h);

} // namespace dbeng
