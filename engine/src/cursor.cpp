#include "engine/src/cursor.h"

#include "engine/src/collate.h"
#include "engine/src/core.h"
#include "engine/src/filter_push.h"
#include "engine/src/values.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace dbeng {

namespace {

constexpr size_t kFirstBatch = 32;
constexpr size_t kSeekBatch = 8;
constexpr size_t kMaxBatch = 1024;
constexpr uint32_t kBookmarkMagic = 0x314D4B42; // "BKM1"
// A read transaction idle this long is ended before the next read, so that
// the cursor sees what other processes committed meanwhile.
constexpr std::chrono::milliseconds kReadBurst{20};
// The largest character: appended to a prefix it sorts after every text
// that starts with the prefix.
constexpr const char *kMaxChar = "\xF4\x8F\xBF\xBF";

const char *OpText(KeyOp op) {
  switch (op) {
  case KeyOp::kGT:
    return ">";
  case KeyOp::kGE:
    return ">=";
  case KeyOp::kLT:
    return "<";
  default:
    return "<=";
  }
}

} // namespace

TableCursor *FindTableCursor(hEngCursor h) {
  return dynamic_cast<TableCursor *>(FindCursor(h));
}

TableCursor::TableCursor(std::shared_ptr<TableFile> file, bool readOnly, bool exclusive)
    : file_(std::move(file)), readOnly_(readOnly), exclusive_(exclusive) {
  ++file_->CursorCount();
  if (exclusive_) ++file_->ExclusiveCount();
}

TableCursor::~TableCursor() {
  for (auto &[key, ob] : blobs_)
    CloseBlob(ob);
  file_->UnlockAll(this);
  file_->ReleaseShare(exclusive_);
  --file_->CursorCount();
  if (exclusive_) --file_->ExclusiveCount();
  KeepOpen(file_);
}

DBResult TableCursor::PrepareRead() {
  if (file_->ReadIdleFor(kReadBurst)) file_->EndRead();
  return file_->BeginRead();
}

DBResult TableCursor::Properties(EngCurProps *props) {
  *props = EngCurProps{};
  CopyText(props->name, sizeof props->name, tableName);
  CopyText(props->fullName, sizeof props->fullName, file_->Path());
  CopyText(props->driverType, sizeof props->driverType, "NATIVE");
  if (index_ >= 0)
    CopyText(props->indexName, sizeof props->indexName, file_->Indexes()[index_].desc.name);
  CopyText(props->languageDriver, sizeof props->languageDriver, "UTF8");
  const RecordShape &shape = Shape();
  props->fieldCount = shape.FieldCount();
  props->recordSize = shape.recordSize;
  props->bookmarkSize = ENG_BOOKMARK_SIZE;
  props->keySize = shape.recordSize;
  props->indexCount = static_cast<uint16_t>(file_->Indexes().size());
  props->validityCheckCount = static_cast<uint16_t>(file_->Checks().size());
  props->keyFieldCount =
      index_ >= 0 ? static_cast<uint16_t>(file_->Indexes()[index_].fields.size()) : 0;
  props->openMode = readOnly_ ? ENG_OPEN_READONLY : ENG_OPEN_READWRITE;
  props->shareMode = exclusive_ ? ENG_SHARE_EXCLUSIVE : ENG_SHARE_SHARED;
  props->canModify = readOnly_ ? 0 : 1;
  props->recNumbering = ENG_RECNO_NONE;
  for (const EngFldDesc &fd : shape.fields)
    if (fd.type == ENG_FLD_BLOB) ++props->blobFieldCount;
  props->hasPassword = file_->HasPassword() ? 1 : 0;
  props->tableLevel = 1;
  props->filterCount = static_cast<uint16_t>(filters_.size());
  return DBENG_OK;
}

std::vector<TableCursor::Col> TableCursor::KeyCols(bool withId) const {
  std::vector<Col> cols;
  if (index_ >= 0) {
    const IndexInfo &ix = file_->Indexes()[index_];
    for (uint16_t f : ix.fields) {
      const EngFldDesc *fd = Shape().Field(f);
      const char *collate = fd->type == ENG_FLD_ZSTRING
                                ? (ix.caseInsensitive ? kNoCaseCollation : kDictCollation)
                                : nullptr;
      std::string expr = std::to_string(f);
      expr.insert(expr.begin(), 'f');
      cols.push_back({std::move(expr), collate, ix.descending});
    }
  }
  if (withId) cols.push_back({"id", nullptr, false});
  return cols;
}

std::vector<SqlValue> TableCursor::KeyOf(const uint8_t *record, int64_t id, bool withId) const {
  std::vector<SqlValue> values;
  if (index_ >= 0)
    for (uint16_t f : file_->Indexes()[index_].fields)
      values.push_back(file_->FieldValue(f, record));
  if (withId) values.push_back(SqlValue::Int(id));
  return values;
}

std::vector<SqlValue> TableCursor::KeyValuesFrom(const void *key, uint16_t fieldCount,
                                                 uint16_t partLen, bool upper) const {
  std::vector<SqlValue> values;
  const IndexInfo &ix = file_->Indexes()[index_];
  size_t n = fieldCount == 0 || fieldCount > ix.fields.size() ? ix.fields.size() : fieldCount;
  const uint8_t *rec = static_cast<const uint8_t *>(key);
  for (size_t i = 0; i < n; ++i)
    values.push_back(file_->FieldValue(ix.fields[i], rec));
  if (n > 0 && partLen > 0 && values.back().kind == SqlValue::kText) {
    SqlValue &last = values.back();
    last.s.resize(Utf8Cut(last.s, partLen));
    if (upper) last.s += kMaxChar;
  }
  return values;
}

void TableCursor::AppendCompare(std::string &sql, std::vector<SqlValue> &params,
                                const std::vector<Col> &cols, const std::vector<SqlValue> &values,
                                KeyOp op) const {
  size_t m = std::min(cols.size(), values.size());
  if (m == 0) return;
  auto param = [&](size_t i) {
    params.push_back(values[i]);
    return cols[i].collate ? std::string("? COLLATE ") + cols[i].collate : std::string("?");
  };
  // A row-value comparison leaves out rows with a blank column, which sort
  // first: right for "after", but "before" a key of several fields they are
  // spread among the others. With one key field they all come first, and
  // the callers take them in separately (BlanksBefore).
  bool simple = true;
  size_t keyFields = 0;
  for (size_t i = 0; i < m; ++i) {
    if (cols[i].desc || values[i].IsNull()) simple = false;
    if (cols[i].expr != "id") ++keyFields;
  }
  if ((op == KeyOp::kLT || op == KeyOp::kLE) && keyFields > 1) simple = false;
  if (simple) {
    // One row-value comparison: SQLite answers it with a seek on the index.
    sql += " AND (";
    for (size_t i = 0; i < m; ++i)
      sql += (i ? ", " : "") + cols[i].expr;
    sql += std::string(") ") + OpText(op) + " (";
    for (size_t i = 0; i < m; ++i)
      sql += (i ? ", " : "") + param(i);
    sql += ")";
    return;
  }
  // Blank key values or a descending index: spell the lexicographic order
  // out, with blanks first in ascending and last in descending order.
  bool after = op == KeyOp::kGT || op == KeyOp::kGE;
  bool inclusive = op == KeyOp::kGE || op == KeyOp::kLE;
  auto eq = [&](size_t i) {
    return values[i].IsNull() ? cols[i].expr + " IS NULL" : cols[i].expr + " = " + param(i);
  };
  auto beyond = [&](size_t i) -> std::string {
    const Col &c = cols[i];
    bool null = values[i].IsNull();
    bool greater = after != c.desc; // compare with > in value order
    if (greater) return null ? c.expr + " IS NOT NULL" : c.expr + " > " + param(i);
    return null ? std::string("0")
                : "(" + c.expr + " < " + param(i) + " OR " + c.expr + " IS NULL)";
  };
  sql += " AND (";
  for (size_t i = 0; i < m; ++i) {
    sql += i ? " OR (" : "(";
    for (size_t j = 0; j < i; ++j)
      sql += eq(j) + " AND ";
    sql += beyond(i) + ")";
  }
  if (inclusive) {
    sql += " OR (";
    for (size_t j = 0; j < m; ++j)
      sql += (j ? " AND " : "") + eq(j);
    sql += ")";
  }
  sql += ")";
}

