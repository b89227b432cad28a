// Data sources and data links: the road of every data event from a dataset
// to the controls that show it. A data source connects one dataset to any
// number of links; it passes each event first to single-record links, then
// to multi-record links (grids), in attach order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/component.h"
#include "data/db_types.h"

class TDataSet;
class TDataLink;
class TField;

using TNotifyEvent = std::function<void(TObject *sender)>;
using TDataChangeEvent = std::function<void(TObject *sender, TField *field)>;

class TDataSource : public TComponent {
public:
  explicit TDataSource(TComponent *owner = nullptr);
  ~TDataSource() override;

  TDataSet *DataSet() const { return dataset_; }
  // Raises "Circular datalinks are not allowed" when the dataset's chain of
  // master data sources leads back here.
  void SetDataSet(TDataSet *dataset);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool value) { auto_edit_ = value; }
  // The dataset's state; dsInactive when disabled or without dataset.
  TDataSetState State() const { return state_; }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  // Puts the dataset into dsEdit when AutoEdit is set and it is browsing.
  void Edit();
  bool IsLinkedTo(const TDataSet *dataset) const;
  const std::vector<TDataLink *> &DataLinks() const { return links_; }

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;

  void AddDataLink(TDataLink *link);
  void RemoveDataLink(TDataLink *link);
  void DataEvent(TDataEvent event, intptr_t info);
  void NotifyDataLinks(TDataEvent event, intptr_t info);
  void UpdateState();

  TDataSet *dataset_ = nullptr;
  bool enabled_ = true;
  bool auto_edit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink *> links_;
};

class TDataLink : public TObject {
public:
  TDataLink();
  ~TDataLink() override;
  TDataLink(const TDataLink &) = delete;
  TDataLink &operator=(const TDataLink &) = delete;

  TDataSource *DataSource() const { return data_source_; }
  // Raises "DataSource cannot be changed" while the link is updating.
  void SetDataSource(TDataSource *source);
  TDataSet *DataSet() const;
  int BufferCount() const { return buffer_count_; }
  void SetBufferCount(int value);
  bool Active() const { return active_; }
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  // Index in the dataset's window of the first record this link shows.
  int FirstRecord() const { return first_record_; }
  // The dataset's active record relative to this link's first record.
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  int RecordCount() const;
  // Asks the data source to Edit; returns whether the link is editing.
  bool Edit();
  // Lets the controls write pending edits (the dataset's UpdateRecord).
  void UpdateRecord();

  // Called by the data source for every event.
  void DataEvent(TDataEvent event, intptr_t info);

protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  // `field` points at a field reference; a link that takes the focus clears
  // it so that no later link acts.
  virtual void FocusControl(TField **field) { (void)field; }
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField *field) { (void)field; }
  virtual void UpdateData() {}

  bool Updating() const { return updating_; }

private:
  friend class TDataSet;

  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  void UpdateRange();

  TDataSource *data_source_ = nullptr;
  int buffer_count_ = 1;
  int first_record_ = 0;
  bool read_only_ = false;
  bool active_ = false;
  bool editing_ = false;
  bool updating_ = false;
};

// A link for a control that shows one field of the current record.
class TFieldDataLink : public TDataLink {
public:
  TFieldDataLink() = default;

  // The control served (for the controls' own bookkeeping).
  TComponent *Control() const { return control_; }
  void SetControl(TComponent *control) { control_ = control; }
  const std::string &FieldName() const { return field_name_; }
  void SetFieldName(const std::string &name);
  // The resolved field: nullptr when the name is empty, the link inactive
  // or the dataset closed.
  TField *Field() const { return field_; }
  bool Editing() const { return field_editing_; }
  bool Modified() const { return modified_; }
  // Marks a pending edit of the control.
  void SetModified() { modified_ = true; }
  // Edit only when the field can be modified.
  bool Edit();
  void Reset() { RecordChanged(nullptr); }
  bool CanModify() const;

  // The control's callbacks.
  TNotifyEvent OnDataChange;
  TNotifyEvent OnEditingChange;
  TNotifyEvent OnUpdateData;
  TNotifyEvent OnActiveChange;
  // Asked to focus the control; answers whether it could take the focus.
  std::function<bool(TObject *sender)> OnFocus;

protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField **field) override;
  void LayoutChanged() override;
  void RecordChanged(TField *field) override;
  void UpdateData() override;

private:
  void UpdateField();
  void SetField(TField *field);
  void UpdateEditing();

  TComponent *control_ = nullptr;
  std::string field_name_;
  TField *field_ = nullptr;
  bool field_editing_ = false;
  bool modified_ = false;
};
