// Fields: the typed view of one column of a dataset's records. A field
// knows where its value lies (an engine field number, or a slot in the
// calculated area of a record buffer), converts between the engine's record
// image and program values and texts, validates what is written and
// announces changes through its dataset's data events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/component.h"
#include "data/db_types.h"
#include "data/variant.h"

class TDataSet;
class TField;
class TStream;
class TStringList;

using TFieldNotifyEvent = std::function<void(TField *sender)>;
using TFieldGetTextEvent =
    std::function<void(TField *sender, std::string &text, bool display_text)>;
using TFieldSetTextEvent = std::function<void(TField *sender, const std::string &text)>;

class TField : public TComponent {
public:
  explicit TField(TComponent *owner = nullptr);
  ~TField() override;

  TDataSet *DataSet() const { return dataset_; }
  // Attaches the field to a dataset (closed datasets only).
  void SetDataSet(TDataSet *dataset);

  const std::string &FieldName() const { return field_name_; }
  void SetFieldName(const std::string &name);
  TFieldType DataType() const { return data_type_; }
  int Size() const { return size_; }
  void SetSize(int size);
  // Bytes the value takes in a record image or a calculated slot.
  virtual int DataSize() const { return 0; }
  // The engine field number when bound as a data field, -1 for calculated
  // and lookup fields, 0 while unbound.
  int FieldNo() const { return field_no_; }
  TFieldKind FieldKind() const { return field_kind_; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return field_kind_ == fkCalculated; }
  void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
  bool Lookup() const { return field_kind_ == fkLookup; }
  void SetLookup(bool value) { SetFieldKind(value ? fkLookup : fkData); }
  // Offset of the field's slot in the calculated-fields area.
  int Offset() const { return offset_; }
  bool InternalCalcField() const { return internal_calc_; }
  void SetInternalCalcField(bool value) { internal_calc_ = value; }

  // DisplayLabel reads as the field name when it was never set.
  std::string DisplayLabel() const { return display_label_.empty() ? field_name_ : display_label_; }
  void SetDisplayLabel(const std::string &label);
  std::string DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const { return display_width_ > 0 ? display_width_ : DefaultWidth(); }
  void SetDisplayWidth(int width);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  const std::string &EditMask() const { return edit_mask_; }
  void SetEditMask(const std::string &mask);

  TDataSet *LookupDataSet() const { return lookup_dataset_; }
  void SetLookupDataSet(TDataSet *dataset);
  const std::string &KeyFields() const { return key_fields_; }
  void SetKeyFields(const std::string &v) { key_fields_ = v; }
  const std::string &LookupKeyFields() const { return lookup_key_fields_; }
  void SetLookupKeyFields(const std::string &v) { lookup_key_fields_ = v; }
  const std::string &LookupResultField() const { return lookup_result_field_; }
  void SetLookupResultField(const std::string &v) { lookup_result_field_ = v; }

  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // Position in the dataset's field list; setting it moves the field.
  int Index() const;
  void SetIndex(int index);

  // Whether a control may change the field now.
  bool CanModify() const;
  bool IsNull() const;
  virtual void Clear();
  bool IsBlob() const { return IsBlobType(data_type_); }

  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool v) { SetAsBooleanValue(v); }
  // A fixed-point value with four decimal places.
  double AsCurrency() const;
  void SetAsCurrency(double v);
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime v) { SetAsDateTimeValue(v); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double v) { SetAsFloatValue(v); }
  int32_t AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(int32_t v) { SetAsIntegerValue(v); }
  std::string AsString() const { return GetAsString(); }
  void SetAsString(const std::string &v) { SetAsStringValue(v); }
  TVariant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const TVariant &v);
  TVariant Value() const { return GetAsVariant(); }
  void SetValue(const TVariant &v) { SetAsVariant(v); }

  // The editing text and the display text (OnGetText replaces the class's
  // conversion when assigned).
  std::string Text() const;
  void SetText(const std::string &text);
  std::string DisplayText() const;

  // Raises deFocusControl so that the control showing this field takes the
  // focus.
  void FocusControl();
  virtual bool IsValidChar(char32_t c) const;

  // Raw value access: `buffer` holds DataSize() bytes; false means no value.
  bool GetData(void *buffer) const;
  // Writes a value (nullptr: no value) through the dataset's rules.
  void SetData(const void *buffer);

  // Drops per-record resources (blob fields' engine handles).
  virtual void FreeBuffers() {}
  // Checks a Size against the rule of the field's type.
  virtual void CheckSize(int size) const;
  // The class's name ("TStringField"), used for the field's placeholder
  // text such as "(Blob)".
  virtual const char *ClassName() const { return "TField"; }
  // Whether a value written to the field is being validated right now
  // (OnValidate reads that value instead of the record's).
  bool Validating() const { return validating_; }