void TableCursor::AppendRestrictions(std::string &sql, std::vector<SqlValue> &params) const {
  if (lo_)
    AppendCompare(sql, params, KeyCols(false), lo_->values,
                  lo_->inclusive ? KeyOp::kGE : KeyOp::kGT);
  if (hi_)
    AppendCompare(sql, params, KeyCols(false), hi_->values,
                  hi_->inclusive ? KeyOp::kLE : KeyOp::kLT);
  for (const CursorFilter *f : sqlFilters_) {
    sql += " AND (" + f->pushSql + ")";
    params.insert(params.end(), f->pushParams.begin(), f->pushParams.end());
  }
}

std::string TableCursor::OrderBy(bool backward) const {
  std::string sql = " ORDER BY ";
  std::vector<Col> cols = KeyCols(true);
  for (size_t i = 0; i < cols.size(); ++i) {
    sql += (i ? ", " : "") + cols[i].expr;
    if (cols[i].collate) sql += std::string(" COLLATE ") + cols[i].collate;
    if (cols[i].desc != backward) sql += " DESC";
  }
  return sql;
}

std::string TableCursor::ReadIndex() const {
  const auto &ixs = file_->Indexes();
  const IndexInfo &ix = ixs[static_cast<size_t>(index_)];
  if (index_ != file_->PrimaryIndex()) return ix.sqlName;
  // In primary order with a pushed filter "field = value" on the field of a
  // secondary index: the index in that field's order, then the primary
  // order, holds exactly the wanted rows side by side.
  for (const CursorFilter *f : sqlFilters_) {
    const std::string &c = f->pushSql;
    if (c.size() < 6 || c[0] != 'f' || c.compare(c.size() - 4, 4, " = ?") != 0) continue;
    std::string digits = c.substr(1, c.size() - 5);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    uint16_t field = static_cast<uint16_t>(std::atoi(digits.c_str()));
    for (const IndexInfo &other : ixs)
      if (!other.primaryOrderName.empty() && other.fields.size() == 1 && other.fields[0] == field)
        return other.primaryOrderName;
  }
  return ix.sqlName;
}

std::string TableCursor::FromClause() const {
  std::string sql = "SELECT id, " + file_->ColumnList() + " FROM eng_rows";
  // The current index gives the order; naming it keeps the planner from
  // answering a pushed filter through another index and sorting.
  if (index_ >= 0)
    sql += " INDEXED BY " + ReadIndex();
  else
    sql += " NOT INDEXED";
  return sql;
}

bool TableCursor::BlanksBefore(const std::vector<SqlValue> &values) const {
  if (index_ < 0 || values.empty() || values[0].IsNull()) return false;
  const IndexInfo &ix = file_->Indexes()[static_cast<size_t>(index_)];
  return ix.fields.size() == 1 && !ix.descending;
}

DBResult TableCursor::Fetch(bool backward) {
  // A walk from either end starts with a screenful; a seek with a few rows;
  // a walk that goes on in one direction reads ever larger batches.
  bool continuing = at_ == At::kRow && batchPos_ >= 0 && lastForward_ == !backward;
  if (continuing)
    batchSize_ = std::min(kMaxBatch, batchSize_ * 2);
  else
    batchSize_ = at_ == At::kBegin || at_ == At::kEnd ? kFirstBatch : kSeekBatch;
  lastForward_ = !backward;
  std::string sql = FromClause() + " WHERE 1";
  std::vector<SqlValue> params;
  switch (at_) {
  case At::kBegin:
  case At::kEnd:
    break;
  case At::kRow:
    AppendCompare(sql, params, KeyCols(true), KeyOf(current_.data(), rowId_, true),
                  backward ? KeyOp::kLT : KeyOp::kGT);
    break;
  case At::kCrack: {
    size_t keyCount = index_ >= 0 ? file_->Indexes()[index_].fields.size() : 0;
    AppendCompare(sql, params, KeyCols(crackKey_.size() > keyCount), crackKey_,
                  backward ? crackPrior_ : crackNext_);
    break;
  }
  }
  AppendRestrictions(sql, params);
  sql += OrderBy(backward) + " LIMIT " + std::to_string(batchSize_);
  size_t size = Shape().recordSize;
  batch_.records.resize(batchSize_ * size);
  batch_.ids.resize(batchSize_);
  size_t n = 0;
  auto run = [&](const std::string &query, const std::vector<SqlValue> &bind) -> DBResult {
    sqlite3_stmt *stmt;
    if (DBResult r = file_->Prepare(query, &stmt); r != DBENG_OK) return r;
    StmtReset reset(stmt);
    for (size_t i = 0; i < bind.size(); ++i)
      BindValue(stmt, static_cast<int>(i + 1), bind[i]);
    int rc = SQLITE_DONE;
    while (n < batchSize_ && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      batch_.ids[n] = sqlite3_column_int64(stmt, 0);
      file_->ReadRecord(stmt, 1, batch_.records.data() + n * size);
      ++n;
    }
    if (n < batchSize_ && rc != SQLITE_DONE) {
      batch_.count = 0;
      return FailSqlite(file_->Db(), rc, "Cannot read " + file_->Path());
    }
    return DBENG_OK;
  };
  if (DBResult r = run(sql, params); r != DBENG_OK) return r;
  // Backward from a key, the rows with a blank key come after the others.
  bool blanks = backward && n < batchSize_ &&
                ((at_ == At::kRow && BlanksBefore(KeyOf(current_.data(), rowId_, false))) ||
                 (at_ == At::kCrack && BlanksBefore(crackKey_)));
  if (blanks) {
    std::string more = FromClause() + " WHERE " + KeyCols(false)[0].expr + " IS NULL";
    std::vector<SqlValue> moreParams;
    AppendRestrictions(more, moreParams);
    more += OrderBy(true) + " LIMIT " + std::to_string(batchSize_);
    if (DBResult r = run(more, moreParams); r != DBENG_OK) return r;
  }
  if (backward) {
    for (size_t i = 0; i < n / 2; ++i) {
      std::swap(batch_.ids[i], batch_.ids[n - 1 - i]);
      std::swap_ranges(batch_.records.begin() + static_cast<long>(i * size),
                       batch_.records.begin() + static_cast<long>((i + 1) * size),
                       batch_.records.begin() + static_cast<long>((n - 1 - i) * size));
    }
  }
  batch_.count = n;
  batch_.generation = file_->Generation();
  batch_.fromBegin = backward ? n < batchSize_ : at_ == At::kBegin;
  batch_.toEnd = backward ? at_ == At::kEnd : n < batchSize_;
  batchPos_ = -1;
  return DBENG_OK;
}

bool TableCursor::HasCppFilters() const {
  return !cppFilters_.empty();
}

DBResult TableCursor::YieldCheck(uint64_t rows) {
  if (rows % 1024 != 0) return DBENG_OK;
  Session *s = FindSession(session);
  if (!s) return DBENG_OK;
  auto it = s->callbacks.find(ENG_CB_SERVERYIELD);
  if (it == s->callbacks.end() || !it->second.fn) return DBENG_OK;
  if (it->second.buf && it->second.bufLen >= 4) {
    uint32_t reason = 1;
    std::memcpy(it->second.buf, &reason, 4);
  }
  if (it->second.fn(ENG_CB_SERVERYIELD, it->second.client, it->second.buf) == ENG_CBR_ABORT)
    return Fail(DBENG_ERR_ABORTED, "Stopped while filtering records");
  return DBENG_OK;
}

