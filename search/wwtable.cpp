#include "search/wwtable.h"

#include <algorithm>

#include "base/strings.h"
#include "data/field.h"

TwwTable::TwwTable(TComponent *owner) : TTable(owner) {}

TwwTable::~TwwTable() {
  // The engine may still fetch records while the cursor closes: from now
  // on every candidate is accepted without calling into a half-destroyed
  // table.
  destroying_ = true;
}

int16_t TwwTable::FilterThunk(uint64_t client, const void *record, uint32_t) {
  auto *table = reinterpret_cast<TwwTable *>(static_cast<uintptr_t>(client));
  return table->AcceptCandidate(record) ? 1 : 0;
}

bool TwwTable::AcceptCandidate(const void *record) {
  if (destroying_ || !on_filter_ || in_filter_ || !(on_filter_options_ & ofoEnabled)) return true;
  in_filter_ = true;
  bool accept = TestCandidate(record, [this](bool &ok) { on_filter_(this, ok); });
  in_filter_ = false;
  return accept;
}

void TwwTable::RemoveRecordFilter() {
  if (filter_handle_ && Handle()) {
    EngineDeactivateFilter(Handle(), filter_handle_);
    EngineDropFilter(Handle(), filter_handle_);
  }
  filter_handle_ = 0;
}

void TwwTable::InstallRecordFilter() {
  if (!on_filter_ || !Handle()) return;
  hEngFilter filter = 0;
  // A filter the engine refuses is simply not installed; the event stays
  // and is tried again at the next opening.
  if (EngineAddFilter(Handle(), reinterpret_cast<uintptr_t>(this), 1, 0, nullptr, &FilterThunk,
                      &filter) != DBENG_OK)
    return;
  if (EngineActivateFilter(Handle(), filter) != DBENG_OK) {
    EngineDropFilter(Handle(), filter);
    return;
  }
  filter_handle_ = filter;
}

void TwwTable::SetOnFilter(TwwTableFilterEvent handler) {
  if (Active()) CheckBrowseMode();
  RemoveRecordFilter();
  on_filter_ = std::move(handler);
  InstallRecordFilter();
  if (Active()) First();
}

void TwwTable::SetOnFilterOptions(TwwOnFilterOptions options) {
  const bool was_enabled = (on_filter_options_ & ofoEnabled) != 0;
  on_filter_options_ = options;
  if (was_enabled && !(options & ofoEnabled) && Active() && on_filter_) First();
}

TVariant TwwTable::GetFilterFieldValue(const std::string &field_name) {
  TField *field = FieldByName(field_name);
  if (field->IsNull()) return TVariant();
  return field->AsVariant();
}

bool TwwTable::IsNativeTable() const {
  if (TableType() == ttNative) return true;
  if (TableType() != ttDefault) return false;
  std::string name = TableName();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name.find(".db") != std::string::npos && !name.empty() && name.back() == 'b';
}

void TwwTable::DoOnOpenCursor() {
  TTable::DoOnOpenCursor();
  // The cursor is new: the record filter goes on it before the first rows
  // are read.
  filter_handle_ = 0;
  InstallRecordFilter();
}

void TwwTable::DestroyHandle() {
  // The engine drops a cursor's filters with the cursor.
  filter_handle_ = 0;
  TTable::DestroyHandle();
}