protected:
  virtual void Change();
  // Runs OnValidate with `buffer` as the field's value.
  void Validate(const void *buffer);

  virtual bool GetAsBoolean() const;
  virtual TDateTime GetAsDateTime() const;
  virtual double GetAsFloat() const;
  virtual int32_t GetAsInteger() const;
  virtual std::string GetAsString() const;
  virtual TVariant GetAsVariant() const;
  virtual int DefaultWidth() const { return 10; }
  virtual void GetText(std::string &text, bool display_text) const;
  virtual void SetAsBooleanValue(bool v);
  virtual void SetAsDateTimeValue(TDateTime v);
  virtual void SetAsFloatValue(double v);
  virtual void SetAsIntegerValue(int32_t v);
  virtual void SetAsStringValue(const std::string &v);
  virtual void SetVarValue(const TVariant &v);
  virtual void SetTextValue(const std::string &text) { SetAsStringValue(text); }
  // Blob fields take the type as their blob type.
  virtual void SetFieldType(TFieldType type) { (void)type; }

  void Notification(TComponent *component, TOperation operation) override;
  void SetDataType(TFieldType type) { data_type_ = type; }
  // Sets the class's default Size without the open-dataset and size checks.
  void InitSize(int size) { size_ = size; }
  [[noreturn]] void AccessError(const char *type_name) const;
  [[noreturn]] void ValueError() const;
  void CheckInactive() const;
  // Tells the dataset that a display property changed.
  void PropertyChanged(bool layout);

private:
  friend class TDataSet;
  friend class TFieldDef;

  TDataSet *dataset_ = nullptr;
  std::string field_name_;
  TFieldType data_type_ = ftUnknown;
  int size_ = 0;
  int field_no_ = 0;
  TFieldKind field_kind_ = fkData;
  int offset_ = 0;
  bool internal_calc_ = false;
  std::string display_label_;
  int display_width_ = 0;
  TAlignment alignment_ = taLeftJustify;
  bool read_only_ = false;
  bool required_ = false;
  bool visible_ = true;
  std::string edit_mask_;
  TDataSet *lookup_dataset_ = nullptr;
  std::string key_fields_;
  std::string lookup_key_fields_;
  std::string lookup_result_field_;
  bool validating_ = false;
  const void *value_buffer_ = nullptr;
};

// Text fields: the value is a zero-terminated text of at most Size
// characters in the engine's character set.
class TStringField : public TField {
public:
  const char *ClassName() const override { return "TStringField"; }
  explicit TStringField(TComponent *owner = nullptr);
  int DataSize() const override { return Size() + 1; }
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool v) { transliterate_ = v; }
  // The stored text; false when the field has no value.
  bool GetValue(std::string &value) const;
  void CheckSize(int size) const override;

protected:
  bool GetAsBoolean() const override;
  TDateTime GetAsDateTime() const override;
  double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  int DefaultWidth() const override { return Size(); }
  void GetText(std::string &text, bool display_text) const override;
  void SetAsBooleanValue(bool v) override;
  void SetAsDateTimeValue(TDateTime v) override;
  void SetAsFloatValue(double v) override;
  void SetAsIntegerValue(int32_t v) override;
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;

private:
  bool transliterate_ = true;
};

// Base of the numeric fields: right-aligned, with display and edit formats.
class TNumericField : public TField {
public:
  const char *ClassName() const override { return "TNumericField"; }
  explicit TNumericField(TComponent *owner = nullptr);
  const std::string &DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const std::string &v);
  const std::string &EditFormat() const { return edit_format_; }
  void SetEditFormat(const std::string &v);

protected:
  // The format that applies to a text: DisplayFormat for display (and for
  // editing when EditFormat is empty), EditFormat for editing.
  const std::string &FormatFor(bool display_text) const;
  // A decimal number given as text (blank clears the field) or as a variant,
  // handed to SetAsFloatValue: shared by the float and BCD fields.
  void SetFloatText(const std::string &v);
  void SetFloatVariant(const TVariant &v);

private:
  std::string display_format_;
  std::string edit_format_;
};