bool TableCursor::Passes(const uint8_t *record, int64_t id, DBResult *abort) {
  if (cppFilters_.empty()) return true;
  if (DBResult r = YieldCheck(++scanned_); r != DBENG_OK) {
    *abort = r;
    return false;
  }
  // Callbacks may call back into the engine and change the filters: judge
  // with the list as it was.
  const CursorFilter *local[16];
  std::vector<const CursorFilter *> spill;
  const CursorFilter *const *filters = local;
  size_t n = cppFilters_.size();
  if (n <= 16) {
    std::copy(cppFilters_.begin(), cppFilters_.end(), local);
  } else {
    spill = cppFilters_;
    filters = spill.data();
  }
  for (size_t i = 0; i < n; ++i) {
    const CursorFilter *f = filters[i];
    if (f->predicate) {
      if (!f->predicate->Matches(record)) return false;
    } else if (f->fn) {
      if (!f->fn(f->client, record, static_cast<uint32_t>(id))) return false;
    }
  }
  return true;
}

void TableCursor::SetRow(const uint8_t *record, int64_t id, long pos) {
  at_ = At::kRow;
  rowId_ = id;
  current_.assign(record, record + Shape().recordSize);
  batchPos_ = pos;
}

void TableCursor::Deliver(uint16_t lock, void *rec, EngRecProps *props, DBResult *rc) {
  *rc = DBENG_OK;
  bool locked = false;
  if (lock == ENG_WRITELOCK || lock == ENG_READLOCK) {
    if (!file_->Lock(rowId_, this)) {
      *rc = Fail(DBENG_ERR_RECLOCKED, "Record locked by another cursor");
      return;
    }
    locked = true;
  } else {
    locked = file_->LockOwner(rowId_) == this;
  }
  if (rec) std::memcpy(rec, current_.data(), current_.size());
  if (props) {
    *props = EngRecProps{};
    props->physRecNum = static_cast<uint32_t>(rowId_);
    props->rowId = rowId_;
    props->locked = locked ? 1 : 0;
  }
}

DBResult TableCursor::SetToBegin() {
  at_ = At::kBegin;
  batchPos_ = -1;
  return DBENG_OK;
}

DBResult TableCursor::SetToEnd() {
  at_ = At::kEnd;
  batchPos_ = -1;
  return DBENG_OK;
}

DBResult TableCursor::Next(uint16_t lock, void *rec, EngRecProps *props) {
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  std::vector<uint8_t> candidate;
  for (;;) {
    long idx = -1;
    if (BatchValid()) {
      if (at_ == At::kRow && batchPos_ >= 0 && batchPos_ + 1 < static_cast<long>(batch_.count))
        idx = batchPos_ + 1;
      else if (at_ == At::kRow && batchPos_ >= 0 && batch_.toEnd) {
        at_ = At::kEnd;
        batchPos_ = -1;
        return DBENG_ERR_EOF;
      } else if (at_ == At::kBegin && batch_.fromBegin)
        idx = 0;
    }
    if (idx < 0) {
      if (at_ == At::kEnd) return DBENG_ERR_EOF;
      if (DBResult r = Fetch(false); r != DBENG_OK) return r;
      if (batch_.count == 0) {
        at_ = At::kEnd;
        return DBENG_ERR_EOF;
      }
      idx = 0;
    }
    size_t size = Shape().recordSize;
    SetRow(batch_.Record(static_cast<size_t>(idx), size), batch_.ids[static_cast<size_t>(idx)],
           idx);
    DBResult abort = DBENG_OK;
    if (Passes(current_.data(), rowId_, &abort)) {
      DBResult rc;
      Deliver(lock, rec, props, &rc);
      return rc;
    }
    if (abort != DBENG_OK) return abort;
  }
}

DBResult TableCursor::Prior(uint16_t lock, void *rec, EngRecProps *props) {
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  for (;;) {
    long idx = -1;
    if (BatchValid()) {
      if (at_ == At::kRow && batchPos_ > 0)
        idx = batchPos_ - 1;
      else if (at_ == At::kRow && batchPos_ == 0 && batch_.fromBegin) {
        at_ = At::kBegin;
        batchPos_ = -1;
        return DBENG_ERR_BOF;
      } else if (at_ == At::kEnd && batch_.toEnd)
        idx = static_cast<long>(batch_.count) - 1;
    }
    if (idx < 0) {
      if (at_ == At::kBegin) return DBENG_ERR_BOF;
      if (DBResult r = Fetch(true); r != DBENG_OK) return r;
      if (batch_.count == 0) {
        at_ = At::kBegin;
        return DBENG_ERR_BOF;
      }
      idx = static_cast<long>(batch_.count) - 1;
    }
    size_t size = Shape().recordSize;
    SetRow(batch_.Record(static_cast<size_t>(idx), size), batch_.ids[static_cast<size_t>(idx)],
           idx);
    DBResult abort = DBENG_OK;
    if (Passes(current_.data(), rowId_, &abort)) {
      DBResult rc;
      Deliver(lock, rec, props, &rc);
      return rc;
    }
    if (abort != DBENG_OK) return abort;
  }
}

DBResult TableCursor::ReadRow(int64_t id, std::vector<uint8_t> *record) {
  sqlite3_stmt *stmt;
  if (DBResult r = file_->Prepare(
          "SELECT id, " + file_->ColumnList() + " FROM eng_rows WHERE id = ?", &stmt);
      r != DBENG_OK)
    return r;
  StmtReset reset(stmt);
  sqlite3_bind_int64(stmt, 1, id);
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_DONE) return Fail(DBENG_ERR_RECDELETED);
  if (rc != SQLITE_ROW) return FailSqlite(file_->Db(), rc, "Cannot read " + file_->Path());
  record->resize(Shape().recordSize);
  file_->ReadRecord(stmt, 1, record->data());
  return DBENG_OK;
}

DBResult TableCursor::Current(uint16_t lock, void *rec, EngRecProps *props) {
  if (at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  bool fresh =
      BatchValid() && batchPos_ >= 0 && batch_.ids[static_cast<size_t>(batchPos_)] == rowId_;
  if (!fresh) {
    std::vector<uint8_t> record;
    if (DBResult r = ReadRow(rowId_, &record); r != DBENG_OK) return r;
    current_ = std::move(record);
  }
  DBResult rc;
  Deliver(lock, rec, props, &rc);
  return rc;
}

DBResult TableCursor::FindIndex(const char *name, const char *tag, uint16_t id, int *index) const {
  const auto &ixs = file_->Indexes();
  if (id > 0) {
    if (id > ixs.size()) return Fail(DBENG_ERR_OBJNOTFOUND, "Index " + std::to_string(id));
    *index = id - 1;
    return DBENG_OK;
  }
  std::string_view n = name ? std::string_view(name) : std::string_view();
  if (n.empty() && tag && *tag) n = tag;
  if (n.empty()) {
    *index = file_->PrimaryIndex();
    return DBENG_OK;
  }
  for (size_t i = 0; i < ixs.size(); ++i)
    if (CompareNoCase(ixs[i].desc.name, n) == 0) {
      *index = static_cast<int>(i);
      return DBENG_OK;
    }
  return Fail(DBENG_ERR_OBJNOTFOUND, "Index: " + std::string(n));
}

DBResult TableCursor::SwitchIndex(int index, bool keepCurrent) {
  if (keepCurrent && at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
  index_ = index;
  lo_.reset();
  hi_.reset();
  ForgetCache();
  batchPos_ = -1;
  if (!keepCurrent) at_ = At::kBegin;
  return DBENG_OK;
}

DBResult TableCursor::CountQuery(const std::string &where, const std::vector<SqlValue> &params,
                                 uint32_t *count) {
  std::string sql = "SELECT count(*) FROM eng_rows" + where;
  sqlite3_stmt *stmt;
  if (DBResult r = file_->Prepare(sql, &stmt); r != DBENG_OK) return r;
  StmtReset reset(stmt);
  for (size_t i = 0; i < params.size(); ++i)
    BindValue(stmt, static_cast<int>(i + 1), params[i]);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW)
    return FailSqlite(file_->Db(), rc, "Cannot count the records of " + file_->Path());
  *count = static_cast<uint32_t>(sqlite3_column_int64(stmt, 0));
  return DBENG_OK;
}

DBResult TableCursor::Scan(bool, const std::function<bool(const uint8_t *, int64_t)> &visit) {
  std::vector<SqlValue> last;
  std::vector<uint8_t> record(Shape().recordSize);
  for (;;) {
    std::string sql = FromClause() + " WHERE 1";
    std::vector<SqlValue> params;
    if (!last.empty()) AppendCompare(sql, params, KeyCols(true), last, KeyOp::kGT);
    AppendRestrictions(sql, params);
    sql += OrderBy(false) + " LIMIT " + std::to_string(kMaxBatch);
    sqlite3_stmt *stmt;
    if (DBResult r = file_->Prepare(sql, &stmt); r != DBENG_OK) return r;
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> rows;
    {
      StmtReset reset(stmt);
      for (size_t i = 0; i < params.size(); ++i)
        BindValue(stmt, static_cast<int>(i + 1), params[i]);
      int rc;
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        file_->ReadRecord(stmt, 1, record.data());
        rows.emplace_back(sqlite3_column_int64(stmt, 0), record);
      }
      if (rc != SQLITE_DONE) return FailSqlite(file_->Db(), rc, "Cannot read " + file_->Path());
    }
    for (auto &[id, rec] : rows)
      if (!visit(rec.data(), id)) return DBENG_OK;
    if (rows.size() < kMaxBatch) return DBENG_OK;
    last = KeyOf(rows.back().second.data(), rows.back().first, true);
  }
}

