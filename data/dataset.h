// Datasets: a dataset wraps one engine cursor and keeps a small window of
// records in a ring of record buffers. Fields read and write values in
// those buffers; data sources pass every change of state, position,
// content or layout on to their data links as data events.
//
// Record buffer layout (one heap block per buffer):
//   0                    record image (record size bytes)
//   record size          calculated-fields area: per calculated or lookup
//                        field a has-a-value byte and the value
//   record-info offset   record status byte; at +4 the 32-bit record number
//   bookmark offset      bookmark flag (TBookmarkFlag), then the bookmark
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/component.h"
#include "data/db_error.h"
#include "data/db_types.h"
#include "data/engine/engine_api.h"
#include "data/variant.h"

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFieldDefs;
class TStringList;

using TDataSetNotifyEvent = std::function<void(TDataSet *dataset)>;
using TFilterRecordEvent = std::function<void(TDataSet *dataset, bool &accept)>;
using TOnServerYieldEvent = std::function<void(TDataSet *dataset, bool &abort_query)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet *dataset, EDatabaseError &error, TDataAction &action)>;

// A bookmark block of the dataset's bookmark size (GetBookmark allocates it,
// FreeBookmark frees it).
using TBookmark = void *;
// The same bookmark as a text of bookmark-size bytes.
using TBookmarkStr = std::string;

// Resync mode bits.
enum : unsigned { rmExact = 1, rmCenter = 2 };

// The six key buffers: search key, range start, range end, applied range
// start, applied range end, and the saved copy used while one is edited.
enum TKeyIndex : int {
  kiLookup = 0,
  kiRangeStart,
  kiRangeEnd,
  kiCurRangeStart,
  kiCurRangeEnd,
  kiSave,
};
inline constexpr int kKeyBufferCount = 6;
// A key buffer starts with this header: byte 0 modified, byte 1 exclusive,
// bytes 4-7 the number of key fields set.
inline constexpr int kKeyHeaderSize = 8;

class TDataSet : public TComponent {
public:
  explicit TDataSet(TComponent *owner = nullptr);
  ~TDataSet() override;

