// Field definitions: the physical fields an engine cursor reports (name,
// type, size, required flag, field number), from which default fields are
// made and against which declared fields are bound.
#pragma once

#include <string>
#include <vector>

#include "base/component.h"
#include "data/db_types.h"

class TDataSet;
class TField;
class TFieldDefs;

class TFieldDef : public TObject {
public:
  TFieldDef(TFieldDefs *owner, const std::string &name, TFieldType data_type, int size,
            bool required, int field_no);

  TFieldDefs *Owner() const { return owner_; }
  const std::string &Name() const { return name_; }
  TFieldType DataType() const { return data_type_; }
  int Size() const { return size_; }
  bool Required() const { return required_; }
  int FieldNo() const { return field_no_; }
  bool InternalCalcField() const { return internal_calc_; }
  void SetInternalCalcField(bool v) { internal_calc_ = v; }

  // Makes a field of the class registered for the type, with this
  // definition's name, size and required flag, attached to the dataset.
  // "Field '%s' is of an unknown type" when the type has no class.
  TField *CreateField(TComponent *owner) const;

private:
  TFieldDefs *owner_;
  std::string name_;
  TFieldType data_type_;
  int size_;
  bool required_;
  int field_no_;
  bool internal_calc_ = false;
};

class TFieldDefs : public TPersistent {
public:
  explicit TFieldDefs(TDataSet *dataset);
  ~TFieldDefs() override;
  TFieldDefs(const TFieldDefs &) = delete;
  TFieldDefs &operator=(const TFieldDefs &) = delete;

  TDataSet *DataSet() const { return dataset_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDef *Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  TFieldDef *operator[](int index) const { return Items(index); }

  // Adds a definition numbered after the last one.
  TFieldDef *Add(const std::string &name, TFieldType data_type, int size = 0,
                 bool required = false);
  // Adds a definition with an explicit field number.
  TFieldDef *AddFieldDef(const std::string &name, TFieldType data_type, int size, bool required,
                         int field_no);
  void Clear();
  // Index of the first definition whose name matches ignoring case; -1.
  int IndexOf(const std::string &name) const;
  TFieldDef *Find(const std::string &name) const; // raises "Field '%s' not found"
  // Reads the definitions from the dataset again.
  void Update();
  // Whether the definitions are current (cleared by dePropertyChange).
  bool Updated() const { return updated_; }
  void SetUpdated(bool v) { updated_ = v; }
  void Assign(const TPersistent *source) override;

  // A name not yet used here: the name itself, or "%s_%d" with the first
  // counter 1, 2, ... that makes it unique.
  std::string UniqueName(const std::string &name) const;

private:
  TDataSet *dataset_;
  std::vector<TFieldDef *> items_;
  bool updated_ = false;
};

// The field type and size for an engine field of a logical type, subtype
// and length/units; false when no definition is made for it.
bool FieldTypeFromEngine(int logical_type, int sub_type, int units1, int units2, int length,
                         TFieldType &type, int &size);