class TIntegerField : public TNumericField {
public:
  const char *ClassName() const override { return "TIntegerField"; }
  explicit TIntegerField(TComponent *owner = nullptr);
  int DataSize() const override { return 4; }
  int32_t MinValue() const { return min_value_; }
  void SetMinValue(int32_t v) { min_value_ = v; }
  int32_t MaxValue() const { return max_value_; }
  void SetMaxValue(int32_t v) { max_value_ = v; }
  bool IsValidChar(char32_t c) const override;
  bool GetValue(int32_t &value) const;

protected:
  TIntegerField(TComponent *owner, TFieldType type, int32_t lo, int32_t hi);
  // Range check against MinValue..MaxValue, or the type's range.
  void CheckRange(double value) const;
  virtual void StoreValue(int32_t value);
  virtual bool LoadValue(int32_t &value) const;

  double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  void GetText(std::string &text, bool display_text) const override;
  void SetAsFloatValue(double v) override;
  void SetAsIntegerValue(int32_t v) override;
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;

private:
  int32_t type_min_;
  int32_t type_max_;
  int32_t min_value_ = 0;
  int32_t max_value_ = 0;
};

class TSmallintField : public TIntegerField {
public:
  const char *ClassName() const override { return "TSmallintField"; }
  explicit TSmallintField(TComponent *owner = nullptr);
  int DataSize() const override { return 2; }

protected:
  void StoreValue(int32_t value) override;
  bool LoadValue(int32_t &value) const override;
};

class TWordField : public TIntegerField {
public:
  const char *ClassName() const override { return "TWordField"; }
  explicit TWordField(TComponent *owner = nullptr);
  int DataSize() const override { return 2; }

protected:
  void StoreValue(int32_t value) override;
  bool LoadValue(int32_t &value) const override;
};

class TAutoIncField : public TIntegerField {
public:
  const char *ClassName() const override { return "TAutoIncField"; }
  explicit TAutoIncField(TComponent *owner = nullptr);
};

class TFloatField : public TNumericField {
public:
  const char *ClassName() const override { return "TFloatField"; }
  explicit TFloatField(TComponent *owner = nullptr);
  int DataSize() const override { return 8; }
  bool Currency() const { return currency_; }
  void SetCurrency(bool v);
  int Precision() const { return precision_; }
  void SetPrecision(int v);
  double MinValue() const { return min_value_; }
  void SetMinValue(double v) { min_value_ = v; }
  double MaxValue() const { return max_value_; }
  void SetMaxValue(double v) { max_value_ = v; }
  bool IsValidChar(char32_t c) const override;

protected:
  TFloatField(TComponent *owner, TFieldType type);
  double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  void GetText(std::string &text, bool display_text) const override;
  void SetAsFloatValue(double v) override;
  void SetAsIntegerValue(int32_t v) override { SetAsFloatValue(v); }
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;

private:
  bool currency_ = false;
  int precision_ = 15;
  double min_value_ = 0;
  double max_value_ = 0;
};

class TCurrencyField : public TFloatField {
public:
  const char *ClassName() const override { return "TCurrencyField"; }
  explicit TCurrencyField(TComponent *owner = nullptr);
};

class TBooleanField : public TField {
public:
  const char *ClassName() const override { return "TBooleanField"; }
  explicit TBooleanField(TComponent *owner = nullptr);
  int DataSize() const override { return 2; }
  // "true text;false text".
  const std::string &DisplayValues() const { return display_values_; }
  void SetDisplayValues(const std::string &v);

protected:
  bool GetAsBoolean() const override;
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  int DefaultWidth() const override;
  void SetAsBooleanValue(bool v) override;
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;

private:
  std::string display_values_;
  std::string true_text_ = "True";
  std::string false_text_ = "False";
};

// Decimal fields: Size is the number of decimal places; the value is kept as
// a packed decimal and handled as a currency value.
class TBCDField : public TNumericField {
public:
  const char *ClassName() const override { return "TBCDField"; }
  explicit TBCDField(TComponent *owner = nullptr);
  int DataSize() const override { return 34; }
  void CheckSize(int size) const override;

protected:
  double GetAsFloat() const override;
  int32_t GetAsInteger() const override;
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  void GetText(std::string &text, bool display_text) const override;
  void SetAsFloatValue(double v) override;
  void SetAsIntegerValue(int32_t v) override { SetAsFloatValue(v); }
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;
};

