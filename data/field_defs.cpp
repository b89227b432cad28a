#include "data/field_defs.h"

#include "base/text.h"
#include "data/dataset.h"
#include "data/db_error.h"
#include "data/field.h"

TFieldDef::TFieldDef(TFieldDefs *owner, const std::string &name, TFieldType data_type, int size,
                     bool required, int field_no)
    : owner_(owner), name_(name), data_type_(data_type), size_(size), required_(required),
      field_no_(field_no) {}

TField *TFieldDef::CreateField(TComponent *owner) const {
  TField *field = CreateFieldForType(data_type_, owner);
  if (!field) DatabaseErrorFmt(msg::kUnknownFieldType, {name_});
  try {
    field->SetFieldName(name_);
    field->SetSize(size_);
    field->SetRequired(required_);
    field->SetInternalCalcField(internal_calc_);
    field->SetDataSet(owner_->DataSet());
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

TFieldDefs::TFieldDefs(TDataSet *dataset) : dataset_(dataset) {}

TFieldDefs::~TFieldDefs() {
  Clear();
}

TFieldDef *TFieldDefs::Add(const std::string &name, TFieldType data_type, int size, bool required) {
  return AddFieldDef(name, data_type, size, required, Count() + 1);
}

TFieldDef *TFieldDefs::AddFieldDef(const std::string &name, TFieldType data_type, int size,
                                   bool required, int field_no) {
  if (name.empty()) DatabaseError(msg::kFieldNameMissing);
  if (IndexOf(name) >= 0) DatabaseErrorFmt(msg::kDuplicateFieldName, {name});
  auto *def = new TFieldDef(this, name, data_type, size, required, field_no);
  items_.push_back(def);
  return def;
}

void TFieldDefs::Clear() {
  while (!items_.empty()) {
    delete items_.back();
    items_.pop_back();
  }
}

int TFieldDefs::IndexOf(const std::string &name) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (AnsiSameText(items_[i]->Name(), name)) return static_cast<int>(i);
  return -1;
}

TFieldDef *TFieldDefs::Find(const std::string &name) const {
  int i = IndexOf(name);
  if (i < 0) DatabaseErrorFmt(msg::kFieldNotFound, {name});
  return items_[static_cast<size_t>(i)];
}

void TFieldDefs::Update() {
  if (dataset_) dataset_->InitFieldDefs();
}

void TFieldDefs::Assign(const TPersistent *source) {
  auto *other = dynamic_cast<const TFieldDefs *>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  Clear();
  for (TFieldDef *d : other->items_) {
    TFieldDef *copy = AddFieldDef(d->Name(), d->DataType(), d->Size(), d->Required(), d->FieldNo());
    copy->SetInternalCalcField(d->InternalCalcField());
  }
}

std::string TFieldDefs::UniqueName(const std::string &name) const {
  if (IndexOf(name) < 0) return name;
  for (int n = 1;; ++n) {
    std::string candidate = Format("%s_%d", {name, n});
    if (IndexOf(candidate) < 0) return candidate;
  }
}

bool FieldTypeFromEngine(int logical_type, int sub_type, int units1, int units2, int length,
                         TFieldType &type, int &size) {
  size = 0;
  switch (logical_type) {
  case ENG_FLD_ZSTRING:
    type = ftString;
    size = units1;
    return true;
  case ENG_FLD_DATE:
    type = ftDate;
    return true;
  case ENG_FLD_BLOB:
    type = ftBlob;
    switch (sub_type) {
    case ENG_SUB_MEMO:
      type = ftMemo;
      break;
    case ENG_SUB_BINARY:
      type = ftBlob;
      break;
    case ENG_SUB_FMTMEMO:
      type = ftFmtMemo;
      break;
    case ENG_SUB_OLEOBJ:
      type = ftNativeOle;
      break;
    case ENG_SUB_GRAPHIC:
      type = ftGraphic;
      break;
    case ENG_SUB_DBSOLEOBJ:
      type = ftXBaseOle;
      break;
    case ENG_SUB_TYPEDBINARY:
      type = ftTypedBinary;
      break;
    default:
      break;
    }
    size = units1;
    return true;
  case ENG_FLD_BOOL:
    type = ftBoolean;
    return true;
  case ENG_FLD_INT16:
    if (length != 2) return false;
    type = ftSmallint;
    return true;
  case ENG_FLD_INT32:
    type = sub_type == ENG_SUB_AUTOINC ? ftAutoInc : ftInteger;
    return true;
  case ENG_FLD_FLOAT:
    type = sub_type == ENG_SUB_MONEY ? ftCurrency : ftFloat;
    return true;
  case ENG_FLD_BCD:
    type = ftBCD;
    size = units2;
    return true;
  case ENG_FLD_BYTES:
    type = ftBytes;
    size = units1;
    return true;
  case ENG_FLD_TIME:
    type = ftTime;
    return true;
  case ENG_FLD_TIMESTAMP:
    type = ftDateTime;
    return true;
  case ENG_FLD_UINT16:
    type = ftWord;
    return true;
  case ENG_FLD_UINT32:
    type = ftInteger;
    return true;
  case ENG_FLD_VARBYTES:
    type = ftVarBytes;
    size = units1;
    return true;
  default:
    return false;
  }
}