DBResult TableCursor::Count(uint32_t *count) {
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  if (HasCppFilters()) {
    uint32_t n = 0;
    DBResult abort = DBENG_OK;
    DBResult r = Scan(true, [&](const uint8_t *rec, int64_t id) {
      if (Passes(rec, id, &abort)) ++n;
      return abort == DBENG_OK;
    });
    if (r != DBENG_OK) return r;
    if (abort != DBENG_OK) return abort;
    *count = n;
    return DBENG_OK;
  }
  std::string conditions;
  std::vector<SqlValue> params;
  AppendRestrictions(conditions, params);
  std::string where;
  if (sqlFilters_.empty()) {
    // Through the narrowest index that holds the range's columns; the
    // whole table through the narrowest index of all.
    const auto &ixs = file_->Indexes();
    if (!lo_ && !hi_ && file_->CountIndex() >= 0)
      where = " INDEXED BY " + ixs[static_cast<size_t>(file_->CountIndex())].narrowName;
    else if (index_ >= 0)
      where = " INDEXED BY " + ixs[static_cast<size_t>(index_)].narrowName;
  }
  // Without a WHERE clause SQLite counts the index's entries page by page.
  if (!conditions.empty()) where += " WHERE 1" + conditions;
  // The count of a table answered once per state of the file.
  std::string key = std::to_string(file_->ChangeStamp()) + where;
  for (const SqlValue &v : params)
    key += "\x1f" + std::to_string(v.kind) + std::to_string(v.i) + std::to_string(v.f) + v.s;
  auto &cache = file_->CountCache();
  if (auto it = cache.find(key); it != cache.end()) {
    *count = it->second;
    return DBENG_OK;
  }
  bool kept = false;
  if (conditions.empty() && file_->KeepsRowCount()) {
    // The kept number, while both triggers that keep it are there (anyone
    // may have dropped them since the file was opened).
    sqlite3_stmt *stmt;
    if (DBResult r = file_->Prepare(
            "SELECT value FROM eng_meta WHERE key = 'rows' AND (SELECT count(*) FROM "
            "sqlite_master WHERE type = 'trigger' AND tbl_name = 'eng_rows' AND name IN "
            "('eng_rows_added', 'eng_rows_removed')) = 2",
            &stmt);
        r != DBENG_OK)
      return r;
    StmtReset reset(stmt);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      int64_t n = sqlite3_column_int64(stmt, 0);
      *count = n < 0 ? 0 : static_cast<uint32_t>(n);
      kept = true;
    } else if (rc != SQLITE_DONE) {
      return FailSqlite(file_->Db(), rc, "Cannot count the records of " + file_->Path());
    }
  }
  if (!kept)
    if (DBResult r = CountQuery(where, params, count); r != DBENG_OK) return r;
  if (cache.size() > 64) cache.clear();
  cache[key] = *count;
  return DBENG_OK;
}