  // --- published properties ---------------------------------------------
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool value);
  bool AutoCalcFields() const { return auto_calc_fields_; }
  void SetAutoCalcFields(bool v) { auto_calc_fields_ = v; }
  bool CachedUpdates() const { return cached_updates_; }
  void SetCachedUpdates(bool v);
  const std::string &Filter() const { return filter_text_; }
  void SetFilter(const std::string &text);
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool value);
  TFilterOptions FilterOptions() const { return filter_options_; }
  void SetFilterOptions(TFilterOptions options);

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
      BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete,
      AfterDelete, OnNewRecord, OnCalcFields;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;
  TOnServerYieldEvent OnServerYield;
  const TFilterRecordEvent &OnFilterRecord() const { return on_filter_record_; }
  void SetOnFilterRecord(TFilterRecordEvent handler);

  // --- state ----------------------------------------------------------------
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  bool CanModify() const { return GetCanModify(); }
  bool BOF() const { return bof_; }
  bool Eof() const { return eof_; }
  bool EOF_() const { return eof_; }
  int RecordCount() const { return record_count_; }
  int BufferCount() const { return buffer_count_; }
  int ActiveRecord() const { return active_record_; }
  // Moves the active record inside the window without any event (data
  // links use this to read the rows they show).
  void SetActiveRecordIndex(int index) { active_record_ = index; }
  hEngCursor Handle() const { return handle_; }
  hEngLd Locale() const { return locale_; }
  bool DefaultFields() const { return default_fields_; }
  int RecordSize() const { return record_size_; }
  int BookmarkSize() const { return bookmark_size_; }
  int CalcFieldsSize() const { return calc_fields_size_; }
  int RecBufSize() const { return rec_buf_size_; }
  // The buffer of the active record (nullptr when there is none).
  uint8_t *ActiveBuffer() const;
  // Record buffer i of the window (0 to BufferCount; BufferCount is the
  // spare buffer).
  uint8_t *Buffer(int index) const { return buffers_.at(static_cast<size_t>(index)); }

  // --- fields ---------------------------------------------------------------
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField *Fields(int index) const { return fields_.at(static_cast<size_t>(index)); }
  TField *FindField(const std::string &name) const;
  TField *FieldByName(const std::string &name) const;
  TFieldDefs *FieldDefs() const { return field_defs_; }
  // One name gives the field's value, a ";"-separated list an array.
  TVariant FieldValues(const std::string &names) const;
  void SetFieldValues(const std::string &names, const TVariant &values);
  // The field names in order, or the definitions' names when there are no
  // fields.
  void GetFieldNames(TStringList &list);
  // The fields named in a ";"-separated list ("Field '%s' not found").
  void GetFieldList(std::vector<TField *> &list, const std::string &names) const;
  int IndexFieldCount() const { return key_field_count_; }
  TField *IndexFields(int index) const;
  bool IsIndexField(const TField *field) const;
  bool ExpressionIndex() const { return expression_index_; }
  bool CaseInsensitiveIndex() const { return case_insensitive_index_; }

  // --- navigation -----------------------------------------------------------
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  void Refresh();
  void Resync(unsigned mode);

  // --- editing --------------------------------------------------------------
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  void UpdateRecord();
  void ClearFields();

  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }
  // The engine filters made from Filter and OnFilterRecord (0 when none).
  hEngFilter ExprFilter() const { return expr_filter_; }
  hEngFilter FuncFilter() const { return func_filter_; }

  // --- bookmarks --------------------------------------------------------------
  TBookmark GetBookmark() const;
  void GotoBookmark(TBookmark bookmark);
  void FreeBookmark(TBookmark bookmark) const;
  TBookmarkStr Bookmark() const;
  void SetBookmark(const TBookmarkStr &bookmark);

  // --- searching ------------------------------------------------------------
  bool Locate(const std::string &key_fields, const TVariant &key_values, TLocateOptions options);
  TVariant Lookup(const std::string &key_fields, const TVariant &key_values,
                  const std::string &result_fields);

  // The record number held in the active buffer's record info (the
  // calculation buffer's while calculating).
  int32_t RecNo() const { return GetRecordNumber(); }

  // --- services for fields, links and descendants ---------------------------
  bool GetFieldData(const TField *field, void *buffer) const;
  void SetFieldData(TField *field, const void *buffer);
  virtual void DataEvent(TDataEvent event, intptr_t info);
  void CheckActive() const;
  void CheckInactive() const;
  bool IsLinkedTo(const TDataSource *source) const;
  // Attached data sources, in attach order.
  const std::vector<TDataSource *> &DataSources() const { return data_sources_; }
  // Recomputes the window size from the attached links.
  void UpdateBufferCount();
  // The engine's server-yield callback lands here: 2 aborts, 0 continues.
  uint16_t ServerYield(const void *info);
  // The engine's record callback lands here.
  bool RecordFilter(const void *record);
  // Runs `test` while the fields read the candidate record `record` of an
  // engine record filter (state dsFilter); an exception of the test goes to
  // the application's handler.
  bool TestCandidate(const void *record, const std::function<void(bool &accept)> &test);
  // While a candidate is tested: computes its calculated and lookup fields
  // (once per candidate), so that those fields read its values too.
  void CalculateCandidateFields();
  // A private copy of the current record's image, read from the engine for
  // blob streams; false when there is no current record.
  bool ReadCurrentRecordCopy(std::vector<uint8_t> &copy);
  // Calculates the calculated and lookup fields of one buffer.
  void CalculateFields(uint8_t *buffer);

  // Test and benchmark aid: engine calls made by the window machinery.
  struct EngineCallCounts {
    uint64_t fetches = 0;   // next, prior and current record reads
    uint64_t bookmarks = 0; // bookmark reads
    uint64_t positions = 0; // set to begin, end or bookmark
  };
  const EngineCallCounts &CallCounts() const { return call_counts_; }
  void ResetCallCounts() { call_counts_ = {}; }

  // Raises "Field '%s' not found" style errors for field structure changes.
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  friend class TFieldDefs;

