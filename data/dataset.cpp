#include "data/dataset.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/app_hooks.h"
#include "base/strings.h"
#include "base/text.h"
#include "data/datasource.h"
#include "data/db_engine_error.h"
#include "data/field.h"
#include "data/field_defs.h"
#include "data/filter_expr.h"

// ---------------------------------------------------------------------------
// Engine errors, callbacks, filter trees

namespace {

uint16_t ServerYieldThunk(uint16_t cb_type, uint64_t client, void *buffer) {
  (void)cb_type;
  return reinterpret_cast<TDataSet *>(static_cast<uintptr_t>(client))->ServerYield(buffer);
}

int16_t RecordFilterThunk(uint64_t client, const void *record, uint32_t phys_rec_num) {
  (void)phys_rec_num;
  return reinterpret_cast<TDataSet *>(static_cast<uintptr_t>(client))->RecordFilter(record) ? 1 : 0;
}

// Splits a ";"-separated list of names.
std::vector<std::string> SplitNames(const std::string &names) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos <= names.size()) {
    size_t semi = names.find(';', pos);
    if (semi == std::string::npos) semi = names.size();
    std::string name = Trim(std::string_view(names).substr(pos, semi - pos));
    if (!name.empty()) out.push_back(name);
    pos = semi + 1;
  }
  return out;
}

// The dataset's fields as the filter-tree writer looks them up.
class DataSetFieldSource : public TFilterFieldSource {
public:
  explicit DataSetFieldSource(const TDataSet *dataset) : dataset_(dataset) {}
  bool FindFilterField(const std::string &name, TFilterField &out) const override {
    TField *f = dataset_->FindField(name);
    if (!f) return false;
    out.FieldName = f->FieldName();
    out.FieldNo = f->FieldNo();
    out.DataType = f->DataType();
    out.Size = f->Size();
    out.FieldKind = f->FieldKind();
    return true;
  }
  std::string AnsiToNative(const std::string &text) const override {
    hEngLd ld = dataset_->Locale();
    if (!ld || text.empty()) return text;
    std::vector<char> out(text.size() * 4 + 1, 0);
    if (EngineAnsiToNative(ld, out.data(), text.c_str(), 0, nullptr) != DBENG_OK) return text;
    out.back() = 0;
    return out.data();
  }

private:
  const TDataSet *dataset_;
};

} // namespace

void RaiseEngineError(DBResult code) {
  DbiError(code);
}

void EngineCheck(DBResult result) {
  if (result != DBENG_OK) DbiError(result);
}

// ---------------------------------------------------------------------------
// Construction

TDataSet::TDataSet(TComponent *owner) : TComponent(owner) {
  field_defs_ = new TFieldDefs(this);
}

TDataSet::~TDataSet() {
  Destroying();
  try {
    SetActive(false);
  } catch (const std::exception &e) {
    ApplicationHandleException(e);
  }
  while (!data_sources_.empty())
    data_sources_.back()->SetDataSet(nullptr);
  // Fields owned elsewhere stay alive but leave this dataset; fields owned
  // here go with it.
  while (!fields_.empty()) {
    TField *field = fields_.back();
    RemoveField(field);
    if (field->Owner() == this) delete field;
  }
  delete field_defs_;
  field_defs_ = nullptr;
  // The engine must not call back into a dataset that is gone.
  if (yield_registered_) EngineRegisterCallback(0, ENG_CB_SERVERYIELD, 0, 0, nullptr, nullptr);
  DestroyComponents();
}

void TDataSet::Check(DBResult result) {
  if (result != DBENG_OK) DbiError(result);
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (streamed_active_) {
    try {
      SetActive(true);
    } catch (const std::exception &e) {
      if (ComponentState() & csDesigning)
        ApplicationHandleException(e);
      else
        throw;
    }
  }
}

// ---------------------------------------------------------------------------
// Checks and state

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(msg::kDataSetClosed);
}

void TDataSet::CheckInactive() const {
  if (state_ != dsInactive) DatabaseError(msg::kDataSetOpen);
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(msg::kDataSetReadOnly);
}

void TDataSet::SetState(TDataSetState value) {
  if (state_ == value) return;
  state_ = value;
  modified_ = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState old = state_;
  state_ = value;
  return old;
}

void TDataSet::SetCachedUpdates(bool v) {
  if (v == cached_updates_) return;
  CheckInactive();
  cached_updates_ = v;
}

// ---------------------------------------------------------------------------
// Opening and closing

void TDataSet::SetActive(bool value) {
  if (IsLoading()) {
    streamed_active_ = value;
    return;
  }
  if (value == Active()) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor(false);
      SetState(dsBrowse);
    } catch (...) {
      SetState(dsInactive);
      CloseCursor();
      throw;
    }
    DoAfterOpen();
  } else {
    if (!IsDestroying()) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!IsDestroying()) DoAfterClose();
  }
}

void TDataSet::RegisterServerYield() {
  if (yield_registered_) return;
  // One registration per dataset, on the current engine session; an engine
  // that has one already keeps it.
  EngCallbackFn existing = nullptr;
  uint64_t client = 0;
  uint16_t len = 0;
  void *buf = nullptr;
  if (EngineGetCallback(0, ENG_CB_SERVERYIELD, &client, &len, &buf, &existing) == DBENG_OK &&
      existing)
    return;
  if (EngineRegisterCallback(0, ENG_CB_SERVERYIELD, reinterpret_cast<uintptr_t>(this),
                             sizeof(yield_buffer_), &yield_buffer_, &ServerYieldThunk) == DBENG_OK)
    yield_registered_ = true;
}

uint16_t TDataSet::ServerYield(const void *info) {
  if (!OnServerYield) return ENG_CBR_CONTINUE;
  uint32_t reason = 0;
  if (info) std::memcpy(&reason, info, sizeof reason);
  if (reason == 2) return ENG_CBR_CONTINUE;
  bool abort_query = false;
  try {
    OnServerYield(this, abort_query);
  } catch (const std::exception &e) {
    ApplicationHandleException(e);
  }
  return abort_query ? ENG_CBR_ABORT : ENG_CBR_CONTINUE;
}