DBResult TableCursor::SequenceNumber(uint32_t *seq) {
  if (at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  if (HasCppFilters()) {
    uint32_t n = 0;
    bool found = false;
    DBResult abort = DBENG_OK;
    int64_t target = rowId_;
    std::vector<SqlValue> targetKey = KeyOf(current_.data(), rowId_, true);
    std::vector<Col> cols = KeyCols(true);
    DBResult r = Scan(true, [&](const uint8_t *rec, int64_t id) {
      if (id == target) {
        found = true;
        return false;
      }
      if (Passes(rec, id, &abort)) ++n;
      return abort == DBENG_OK;
    });
    if (r != DBENG_OK) return r;
    if (abort != DBENG_OK) return abort;
    *seq = n + 1;
    (void)found;
    return DBENG_OK;
  }
  // Counting through the narrow key index reads the fewest pages; conditions
  // on other columns need the covering one.
  std::string from;
  if (index_ >= 0) {
    const IndexInfo &ix = file_->Indexes()[index_];
    from = " INDEXED BY " + (sqlFilters_.empty() ? ix.narrowName : ReadIndex());
  }
  std::vector<SqlValue> key = KeyOf(current_.data(), rowId_, false);
  uint32_t before = 0;
  if (!BlanksBefore(key)) {
    std::string where = from + " WHERE 1";
    std::vector<SqlValue> params;
    AppendCompare(where, params, KeyCols(true), KeyOf(current_.data(), rowId_, true), KeyOp::kLT);
    AppendRestrictions(where, params);
    if (DBResult r = CountQuery(where, params, &before); r != DBENG_OK) return r;
    *seq = before + 1;
    return DBENG_OK;
  }
  // One key field: the rows with a smaller key, those with a blank key, and
  // those with the same key and a smaller row id. The first condition is the
  // index's own range bound, so SQLite compares each entry once instead of
  // twice (half the time on long walks); the others are seeks, the last one
  // unnecessary on a unique index.
  std::vector<Col> cols = KeyCols(false);
  std::string where = from + " WHERE 1";
  std::vector<SqlValue> params;
  AppendCompare(where, params, cols, key, KeyOp::kLT);
  AppendRestrictions(where, params);
  if (DBResult r = CountQuery(where, params, &before); r != DBENG_OK) return r;
  where = from + " WHERE " + cols[0].expr + " IS NULL";
  params.clear();
  AppendRestrictions(where, params);
  uint32_t blank = 0;
  if (DBResult r = CountQuery(where, params, &blank); r != DBENG_OK) return r;
  before += blank;
  if (!file_->Indexes()[index_].desc.unique) {
    where = from + " WHERE 1";
    params.clear();
    for (size_t i = 0; i < cols.size(); ++i) {
      where += " AND " + cols[i].expr + " = ?";
      if (cols[i].collate) where += std::string(" COLLATE ") + cols[i].collate;
      params.push_back(key[i]);
    }
    where += " AND id < ?";
    params.push_back(SqlValue::Int(rowId_));
    AppendRestrictions(where, params);
    uint32_t same = 0;
    if (DBResult r = CountQuery(where, params, &same); r != DBENG_OK) return r;
    before += same;
  }
  *seq = before + 1;
  return DBENG_OK;
}

DBResult TableCursor::GetBookmark(void *bookmark) {
  if (at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
  uint8_t *b = static_cast<uint8_t *>(bookmark);
  uint32_t tag = file_->Tag(), magic = kBookmarkMagic;
  std::memcpy(b, &rowId_, 8);
  std::memcpy(b + 8, &tag, 4);
  std::memcpy(b + 12, &magic, 4);
  return DBENG_OK;
}

DBResult TableCursor::GotoBookmark(const void *bookmark) {
  const uint8_t *b = static_cast<const uint8_t *>(bookmark);
  int64_t id;
  uint32_t tag, magic;
  std::memcpy(&id, b, 8);
  std::memcpy(&tag, b + 8, 4);
  std::memcpy(&magic, b + 12, 4);
  if (magic != kBookmarkMagic || tag != file_->Tag())
    return Fail(DBENG_ERR_INVALIDBOOKMARK, "Not a bookmark of " + file_->Path());
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  long pos = -1;
  if (BatchValid())
    for (size_t i = 0; i < batch_.count; ++i)
      if (batch_.ids[i] == id) pos = static_cast<long>(i);
  if (pos >= 0) {
    SetRow(batch_.Record(static_cast<size_t>(pos), Shape().recordSize), id, pos);
    return DBENG_OK;
  }
  std::vector<uint8_t> record;
  if (DBResult r = ReadRow(id, &record); r != DBENG_OK) return r;
  SetRow(record.data(), id, -1);
  return DBENG_OK;
}

void TableCursor::CopyPositionFrom(const TableCursor &src) {
  at_ = src.at_;
  rowId_ = src.rowId_;
  current_ = src.current_;
  crackKey_ = src.crackKey_;
  crackNext_ = src.crackNext_;
  crackPrior_ = src.crackPrior_;
  batchPos_ = -1;
  if (at_ == At::kCrack && src.index_ != index_) at_ = At::kBegin;
}

DBResult TableCursor::GotoCursor(TableCursor &src) {
  if (src.file_ != file_)
    return Fail(DBENG_ERR_INVALIDPARAM, "The cursors are on different tables");
  CopyPositionFrom(src);
  return DBENG_OK;
}

DBResult TableCursor::ExtractKey(const void *rec, void *key) {
  if (index_ < 0) return Fail(DBENG_ERR_OBJNOTFOUND, "No current index");
  const uint8_t *src = static_cast<const uint8_t *>(rec);
  if (!src) {
    if (at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
    src = current_.data();
  }
  uint8_t *dst = static_cast<uint8_t *>(key);
  std::vector<uint8_t> out(Shape().recordSize, 0);
  for (uint16_t f : file_->Indexes()[index_].fields) {
    const EngFldDesc *fd = Shape().Field(f);
    out[fd->nullOffset] = src[fd->nullOffset];
    std::memcpy(out.data() + fd->offset, src + fd->offset, fd->length);
  }
  std::memcpy(dst, out.data(), out.size());
  return DBENG_OK;
}

DBResult TableCursor::SetToKey(uint16_t cond, uint16_t fieldCount, uint16_t partLen,
                               const void *key) {
  if (index_ < 0) return Fail(DBENG_ERR_OBJNOTFOUND, "No current index");
  if (cond == ENG_KEY_EQ) {
    std::vector<uint8_t> rec(Shape().recordSize);
    if (DBResult r = GetRecordForKey(fieldCount, partLen, key, rec.data()); r != DBENG_OK) return r;
    crackKey_ = KeyOf(current_.data(), rowId_, true);
    crackNext_ = KeyOp::kGE;
    crackPrior_ = KeyOp::kLT;
    at_ = At::kCrack;
    batchPos_ = -1;
    return DBENG_OK;
  }
  bool gt = cond == ENG_KEY_GT;
  crackKey_ = KeyValuesFrom(key, fieldCount, partLen, gt && partLen > 0);
  if (gt && partLen == 0) {
    crackNext_ = KeyOp::kGT;
    crackPrior_ = KeyOp::kLE;
  } else {
    crackNext_ = KeyOp::kGE;
    crackPrior_ = KeyOp::kLT;
  }
  at_ = At::kCrack;
  batchPos_ = -1;
  return DBENG_OK;
}

DBResult TableCursor::GetRecordForKey(uint16_t fieldCount, uint16_t partLen, const void *key,
                                      void *rec) {
  if (index_ < 0) return Fail(DBENG_ERR_OBJNOTFOUND, "No current index");
  std::vector<SqlValue> values = KeyValuesFrom(key, fieldCount, partLen, false);
  // Remember the position: a failed search leaves the cursor where it was.
  At savedAt = at_;
  int64_t savedRow = rowId_;
  std::vector<uint8_t> savedCurrent = current_;
  std::vector<SqlValue> savedCrack = crackKey_;
  KeyOp savedNext = crackNext_, savedPrior = crackPrior_;
  long savedPos = batchPos_;
  auto restore = [&] {
    at_ = savedAt;
    rowId_ = savedRow;
    current_ = savedCurrent;
    crackKey_ = savedCrack;
    crackNext_ = savedNext;
    crackPrior_ = savedPrior;
    batchPos_ = savedPos;
  };
  crackKey_ = values;
  crackNext_ = KeyOp::kGE;
  crackPrior_ = KeyOp::kLT;
  at_ = At::kCrack;
  batchPos_ = -1;
  const IndexInfo &ix = file_->Indexes()[index_];
  bool partial = partLen > 0 && !values.empty() && values.back().kind == SqlValue::kText;
  // How a row's key compares with the wanted one: 0 match, 1 it may still
  // come (a case-sensitive prefix among rows equal ignoring case), 2 past it.
  auto judge = [&](const uint8_t *row) {
    for (size_t i = 0; i < values.size(); ++i) {
      SqlValue v = file_->FieldValue(ix.fields[i], row);
      if (partial && i + 1 == values.size()) {
        if (v.kind != SqlValue::kText) return 2;
        if (HasPrefix(v.s, values[i].s, ix.caseInsensitive)) return 0;
        return !ix.caseInsensitive && HasPrefix(v.s, values[i].s, true) ? 1 : 2;
      }
      if (CompareValues(v, values[i], ix.caseInsensitive) != 0) return 2;
    }
    return 0;
  };
  std::vector<uint8_t> found(Shape().recordSize);
  for (;;) {
    DBResult r = Next(ENG_NOLOCK, found.data(), nullptr);
    if (r != DBENG_OK) {
      restore();
      if (r == DBENG_ERR_EOF) return Fail(DBENG_ERR_KEYNOTFOUND);
      return r;
    }
    int verdict = judge(found.data());
    if (verdict == 0) break;
    if (verdict == 2) {
      restore();
      return Fail(DBENG_ERR_KEYNOTFOUND);
    }
  }
  if (rec) std::memcpy(rec, found.data(), found.size());
  return DBENG_OK;
}

DBResult TableCursor::SetRange(uint16_t n1, uint16_t part1, const void *key1, bool incl1,
                               uint16_t n2, uint16_t part2, const void *key2, bool incl2) {
  if (index_ < 0) return Fail(DBENG_ERR_OBJNOTFOUND, "No current index");
  lo_.reset();
  hi_.reset();
  if (key1) lo_ = Bound{KeyValuesFrom(key1, n1, part1, false), incl1};
  if (key2) hi_ = Bound{KeyValuesFrom(key2, n2, part2, part2 > 0), part2 > 0 ? true : incl2};
  ForgetCache();
  return SetToBegin();
}

DBResult TableCursor::ResetRange() {
  lo_.reset();
  hi_.reset();
  ForgetCache();
  batchPos_ = -1;
  return DBENG_OK;
}

DBResult TableCursor::InitRecord(void *rec) {
  uint8_t *r = static_cast<uint8_t *>(rec);
  std::memset(r, 0, Shape().recordSize);
  for (const EngVChkDesc &vc : file_->Checks()) {
    if (!vc.hasDefault) continue;
    const EngFldDesc *fd = Shape().Field(vc.fieldNum);
    if (!fd || fd->type == ENG_FLD_BLOB) continue;
    size_t n = fd->length < 256 ? fd->length : 256;
    std::memcpy(r + fd->offset, vc.defVal, n);
    r[fd->nullOffset] = fd->type == ENG_FLD_ZSTRING && vc.defVal[0] == 0 ? 0 : 1;
  }
  return DBENG_OK;
}

DBResult TableCursor::CheckRecord(const uint8_t *rec) const {
  for (const EngVChkDesc &vc : file_->Checks()) {
    const EngFldDesc *fd = Shape().Field(vc.fieldNum);
    if (!fd || fd->calculated) continue;
    SqlValue v = file_->FieldValue(vc.fieldNum, rec);
    if (v.IsNull()) {
      if (vc.required) return Fail(DBENG_ERR_REQUIRED, std::string("Field: ") + fd->name);
      continue;
    }
    auto bound = [&](const uint8_t *bytes) {
      std::vector<uint8_t> tmp(Shape().recordSize, 0);
      std::memcpy(tmp.data() + fd->offset, bytes, fd->length < 256 ? fd->length : 256);
      tmp[fd->nullOffset] = 1;
      return file_->FieldValue(vc.fieldNum, tmp.data());
    };
    if (vc.hasMin && CompareValues(v, bound(vc.minVal), false) < 0)
      return Fail(DBENG_ERR_MINVAL, std::string("Field: ") + fd->name);
    if (vc.hasMax && CompareValues(v, bound(vc.maxVal), false) > 0)
      return Fail(DBENG_ERR_MAXVAL, std::string("Field: ") + fd->name);
  }
  return DBENG_OK;
}

OpenBlob *TableCursor::FindBlob(void *rec, uint16_t field) {
  auto it = blobs_.find({rec, field});
  if (it == blobs_.end()) return nullptr;
  const EngFldDesc *fd = Shape().Field(field);
  EngBlobRef ref;
  std::memcpy(&ref, static_cast<uint8_t *>(rec) + fd->offset, sizeof ref);
  if (ref.openHandle != it->second.id) {
    // The buffer was filled again since: that blob is gone.
    CloseBlob(it->second);
    blobs_.erase(it);
    return nullptr;
  }
  return &it->second;
}

void TableCursor::CloseBlob(OpenBlob &ob) {
  if (ob.blob) sqlite3_blob_close(ob.blob);
  ob.blob = nullptr;
}

DBResult TableCursor::EnsureLoaded(OpenBlob &ob) {
  if (ob.loaded) return DBENG_OK;
  ob.data.clear();
  if (ob.sourceId) {
    sqlite3_stmt *stmt;
    if (DBResult r = file_->Prepare("SELECT data FROM eng_blobs WHERE id = ?", &stmt);
        r != DBENG_OK)
      return r;
    StmtReset reset(stmt);
    sqlite3_bind_int64(stmt, 1, ob.sourceId);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
      const char *p = static_cast<const char *>(sqlite3_column_blob(stmt, 0));
      ob.data.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
    } else if (rc != SQLITE_DONE) {
      return FailSqlite(file_->Db(), rc, "Cannot read a blob of " + file_->Path());
    } else {
      return Fail(DBENG_ERR_RECDELETED, "The blob no longer exists");
    }
  }
  ob.loaded = true;
  return DBENG_OK;
}

DBResult TableCursor::OpenBlobField(void *rec, uint16_t field, bool readOnly) {
  const EngFldDesc *fd = Shape().Field(field);
  if (!fd) return Fail(DBENG_ERR_INVALIDFIELD);
  if (fd->type != ENG_FLD_BLOB) return Fail(DBENG_ERR_NOTABLOB, std::string("Field: ") + fd->name);
  if (!readOnly && readOnly_) return Fail(DBENG_ERR_NOTEDITING);
  if (OpenBlob *ob = FindBlob(rec, field)) {
    if (readOnly || !ob->readOnly) return DBENG_OK;
    CloseBlob(*ob);
    blobs_.erase({rec, field});
  }
  uint8_t *slot = static_cast<uint8_t *>(rec) + fd->offset;
  EngBlobRef ref;
  std::memcpy(&ref, slot, sizeof ref);
  if (static_cast<uint8_t *>(rec)[fd->nullOffset] == 0) ref.blobId = 0;
  OpenBlob ob;
  ob.id = ++blobSerial_;
  if (ob.id == 0) ob.id = ++blobSerial_;
  ob.readOnly = readOnly;
  ob.sourceId = ref.blobId;
  if (DBResult r = PrepareRead(); r != DBENG_OK) return r;
  if (ref.blobId) {
    int rc = sqlite3_blob_open(file_->Db(), "main", "eng_blobs", "data", ref.blobId, 0, &ob.blob);
    if (rc != SQLITE_OK) {
      if (rc == SQLITE_ERROR) return Fail(DBENG_ERR_RECDELETED, "The blob no longer exists");
      return FailSqlite(file_->Db(), rc, "Cannot open a blob of " + file_->Path());
    }
    ob.size = static_cast<uint32_t>(sqlite3_blob_bytes(ob.blob));
    if (!readOnly) {
      // Changes are kept in memory until the record is stored.
      sqlite3_blob_close(ob.blob);
      ob.blob = nullptr;
    }
  } else {
    ob.loaded = !readOnly;
  }
  ref.openHandle = ob.id;
  std::memcpy(slot, &ref, sizeof ref);
  blobs_[{rec, field}] = std::move(ob);
  return DBENG_OK;
}

DBResult TableCursor::BlobSize(void *rec, uint16_t field, uint32_t *size) {
  OpenBlob *ob = FindBlob(rec, field);
  if (!ob) return Fail(DBENG_ERR_BLOBNOTOPEN);
  *size = ob->loaded ? static_cast<uint32_t>(ob->data.size()) : ob->size;
  return DBENG_OK;
}

DBResult TableCursor::ReadBlob(void *rec, uint16_t field, uint32_t offset, uint32_t len, void *dest,
                               uint32_t *read) {
  *read = 0;
  OpenBlob *ob = FindBlob(rec, field);
  if (!ob) return Fail(DBENG_ERR_BLOBNOTOPEN);
  file_->Touch();
  uint32_t size = ob->loaded ? static_cast<uint32_t>(ob->data.size()) : ob->size;
  if (len == 0) return DBENG_OK;
  if (offset >= size) return DBENG_ERR_ENDOFBLOB;
  uint32_t n = size - offset < len ? size - offset : len;
  if (ob->loaded) {
    std::memcpy(dest, ob->data.data() + offset, n);
  } else if (ob->blob) {
    int rc = sqlite3_blob_read(ob->blob, dest, static_cast<int>(n), static_cast<int>(offset));
    if (rc == SQLITE_ABORT) return Fail(DBENG_ERR_BLOBSTALE);
    if (rc != SQLITE_OK)
      return FailSqlite(file_->Db(), rc, "Cannot read a blob of " + file_->Path());
  } else {
    if (DBResult r = EnsureLoaded(*ob); r != DBENG_OK) return r;
    std::memcpy(dest, ob->data.data() + offset, n);
  }
  *read = n;
  return n < len ? DBENG_ERR_ENDOFBLOB : DBENG_OK;
}

DBResult TableCursor::WriteBlob(void *rec, uint16_t field, uint32_t offset, uint32_t len,
                                const void *src) {
  OpenBlob *ob = FindBlob(rec, field);
  if (!ob) return Fail(DBENG_ERR_BLOBNOTOPEN);
  if (ob->readOnly) return Fail(DBENG_ERR_NOTEDITING, "The blob was opened read-only");
  if (DBResult r = EnsureLoaded(*ob); r != DBENG_OK) return r;
  uint64_t end = static_cast<uint64_t>(offset) + len;
  if (end > 0xFFFFFFFFu) return Fail(DBENG_ERR_INVALIDPARAM, "Blob too large");
  if (ob->data.size() < end) ob->data.resize(end, '\0');
  if (len) std::memcpy(ob->data.data() + offset, src, len);
  ob->modified = true;
  return DBENG_OK;
}

DBResult TableCursor::TruncateBlob(void *rec, uint16_t field, uint32_t len) {
  OpenBlob *ob = FindBlob(rec, field);
  if (!ob) return Fail(DBENG_ERR_BLOBNOTOPEN);
  if (ob->readOnly) return Fail(DBENG_ERR_NOTEDITING, "The blob was opened read-only");
  if (len == 0) {
    ob->data.clear();
    ob->loaded = true;
  } else {
    if (DBResult r = EnsureLoaded(*ob); r != DBENG_OK) return r;
    if (len > ob->data.size()) return Fail(DBENG_ERR_INVALIDPARAM, "Truncating beyond the end");
    ob->data.resize(len);
  }
  ob->modified = true;
  return DBENG_OK;
}

DBResult TableCursor::FreeBlob(void *rec, uint16_t field) {
  auto it = blobs_.find({rec, field});
  if (it == blobs_.end()) return DBENG_OK;
  const EngFldDesc *fd = Shape().Field(field);
  if (fd) {
    uint8_t *slot = static_cast<uint8_t *>(rec) + fd->offset;
    EngBlobRef ref;
    std::memcpy(&ref, slot, sizeof ref);
    if (ref.openHandle == it->second.id) {
      ref.openHandle = 0;
      std::memcpy(slot, &ref, sizeof ref);
    }
  }
  CloseBlob(it->second);
  blobs_.erase(it);
  return DBENG_OK;
}

DBResult TableCursor::StoreBlobs(void *owner, uint8_t *rec, const std::vector<uint8_t> *old) {
  sqlite3 *db = file_->Db();
  for (const EngFldDesc &fd : Shape().fields) {
    if (fd.type != ENG_FLD_BLOB) continue;
    uint8_t *slot = rec + fd.offset;
    EngBlobRef ref;
    std::memcpy(&ref, slot, sizeof ref);
    if (rec[fd.nullOffset] == 0) ref.blobId = 0;
    int64_t oldId = 0;
    if (old) {
      SqlValue v = file_->FieldValue(fd.fieldNum, old->data());
      oldId = v.kind == SqlValue::kInt ? v.i : 0;
    }
    int64_t finalId = ref.blobId;
    OpenBlob *ob = ref.openHandle ? FindBlob(owner, fd.fieldNum) : nullptr;
    if (ob && !ob->readOnly && ob->modified) {
      if (ob->data.empty()) {
        finalId = 0;
      } else {
        sqlite3_stmt *stmt;
        bool update = oldId != 0 && oldId == ref.blobId;
        if (DBResult r = file_->Prepare(update ? "UPDATE eng_blobs SET data = ?1 WHERE id = ?2"
                                               : "INSERT INTO eng_blobs(data) VALUES (?1)",
                                        &stmt);
            r != DBENG_OK)
          return r;
        StmtReset reset(stmt);
        sqlite3_bind_blob(stmt, 1, ob->data.data(), static_cast<int>(ob->data.size()),
                          SQLITE_STATIC);
        if (update) sqlite3_bind_int64(stmt, 2, oldId);
        int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE) return FailSqlite(db, rc, "Cannot store a blob in " + file_->Path());
        finalId = update ? oldId : sqlite3_last_insert_rowid(db);
      }
    } else if (finalId != 0 && finalId != oldId) {
      // A reference copied from another record: the record gets its own copy.
      sqlite3_stmt *stmt;
      if (DBResult r = file_->Prepare(
              "INSERT INTO eng_blobs(data) SELECT data FROM eng_blobs WHERE id = ?1", &stmt);
          r != DBENG_OK)
        return r;
      StmtReset reset(stmt);
      sqlite3_bind_int64(stmt, 1, finalId);
      int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE) return FailSqlite(db, rc, "Cannot store a blob in " + file_->Path());
      finalId = sqlite3_changes(db) ? sqlite3_last_insert_rowid(db) : 0;
    }
    if (oldId != 0 && oldId != finalId) {
      sqlite3_stmt *stmt;
      if (DBResult r = file_->Prepare("DELETE FROM eng_blobs WHERE id = ?1", &stmt); r != DBENG_OK)
        return r;
      StmtReset reset(stmt);
      sqlite3_bind_int64(stmt, 1, oldId);
      int rc = sqlite3_step(stmt);
      if (rc != SQLITE_DONE)
        return FailSqlite(db, rc, "Cannot remove a blob from " + file_->Path());
    }
    EngBlobRef out{};
    out.blobId = finalId;
    out.openHandle = ref.openHandle;
    std::memcpy(slot, &out, sizeof out);
    rec[fd.nullOffset] = finalId ? 1 : 0;
  }
  return DBENG_OK;
}