protected:
  void Loaded() override;

  // --- virtual operations ---------------------------------------------------
  virtual void CloseCursor();
  virtual hEngCursor CreateHandle() { return 0; }
  virtual void DestroyHandle();
  virtual void DestroyLookupCursor() {}
  virtual void DoAfterCancel();
  virtual void DoAfterClose();
  virtual void DoAfterDelete();
  virtual void DoAfterEdit();
  virtual void DoAfterInsert();
  virtual void DoAfterOpen();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoBeforeClose();
  virtual void DoBeforeDelete();
  virtual void DoBeforeEdit();
  virtual void DoBeforeInsert();
  virtual void DoBeforeOpen();
  virtual void DoBeforePost();
  virtual void DoOnCalcFields();
  virtual void DoOnNewRecord();
  virtual bool GetCanModify() const { return can_modify_; }
  // The master data source of a detail dataset; nullptr here.
  virtual TDataSource *GetDataSource() const { return nullptr; }
  // A cursor with an index on these key fields; 0 when none.
  virtual hEngCursor GetLookupCursor(const std::string &key_fields, bool case_insensitive);
  virtual int32_t GetRecordNumber() const;
  // Reads the field definitions (opening the cursor just for them when the
  // dataset is closed).
  virtual void InitFieldDefs();
  // Opens the cursor; with `info_query` it stops after the field
  // definitions.
  virtual void OpenCursor(bool info_query);
  // Runs after the cursor is positioned at the beginning and before the
  // filters and the window are set up.
  virtual void DoOnOpenCursor() {}
  // Registers the server-yield callback once per dataset.
  virtual void RegisterServerYield();
  // Makes the expression filter for a text (0 for an empty text).
  virtual hEngFilter CreateExprFilter(const std::string &text, TFilterOptions options,
                                      uint16_t priority);

  // --- helpers for descendants ------------------------------------------------
  // Raises the engine error for a non-zero result.
  static void Check(DBResult result);
  void SetState(TDataSetState value);
  // Sets a temporary state directly, without events; returns the old one.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value) { state_ = value; }
  void CursorPosChanged() { current_record_ = -1; }
  void UpdateCursorPos();
  void ClearBuffers();
  void FreeFieldBuffers();
  void CheckCanModify() const;
  void CheckRequiredFields();
  // Key editing: selects key buffer `index` (saving a copy), optionally
  // clears it, enters dsSetKey. PostKeyBuffer ends key editing, keeping
  // (commit) or restoring the buffer.
  uint8_t *SetKeyBuffer(TKeyIndex index, bool clear);
  void PostKeyBuffer(bool commit);
  uint8_t *KeyBuffer(TKeyIndex index) const { return key_buffers_[index]; }
  uint8_t *CurrentKeyBuffer() const { return key_buffer_; }
  int KeySize() const { return record_size_ + kKeyHeaderSize; }
  void InitKeyBuffer(uint8_t *buffer);
  // Runs an engine step of Edit/Post/Delete with its error event.
  void RunWithErrorEvent(const std::function<void()> &step, const TDataSetErrorEvent &event);
  // Reads the active index's description (key fields).
  void GetIndexInfo();