void TDataSet::ReadFieldDefs() {
  EngCurProps props{};
  Check(EngineGetCursorProperties(handle_, &props));
  record_size_ = props.recordSize;
  bookmark_size_ = props.bookmarkSize;
  can_modify_ = props.canModify != 0;
  rec_numbering_ = props.recNumbering;

  // Required fields: a validity check that says so, for a field without a
  // default value.
  std::vector<bool> required(257, false);
  for (uint16_t i = 1; i <= props.validityCheckCount; ++i) {
    EngVChkDesc check{};
    if (EngineGetValidityCheck(handle_, i, &check) != DBENG_OK) continue;
    if (check.fieldNum >= 1 && check.fieldNum <= 256 && check.required && !check.hasDefault)
      required[check.fieldNum] = true;
  }

  std::vector<EngFldDesc> descs(props.fieldCount);
  if (props.fieldCount) Check(EngineGetFieldDescriptors(handle_, descs.data()));
  field_defs_->Clear();
  for (const EngFldDesc &d : descs) {
    TFieldType type;
    int size;
    if (!FieldTypeFromEngine(d.type, d.subType, d.units1, d.units2, d.length, type, size)) continue;
    char raw[sizeof d.name + 1] = {};
    std::memcpy(raw, d.name, sizeof d.name);
    std::string name = raw;
    if (locale_) {
      char converted[sizeof d.name + 1] = {};
      if (EngineNativeToAnsi(locale_, converted, raw, 0, nullptr) == DBENG_OK) name = converted;
    }
    name = field_defs_->UniqueName(name);
    bool req = d.fieldNum <= 256 && required[d.fieldNum];
    TFieldDef *def = field_defs_->AddFieldDef(name, type, size, req, d.fieldNum);
    def->SetInternalCalcField(d.calculated != 0);
  }
  field_defs_->SetUpdated(true);
}

void TDataSet::GetIndexInfo() {
  key_field_count_ = 0;
  expression_index_ = false;
  case_insensitive_index_ = false;
  EngIdxDesc desc{};
  if (EngineGetIndexDescriptor(handle_, 0, &desc) != DBENG_OK) return;
  expression_index_ = desc.expression != 0;
  case_insensitive_index_ = desc.caseInsensitive != 0;
  key_field_count_ = std::min<int>(desc.fieldCount, 8);
  for (int i = 0; i < key_field_count_; ++i)
    key_field_nos_[i] = desc.keyFields[i];
}

void TDataSet::InitFieldDefs() {
  if (handle_) {
    ReadFieldDefs();
    return;
  }
  try {
    OpenCursor(true);
  } catch (...) {
    CloseCursor();
    throw;
  }
  CloseCursor();
}

void TDataSet::OpenCursor(bool info_query) {
  RegisterServerYield();
  handle_ = CreateHandle();
  if (!handle_) DatabaseError(msg::kHandleError);
  hEngLd ld = 0;
  if (EngineGetLanguageDriver(handle_, &ld) == DBENG_OK) locale_ = ld;
  ReadFieldDefs();
  if (info_query) return;

  GetIndexInfo();
  if (fields_.empty()) CreateFields();
  BindFields(true);
  rec_info_ofs_ = record_size_ + calc_fields_size_;
  bookmark_ofs_ = rec_info_ofs_ + 8;
  rec_buf_size_ = bookmark_ofs_ + 1 + bookmark_size_;
  AllocKeyBuffers();
  Check(EngineSetToBegin(handle_));
  ++call_counts_.positions;
  DoOnOpenCursor();

  if (!filter_text_.empty()) expr_filter_ = CreateExprFilter(filter_text_, filter_options_, 0);
  if (on_filter_record_) func_filter_ = CreateFuncFilter(1);
  if (filtered_) ActivateFilters();
  UpdateBufferCount();
  bof_ = true;
}

void TDataSet::CloseCursor() {
  FreeFieldBuffers();
  FreeRecordBuffers();
  expr_filter_ = 0;
  func_filter_ = 0;
  FreeKeyBuffers();
  BindFields(false);
  if (default_fields_) DestroyFields();
  default_fields_ = false;
  key_field_count_ = 0;
  expression_index_ = false;
  case_insensitive_index_ = false;
  can_modify_ = false;
  locale_ = 0;
  if (handle_) {
    EngineReleaseRecordLock(handle_, 1);
    DestroyHandle();
  }
  handle_ = 0;
}

void TDataSet::DestroyHandle() {
  EngineCloseCursor(handle_);
}

void TDataSet::FreeRecordBuffers() {
  for (uint8_t *b : buffers_)
    delete[] b;
  buffers_.clear();
  buffer_count_ = 0;
  ClearBuffers();
}

void TDataSet::AllocKeyBuffers() {
  for (int i = 0; i < kKeyBufferCount; ++i) {
    key_buffers_[i] = new uint8_t[static_cast<size_t>(KeySize())]();
    InitKeyBuffer(key_buffers_[i]);
  }
}

void TDataSet::FreeKeyBuffers() {
  for (auto &b : key_buffers_) {
    delete[] b;
    b = nullptr;
  }
  key_buffer_ = nullptr;
}

void TDataSet::InitKeyBuffer(uint8_t *buffer) {
  std::memset(buffer, 0, static_cast<size_t>(KeySize()));
  EngineInitRecord(handle_, buffer + kKeyHeaderSize);
}

// ---------------------------------------------------------------------------
// Fields

void TDataSet::AddField(TField *field) {
  fields_.push_back(field);
  field->dataset_ = this;
  DataEvent(deFieldListChange, 0);
}

void TDataSet::RemoveField(TField *field) {
  auto it = std::find(fields_.begin(), fields_.end(), field);
  if (it == fields_.end()) return;
  fields_.erase(it);
  field->dataset_ = nullptr;
  if (!IsDestroying()) DataEvent(deFieldListChange, 0);
}

void TDataSet::CreateFields() {
  for (int i = 0; i < field_defs_->Count(); ++i)
    field_defs_->Items(i)->CreateField(this);
  default_fields_ = true;
}

void TDataSet::DestroyFields() {
  while (!fields_.empty()) {
    TField *field = fields_.back();
    RemoveField(field);
    delete field;
  }
}

void TDataSet::BindFields(bool binding) {
  calc_fields_size_ = 0;
  for (TField *field : fields_) {
    if (!binding) {
      field->field_no_ = 0;
      field->offset_ = 0;
      continue;
    }
    if (field->FieldKind() != fkData) {
      if (field->DataType() < ftString || field->DataType() > ftDateTime)
        DatabaseErrorFmt(msg::kInvalidCalcType, {field->DisplayName()});
      field->field_no_ = -1;
      field->offset_ = calc_fields_size_;
      calc_fields_size_ += field->DataSize() + 1;
      if (field->FieldKind() == fkLookup) {
        if (!field->lookup_dataset_ || field->key_fields_.empty() ||
            field->lookup_key_fields_.empty() || field->lookup_result_field_.empty())
          DatabaseErrorFmt(msg::kLookupInfoError, {field->DisplayName()});
        std::vector<TField *> keys;
        GetFieldList(keys, field->key_fields_);
        TDataSet *lookup = field->lookup_dataset_;
        lookup->Open();
        std::vector<TField *> lookup_keys;
        lookup->GetFieldList(lookup_keys, field->lookup_key_fields_);
        lookup->FieldByName(field->lookup_result_field_);
      }
      continue;
    }
    int i = field_defs_->IndexOf(field->FieldName());
    if (i < 0) DatabaseErrorFmt(msg::kFieldNotFound, {field->DisplayName()});
    TFieldDef *def = field_defs_->Items(i);
    auto kind = [](TFieldType t) {
      if (t == ftCurrency) return ftFloat;
      if (t == ftAutoInc) return ftInteger;
      if (IsBlobType(t)) return ftBlob;
      return t;
    };
    if (kind(def->DataType()) != kind(field->DataType()) ||
        (!IsBlobType(def->DataType()) && def->Size() != field->Size()))
      DatabaseErrorFmt(msg::kFieldTypeMismatch, {field->DisplayName()});
    field->field_no_ = def->FieldNo();
    if (def->InternalCalcField()) internal_calc_fields_ = true;
    field->internal_calc_ = def->InternalCalcField();
  }
}