DBResult TableCursor::Insert(uint16_t lock, void *recBuf) {
  if (readOnly_) return Fail(DBENG_ERR_NOTEDITING);
  uint8_t *rec = static_cast<uint8_t *>(recBuf);
  std::vector<uint8_t> work(rec, rec + Shape().recordSize);
  for (const EngFldDesc &fd : Shape().fields)
    if (fd.calculated) work[fd.nullOffset] = 1; // numbered below
  if (DBResult r = CheckRecord(work.data()); r != DBENG_OK) return r;
  TableFile::Writer writer(file_.get());
  if (DBResult r = writer.Begin(); r != DBENG_OK) return r;
  for (const EngFldDesc &fd : Shape().fields) {
    if (!fd.calculated) continue;
    int64_t value;
    if (DBResult r = file_->NextAutoInc(fd.fieldNum, &value); r != DBENG_OK) return r;
    file_->StoreValue(fd.fieldNum, SqlValue::Int(value), work.data());
  }
  if (DBResult r = StoreBlobs(rec, work.data(), nullptr); r != DBENG_OK) return r;
  std::string sql = "INSERT INTO eng_rows(" + file_->ColumnList() + ") VALUES (";
  for (uint16_t i = 0; i < Shape().FieldCount(); ++i)
    sql += i ? ", ?" : "?";
  sql += ")";
  sqlite3_stmt *stmt;
  if (DBResult r = file_->Prepare(sql, &stmt); r != DBENG_OK) return r;
  int64_t id;
  {
    StmtReset reset(stmt);
    if (DBResult r = file_->BindRecord(stmt, 1, work.data()); r != DBENG_OK) return r;
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
      return FailSqlite(file_->Db(), rc, "Cannot insert into " + file_->Path());
    id = sqlite3_last_insert_rowid(file_->Db());
  }
  if (DBResult r = writer.Commit(); r != DBENG_OK) return r;
  // Stored: the record's open blobs are done with.
  for (const EngFldDesc &fd : Shape().fields)
    if (fd.type == ENG_FLD_BLOB) {
      FreeBlob(rec, fd.fieldNum);
      EngBlobRef ref;
      std::memcpy(&ref, work.data() + fd.offset, sizeof ref);
      ref.openHandle = 0;
      std::memcpy(work.data() + fd.offset, &ref, sizeof ref);
    }
  std::memcpy(rec, work.data(), work.size());
  SetRow(work.data(), id, -1);
  if (lock == ENG_WRITELOCK) file_->Lock(id, this);
  return DBENG_OK;
}