// Dates (a 32-bit day number, 1 January of year 1 being day 1), times (a
// 32-bit count of milliseconds since midnight) and both (a double of
// day number * 86,400,000 + milliseconds).
class TDateTimeField : public TField {
public:
  const char *ClassName() const override { return "TDateTimeField"; }
  explicit TDateTimeField(TComponent *owner = nullptr);
  int DataSize() const override;
  const std::string &DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const std::string &v);

protected:
  TDateTimeField(TComponent *owner, TFieldType type);
  TDateTime GetAsDateTime() const override;
  double GetAsFloat() const override { return GetAsDateTime(); }
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  void GetText(std::string &text, bool display_text) const override;
  void SetAsDateTimeValue(TDateTime v) override;
  void SetAsFloatValue(double v) override { SetAsDateTimeValue(v); }
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;

private:
  bool GetValue(TDateTime &value) const;
  std::string display_format_;
};

class TDateField : public TDateTimeField {
public:
  const char *ClassName() const override { return "TDateField"; }
  explicit TDateField(TComponent *owner = nullptr);
};

class TTimeField : public TDateTimeField {
public:
  const char *ClassName() const override { return "TTimeField"; }
  explicit TTimeField(TComponent *owner = nullptr);
};

// Raw bytes: ftBytes holds Size bytes, ftVarBytes a 16-bit length and up to
// Size bytes.
class TBinaryField : public TField {
public:
  const char *ClassName() const override { return "TBinaryField"; }
  explicit TBinaryField(TComponent *owner = nullptr, TFieldType type = ftBytes);
  int DataSize() const override;
  void CheckSize(int size) const override;

protected:
  TVariant GetAsVariant() const override;
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;
};

class TBytesField : public TBinaryField {
public:
  const char *ClassName() const override { return "TBytesField"; }
  explicit TBytesField(TComponent *owner = nullptr);
};

class TVarBytesField : public TBinaryField {
public:
  const char *ClassName() const override { return "TVarBytesField"; }
  explicit TVarBytesField(TComponent *owner = nullptr);
};

// Blob fields: the value lives in the engine's blob storage and is reached
// through a blob stream.
class TBlobField : public TField {
public:
  const char *ClassName() const override { return "TBlobField"; }
  explicit TBlobField(TComponent *owner = nullptr);
  int DataSize() const override { return 0; }
  void CheckSize(int size) const override { (void)size; }
  TFieldType BlobType() const { return DataType(); }
  void SetBlobType(TFieldType type);
  // Memo fields convert their bytes between the engine's and the program's
  // character sets.
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool v) { transliterate_ = v; }
  // Set while a blob written during the current edit is still open in the
  // record buffer.
  bool OpenBlobMark() const { return open_blob_mark_; }
  void SetOpenBlobMark(bool v) { open_blob_mark_ = v; }

  void Clear() override;
  void SaveToStream(TStream &stream) const;
  void SaveToFile(const std::string &file_name) const;
  void LoadFromStream(TStream &stream);
  void LoadFromFile(const std::string &file_name);
  void Assign(const TPersistent *source) override;
  void AssignStrings(const TStringList &lines);
  void AssignToStrings(TStringList &lines) const;
  int64_t BlobSize() const;
  void FreeBuffers() override;

protected:
  TBlobField(TComponent *owner, TFieldType type);
  std::string GetAsString() const override;
  TVariant GetAsVariant() const override;
  void GetText(std::string &text, bool display_text) const override;
  void SetAsStringValue(const std::string &v) override;
  void SetVarValue(const TVariant &v) override;
  void SetTextValue(const std::string &text) override;
  void SetFieldType(TFieldType type) override;

private:
  bool transliterate_ = false;
  bool open_blob_mark_ = false;
};

class TMemoField : public TBlobField {
public:
  const char *ClassName() const override { return "TMemoField"; }
  explicit TMemoField(TComponent *owner = nullptr);
};

// Picture blobs; values written by this program carry an 8-byte header
// (16-bit 1, 16-bit 0x0100, 32-bit length of the picture data).
class TGraphicField : public TBlobField {
public:
  const char *ClassName() const override { return "TGraphicField"; }
  explicit TGraphicField(TComponent *owner = nullptr);
  // The picture bytes: the data after a valid header, else the whole blob.
  std::string PictureData() const;
  void SetPictureData(const std::string &bytes);
};

// Makes a field of the class registered for a type; nullptr for a type
// without a class.
TField *CreateFieldForType(TFieldType type, TComponent *owner);