TField *TDataSet::FindField(const std::string &name) const {
  for (TField *f : fields_)
    if (AnsiSameText(f->FieldName(), name)) return f;
  return nullptr;
}

TField *TDataSet::FieldByName(const std::string &name) const {
  TField *f = FindField(name);
  if (!f) DatabaseErrorFmt(msg::kFieldNotFound, {name});
  return f;
}

void TDataSet::GetFieldList(std::vector<TField *> &list, const std::string &names) const {
  for (const std::string &name : SplitNames(names))
    list.push_back(FieldByName(name));
}

TVariant TDataSet::FieldValues(const std::string &names) const {
  std::vector<TField *> list;
  GetFieldList(list, names);
  if (list.size() == 1) return list[0]->AsVariant();
  std::vector<TVariant> values;
  for (TField *f : list)
    values.push_back(f->AsVariant());
  return TVariant(std::move(values));
}

void TDataSet::SetFieldValues(const std::string &names, const TVariant &values) {
  std::vector<TField *> list;
  GetFieldList(list, names);
  if (list.size() == 1 && !values.IsArray()) {
    list[0]->SetAsVariant(values);
    return;
  }
  for (size_t i = 0; i < list.size(); ++i)
    list[i]->SetAsVariant(i < static_cast<size_t>(values.ArrayCount()) ? values[static_cast<int>(i)]
                                                                       : TVariant::Null());
}

void TDataSet::GetFieldNames(TStringList &list) {
  list.Clear();
  if (!fields_.empty()) {
    for (TField *f : fields_)
      list.Add(f->FieldName());
    return;
  }
  if (!field_defs_->Updated()) field_defs_->Update();
  for (int i = 0; i < field_defs_->Count(); ++i)
    list.Add(field_defs_->Items(i)->Name());
}

TField *TDataSet::IndexFields(int index) const {
  if (index < 0 || index >= key_field_count_) DatabaseError(msg::kFieldIndexError);
  int no = key_field_nos_[index];
  for (TField *f : fields_)
    if (f->FieldNo() == no) return f;
  std::string name = std::to_string(no);
  for (int i = 0; i < field_defs_->Count(); ++i)
    if (field_defs_->Items(i)->FieldNo() == no) name = field_defs_->Items(i)->Name();
  DatabaseErrorFmt(msg::kIndexFieldMissing, {name});
}

bool TDataSet::IsIndexField(const TField *field) const {
  if (field->FieldNo() <= 0) return false;
  for (int i = 0; i < key_field_count_; ++i)
    if (key_field_nos_[i] == field->FieldNo()) return true;
  return false;
}

uint8_t *TDataSet::ActiveBuffer() const {
  if (active_record_ < 0 || active_record_ >= static_cast<int>(buffers_.size())) return nullptr;
  return buffers_[static_cast<size_t>(active_record_)];
}

uint8_t *TDataSet::ActiveRecBuf() const {
  switch (state_) {
  case dsBrowse:
  case dsEdit:
  case dsInsert:
    return active_record_ < record_count_ ? ActiveBuffer() : nullptr;
  case dsSetKey:
    return key_buffer_ ? key_buffer_ + kKeyHeaderSize : nullptr;
  case dsCalcFields:
    return calc_buffer_;
  case dsFilter:
    return const_cast<uint8_t *>(filter_buffer_);
  default:
    return nullptr;
  }
}

bool TDataSet::GetFieldData(const TField *field, void *buffer) const {
  const uint8_t *rec = ActiveRecBuf();
  if (!rec) return false;
  if (field->FieldNo() > 0) {
    uint16_t blank = 1;
    if (EngineGetField(handle_, static_cast<uint16_t>(field->FieldNo()), rec, buffer, &blank) !=
        DBENG_OK)
      return false;
    return blank == 0;
  }
  if (field->FieldKind() == fkData) return false;
  // Calculated and lookup fields live in the calculated area, which key
  // buffers and the engine's filter candidates do not have.
  if (state_ == dsSetKey || (state_ == dsFilter && !filter_buffer_full_)) return false;
  const uint8_t *slot = rec + record_size_ + field->Offset();
  if (!slot[0]) return false;
  if (buffer) std::memcpy(buffer, slot + 1, static_cast<size_t>(field->DataSize()));
  return true;
}

void TDataSet::SetFieldData(TField *field, const void *buffer) {
  uint8_t *rec = nullptr;
  switch (state_) {
  case dsEdit:
  case dsInsert:
    rec = active_record_ < record_count_ ? ActiveBuffer() : nullptr;
    break;
  case dsCalcFields:
    rec = calc_buffer_;
    break;
  case dsFilter:
    // The engine hands OnFilterRecord its own candidate record, read-only;
    // only the key search's work record may be written.
    if (!filter_buffer_full_) DatabaseError(msg::kNotEditing);
    rec = const_cast<uint8_t *>(filter_buffer_);
    break;
  case dsSetKey:
    if (field->FieldKind() != fkData ||
        (key_field_count_ > 0 && !IsIndexField(field) && field->FieldNo() > 0))
      DatabaseErrorFmt(msg::kNotIndexField, {field->DisplayName()});
    rec = key_buffer_ ? key_buffer_ + kKeyHeaderSize : nullptr;
    break;
  case dsUpdateOld:
    DatabaseError(msg::kNoOldValues);
  default:
    DatabaseError(msg::kNotEditing);
  }
  if (!rec) DatabaseError(msg::kNotEditing);

  if (field->FieldKind() != fkData) {
    uint8_t *slot = rec + record_size_ + field->Offset();
    size_t size = static_cast<size_t>(field->DataSize());
    slot[0] = buffer ? 1 : 0;
    if (buffer)
      std::memcpy(slot + 1, buffer, size);
    else
      std::memset(slot + 1, 0, size);
  } else {
    if (field->FieldNo() <= 0) DatabaseErrorFmt(msg::kFieldNoDataSet, {field->DisplayName()});
    if (field->ReadOnly() && state_ != dsSetKey && state_ != dsFilter)
      DatabaseErrorFmt(msg::kFieldReadOnly, {field->DisplayName()});
    if (state_ == dsCalcFields) DatabaseError(msg::kNotEditing);
    field->Validate(buffer);
    if (!field->InternalCalcField())
      Check(EnginePutField(handle_, static_cast<uint16_t>(field->FieldNo()), rec, buffer));
  }
  if (state_ != dsCalcFields && state_ != dsFilter)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

void TDataSet::ClearFields() {
  if (state_ != dsEdit && state_ != dsInsert) DatabaseError(msg::kNotEditing);
  uint8_t *buf = ActiveBuffer();
  Check(EngineInitRecord(handle_, buf));
  if (calc_fields_size_) std::memset(buf + record_size_, 0, static_cast<size_t>(calc_fields_size_));
  DataEvent(deDataSetChange, 0);
}

void TDataSet::FreeFieldBuffers() {
  for (TField *f : fields_)
    f->FreeBuffers();
}

void TDataSet::CalculateFields(uint8_t *buffer) {
  if (calc_fields_size_ <= 0) return;
  TDataSetState saved = SetTempState(dsCalcFields);
  uint8_t *saved_buffer = calc_buffer_;
  calc_buffer_ = buffer;
  try {
    std::memset(buffer + record_size_, 0, static_cast<size_t>(calc_fields_size_));
    for (TField *f : fields_) {
      if (f->FieldKind() != fkLookup || !f->lookup_dataset_ || !f->lookup_dataset_->Active())
        continue;
      TVariant keys = FieldValues(f->key_fields_);
      TVariant value =
          f->lookup_dataset_->Lookup(f->lookup_key_fields_, keys, f->lookup_result_field_);
      f->SetAsVariant(value);
    }
    DoOnCalcFields();
  } catch (...) {
    calc_buffer_ = saved_buffer;
    RestoreState(saved);
    throw;
  }
  calc_buffer_ = saved_buffer;
  RestoreState(saved);
}

// ---------------------------------------------------------------------------
// The record window

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_record_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
  if (from == to) return;
  auto first = buffers_.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
}