DBResult TableCursor::Modify(void *recBuf, bool releaseLock) {
  if (readOnly_) return Fail(DBENG_ERR_NOTEDITING);
  if (at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
  TableCursor *owner = file_->LockOwner(rowId_);
  if (owner && owner != this) return Fail(DBENG_ERR_RECLOCKED, "Record locked by another cursor");
  uint8_t *rec = static_cast<uint8_t *>(recBuf);
  std::vector<uint8_t> work(rec, rec + Shape().recordSize);
  TableFile::Writer writer(file_.get());
  if (DBResult r = writer.Begin(); r != DBENG_OK) return r;
  std::vector<uint8_t> old;
  if (DBResult r = ReadRow(rowId_, &old); r != DBENG_OK) return r;
  for (const EngFldDesc &fd : Shape().fields)
    if (fd.calculated) {
      work[fd.nullOffset] = old[fd.nullOffset];
      std::memcpy(work.data() + fd.offset, old.data() + fd.offset, fd.length);
    }
  if (DBResult r = CheckRecord(work.data()); r != DBENG_OK) return r;
  if (DBResult r = StoreBlobs(rec, work.data(), &old); r != DBENG_OK) return r;
  std::string sql = "UPDATE eng_rows SET ";
  for (uint16_t i = 1; i <= Shape().FieldCount(); ++i)
    sql += (i > 1 ? ", f" : "f") + std::to_string(i) + " = ?";
  sql += " WHERE id = ?";
  sqlite3_stmt *stmt;
  if (DBResult r = file_->Prepare(sql, &stmt); r != DBENG_OK) return r;
  {
    StmtReset reset(stmt);
    if (DBResult r = file_->BindRecord(stmt, 1, work.data()); r != DBENG_OK) return r;
    sqlite3_bind_int64(stmt, Shape().FieldCount() + 1, rowId_);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
      return FailSqlite(file_->Db(), rc, "Cannot change a record of " + file_->Path());
  }
  if (DBResult r = writer.Commit(); r != DBENG_OK) return r;
  for (const EngFldDesc &fd : Shape().fields)
    if (fd.type == ENG_FLD_BLOB) {
      FreeBlob(rec, fd.fieldNum);
      EngBlobRef ref;
      std::memcpy(&ref, work.data() + fd.offset, sizeof ref);
      ref.openHandle = 0;
      std::memcpy(work.data() + fd.offset, &ref, sizeof ref);
    }
  std::memcpy(rec, work.data(), work.size());
  SetRow(work.data(), rowId_, -1);
  if (releaseLock) file_->Unlock(rowId_, this);
  return DBENG_OK;
}

DBResult TableCursor::Delete(void *recBuf) {
  if (readOnly_) return Fail(DBENG_ERR_NOTEDITING);
  if (at_ != At::kRow) return Fail(DBENG_ERR_NOCURRREC);
  TableCursor *owner = file_->LockOwner(rowId_);
  if (owner && owner != this) return Fail(DBENG_ERR_RECLOCKED, "Record locked by another cursor");
  TableFile::Writer writer(file_.get());
  if (DBResult r = writer.Begin(); r != DBENG_OK) return r;
  std::vector<uint8_t> old;
  if (DBResult r = ReadRow(rowId_, &old); r != DBENG_OK) return r;
  sqlite3_stmt *stmt;
  for (const EngFldDesc &fd : Shape().fields) {
    if (fd.type != ENG_FLD_BLOB) continue;
    SqlValue v = file_->FieldValue(fd.fieldNum, old.data());
    if (v.kind != SqlValue::kInt) continue;
    if (DBResult r = file_->Prepare("DELETE FROM eng_blobs WHERE id = ?1", &stmt); r != DBENG_OK)
      return r;
    StmtReset reset(stmt);
    sqlite3_bind_int64(stmt, 1, v.i);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
      return FailSqlite(file_->Db(), rc, "Cannot delete from " + file_->Path());
  }
  if (DBResult r = file_->Prepare("DELETE FROM eng_rows WHERE id = ?1", &stmt); r != DBENG_OK)
    return r;
  {
    StmtReset reset(stmt);
    sqlite3_bind_int64(stmt, 1, rowId_);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE)
      return FailSqlite(file_->Db(), rc, "Cannot delete from " + file_->Path());
  }
  if (DBResult r = writer.Commit(); r != DBENG_OK) return r;
  if (recBuf) std::memcpy(recBuf, old.data(), old.size());
  file_->Unlock(rowId_, this);
  crackKey_ = KeyOf(old.data(), rowId_, true);
  crackNext_ = KeyOp::kGT;
  crackPrior_ = KeyOp::kLT;
  at_ = At::kCrack;
  batchPos_ = -1;
  return DBENG_OK;
}