private:
  enum TGetMode { gmCurrent, gmNext, gmPrior };
  enum TGetResult { grOK, grBOF, grEOF, grError };

  void SetBufferCount(int value);
  TGetResult GetRecord(uint8_t *buffer, TGetMode mode, bool raise_errors, DBResult *code = nullptr);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void SetCurrentRecord(int index);
  void ActivateBuffers();
  void MoveBuffer(int from, int to);
  void InitRecord(uint8_t *buffer);
  void StartInsert();
  void CreateFields();
  void DestroyFields();
  void BindFields(bool binding);
  void AddField(TField *field);
  void RemoveField(TField *field);
  void AddDataSource(TDataSource *source);
  void RemoveDataSource(TDataSource *source);
  void ReadFieldDefs();
  void InternalFilter(hEngFilter &slot, hEngFilter new_filter);
  hEngFilter CreateFuncFilter(uint16_t priority);
  void ActivateFilters();
  void DeactivateFilters();
  bool MapsToIndex(const std::vector<TField *> &fields, bool case_insensitive) const;
  bool LocateRecord(const std::string &key_fields, const TVariant &key_values,
                    TLocateOptions options, bool sync_cursor);
  void AllocKeyBuffers();
  void FreeKeyBuffers();
  void FreeRecordBuffers();
  uint8_t *ActiveRecBuf() const;
  void WriteKeyValues(const std::vector<TField *> &fields, const TVariant &values);

  hEngCursor handle_ = 0;
  hEngLd locale_ = 0;
  std::vector<TField *> fields_;
  TFieldDefs *field_defs_ = nullptr;
  std::vector<TDataSource *> data_sources_;
  std::vector<uint8_t *> buffers_;
  int buffer_count_ = 0;
  int record_count_ = 0;
  int active_record_ = 0;
  int current_record_ = -1;
  bool bof_ = true;
  bool eof_ = true;
  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool can_modify_ = false;
  bool default_fields_ = false;
  bool streamed_active_ = false;
  bool auto_calc_fields_ = true;
  bool cached_updates_ = false;
  bool internal_calc_fields_ = false;
  int disable_count_ = 0;
  TDataSetState disable_state_ = dsInactive;
  TDataEvent enable_event_ = deDataSetChange;
  int record_size_ = 0;
  int bookmark_size_ = 0;
  int calc_fields_size_ = 0;
  int rec_info_ofs_ = 0;
  int bookmark_ofs_ = 0;
  int rec_buf_size_ = 0;
  uint16_t rec_numbering_ = ENG_RECNO_NONE;
  uint8_t *key_buffers_[kKeyBufferCount] = {};
  uint8_t *key_buffer_ = nullptr;
  uint8_t *calc_buffer_ = nullptr;
  const uint8_t *filter_buffer_ = nullptr;
  bool filter_buffer_full_ = false;     // the filter buffer has a calculated area
  std::vector<uint8_t> candidate_full_; // a candidate with its calculated area
  hEngFilter expr_filter_ = 0;
  hEngFilter func_filter_ = 0;
  int key_field_count_ = 0;
  int key_field_nos_[ENG_MAXKEYFIELDS] = {};
  bool expression_index_ = false;
  bool case_insensitive_index_ = false;
  std::string filter_text_;
  bool filtered_ = false;
  TFilterOptions filter_options_ = 0;
  TFilterRecordEvent on_filter_record_;
  bool yield_registered_ = false;
  uint32_t yield_buffer_ = 0;
  EngineCallCounts call_counts_;
};

// A dataset reached through a database of a session: DatabaseName,
// SessionName and UpdateMode, and the connection's use flags.
class TDBDataSet : public TDataSet {
public:
  explicit TDBDataSet(TComponent *owner = nullptr);

  const std::string &DatabaseName() const { return database_name_; }
  void SetDatabaseName(const std::string &name);
  const std::string &SessionName() const { return session_name_; }
  void SetSessionName(const std::string &name);
  TUpdateMode UpdateMode() const { return update_mode_; }
  void SetUpdateMode(TUpdateMode mode);

  // The connection's use flags (opened, field list, index list, ...).
  enum TDBFlag : int { dbfOpened = 0, dbfPrinting, dbfDeleting, dbfFieldList, dbfIndexList };
  uint16_t DBFlags() const { return db_flags_; }

  // Closes the dataset because its database closes.
  virtual void CloseForDatabase() { Close(); }
  // Sets or clears a use flag. Setting the first flag connects the dataset
  // to its database, clearing the last one releases it; this class only
  // keeps the flags, the sessions module connects.
  virtual void SetDBFlag(int flag, bool value);

protected:
  void OpenCursor(bool info_query) override;
  void CloseCursor() override;
  // Whether the connected database is SQL-based (UpdateMode goes to the
  // cursor only then).
  virtual bool IsSQLBased() const { return false; }
  bool Connected() const { return db_flags_ != 0; }

private:
  std::string database_name_;
  std::string session_name_;
  TUpdateMode update_mode_ = upWhereAll;
  uint16_t db_flags_ = 0;
};

// Raises the engine error (EDBEngineError) for a result code.
[[noreturn]] void RaiseEngineError(DBResult code);
// Raises for a non-zero result.
void EngineCheck(DBResult result);