void TDataSet::UpdateBufferCount() {
  if (!handle_) return;
  int count = 1;
  for (TDataSource *source : data_sources_)
    for (TDataLink *link : source->DataLinks())
      count = std::max(count, link->BufferCount());
  SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
  if (value == buffer_count_) return;
  std::vector<TDataLink *> active_links;
  for (TDataSource *source : data_sources_)
    for (TDataLink *link : source->DataLinks())
      if (link->Active()) active_links.push_back(link);

  if (value < buffer_count_ && record_count_ > 0) {
    // Keep the records the links show: drop the ones in front of the
    // lowest first record.
    int delta = active_record_;
    for (TDataLink *link : active_links)
      delta = std::min(delta, link->first_record_);
    if (delta > 0) std::rotate(buffers_.begin(), buffers_.begin() + delta, buffers_.end());
    active_record_ -= delta;
    if (current_record_ >= 0) current_record_ -= delta;
    record_count_ = std::min(record_count_ - delta, value);
    if (current_record_ >= record_count_) current_record_ = -1;
    for (TDataLink *link : active_links)
      link->first_record_ -= delta;
  }

  size_t wanted = static_cast<size_t>(value) + 1;
  if (wanted < buffers_.size()) {
    for (size_t i = wanted; i < buffers_.size(); ++i)
      delete[] buffers_[i];
    buffers_.resize(wanted);
  } else {
    size_t old = buffers_.size();
    try {
      while (buffers_.size() < wanted)
        buffers_.push_back(new uint8_t[static_cast<size_t>(rec_buf_size_)]());
    } catch (...) {
      for (size_t i = old; i < buffers_.size(); ++i)
        delete[] buffers_[i];
      buffers_.resize(old);
      throw;
    }
  }
  buffer_count_ = value;
  GetNextRecords();
  int back = GetPriorRecords();
  for (TDataLink *link : active_links)
    link->first_record_ += back;
}

void TDataSet::InitRecord(uint8_t *buffer) {
  Check(EngineInitRecord(handle_, buffer));
  if (calc_fields_size_)
    std::memset(buffer + record_size_, 0, static_cast<size_t>(calc_fields_size_));
  buffer[rec_info_ofs_] = 2; // inserted
  int32_t recno = -1;
  std::memcpy(buffer + rec_info_ofs_ + 4, &recno, 4);
}

TDataSet::TGetResult TDataSet::GetRecord(uint8_t *buffer, TGetMode mode, bool raise_errors,
                                         DBResult *code) {
  EngRecProps props{};
  DBResult rc;
  ++call_counts_.fetches;
  switch (mode) {
  case gmNext:
    rc = EngineGetNextRecord(handle_, ENG_NOLOCK, buffer, &props);
    break;
  case gmPrior:
    rc = EngineGetPriorRecord(handle_, ENG_NOLOCK, buffer, &props);
    break;
  default:
    rc = EngineGetRecord(handle_, ENG_NOLOCK, buffer, &props);
    break;
  }
  if (code) *code = rc;
  if (rc == DBENG_ERR_EOF) return grEOF;
  if (rc == DBENG_ERR_BOF) return grBOF;
  if (rc != DBENG_OK) {
    if (raise_errors) RaiseEngineError(rc);
    return grError;
  }
  buffer[rec_info_ofs_] = static_cast<uint8_t>(props.recStatus);
  int32_t recno = -1;
  if (rec_numbering_ == ENG_RECNO_SEQUENCE)
    recno = static_cast<int32_t>(props.seqNum);
  else if (rec_numbering_ == ENG_RECNO_PHYSICAL)
    recno = static_cast<int32_t>(props.physRecNum);
  std::memcpy(buffer + rec_info_ofs_ + 4, &recno, 4);
  CalculateFields(buffer);
  buffer[bookmark_ofs_] = bfCurrent;
  ++call_counts_.bookmarks;
  Check(EngineGetBookmark(handle_, buffer + bookmark_ofs_ + 1));
  return grOK;
}

void TDataSet::SetCurrentRecord(int index) {
  if (current_record_ == index) return;
  uint8_t *buffer = buffers_[static_cast<size_t>(index)];
  switch (buffer[bookmark_ofs_]) {
  case bfBOF:
    ++call_counts_.positions;
    Check(EngineSetToBegin(handle_));
    break;
  case bfEOF:
    ++call_counts_.positions;
    Check(EngineSetToEnd(handle_));
    break;
  case bfCurrent:
  case bfInserted:
    // A record being inserted carries the bookmark of the record it stands
    // before; the cursor goes there, so that cancelling the insert returns
    // to the rows the user saw.
    ++call_counts_.positions;
    Check(EngineSetToBookmark(handle_, buffer + bookmark_ofs_ + 1));
    break;
  default:
    break;
  }
  current_record_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ > 0) SetCurrentRecord(active_record_);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (record_count_ > 0) {
    SetCurrentRecord(record_count_ - 1);
    uint8_t flag = ActiveBuffer()[bookmark_ofs_];
    if (state_ == dsInsert && current_record_ == active_record_ &&
        (flag == bfCurrent || flag == bfInserted))
      mode = gmCurrent;
  }
  TGetResult result = GetRecord(buffers_[static_cast<size_t>(record_count_)], mode, true);
  if (result != grOK) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0)
    ActivateBuffers();
  else if (record_count_ < buffer_count_)
    ++record_count_;
  else
    MoveBuffer(0, record_count_);
  current_record_ = record_count_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (record_count_ > 0) SetCurrentRecord(0);
  TGetResult result = GetRecord(buffers_[static_cast<size_t>(record_count_)], gmPrior, true);
  if (result != grOK) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_record_;
    }
  }
  current_record_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int n = 0;
  try {
    while (record_count_ < buffer_count_ && GetNextRecord())
      ++n;
  } catch (const std::exception &) {
    // Filling the window stops quietly at the first error.
  }
  return n;
}

