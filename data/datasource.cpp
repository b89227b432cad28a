#include "data/datasource.h"

#include <algorithm>

#include "data/dataset.h"
#include "data/db_error.h"
#include "data/field.h"

// ---------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TComponent *owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  Destroying();
  OnStateChange = nullptr;
  SetDataSet(nullptr);
  while (!links_.empty())
    links_.back()->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet *dataset) {
  if (dataset == dataset_) return;
  // A dataset whose master chain leads back here would feed its own events.
  // (A chain that loops without passing here ends where it repeats.)
  std::vector<const TDataSet *> seen;
  for (TDataSet *ds = dataset; ds;) {
    if (std::find(seen.begin(), seen.end(), ds) != seen.end()) break;
    seen.push_back(ds);
    TDataSource *master = ds->GetDataSource();
    if (!master) break;
    if (master == this) DatabaseError(msg::kCircularDataLink);
    ds = master->DataSet();
  }
  if (dataset_) {
    dataset_->RemoveFreeNotification(this);
    dataset_->RemoveDataSource(this);
  }
  if (dataset) {
    dataset->AddDataSource(this);
    dataset->FreeNotification(this);
  }
  UpdateState();
}

void TDataSource::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (auto_edit_ && state_ == dsBrowse) dataset_->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet *dataset) const {
  std::vector<const TDataSource *> seen;
  for (const TDataSource *src = this; src;) {
    if (std::find(seen.begin(), seen.end(), src) != seen.end()) return false;
    seen.push_back(src);
    const TDataSet *ds = src->dataset_;
    if (!ds) return false;
    if (ds == dataset) return true;
    src = ds->GetDataSource();
  }
  return false;
}

void TDataSource::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == dataset_) SetDataSet(nullptr);
}

void TDataSource::AddDataLink(TDataLink *link) {
  links_.push_back(link);
  if (dataset_) dataset_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink *link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (dataset_) dataset_->UpdateBufferCount();
}

void TDataSource::UpdateState() {
  TDataSetState state = enabled_ && dataset_ ? dataset_->State() : dsInactive;
  if (state == state_) return;
  TDataSetState previous = state_;
  state_ = state;
  NotifyDataLinks(deUpdateState, 0);
  if (IsDestroying()) return;
  if (OnStateChange) OnStateChange(this);
  if (previous == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
  case deFieldChange:
    if (OnDataChange) OnDataChange(this, reinterpret_cast<TField *>(info));
    break;
  case deRecordChange:
  case deDataSetChange:
  case deDataSetScroll:
  case deLayoutChange:
    if (OnDataChange) OnDataChange(this, nullptr);
    break;
  case deUpdateRecord:
    if (OnUpdateData) OnUpdateData(this);
    break;
  default:
    break;
  }
}

void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info) {
  // Single-record links first, so that edit controls are current before a
  // grid repaints. A link may detach itself while being told; work on a copy
  // and skip links that have left meanwhile.
  std::vector<TDataLink *> links = links_;
  auto still_here = [this](TDataLink *l) {
    return std::find(links_.begin(), links_.end(), l) != links_.end();
  };
  for (TDataLink *link : links)
    if (link->BufferCount() == 1 && still_here(link)) link->DataEvent(event, info);
  for (TDataLink *link : links)
    if (link->BufferCount() > 1 && still_here(link)) link->DataEvent(event, info);
}

// ---------------------------------------------------------------------------
// TDataLink

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (data_source_) data_source_->RemoveDataLink(this);
  data_source_ = nullptr;
}

TDataSet *TDataLink::DataSet() const {
  return data_source_ ? data_source_->DataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource *source) {
  if (source == data_source_) return;
  if (updating_) DatabaseError(msg::kDataSourceChange);
  if (data_source_) data_source_->RemoveDataLink(this);
  data_source_ = source;
  if (data_source_) data_source_->AddDataLink(this);
  UpdateState();
}