DBResult TableCursor::ReleaseLock(bool all) {
  if (all)
    file_->UnlockAll(this);
  else if (at_ == At::kRow)
    file_->Unlock(rowId_, this);
  return DBENG_OK;
}

void TableCursor::RebuildPushed() {
  std::vector<const CursorFilter *> active;
  for (const CursorFilter &f : filters_)
    if (f.active) active.push_back(&f);
  std::stable_sort(active.begin(), active.end(), [](const CursorFilter *a, const CursorFilter *b) {
    return a->priority != b->priority ? a->priority < b->priority : a->order < b->order;
  });
  // A filter goes into the query unless a filter that must be evaluated here
  // comes before it: record callbacks then see exactly the records that pass
  // every filter of lower priority.
  int firstLocal = 0x10000;
  for (const CursorFilter *f : active)
    if (!f->pushable) {
      firstLocal = f->priority;
      break;
    }
  sqlFilters_.clear();
  cppFilters_.clear();
  for (const CursorFilter *f : active) {
    if (f->pushable && (f->priority <= firstLocal || !f->predicate))
      sqlFilters_.push_back(f);
    else
      cppFilters_.push_back(f);
  }
  ForgetCache();
  batchPos_ = -1;
}

DBResult TableCursor::AddFilter(uint64_t client, uint16_t priority, uint16_t canAbort,
                                const void *tree, EngRecFilterFn fn, hEngFilter *out) {
  if ((tree == nullptr) == (fn == nullptr))
    return Fail(DBENG_ERR_INVALIDPARAM, "A filter needs either an expression or a callback");
  CursorFilter f;
  f.priority = priority;
  f.client = client;
  f.canAbort = canAbort;
  f.fn = fn;
  f.order = ++filterOrder_;
  if (tree) {
    const uint8_t *t = static_cast<const uint8_t *>(tree);
    uint16_t version, size;
    std::memcpy(&version, t, 2);
    std::memcpy(&size, t + 2, 2);
    if (size < ENG_FILTER_HEADER_SIZE ||
        (version != ENG_FILTER_VERSION && version != ENG_FILTER_VERSION_FIXED))
      return Fail(DBENG_ERR_INVALIDFILTER, "Not a filter expression");
    f.pushable = RecogniseSimpleFilter(t, size, Shape(), &f.pushSql, &f.pushParams);
    std::string why;
    DBResult rc = CompileFilterTree(t, size, Shape(), &f.predicate, &why);
    if (rc != DBENG_OK && !(rc == DBENG_ERR_NOTSUPPORTED && f.pushable)) return Fail(rc, why);
  }
  f.handle = NewHandle(ENG_HKIND_FILTER);
  *out = f.handle;
  filters_.push_back(std::move(f));
  RebuildPushed();
  return DBENG_OK;
}

DBResult TableCursor::DropFilter(hEngFilter h) {
  for (auto it = filters_.begin(); it != filters_.end(); ++it)
    if (it->handle == h) {
      filters_.erase(it);
      RebuildPushed();
      return DBENG_OK;
    }
  return Fail(DBENG_ERR_INVALIDHNDL, "No such filter");
}

DBResult TableCursor::SetFilterActive(hEngFilter h, bool active) {
  bool found = false;
  for (CursorFilter &f : filters_)
    if (h == 0 || f.handle == h) {
      f.active = active;
      found = true;
    }
  if (!found && h != 0) return Fail(DBENG_ERR_INVALIDHNDL, "No such filter");
  RebuildPushed();
  return DBENG_OK;
}

} // namespace dbeng