int TDataSet::GetPriorRecords() {
  int n = 0;
  try {
    while (record_count_ < buffer_count_ && GetPriorRecord())
      ++n;
  } catch (const std::exception &) {
  }
  return n;
}

void TDataSet::First() {
  CheckBrowseMode();
  ClearBuffers();
  try {
    ++call_counts_.positions;
    Check(EngineSetToBegin(handle_));
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  bof_ = true;
  DataEvent(deDataSetChange, 0);
}

void TDataSet::Last() {
  CheckBrowseMode();
  ClearBuffers();
  try {
    ++call_counts_.positions;
    Check(EngineSetToEnd(handle_));
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  eof_ = true;
  DataEvent(deDataSetChange, 0);
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) return 0;
  bof_ = false;
  eof_ = false;
  int shift = 0;
  int moved = 0;
  try {
    if (distance > 0) {
      while (moved < distance) {
        if (active_record_ < record_count_ - 1) {
          ++active_record_;
        } else {
          bool full = record_count_ >= buffer_count_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (full) --shift;
          active_record_ = record_count_ - 1;
        }
        ++moved;
      }
    } else {
      while (moved > distance) {
        if (active_record_ > 0) {
          --active_record_;
        } else {
          bool full = record_count_ >= buffer_count_;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          if (full) ++shift;
          active_record_ = 0;
        }
        --moved;
      }
    }
  } catch (...) {
    DataEvent(deDataSetScroll, shift);
    throw;
  }
  DataEvent(deDataSetScroll, shift);
  return moved;
}

void TDataSet::Resync(unsigned mode) {
  uint8_t *spare = buffers_[static_cast<size_t>(record_count_)];
  if (mode & rmExact) {
    CursorPosChanged();
    GetRecord(spare, gmCurrent, true);
  } else {
    DBResult code = 0;
    if (GetRecord(spare, gmCurrent, false, &code) != grOK &&
        GetRecord(spare, gmNext, false, &code) != grOK &&
        GetRecord(spare, gmPrior, false, &code) != grOK) {
      ClearBuffers();
      DataEvent(deDataSetChange, 0);
      return;
    }
  }
  int previous_active = active_record_;
  // The record just read becomes the only one of the window.
  std::swap(buffers_[0], buffers_[static_cast<size_t>(record_count_)]);
  record_count_ = 1;
  current_record_ = 0;
  active_record_ = 0;
  bof_ = false;
  eof_ = false;
  int count = (mode & rmCenter) ? (buffer_count_ - 1) / 2 : previous_active;
  try {
    for (int i = 0; i < count && GetPriorRecord(); ++i) {
    }
    GetNextRecords();
    GetPriorRecords();
  } catch (const std::exception &) {
  }
  DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  Check(EngineForceReread(handle_));
  Resync(0);
}

bool TDataSet::ReadCurrentRecordCopy(std::vector<uint8_t> &copy) {
  uint8_t *active = ActiveBuffer();
  if (!handle_ || record_count_ == 0 || !active || active[bookmark_ofs_] != bfCurrent) return false;
  if (current_record_ != active_record_) {
    if (EngineSetToBookmark(handle_, active + bookmark_ofs_ + 1) != DBENG_OK) {
      CursorPosChanged();
      return false;
    }
    current_record_ = active_record_;
  }
  copy.assign(static_cast<size_t>(record_size_), 0);
  return EngineGetRecord(handle_, ENG_NOLOCK, copy.data(), nullptr) == DBENG_OK;
}

// ---------------------------------------------------------------------------
// Editing

void TDataSet::RunWithErrorEvent(const std::function<void()> &step,
                                 const TDataSetErrorEvent &event) {
  for (;;) {
    try {
      UpdateCursorPos();
      step();
      return;
    } catch (EDatabaseError &e) {
      CursorPosChanged();
      TDataAction action = daFail;
      if (event) event(this, e, action);
      if (action == daFail) throw;
      if (action == daAbort) Abort();
    }
  }
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (record_count_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  RunWithErrorEvent(
      [this] {
        EngRecProps props{};
        Check(EngineGetRecord(handle_, ENG_WRITELOCK, ActiveBuffer(), &props));
      },
      OnEditError);
  CalculateFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::Insert() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  bool was_empty = record_count_ == 0;
  // The spare buffer moves into the active position.
  if (!was_empty) {
    MoveBuffer(record_count_, active_record_);
    if (current_record_ >= active_record_) {
      ++current_record_;
      if (current_record_ >= buffer_count_) current_record_ = -1;
    }
  } else {
    active_record_ = 0;
  }
  uint8_t *buf = ActiveBuffer();
  InitRecord(buf);
  if (was_empty) {
    std::memset(buf + bookmark_ofs_, 0, static_cast<size_t>(bookmark_size_) + 1);
    buf[bookmark_ofs_] = bfBOF;
  } else {
    const uint8_t *next = buffers_[static_cast<size_t>(active_record_) + 1];
    std::memcpy(buf + bookmark_ofs_, next + bookmark_ofs_, static_cast<size_t>(bookmark_size_) + 1);
    buf[bookmark_ofs_] = bfInserted;
  }
  if (record_count_ < buffer_count_) ++record_count_;
  if (was_empty) {
    bof_ = true;
    eof_ = true;
  }
  StartInsert();
}

void TDataSet::Append() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  ClearBuffers();
  uint8_t *buf = buffers_[0];
  InitRecord(buf);
  std::memset(buf + bookmark_ofs_, 0, static_cast<size_t>(bookmark_size_) + 1);
  buf[bookmark_ofs_] = bfEOF;
  record_count_ = 1;
  active_record_ = 0;
  bof_ = false;
  eof_ = true;
  GetPriorRecords();
  StartInsert();
}

void TDataSet::StartInsert() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
}

void TDataSet::CheckRequiredFields() {
  for (TField *f : fields_) {
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->DataType() >= ftString &&
        f->DataType() <= ftVarBytes && f->IsNull()) {
      f->FocusControl();
      DatabaseErrorFmt(msg::kFieldRequired, {f->DisplayName()});
    }
  }
}

