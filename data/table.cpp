#include "data/table.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "base/text.h"
#include "data/db_engine_error.h"
#include "data/engine_text.h"
#include "data/field.h"
#include "data/field_defs.h"
#include "data/session.h"

namespace {

std::string UpperExtension(const std::string &name) {
  size_t slash = name.find_last_of("/\\");
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return AnsiUpperCase(name.substr(dot));
}

std::string BaseName(const std::string &name) {
  size_t slash = name.find_last_of("/\\:");
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  size_t dot = file.find_last_of('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

std::string WithoutDirectory(const std::string &name) {
  size_t slash = name.find_last_of("/\\:");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

int32_t KeyFieldsSet(const uint8_t *key_buffer) {
  int32_t n = 0;
  std::memcpy(&n, key_buffer + 4, sizeof n);
  return n;
}

// Holds a use flag of the table's connection for a scope.
class TFlagScope {
public:
  TFlagScope(TTable *table, int flag) : table_(table), flag_(flag) {
    set_ = (table->DBFlags() & (1u << flag)) == 0;
    if (set_) table_->SetDBFlag(flag_, true);
  }
  ~TFlagScope() {
    if (!set_) return;
    try {
      table_->SetDBFlag(flag_, false);
    } catch (...) {
    }
  }
  TFlagScope(const TFlagScope &) = delete;
  TFlagScope &operator=(const TFlagScope &) = delete;

private:
  TTable *table_;
  int flag_;
  bool set_;
};

} // namespace

// ---------------------------------------------------------------------------
// TIndexDefs

void TIndexDefs::Add(const std::string &name, const std::string &fields, TIndexOptions options,
                     const std::string &index_file) {
  if (IndexOf(name) >= 0) DatabaseErrorFmt(msg::kDuplicateIndexName, {name});
  items_.push_back(std::make_unique<TIndexDef>(name, fields, options, index_file));
}

int TIndexDefs::IndexOf(const std::string &name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (AnsiSameText(items_[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

void TIndexDefs::Update() {
  table_->UpdateIndexDefs();
}

const TIndexDef *TIndexDefs::GetIndexForFields(const std::string &fields,
                                               bool case_insensitive) const {
  auto usable = [&](const TIndexDef &d) {
    if (d.Options() & (ixDescending | ixExpression)) return false;
    return !case_insensitive || (d.Options() & ixCaseInsensitive) != 0;
  };
  for (const auto &d : items_)
    if (usable(*d) && AnsiSameText(d->Fields(), fields)) return d.get();
  for (const auto &d : items_) {
    if (!usable(*d) || d->Fields().size() < fields.size()) continue;
    if (!AnsiSameText(d->Fields().substr(0, fields.size()), fields)) continue;
    if (d->Fields().size() == fields.size() || d->Fields()[fields.size()] == ';') return d.get();
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// TTableDataLink

void TTableDataLink::SetFieldNames(const std::string &names) {
  if (field_names_ == names) return;
  field_names_ = names;
  RebuildFields();
}

void TTableDataLink::RebuildFields() {
  fields_.clear();
  if (Active() && DataSet() != nullptr && !field_names_.empty()) {
    try {
      DataSet()->GetFieldList(fields_, field_names_);
    } catch (...) {
      fields_.clear();
      throw;
    }
  }
  if (table_->IsDestroying()) return;
  if (Active() && !fields_.empty())
    table_->MasterChanged();
  else
    table_->MasterDisabled();
}

void TTableDataLink::ActiveChanged() {
  RebuildFields();
}

void TTableDataLink::LayoutChanged() {
  RebuildFields();
}

void TTableDataLink::CheckBrowseMode() {
  if (table_->Active()) table_->CheckBrowseMode();
}

void TTableDataLink::RecordChanged(TField *field) {
  if (!Active() || fields_.empty() || DataSet() == nullptr) return;
  if (DataSet()->State() == dsSetKey) return;
  if (field != nullptr && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  table_->MasterChanged();
}

// ---------------------------------------------------------------------------
// TTable: properties

TTable::TTable(TComponent *owner)
    : TDBDataSet(owner), connection_(this, [this] { CloseForDatabase(); }), index_defs_(this),
      master_link_(this) {}

TTable::~TTable() {
  Destroying();
  try {
    Close();
  } catch (...) {
  }
  master_link_.SetDataSource(nullptr);
}

void TTable::SetExclusive(bool value) {
  CheckInactive();
  exclusive_ = value;
}

void TTable::SetReadOnly(bool value) {
  CheckInactive();
  read_only_ = value;
}

void TTable::SetTableType(TTableType value) {
  CheckInactive();
  table_type_ = value;
}

void TTable::SetTableName(const std::string &value) {
  CheckInactive();
  if (value != table_name_ && !IsLoading()) index_files_.Clear();
  table_name_ = value;
  DataEvent(dePropertyChange, 0);
}

void TTable::SetMasterSource(TDataSource *source) {
  if (source != nullptr && IsLinkedTo(source)) DatabaseError(msg::kCircularDataLink);
  master_link_.SetDataSource(source);
}

TSession *TTable::DBSession() const {
  if (connection_.Session() != nullptr) return connection_.Session();
  TSession *s = Sessions != nullptr ? Sessions->FindSession(SessionName()) : nullptr;
  return s;
}

hEngDb TTable::DBHandle() const {
  return connection_.Database() != nullptr ? connection_.Database()->Handle() : 0;
}

bool TTable::IsSQLBased() const {
  return connection_.Database() != nullptr && connection_.Database()->IsSQLBased();
}

void TTable::SetDBFlag(int flag, bool value) {
  connection_.SetFlag(static_cast<unsigned>(flag), value, SessionName(), DatabaseName());
  TDBDataSet::SetDBFlag(flag, value);
}

void TTable::DataEvent(TDataEvent event, intptr_t info) {
  if (event == dePropertyChange) index_defs_.SetUpdated(false);
  TDBDataSet::DataEvent(event, info);
}

bool TTable::IsXBase() const {
  return table_type_ == ttXBase || UpperExtension(table_name_) == ".DBF";
}

std::string TTable::DriverTypeName() const {
  if (IsSQLBased()) return {};
  switch (table_type_) {
  case ttNative:
    return "NATIVE";
  case ttXBase:
    return "XBASE";
  case ttASCII:
    return "ASCIIDRV";
  case ttDefault:
    break;
  }
  std::string ext = UpperExtension(table_name_);
  if (ext == ".DBF") return "XBASE";
  if (ext == ".TXT") return "ASCIIDRV";
  return "NATIVE";
}

// ---------------------------------------------------------------------------
// Opening and closing

hEngCursor TTable::OpenTableCursor(const std::string &index_name, const std::string &index_tag) {
  if (table_name_.empty()) DatabaseError(msg::kNoTableName);
  TSession *session = DBSession();
  const std::string driver = DriverTypeName();
  uint16_t open_mode = read_only_ ? ENG_OPEN_READONLY : ENG_OPEN_READWRITE;
  const uint16_t share_mode = exclusive_ ? ENG_SHARE_EXCLUSIVE : ENG_SHARE_SHARED;
  for (;;) {
    std::string name = AnsiToNative(TextLocale(), table_name_, kPathWidth);
    hEngCursor cursor = 0;
    DBResult r = EngineOpenTable(
        DBHandle(), name.c_str(), driver.empty() ? nullptr : driver.c_str(), index_name.c_str(),
        index_tag.c_str(), 0, open_mode, share_mode, ENG_XLT_FIELD, 0, nullptr, &cursor);
    if (r == DBENG_OK) return cursor;
    if (r == DBENG_ERR_READONLY && open_mode != ENG_OPEN_READONLY) {
      open_mode = ENG_OPEN_READONLY;
      continue;
    }
    if (r == DBENG_ERR_NEEDPASSWORD && session != nullptr && session->GetPassword()) continue;
    DbiError(r);
  }
}

hEngCursor TTable::CreateHandle() {
  if (table_name_.empty()) DatabaseError(msg::kNoTableName);
  std::string name, tag;
  GetIndexParams(index_text_, field_names_index_, name, tag);
  pending_switch_ = false;
  if (IsXBase() && !name.empty()) {
    const bool ndx = UpperExtension(name) == ".NDX";
    if (ndx || !AnsiSameText(BaseName(name), BaseName(table_name_))) {
      pending_index_name_ = name;
      pending_index_tag_ = tag;
      pending_switch_ = true;
      name.clear();
      tag.clear();
    }
  }
  hEngCursor cursor = OpenTableCursor(name, tag);
  if (IsXBase()) {
    try {
      for (int i = 0; i < index_files_.Count(); ++i) {
        std::string file = AnsiToNative(TextLocale(), index_files_[i], kPathWidth);
        CheckOpenIndex(EngineOpenIndex(cursor, file.c_str(), 0));
      }
    } catch (...) {
      EngineCloseCursor(cursor);
      throw;
    }
  }
  return cursor;
}

void TTable::DoOnOpenCursor() {
  if (pending_switch_) {
    pending_switch_ = false;
    SwitchToIndex(pending_index_name_, pending_index_tag_);
  }
}

void TTable::DoAfterOpen() {
  // The master's values go into the range key buffers through the fields,
  // which needs the browse state: the detail is restricted as soon as it
  // is open, before anyone is told that it opened.
  if (master_link_.Active() && !master_link_.Fields().empty()) {
    SetLinkRanges(master_link_.Fields());
    ApplyRange();
  }
  TDBDataSet::DoAfterOpen();
}

void TTable::DestroyLookupCursor() {
  if (lookup_cursor_ != 0) {
    EngineCloseCursor(lookup_cursor_);
    lookup_cursor_ = 0;
    lookup_key_fields_.clear();
  }
}

void TTable::DestroyHandle() {
  DestroyLookupCursor();
  TDBDataSet::DestroyHandle();
}

// ---------------------------------------------------------------------------
// Field and index definitions

void TTable::InitFieldDefs() {
  if (Handle() != 0) {
    TDBDataSet::InitFieldDefs();
    return;
  }
  if (table_name_.empty()) DatabaseError(msg::kNoTableName);
  TFlagScope connected(this, dbfFieldList);
  TSession *session = DBSession();
  const std::string driver = DriverTypeName();
  const char *driver_arg = driver.empty() ? nullptr : driver.c_str();
  std::string name = AnsiToNative(TextLocale(), table_name_, kPathWidth);
  hEngCursor list = 0;
  for (;;) {
    DBResult r = EngineOpenFieldList(DBHandle(), name.c_str(), driver_arg, 0, &list);
    if (r == DBENG_OK) break;
    if (r == DBENG_ERR_NEEDPASSWORD && session != nullptr && session->GetPassword()) continue;
    DbiError(r);
  }
  bool required[257] = {};
  hEngCursor checks = 0;
  if (EngineOpenValidityList(DBHandle(), name.c_str(), driver_arg, &checks) == DBENG_OK) {
    EngVChkDesc check;
    std::memset(&check, 0, sizeof check);
    while (EngineGetNextRecord(checks, ENG_NOLOCK, &check, nullptr) == DBENG_OK) {
      if (check.required != 0 && check.fieldNum >= 1 && check.fieldNum <= 256)
        required[check.fieldNum] = true;
    }
    EngineCloseCursor(checks);
  }
  TFieldDefs *defs = FieldDefs();
  defs->Clear();
  EngFldDesc desc;
  std::memset(&desc, 0, sizeof desc);
  int number = 0;
  try {
    while (EngineGetNextRecord(list, ENG_NOLOCK, &desc, nullptr) == DBENG_OK) {
      ++number;
      TFieldType type = ftUnknown;
      int size = 0;
      if (FieldTypeFromEngine(desc.type, desc.subType, desc.units1, desc.units2, desc.length, type,
                              size)) {
        std::string field_name =
            NativeToAnsi(TextLocale(), FromBuffer(desc.name, sizeof desc.name));
        bool req = desc.fieldNum >= 1 && desc.fieldNum <= 256 && required[desc.fieldNum];
        defs->AddFieldDef(defs->UniqueName(field_name), type, size, req, number);
      }
      std::memset(&desc, 0, sizeof desc);
    }
  } catch (...) {
    EngineCloseCursor(list);
    throw;
  }
  EngineCloseCursor(list);
}

void TTable::UpdateIndexDefs() {
  if (index_defs_.Updated()) return;
  ReadIndexDefs();
  index_defs_.SetUpdated(true);
}

void TTable::ReadIndexDefs() {
  TFlagScope connected(this, dbfIndexList);
  hEngCursor cursor = Handle();
  const bool own = cursor == 0;
  if (own) cursor = OpenTableCursor("", "");
  try {
    EngCurProps props;
    std::memset(&props, 0, sizeof props);
    Check(EngineGetCursorProperties(cursor, &props));
    std::vector<EngFldDesc> fields(props.fieldCount);
    if (!fields.empty()) Check(EngineGetFieldDescriptors(cursor, fields.data()));
    std::vector<EngIdxDesc> descs(props.indexCount);
    if (!descs.empty()) Check(EngineGetIndexDescriptors(cursor, descs.data()));
    const hEngLd locale = TextLocale();
    index_defs_.Clear();
    for (const EngIdxDesc &d : descs) {
      std::string tag = NativeToAnsi(locale, FromBuffer(d.tagName, sizeof d.tagName));
      std::string index = NativeToAnsi(locale, FromBuffer(d.name, sizeof d.name));
      std::string name, file;
      if (!tag.empty()) {
        name = WithoutDirectory(tag);
        file = WithoutDirectory(index);
      } else {
        name = WithoutDirectory(index);
      }
      TIndexOptions options = 0;
      if (d.primary) options |= ixPrimary;
      if (d.unique) options |= ixUnique;
      if (d.descending) options |= ixDescending;
      if (d.caseInsensitive) options |= ixCaseInsensitive;
      if (d.expression) options |= ixExpression;
      std::string key_fields;
      if (d.expression) {
        key_fields = NativeToAnsi(locale, FromBuffer(d.keyExpression, sizeof d.keyExpression));
      } else {
        for (int k = 0; k < d.fieldCount && k < ENG_MAXKEYFIELDS; ++k) {
          const uint16_t no = d.keyFields[k];
          if (no < 1 || no > fields.size()) continue;
          if (!key_fields.empty()) key_fields += ';';
          key_fields +=
              NativeToAnsi(locale, FromBuffer(fields[no - 1].name, sizeof fields[no - 1].name));
        }
      }
      index_defs_.Add(name, key_fields, options, file);
    }
  } catch (...) {
    if (own) EngineCloseCursor(cursor);
    throw;
  }
  if (own) EngineCloseCursor(cursor);
}

void TTable::GetIndexParams(const std::string &text, bool field_names, std::string &name,
                            std::string &tag) {
  name.clear();
  tag.clear();
  if (text.empty()) return;
  UpdateIndexDefs();
  const hEngLd locale = TextLocale();
  if (field_names) {
    if (IsSQLBased()) {
      std::string list = text;
      std::replace(list.begin(), list.end(), ';', '@');
      name = AnsiToNative(locale, "@" + list, kIndexNameWidth);
      return;
    }
    const TIndexDef *def = index_defs_.GetIndexForFields(text, false);
    if (def == nullptr) DatabaseErrorFmt(msg::kNoFieldIndexes, {table_name_, text});
    name = AnsiToNative(locale, def->Name(), kIndexNameWidth);
    return;
  }
  if (IsXBase() && UpperExtension(text) != ".NDX") {
    tag = AnsiToNative(locale, text, 30);
    int i = index_defs_.IndexOf(text);
    if (i < 0) DatabaseErrorFmt(msg::kIndexNotFound, {text});
    name = AnsiToNative(locale, index_defs_.Items(i).IndexFile(), kIndexNameWidth);
    return;
  }
  if (IsXBase()) return; // an .NDX file: switched to after opening
  name = AnsiToNative(locale, text, kIndexNameWidth);
}

void TTable::SwitchToIndex(const std::string &name, const std::string &tag) {
  DBResult r = EngineSwitchToIndex(Handle(), name.c_str(), tag.c_str(), 0, 1);
  if (r == DBENG_ERR_NOCURRREC) r = EngineSwitchToIndex(Handle(), name.c_str(), tag.c_str(), 0, 0);
  Check(r);
  GetIndexInfo();
}

void TTable::SetIndex(const std::string &value, bool field_names) {
  if (!Active()) {
    index_text_ = value;
    field_names_index_ = field_names;
    return;
  }
  CheckBrowseMode();
  if (index_text_ != value || field_names_index_ != field_names) {
    std::string name, tag;
    GetIndexParams(value, field_names, name, tag);
    UpdateCursorPos();
    SwitchToIndex(name, tag);
    CursorPosChanged();
    CheckMasterRange();
  }
  index_text_ = value;
  field_names_index_ = field_names;
  Resync(0);
}

void TTable::AddIndexFile(const std::string &name) {
  index_files_.Add(name);
  if (Active() && IsXBase()) {
    std::string file = AnsiToNative(TextLocale(), name, kPathWidth);
    CheckOpenIndex(EngineOpenIndex(Handle(), file.c_str(), 0));
    index_defs_.SetUpdated(false);
  }
}

void TTable::RemoveIndexFile(const std::string &name) {
  int i = index_files_.IndexOf(name);
  if (i < 0) return;
  if (Active() && IsXBase()) {
    if (AnsiSameText(IndexName(), name)) SetIndexName("");
    std::string file = AnsiToNative(TextLocale(), name, kPathWidth);
    Check(EngineCloseIndex(Handle(), file.c_str(), 0));
    index_defs_.SetUpdated(false);
  }
  index_files_.Delete(i);
}

void TTable::ClearIndexFiles() {
  while (index_files_.Count() > 0)
    RemoveIndexFile(index_files_[index_files_.Count() - 1]);
}

// ---------------------------------------------------------------------------
// Key search

void TTable::SetKeyFields(TKeyIndex index, const std::vector<TVariant> &values) {
  if (IndexFieldCount() == 0) DatabaseError(msg::kNoIndexActive);
  if (ExpressionIndex()) DatabaseError(msg::kExprIndexKeys);
  uint8_t *buffer = SetKeyBuffer(index, true);
  try {
    const int count = std::min<int>(static_cast<int>(values.size()), IndexFieldCount());
    for (int i = 0; i < count; ++i)
      IndexFields(i)->SetAsVariant(values[static_cast<size_t>(i)]);
    int32_t n = count;
    std::memcpy(buffer + 4, &n, sizeof n);
  } catch (...) {
    PostKeyBuffer(false);
    throw;
  }
  PostKeyBuffer(true);
}

bool TTable::FindKey(const std::vector<TVariant> &values) {
  CheckBrowseMode();
  SetKeyFields(kiLookup, values);
  return GotoKey();
}

void TTable::FindNearest(const std::vector<TVariant> &values) {
  CheckBrowseMode();
  SetKeyFields(kiLookup, values);
  GotoNearest();
}

void TTable::SetKey() {
  SetKeyBuffer(kiLookup, true);
}

void TTable::EditKey() {
  SetKeyBuffer(kiLookup, false);
}

bool TTable::KeyExclusive() const {
  if (State() != dsSetKey || CurrentKeyBuffer() == nullptr) return false;
  return CurrentKeyBuffer()[1] != 0;
}

void TTable::SetKeyExclusive(bool value) {
  if (State() != dsSetKey || CurrentKeyBuffer() == nullptr) DatabaseError(msg::kNotEditing);
  CurrentKeyBuffer()[1] = value ? 1 : 0;
}

bool TTable::GotoKey() {
  CheckBrowseMode();
  CursorPosChanged();
  uint8_t *buffer = KeyBuffer(kiLookup);
  uint8_t *record = buffer + kKeyHeaderSize;
  std::vector<uint8_t> key(static_cast<size_t>(RecordSize()) + 1, 0);
  const bool direct = EngineExtractKey(Handle(), record, key.data()) == DBENG_OK;
  DBResult r =
      EngineGetRecordForKey(Handle(), direct ? 1 : 0, static_cast<uint16_t>(KeyFieldsSet(buffer)),
                            0, direct ? key.data() : record, nullptr);
  if (r != DBENG_OK) return false;
  Resync(rmExact | rmCenter);
  return true;
}

void TTable::GotoNearest() {
  CheckBrowseMode();
  CursorPosChanged();
  uint8_t *buffer = KeyBuffer(kiLookup);
  uint8_t *record = buffer + kKeyHeaderSize;
  const uint16_t condition = buffer[1] != 0 ? ENG_KEY_GT : ENG_KEY_GE;
  std::vector<uint8_t> key(static_cast<size_t>(RecordSize()) + 1, 0);
  const bool direct = EngineExtractKey(Handle(), record, key.data()) == DBENG_OK;
  Check(EngineSetToKey(Handle(), condition, direct ? 1 : 0,
                       static_cast<uint16_t>(KeyFieldsSet(buffer)), 0,
                       direct ? key.data() : record));
  Resync(rmCenter);
}

// ---------------------------------------------------------------------------
// Ranges

void TTable::SetRangeStart() {
  SetKeyBuffer(kiRangeStart, true);
}
void TTable::SetRangeEnd() {
  SetKeyBuffer(kiRangeEnd, true);
}
void TTable::EditRangeStart() {
  SetKeyBuffer(kiRangeStart, false);
}
void TTable::EditRangeEnd() {
  SetKeyBuffer(kiRangeEnd, false);
}

void TTable::SetRange(const std::vector<TVariant> &start_values,
                      const std::vector<TVariant> &end_values) {
  CheckBrowseMode();
  SetKeyFields(kiRangeStart, start_values);
  SetKeyFields(kiRangeEnd, end_values);
  ApplyRange();
}

void TTable::ApplyRangeNoMove() {
  const size_t size = static_cast<size_t>(KeySize());
  uint8_t *start = KeyBuffer(kiRangeStart);
  uint8_t *end = KeyBuffer(kiRangeEnd);
  if (std::memcmp(start, KeyBuffer(kiCurRangeStart), size) == 0 &&
      std::memcmp(end, KeyBuffer(kiCurRangeEnd), size) == 0)
    return;
  std::vector<uint8_t> start_key(static_cast<size_t>(RecordSize()) + 1, 0);
  std::vector<uint8_t> end_key(start_key.size(), 0);
  const bool start_set = start[0] != 0;
  const bool end_set = end[0] != 0;
  bool start_direct = false, end_direct = false;
  if (start_set)
    start_direct = EngineExtractKey(Handle(), start + kKeyHeaderSize, start_key.data()) == DBENG_OK;
  if (end_set)
    end_direct = EngineExtractKey(Handle(), end + kKeyHeaderSize, end_key.data()) == DBENG_OK;
  const bool direct = start_direct && end_direct;
  const void *low = !start_set ? nullptr
                    : direct   ? static_cast<const void *>(start_key.data())
                               : static_cast<const void *>(start + kKeyHeaderSize);
  const void *high = !end_set ? nullptr
                     : direct ? static_cast<const void *>(end_key.data())
                              : static_cast<const void *>(end + kKeyHeaderSize);
  ++range_calls_;
  Check(EngineSetRange(Handle(), direct ? 1 : 0, static_cast<uint16_t>(KeyFieldsSet(start)), 0, low,
                       start[1] == 0 ? 1 : 0, static_cast<uint16_t>(KeyFieldsSet(end)), 0, high,
                       end[1] == 0 ? 1 : 0));
  std::memcpy(KeyBuffer(kiCurRangeStart), start, size);
  std::memcpy(KeyBuffer(kiCurRangeEnd), end, size);
  DestroyLookupCursor();
}

void TTable::ApplyRange() {
  CheckBrowseMode();
  const int before = range_calls_;
  ApplyRangeNoMove();
  if (range_calls_ != before) First();
}

void TTable::CancelRange() {
  CheckBrowseMode();
  UpdateCursorPos();
  if (KeyBuffer(kiCurRangeStart)[0] == 0 && KeyBuffer(kiCurRangeEnd)[0] == 0) return;
  Check(EngineResetRange(Handle()));
  InitKeyBuffer(KeyBuffer(kiCurRangeStart));
  InitKeyBuffer(KeyBuffer(kiCurRangeEnd));
  DestroyLookupCursor();
  Resync(0);
}

void TTable::GotoCurrent(TTable *table) {
  CheckBrowseMode();
  table->CheckBrowseMode();
  if (!AnsiSameText(DatabaseName(), table->DatabaseName()) ||
      !AnsiSameText(TableName(), table->TableName()))
    DatabaseError(msg::kTableMismatch);
  table->UpdateCursorPos();
  Check(EngineSetToCursor(Handle(), table->Handle()));
  Resync(rmExact | rmCenter);
}

// ---------------------------------------------------------------------------
// Master link

void TTable::SetLinkRanges(const std::vector<TField *> &master_fields) {
  uint8_t *buffer = SetKeyBuffer(kiRangeStart, true);
  try {
    const int count = std::min<int>(static_cast<int>(master_fields.size()), IndexFieldCount());
    for (int i = 0; i < count; ++i)
      IndexFields(i)->SetAsVariant(master_fields[static_cast<size_t>(i)]->AsVariant());
    int32_t n = count;
    std::memcpy(buffer + 4, &n, sizeof n);
  } catch (...) {
    PostKeyBuffer(false);
    throw;
  }
  PostKeyBuffer(true);
  std::memcpy(KeyBuffer(kiRangeEnd), KeyBuffer(kiRangeStart), static_cast<size_t>(KeySize()));
}

void TTable::MasterChanged() {
  if (!Active()) return;
  CheckBrowseMode();
  SetLinkRanges(master_link_.Fields());
  ApplyRange();
}

void TTable::MasterDisabled() {
  if (Active()) CancelRange();
}

void TTable::CheckMasterRange() {
  if (master_link_.Active() && !master_link_.Fields().empty()) {
    SetLinkRanges(master_link_.Fields());
    ApplyRangeNoMove();
  }
}

void TTable::DoOnNewRecord() {
  if (master_link_.Active() && !master_link_.Fields().empty()) {
    const auto &fields = master_link_.Fields();
    const int count = std::min<int>(static_cast<int>(fields.size()), IndexFieldCount());
    for (int i = 0; i < count; ++i)
      IndexFields(i)->SetAsVariant(fields[static_cast<size_t>(i)]->AsVariant());
  }
  TDBDataSet::DoOnNewRecord();
}

// ---------------------------------------------------------------------------
// Lookup cursor

hEngCursor TTable::GetLookupCursor(const std::string &key_fields, bool case_insensitive) {
  if (lookup_cursor_ != 0 && AnsiSameText(lookup_key_fields_, key_fields) &&
      lookup_case_insensitive_ == case_insensitive)
    return lookup_cursor_;
  DestroyLookupCursor();
  std::string index_name;
  bool found = false;
  if (!IsSQLBased()) {
    UpdateIndexDefs();
    if (const TIndexDef *def = index_defs_.GetIndexForFields(key_fields, case_insensitive)) {
      index_name = AnsiToNative(TextLocale(), def->Name(), kIndexNameWidth);
      found = true;
    }
  } else if (!case_insensitive) {
    std::string list = key_fields;
    std::replace(list.begin(), list.end(), ';', '@');
    index_name = AnsiToNative(TextLocale(), "@" + list, kIndexNameWidth);
    found = true;
  }
  if (!found) return 0;
  hEngCursor clone = 0;
  Check(EngineCloneCursor(Handle(), 1, 0, &clone));
  DBResult r = EngineSwitchToIndex(clone, index_name.c_str(), "", 0, 0);
  if (r != DBENG_OK) {
    EngineCloseCursor(clone);
    DbiError(r);
  }
  lookup_cursor_ = clone;
  lookup_key_fields_ = key_fields;
  lookup_case_insensitive_ = case_insensitive;
  return lookup_cursor_;
}