void TDataLink::SetBufferCount(int value) {
  if (value < 1) value = 1;
  if (value == buffer_count_) return;
  buffer_count_ = value;
  if (active_) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

void TDataLink::SetReadOnly(bool value) {
  if (read_only_ == value) return;
  read_only_ = value;
  UpdateState();
}

int TDataLink::ActiveRecord() const {
  if (!active_) return 0;
  if (data_source_->State() == dsSetKey) return 0;
  return DataSet()->ActiveRecord() - first_record_;
}

void TDataLink::SetActiveRecord(int value) {
  if (!active_ || data_source_->State() == dsSetKey) return;
  DataSet()->SetActiveRecordIndex(value + first_record_);
}

int TDataLink::RecordCount() const {
  if (!active_) return 0;
  if (data_source_->State() == dsSetKey) return 1;
  return std::min(DataSet()->RecordCount(), buffer_count_);
}

bool TDataLink::Edit() {
  if (!read_only_ && data_source_) data_source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  if (TDataSet *ds = DataSet(); ds && active_) ds->UpdateRecord();
}

void TDataLink::UpdateState() {
  SetActive(data_source_ && data_source_->State() != dsInactive);
  TDataSetState s = data_source_ ? data_source_->State() : dsInactive;
  SetEditing((s == dsEdit || s == dsInsert || s == dsSetKey) && !read_only_);
}

void TDataLink::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  if (value)
    UpdateRange();
  else
    first_record_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (editing_ == value) return;
  editing_ = value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet *ds = DataSet();
  int active = ds->ActiveRecord();
  int lo = std::max(active - buffer_count_ + 1, 0);
  int hi = std::max(ds->BufferCount() - buffer_count_, 0);
  hi = std::min(hi, active);
  if (first_record_ < lo) first_record_ = lo;
  if (first_record_ > hi) first_record_ = hi;
  if (first_record_ < 0) first_record_ = 0;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
  case deFieldChange:
  case deRecordChange:
    if (!updating_) RecordChanged(reinterpret_cast<TField *>(info));
    break;
  case deDataSetChange:
  case deDataSetScroll:
  case deLayoutChange: {
    int count = 0;
    if (data_source_->State() != dsSetKey) {
      int active = DataSet()->ActiveRecord();
      int first = first_record_ + static_cast<int>(info);
      int last = first + buffer_count_ - 1;
      if (active > last)
        count = active - last;
      else if (active < first)
        count = active - first;
      first_record_ = first + count;
    }
    if (event == deDataSetChange)
      DataSetChanged();
    else if (event == deDataSetScroll)
      DataSetScrolled(count);
    else
      LayoutChanged();
    break;
  }
  case deUpdateRecord:
    updating_ = true;
    try {
      UpdateData();
    } catch (...) {
      updating_ = false;
      throw;
    }
    updating_ = false;
    break;
  case deCheckBrowseMode:
    CheckBrowseMode();
    break;
  case deFocusControl:
    FocusControl(reinterpret_cast<TField **>(info));
    break;
  default:
    break;
  }
}

// ---------------------------------------------------------------------------
// TFieldDataLink

void TFieldDataLink::SetFieldName(const std::string &name) {
  if (name == field_name_) return;
  field_name_ = name;
  UpdateField();
}

bool TFieldDataLink::CanModify() const {
  return !ReadOnly() && field_ && field_->CanModify();
}

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return field_editing_;
}

void TFieldDataLink::UpdateField() {
  TField *field = nullptr;
  if (Active() && !field_name_.empty()) field = DataSet()->FieldByName(field_name_);
  SetField(field);
}

void TFieldDataLink::SetField(TField *field) {
  if (field == field_) return;
  field_ = field;
  EditingChanged();
  RecordChanged(nullptr);
}

void TFieldDataLink::UpdateEditing() {
  bool value = TDataLink::Editing() && field_ && field_->CanModify();
  if (value == field_editing_) return;
  field_editing_ = value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
  UpdateEditing();
}

void TFieldDataLink::FocusControl(TField **field) {
  if (!field || !*field || *field != field_) return;
  if (OnFocus && OnFocus(this)) *field = nullptr;
}

void TFieldDataLink::LayoutChanged() {
  UpdateField();
}

void TFieldDataLink::RecordChanged(TField *field) {
  if (field && field != field_) return;
  if (OnDataChange) OnDataChange(this);
  modified_ = false;
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}