void TDataSet::Post() {
  UpdateRecord();
  switch (state_) {
  case dsEdit:
  case dsInsert: {
    DataEvent(deCheckBrowseMode, 0);
    CheckRequiredFields();
    DoBeforePost();
    TDataSetState posting = state_;
    RunWithErrorEvent(
        [this, posting] {
          if (posting == dsEdit)
            Check(EngineModifyRecord(handle_, ActiveBuffer(), 1));
          else
            Check(EngineInsertRecord(handle_, ENG_NOLOCK, ActiveBuffer()));
        },
        OnPostError);
    FreeFieldBuffers();
    for (TField *f : fields_)
      if (auto *blob = dynamic_cast<TBlobField *>(f)) blob->SetOpenBlobMark(false);
    SetState(dsBrowse);
    Resync(0);
    DoAfterPost();
    break;
  }
  case dsSetKey:
    PostKeyBuffer(true);
    break;
  default:
    break;
  }
}

void TDataSet::Cancel() {
  switch (state_) {
  case dsEdit:
  case dsInsert: {
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeCancel();
    TDataSetState cancelling = state_;
    UpdateCursorPos();
    if (cancelling == dsEdit) EngineReleaseRecordLock(handle_, 0);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    DoAfterCancel();
    break;
  }
  case dsSetKey:
    PostKeyBuffer(false);
    break;
  default:
    break;
  }
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (record_count_ == 0) DatabaseError(msg::kDataSetEmpty);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  RunWithErrorEvent(
      [this] {
        DBResult rc = EngineDeleteRecord(handle_, nullptr);
        // A record that is gone already counts as deleted.
        if (rc != DBENG_OK && (rc & 0xFF00) != 0x2200) RaiseEngineError(rc);
      },
      OnDeleteError);
  FreeFieldBuffers();
  SetState(dsBrowse);
  Resync(0);
  DoAfterDelete();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (state_) {
  case dsEdit:
  case dsInsert:
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
    break;
  case dsSetKey:
    PostKeyBuffer(true);
    break;
  default:
    break;
  }
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey) DatabaseError(msg::kNotEditing);
  DataEvent(deUpdateRecord, 0);
}

uint8_t *TDataSet::SetKeyBuffer(TKeyIndex index, bool clear) {
  CheckBrowseMode();
  key_buffer_ = key_buffers_[index];
  std::memcpy(key_buffers_[kiSave], key_buffer_, static_cast<size_t>(KeySize()));
  if (clear) InitKeyBuffer(key_buffer_);
  SetState(dsSetKey);
  DataEvent(deDataSetChange, 0);
  return key_buffer_;
}

void TDataSet::PostKeyBuffer(bool commit) {
  DataEvent(deCheckBrowseMode, 0);
  if (commit) {
    // A buffer that was set stays set when it is edited without change.
    if (modified_) key_buffer_[0] = 1;
  } else {
    std::memcpy(key_buffer_, key_buffers_[kiSave], static_cast<size_t>(KeySize()));
  }
  SetState(dsBrowse);
  DataEvent(deDataSetChange, 0);
}

// ---------------------------------------------------------------------------
// Events

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  switch (event) {
  case deFieldChange: {
    auto *field = reinterpret_cast<TField *>(info);
    if (field->FieldKind() == fkData) modified_ = true;
    if (state_ != dsSetKey) {
      if (calc_fields_size_ > 0 && auto_calc_fields_ && field->FieldKind() == fkData &&
          !(internal_calc_fields_ && !field->InternalCalcField()))
        CalculateFields(ActiveBuffer());
    }
    field->Change();
    break;
  }
  case dePropertyChange:
    field_defs_->SetUpdated(false);
    break;
  default:
    break;
  }
  if (disable_count_ == 0) {
    std::vector<TDataSource *> sources = data_sources_;
    for (TDataSource *source : sources)
      if (std::find(data_sources_.begin(), data_sources_.end(), source) != data_sources_.end())
        source->DataEvent(event, info);
  } else if (event == deLayoutChange || (event == deUpdateState && state_ == dsInactive)) {
    enable_event_ = deLayoutChange;
  }
}

void TDataSet::DisableControls() {
  if (disable_count_ == 0) {
    disable_state_ = state_;
    enable_event_ = deDataSetChange;
  }
  ++disable_count_;
}

void TDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ > 0) return;
  if (disable_state_ != state_) DataEvent(deUpdateState, 0);
  if (disable_state_ != dsInactive && state_ != dsInactive) DataEvent(enable_event_, 0);
}

bool TDataSet::IsLinkedTo(const TDataSource *source) const {
  std::vector<const TDataSource *> seen;
  for (const TDataSource *s = source; s;) {
    if (std::find(seen.begin(), seen.end(), s) != seen.end()) return false;
    seen.push_back(s);
    const TDataSet *ds = s->DataSet();
    if (!ds) return false;
    if (ds == this) return true;
    s = ds->GetDataSource();
  }
  return false;
}

void TDataSet::AddDataSource(TDataSource *source) {
  data_sources_.push_back(source);
  source->dataset_ = this;
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource *source) {
  source->dataset_ = nullptr;
  data_sources_.erase(std::remove(data_sources_.begin(), data_sources_.end(), source),
                      data_sources_.end());
  UpdateBufferCount();
}

void TDataSet::DoAfterCancel() {
  if (AfterCancel) AfterCancel(this);
}
void TDataSet::DoAfterClose() {
  if (AfterClose) AfterClose(this);
}
void TDataSet::DoAfterDelete() {
  if (AfterDelete) AfterDelete(this);
}
void TDataSet::DoAfterEdit() {
  if (AfterEdit) AfterEdit(this);
}
void TDataSet::DoAfterInsert() {
  if (AfterInsert) AfterInsert(this);
}
void TDataSet::DoAfterOpen() {
  if (AfterOpen) AfterOpen(this);
}
void TDataSet::DoAfterPost() {
  if (AfterPost) AfterPost(this);
}
void TDataSet::DoBeforeCancel() {
  if (BeforeCancel) BeforeCancel(this);
}
void TDataSet::DoBeforeClose() {
  if (BeforeClose) BeforeClose(this);
}
void TDataSet::DoBeforeDelete() {
  if (BeforeDelete) BeforeDelete(this);
}
void TDataSet::DoBeforeEdit() {
  if (BeforeEdit) BeforeEdit(this);
}
void TDataSet::DoBeforeInsert() {
  if (BeforeInsert) BeforeInsert(this);
}
void TDataSet::DoBeforeOpen() {
  if (BeforeOpen) BeforeOpen(this);
}
void TDataSet::DoBeforePost() {
  if (BeforePost) BeforePost(this);
}
void TDataSet::DoOnCalcFields() {
  if (OnCalcFields) OnCalcFields(this);
}
void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(this);
}

int32_t TDataSet::GetRecordNumber() const {
  CheckActive();
  const uint8_t *buf = state_ == dsCalcFields ? calc_buffer_ : ActiveBuffer();
  if (!buf || (state_ != dsCalcFields && record_count_ == 0)) return -1;
  int32_t recno;
  std::memcpy(&recno, buf + rec_info_ofs_ + 4, 4);
  return recno;
}

// ---------------------------------------------------------------------------
// Bookmarks

TBookmark TDataSet::GetBookmark() const {
  if ((state_ != dsBrowse && state_ != dsEdit && state_ != dsInsert) || record_count_ == 0)
    return nullptr;
  const uint8_t *buf = ActiveBuffer();
  if (buf[bookmark_ofs_] != bfCurrent) return nullptr;
  auto *bookmark = new uint8_t[static_cast<size_t>(bookmark_size_)];
  std::memcpy(bookmark, buf + bookmark_ofs_ + 1, static_cast<size_t>(bookmark_size_));
  return bookmark;
}

void TDataSet::GotoBookmark(TBookmark bookmark) {
  if (!bookmark) return;
  CheckBrowseMode();
  Check(EngineSetToBookmark(handle_, bookmark));
  Resync(rmExact | rmCenter);
}

void TDataSet::FreeBookmark(TBookmark bookmark) const {
  delete[] static_cast<uint8_t *>(bookmark);
}

TBookmarkStr TDataSet::Bookmark() const {
  TBookmark bm = GetBookmark();
  if (!bm) return {};
  std::string text(static_cast<const char *>(bm), static_cast<size_t>(bookmark_size_));
  FreeBookmark(bm);
  return text;
}

void TDataSet::SetBookmark(const TBookmarkStr &bookmark) {
  if (bookmark.empty()) return;
  std::vector<uint8_t> block(static_cast<size_t>(bookmark_size_), 0);
  std::memcpy(block.data(), bookmark.data(), std::min(block.size(), bookmark.size()));
  GotoBookmark(block.data());
}

// ---------------------------------------------------------------------------
// Filters

hEngFilter TDataSet::CreateExprFilter(const std::string &text, TFilterOptions options,
                                      uint16_t priority) {
  if (text.empty()) return 0;
  DataSetFieldSource source(this);
  std::vector<uint8_t> tree = BuildFilterTree(source, text, options);
  hEngFilter filter = 0;
  Check(EngineAddFilter(handle_, 0, priority, 0, tree.data(), nullptr, &filter));
  return filter;
}

hEngFilter TDataSet::CreateFuncFilter(uint16_t priority) {
  hEngFilter filter = 0;
  Check(EngineAddFilter(handle_, reinterpret_cast<uintptr_t>(this), priority, 0, nullptr,
                        &RecordFilterThunk, &filter));
  return filter;
}

void TDataSet::ActivateFilters() {
  if (expr_filter_) Check(EngineActivateFilter(handle_, expr_filter_));
  if (func_filter_) Check(EngineActivateFilter(handle_, func_filter_));
}

void TDataSet::DeactivateFilters() {
  if (func_filter_) Check(EngineDeactivateFilter(handle_, func_filter_));
  if (expr_filter_) Check(EngineDeactivateFilter(handle_, expr_filter_));
}

void TDataSet::InternalFilter(hEngFilter &slot, hEngFilter new_filter) {
  if (filtered_) {
    CursorPosChanged();
    DestroyLookupCursor();
    Check(EngineSetToBegin(handle_));
    if (slot) EngineDropFilter(handle_, slot);
    slot = new_filter;
    if (slot) Check(EngineActivateFilter(handle_, slot));
  } else {
    if (slot) EngineDropFilter(handle_, slot);
    slot = new_filter;
  }
}

void TDataSet::SetFilter(const std::string &text) {
  if (Active()) {
    CheckBrowseMode();
    if (text != filter_text_)
      InternalFilter(expr_filter_, CreateExprFilter(text, filter_options_, 0));
  }
  filter_text_ = text;
  if (Active() && filtered_) First();
}

void TDataSet::SetFilterOptions(TFilterOptions options) {
  if (Active()) {
    CheckBrowseMode();
    if (options != filter_options_)
      InternalFilter(expr_filter_, CreateExprFilter(filter_text_, options, 0));
  }
  filter_options_ = options;
  if (Active() && filtered_) First();
}

void TDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
  if (Active()) {
    CheckBrowseMode();
    if (static_cast<bool>(handler) != static_cast<bool>(on_filter_record_))
      InternalFilter(func_filter_, handler ? CreateFuncFilter(1) : 0);
  }
  on_filter_record_ = std::move(handler);
  if (Active() && filtered_) First();
}

void TDataSet::SetFiltered(bool value) {
  if (!Active()) {
    filtered_ = value;
    return;
  }
  CheckBrowseMode();
  if (value != filtered_) {
    DestroyLookupCursor();
    Check(EngineSetToBegin(handle_));
    if (value)
      ActivateFilters();
    else
      DeactivateFilters();
    filtered_ = value;
  }
  First();
}

bool TDataSet::RecordFilter(const void *record) {
  return TestCandidate(record, [this](bool &accept) {
    if (on_filter_record_) on_filter_record_(this, accept);
  });
}

void TDataSet::CalculateCandidateFields() {
  if (state_ != dsFilter || filter_buffer_full_ || !filter_buffer_ || calc_fields_size_ <= 0)
    return;
  std::vector<uint8_t> full(static_cast<size_t>(rec_buf_size_), 0);
  std::memcpy(full.data(), filter_buffer_, static_cast<size_t>(record_size_));
  CalculateFields(full.data());
  candidate_full_.swap(full);
  filter_buffer_ = candidate_full_.data();
  filter_buffer_full_ = true;
}

bool TDataSet::TestCandidate(const void *record, const std::function<void(bool &accept)> &test) {
  TDataSetState saved = SetTempState(dsFilter);
  const uint8_t *saved_buffer = filter_buffer_;
  bool saved_full = filter_buffer_full_;
  filter_buffer_ = static_cast<const uint8_t *>(record);
  filter_buffer_full_ = false;
  bool accept = true;
  try {
    test(accept);
  } catch (const std::exception &e) {
    ApplicationHandleException(e);
  }
  filter_buffer_ = saved_buffer;
  filter_buffer_full_ = saved_full;
  RestoreState(saved);
  return accept;
}

// ---------------------------------------------------------------------------
// Key search

hEngCursor TDataSet::GetLookupCursor(const std::string &key_fields, bool case_insensitive) {
  (void)key_fields;
  (void)case_insensitive;
  return 0;
}

bool TDataSet::MapsToIndex(const std::vector<TField *> &fields, bool case_insensitive) const {
  if (expression_index_ || fields.empty() || static_cast<int>(fields.size()) > key_field_count_)
    return false;
  // A case-sensitive search cannot use an index that ignores case (it would
  // find "dog" for "Dog"), nor the other way round.
  if (case_insensitive != case_insensitive_index_) {
    bool has_text = false;
    for (TField *f : fields)
      if (f->DataType() == ftString) has_text = true;
    if (has_text) return false;
  }
  for (size_t i = 0; i < fields.size(); ++i)
    if (fields[i]->FieldNo() != key_field_nos_[i]) return false;
  return true;
}

void TDataSet::WriteKeyValues(const std::vector<TField *> &fields, const TVariant &values) {
  if (fields.size() == 1 && !values.IsArray()) {
    fields[0]->SetAsVariant(values);
    return;
  }
  for (size_t i = 0; i < fields.size(); ++i)
    fields[i]->SetAsVariant(i < static_cast<size_t>(values.ArrayCount())
                                ? values[static_cast<int>(i)]
                                : TVariant::Null());
}

bool TDataSet::LocateRecord(const std::string &key_fields, const TVariant &key_values,
                            TLocateOptions options, bool sync_cursor) {
  CheckBrowseMode();
  CursorPosChanged();
  uint8_t *work = buffers_[static_cast<size_t>(record_count_)];
  std::vector<TField *> fields;
  GetFieldList(fields, key_fields);
  bool case_insensitive = (options & loCaseInsensitive) != 0;
  bool partial = (options & loPartialKey) != 0;

  hEngCursor cursor = 0;
  if (!cached_updates_) {
    if (MapsToIndex(fields, case_insensitive))
      cursor = handle_;
    else
      cursor = GetLookupCursor(key_fields, case_insensitive);
  }

  bool found = false;
  if (cursor) {
    TDataSetState saved = SetTempState(dsFilter);
    filter_buffer_ = work;
    filter_buffer_full_ = true;
    try {
      Check(EngineInitRecord(handle_, work));
      WriteKeyValues(fields, key_values);
      uint16_t part_len = 0;
      if (partial && fields.back()->DataType() == ftString)
        part_len = static_cast<uint16_t>(fields.back()->AsString().size());
      DBResult rc = EngineGetRecordForKey(cursor, 0, static_cast<uint16_t>(fields.size()), part_len,
                                          work, work);
      found = rc == DBENG_OK;
      if (found && sync_cursor && cursor != handle_) Check(EngineSetToCursor(handle_, cursor));
    } catch (...) {
      filter_buffer_full_ = false;
      RestoreState(saved);
      throw;
    }
    filter_buffer_full_ = false;
    RestoreState(saved);
  } else {
    // No index fits: a temporary filter of "=" comparisons joined by AND.
    std::vector<TVariant> values;
    if (fields.size() == 1 && !key_values.IsArray())
      values.push_back(key_values);
    else
      values = key_values.Items();
    values.resize(fields.size(), TVariant::Null());
    TFilterOptions fo = foNoPartialCompare;
    if (case_insensitive) fo |= foCaseInsensitive;
    DataSetFieldSource source(this);
    TFilterExpr expr(source, fo);
    TExprNode *root = nullptr;
    for (size_t i = 0; i < fields.size(); ++i) {
      TExprNode *field =
          expr.NewNode(enField, 0, TVariant(fields[i]->FieldName()), nullptr, nullptr);
      TExprNode *value = expr.NewNode(enConst, 0, values[i], nullptr, nullptr);
      if (partial && i + 1 == fields.size()) value->FPartial = true;
      TExprNode *compare =
          expr.NewNode(enOperator, filter_tree::opEQ, TVariant::Null(), field, value);
      root = root ? expr.NewNode(enOperator, filter_tree::opAND, TVariant::Null(), root, compare)
                  : compare;
    }
    std::vector<uint8_t> tree = expr.GetFilterData(root);
    Check(EngineSetToBegin(handle_));
    hEngFilter filter = 0;
    Check(EngineAddFilter(handle_, 0, 2, 0, tree.data(), nullptr, &filter));
    DBResult rc = EngineActivateFilter(handle_, filter);
    if (rc == DBENG_OK) rc = EngineGetNextRecord(handle_, ENG_NOLOCK, work, nullptr);
    EngineDropFilter(handle_, filter);
    found = rc == DBENG_OK;
    if (rc != DBENG_OK && rc != DBENG_ERR_EOF) RaiseEngineError(rc);
  }
  return found;
}

bool TDataSet::Locate(const std::string &key_fields, const TVariant &key_values,
                      TLocateOptions options) {
  bool found = LocateRecord(key_fields, key_values, options, true);
  if (found) Resync(rmExact | rmCenter);
  return found;
}

TVariant TDataSet::Lookup(const std::string &key_fields, const TVariant &key_values,
                          const std::string &result_fields) {
  TVariant result = TVariant::Null();
  if (!LocateRecord(key_fields, key_values, 0, false)) return result;
  uint8_t *work = buffers_[static_cast<size_t>(record_count_)];
  TDataSetState saved = SetTempState(dsCalcFields);
  uint8_t *saved_buffer = calc_buffer_;
  calc_buffer_ = work;
  try {
    CalculateFields(work);
    result = FieldValues(result_fields);
  } catch (...) {
    calc_buffer_ = saved_buffer;
    RestoreState(saved);
    throw;
  }
  calc_buffer_ = saved_buffer;
  RestoreState(saved);
  return result;
}

// ---------------------------------------------------------------------------
// TDBDataSet

TDBDataSet::TDBDataSet(TComponent *owner) : TDataSet(owner) {}

void TDBDataSet::SetDatabaseName(const std::string &name) {
  if (name == database_name_) return;
  CheckInactive();
  if (Connected()) DatabaseError(msg::kDatabaseOpen);
  database_name_ = name;
  DataEvent(dePropertyChange, 0);
}

void TDBDataSet::SetSessionName(const std::string &name) {
  if (name == session_name_) return;
  CheckInactive();
  session_name_ = name;
  DataEvent(dePropertyChange, 0);
}

void TDBDataSet::SetUpdateMode(TUpdateMode mode) {
  update_mode_ = mode;
  if (Active() && CanModify() && IsSQLBased())
    Check(EngineSetProperty(Handle(), ENG_PROP_CUR_UPDATEMODE, static_cast<uint64_t>(mode)));
}

void TDBDataSet::SetDBFlag(int flag, bool value) {
  uint16_t bit = static_cast<uint16_t>(1u << flag);
  if (value)
    db_flags_ |= bit;
  else
    db_flags_ &= static_cast<uint16_t>(~bit);
}

void TDBDataSet::OpenCursor(bool info_query) {
  SetDBFlag(dbfOpened, true);
  TDataSet::OpenCursor(info_query);
  if (!info_query && Handle() && CanModify() && IsSQLBased())
    Check(
        EngineSetProperty(Handle(), ENG_PROP_CUR_UPDATEMODE, static_cast<uint64_t>(update_mode_)));
}

void TDBDataSet::CloseCursor() {
  TDataSet::CloseCursor();
  if (db_flags_ & (1u << dbfOpened)) SetDBFlag(dbfOpened, false);
}
