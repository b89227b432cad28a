#include "data/field.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/convert.h"
#include "base/streams.h"
#include "base/strings.h"
#include "base/text.h"
#include "data/blob_stream.h"
#include "data/dataset.h"
#include "data/db_error.h"

// ---------------------------------------------------------------------------
// TField

TField::TField(TComponent *owner) : TComponent(owner) {}

TField::~TField() {
  if (dataset_) {
    // A field leaving its dataset changes the record layout: the dataset
    // cannot stay open without it.
    if (!dataset_->IsDestroying()) dataset_->Close();
    dataset_->RemoveField(this);
  }
}

void TField::CheckInactive() const {
  if (dataset_) dataset_->CheckInactive();
}

void TField::SetDataSet(TDataSet *dataset) {
  if (dataset == dataset_) return;
  CheckInactive();
  if (dataset) {
    dataset->CheckInactive();
    if (!field_name_.empty() && dataset->FindField(field_name_))
      DatabaseErrorFmt(msg::kDuplicateFieldName, {field_name_});
  }
  if (dataset_) dataset_->RemoveField(this);
  if (dataset) dataset->AddField(this);
}

void TField::SetFieldName(const std::string &name) {
  if (name == field_name_) return;
  CheckInactive();
  if (name.empty()) DatabaseError(msg::kFieldNameMissing);
  if (dataset_) {
    TField *other = dataset_->FindField(name);
    if (other && other != this) DatabaseErrorFmt(msg::kDuplicateFieldName, {name});
  }
  field_name_ = name;
}

void TField::SetSize(int size) {
  if (size == size_) return;
  CheckInactive();
  CheckSize(size);
  size_ = size;
}

void TField::CheckSize(int size) const {
  if (size != 0) DatabaseError(msg::kInvalidFieldSize);
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == field_kind_) return;
  CheckInactive();
  field_kind_ = kind;
}

void TField::SetDisplayLabel(const std::string &label) {
  std::string value = label == field_name_ ? std::string() : label;
  if (value == display_label_) return;
  display_label_ = value;
  PropertyChanged(true);
}

void TField::SetDisplayWidth(int width) {
  if (width == display_width_) return;
  display_width_ = width;
  PropertyChanged(true);
}

void TField::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  PropertyChanged(false);
}

void TField::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  PropertyChanged(true);
}

void TField::SetEditMask(const std::string &mask) {
  if (mask == edit_mask_) return;
  edit_mask_ = mask;
  PropertyChanged(false);
}

void TField::SetLookupDataSet(TDataSet *dataset) {
  CheckInactive();
  if (lookup_dataset_) lookup_dataset_->RemoveFreeNotification(this);
  lookup_dataset_ = dataset;
  if (dataset) dataset->FreeNotification(this);
}

void TField::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == lookup_dataset_) lookup_dataset_ = nullptr;
}

void TField::PropertyChanged(bool layout) {
  if (dataset_ && dataset_->Active())
    dataset_->DataEvent(layout ? deLayoutChange : deDataSetChange, 0);
}

int TField::Index() const {
  if (!dataset_) return -1;
  auto &list = dataset_->fields_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TField::SetIndex(int index) {
  if (!dataset_) return;
  auto &list = dataset_->fields_;
  int count = static_cast<int>(list.size());
  int current = Index();
  index = std::clamp(index, 0, count - 1);
  if (index == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, this);
  dataset_->DataEvent(deLayoutChange, 0);
  dataset_->DataEvent(deFieldListChange, 0);
}

bool TField::CanModify() const {
  if (!dataset_ || field_no_ <= 0) return false;
  if (dataset_->State() == dsSetKey)
    return dataset_->IndexFieldCount() == 0 || dataset_->IsIndexField(this);
  return !read_only_ && dataset_->CanModify();
}

bool TField::IsNull() const {
  if (DataSize() == 0) return !GetData(nullptr);
  std::vector<uint8_t> buffer(static_cast<size_t>(DataSize()));
  return !GetData(buffer.data());
}

void TField::Clear() {
  SetData(nullptr);
}

double TField::AsCurrency() const {
  return std::round(GetAsFloat() * 10000.0) / 10000.0;
}

void TField::SetAsCurrency(double v) {
  SetAsFloatValue(std::round(v * 10000.0) / 10000.0);
}

void TField::SetAsVariant(const TVariant &v) {
  if (v.IsNull())
    Clear();
  else
    SetVarValue(v);
}

std::string TField::Text() const {
  std::string text;
  if (OnGetText)
    OnGetText(const_cast<TField *>(this), text, false);
  else
    GetText(text, false);
  return text;
}

std::string TField::DisplayText() const {
  std::string text;
  if (OnGetText)
    OnGetText(const_cast<TField *>(this), text, true);
  else
    GetText(text, true);
  return text;
}

void TField::SetText(const std::string &text) {
  if (OnSetText)
    OnSetText(this, text);
  else
    SetTextValue(text);
}

void TField::FocusControl() {
  if (!dataset_ || !dataset_->Active()) return;
  TField *field = this;
  dataset_->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&field));
}

bool TField::IsValidChar(char32_t c) const {
  (void)c;
  return true;
}

bool TField::GetData(void *buffer) const {
  if (!dataset_) DatabaseErrorFmt(msg::kFieldNoDataSet, {DisplayName()});
  if (validating_) {
    if (!value_buffer_) return false;
    if (buffer && DataSize() > 0)
      std::memcpy(buffer, value_buffer_, static_cast<size_t>(DataSize()));
    return true;
  }
  return dataset_->GetFieldData(this, buffer);
}

void TField::SetData(const void *buffer) {
  if (!dataset_) DatabaseErrorFmt(msg::kFieldNoDataSet, {DisplayName()});
  dataset_->SetFieldData(this, buffer);
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::Validate(const void *buffer) {
  if (!OnValidate) return;
  validating_ = true;
  value_buffer_ = buffer;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = false;
    value_buffer_ = nullptr;
    throw;
  }
  validating_ = false;
  value_buffer_ = nullptr;
}

void TField::AccessError(const char *type_name) const {
  DatabaseErrorFmt(msg::kFieldAccessError, {DisplayName(), type_name});
}

void TField::ValueError() const {
  DatabaseErrorFmt(msg::kFieldValueError, {DisplayName()});
}

bool TField::GetAsBoolean() const {
  AccessError("Boolean");
}
TDateTime TField::GetAsDateTime() const {
  AccessError("DateTime");
}
double TField::GetAsFloat() const {
  AccessError("Float");
}
int32_t TField::GetAsInteger() const {
  AccessError("Integer");
}
TVariant TField::GetAsVariant() const {
  AccessError("Variant");
}

std::string TField::GetAsString() const {
  // "(Blob)", "(Binary)": the class name without its leading T and its
  // trailing "Field".
  std::string name = ClassName();
  if (name.size() > 63) name.resize(63);
  if (!name.empty() && name[0] == 'T') name.erase(0, 1);
  if (name.size() >= 5 && AnsiSameText(name.substr(name.size() - 5), "FIELD"))
    name.resize(name.size() - 5);
  return Format("(%s)", {name});
}

void TField::GetText(std::string &text, bool display_text) const {
  (void)display_text;
  text = GetAsString();
}

void TField::SetAsBooleanValue(bool v) {
  (void)v;
  AccessError("Boolean");
}
void TField::SetAsDateTimeValue(TDateTime v) {
  (void)v;
  AccessError("DateTime");
}
void TField::SetAsFloatValue(double v) {
  (void)v;
  AccessError("Float");
}
void TField::SetAsIntegerValue(int32_t v) {
  (void)v;
  AccessError("Integer");
}
void TField::SetAsStringValue(const std::string &v) {
  (void)v;
  AccessError("String");
}
void TField::SetVarValue(const TVariant &v) {
  (void)v;
  AccessError("Variant");
}

// ---------------------------------------------------------------------------
// TStringField

TStringField::TStringField(TComponent *owner) : TField(owner) {
  SetDataType(ftString);
  InitSize(20);
}

void TStringField::CheckSize(int size) const {
  if (size < 1 || size > 8192) DatabaseError(msg::kInvalidFieldSize);
}

bool TStringField::GetValue(std::string &value) const {
  std::vector<char> buffer(static_cast<size_t>(DataSize()) + 1, 0);
  value.clear();
  if (!GetData(buffer.data())) return false;
  buffer.back() = 0;
  std::string raw(buffer.data());
  hEngLd locale = DataSet() ? DataSet()->Locale() : 0;
  if (transliterate_ && locale && !raw.empty()) {
    std::vector<char> out(raw.size() + 1, 0);
    if (EngineNativeToAnsi(locale, out.data(), raw.c_str(), 0, nullptr) == DBENG_OK) {
      out.back() = 0;
      raw = out.data();
    }
  }
  value = std::move(raw);
  return true;
}

std::string TStringField::GetAsString() const {
  std::string s;
  GetValue(s);
  return s;
}

bool TStringField::GetAsBoolean() const {
  std::string s = GetAsString();
  return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

int32_t TStringField::GetAsInteger() const {
  int64_t v = StrToInt(GetAsString());
  if (v < INT32_MIN || v > INT32_MAX)
    throw EConvertError(Format("'%s' is not a valid integer value", {GetAsString()}));
  return static_cast<int32_t>(v);
}

double TStringField::GetAsFloat() const {
  return StrToFloat(GetAsString());
}

TDateTime TStringField::GetAsDateTime() const {
  return StrToDateTime(GetAsString());
}

TVariant TStringField::GetAsVariant() const {
  std::string s;
  if (!GetValue(s)) return TVariant::Null();
  return TVariant(s);
}

void TStringField::GetText(std::string &text, bool display_text) const {
  (void)display_text;
  text = GetAsString();
}

void TStringField::SetAsStringValue(const std::string &v) {
  std::string text = v;
  hEngLd locale = DataSet() ? DataSet()->Locale() : 0;
  if (transliterate_ && locale && !text.empty()) {
    std::vector<char> out(text.size() * 4 + 1, 0);
    if (EngineAnsiToNative(locale, out.data(), text.c_str(), 0, nullptr) == DBENG_OK) {
      out.back() = 0;
      text = out.data();
    }
  }
  // Cut to the field's width without splitting a character.
  text = Utf8Truncate(text, static_cast<size_t>(Size()));
  std::vector<char> buffer(static_cast<size_t>(DataSize()), 0);
  std::memcpy(buffer.data(), text.data(), text.size());
  SetData(buffer.data());
}

void TStringField::SetAsBooleanValue(bool v) {
  SetAsStringValue(v ? "T" : "F");
}
void TStringField::SetAsIntegerValue(int32_t v) {
  SetAsStringValue(std::to_string(v));
}
void TStringField::SetAsFloatValue(double v) {
  SetAsStringValue(FloatToStr(v));
}
void TStringField::SetAsDateTimeValue(TDateTime v) {
  SetAsStringValue(DateTimeToStr(v));
}
void TStringField::SetVarValue(const TVariant &v) {
  if (v.IsArray()) ValueError();
  SetAsStringValue(v.AsString());
}

// ---------------------------------------------------------------------------
// TNumericField

TNumericField::TNumericField(TComponent *owner) : TField(owner) {
  SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const std::string &v) {
  if (v == display_format_) return;
  display_format_ = v;
  PropertyChanged(false);
}

void TNumericField::SetEditFormat(const std::string &v) {
  if (v == edit_format_) return;
  edit_format_ = v;
  PropertyChanged(false);
}

void TNumericField::SetFloatText(const std::string &v) {
  if (Trim(v).empty()) {
    Clear();
    return;
  }
  double value;
  if (!TryStrToFloat(v, value)) DatabaseErrorFmt(msg::kInvalidFloatValue, {v, DisplayName()});
  SetAsFloatValue(value);
}

void TNumericField::SetFloatVariant(const TVariant &v) {
  if (v.VarType() == TVariant::vkString)
    SetAsStringValue(v.AsString());
  else if (v.IsArray())
    ValueError();
  else
    SetAsFloatValue(v.AsFloat());
}

const std::string &TNumericField::FormatFor(bool display_text) const {
  if (display_text || edit_format_.empty()) return display_format_;
  return edit_format_;
}

// ---------------------------------------------------------------------------
// Integer fields

TIntegerField::TIntegerField(TComponent *owner)
    : TIntegerField(owner, ftInteger, INT32_MIN, INT32_MAX) {}

TIntegerField::TIntegerField(TComponent *owner, TFieldType type, int32_t lo, int32_t hi)
    : TNumericField(owner), type_min_(lo), type_max_(hi) {
  SetDataType(type);
}

bool TIntegerField::IsValidChar(char32_t c) const {
  return c == '+' || c == '-' || (c >= '0' && c <= '9');
}

void TIntegerField::CheckRange(double value) const {
  double lo = type_min_, hi = type_max_;
  if (min_value_ != 0 || max_value_ != 0) {
    lo = min_value_;
    hi = max_value_;
  }
  if (value < lo || value > hi)
    DatabaseErrorFmt(msg::kFieldRangeError, {value, DisplayName(), lo, hi});
}

bool TIntegerField::LoadValue(int32_t &value) const {
  int32_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TIntegerField::StoreValue(int32_t value) {
  SetData(&value);
}

bool TIntegerField::GetValue(int32_t &value) const {
  value = 0;
  return LoadValue(value);
}

int32_t TIntegerField::GetAsInteger() const {
  int32_t v = 0;
  LoadValue(v);
  return v;
}

double TIntegerField::GetAsFloat() const {
  return GetAsInteger();
}

std::string TIntegerField::GetAsString() const {
  int32_t v = 0;
  if (!LoadValue(v)) return "";
  return std::to_string(v);
}

TVariant TIntegerField::GetAsVariant() const {
  int32_t v = 0;
  if (!LoadValue(v)) return TVariant::Null();
  return TVariant(v);
}

void TIntegerField::GetText(std::string &text, bool display_text) const {
  int32_t v = 0;
  if (!LoadValue(v)) {
    text.clear();
    return;
  }
  const std::string &fmt = FormatFor(display_text);
  text = fmt.empty() ? std::to_string(v) : FormatFloat(fmt, v);
}

void TIntegerField::SetAsIntegerValue(int32_t v) {
  CheckRange(v);
  StoreValue(v);
}

void TIntegerField::SetAsFloatValue(double v) {
  double r = std::round(v);
  CheckRange(r);
  StoreValue(static_cast<int32_t>(r));
}

void TIntegerField::SetAsStringValue(const std::string &v) {
  if (Trim(v).empty()) {
    Clear();
    return;
  }
  int64_t value;
  if (!TryStrToInt(v, value)) DatabaseErrorFmt(msg::kInvalidIntegerValue, {v, DisplayName()});
  CheckRange(static_cast<double>(value));
  StoreValue(static_cast<int32_t>(value));
}

void TIntegerField::SetVarValue(const TVariant &v) {
  switch (v.VarType()) {
  case TVariant::vkString:
    SetAsStringValue(v.AsString());
    break;
  case TVariant::vkBoolean:
  case TVariant::vkInteger: {
    int64_t i = v.AsInteger();
    CheckRange(static_cast<double>(i));
    StoreValue(static_cast<int32_t>(i));
    break;
  }
  case TVariant::vkFloat:
  case TVariant::vkDateTime:
    SetAsFloatValue(v.AsFloat());
    break;
  default:
    ValueError();
  }
}

TSmallintField::TSmallintField(TComponent *owner)
    : TIntegerField(owner, ftSmallint, -32768, 32767) {}

bool TSmallintField::LoadValue(int32_t &value) const {
  int16_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TSmallintField::StoreValue(int32_t value) {
  int16_t v = static_cast<int16_t>(value);
  SetData(&v);
}

TWordField::TWordField(TComponent *owner) : TIntegerField(owner, ftWord, 0, 65535) {}

bool TWordField::LoadValue(int32_t &value) const {
  uint16_t v = 0;
  if (!GetData(&v)) return false;
  value = v;
  return true;
}

void TWordField::StoreValue(int32_t value) {
  uint16_t v = static_cast<uint16_t>(value);
  SetData(&v);
}

TAutoIncField::TAutoIncField(TComponent *owner)
    : TIntegerField(owner, ftAutoInc, INT32_MIN, INT32_MAX) {}

// ---------------------------------------------------------------------------
// TFloatField

TFloatField::TFloatField(TComponent *owner) : TFloatField(owner, ftFloat) {}

TFloatField::TFloatField(TComponent *owner, TFieldType type) : TNumericField(owner) {
  SetDataType(type);
}

void TFloatField::SetCurrency(bool v) {
  if (v == currency_) return;
  currency_ = v;
  PropertyChanged(false);
}

void TFloatField::SetPrecision(int v) {
  v = std::clamp(v, 2, 15);
  if (v == precision_) return;
  precision_ = v;
  PropertyChanged(false);
}

bool TFloatField::IsValidChar(char32_t c) const {
  return c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' || (c >= '0' && c <= '9');
}

double TFloatField::GetAsFloat() const {
  double v = 0;
  if (!GetData(&v)) return 0;
  return v;
}

int32_t TFloatField::GetAsInteger() const {
  double v = std::round(GetAsFloat());
  if (v < INT32_MIN || v > INT32_MAX) AccessError("Integer");
  return static_cast<int32_t>(v);
}

std::string TFloatField::GetAsString() const {
  double v = 0;
  if (!GetData(&v)) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", precision_, v);
  return buf;
}

TVariant TFloatField::GetAsVariant() const {
  double v = 0;
  if (!GetData(&v)) return TVariant::Null();
  return TVariant(v);
}

void TFloatField::GetText(std::string &text, bool display_text) const {
  double v = 0;
  if (!GetData(&v)) {
    text.clear();
    return;
  }
  const std::string &fmt = FormatFor(display_text);
  if (!fmt.empty())
    text = FormatFloat(fmt, v);
  else if (currency_)
    text = FormatFloat(display_text ? "#,##0.00" : "0.00", v);
  else
    text = GetAsString();
}

void TFloatField::SetAsFloatValue(double v) {
  if ((min_value_ != 0 || max_value_ != 0) && (v < min_value_ || v > max_value_))
    DatabaseErrorFmt(msg::kFieldRangeError, {v, DisplayName(), min_value_, max_value_});
  SetData(&v);
}

void TFloatField::SetAsStringValue(const std::string &v) {
  SetFloatText(v);
}

void TFloatField::SetVarValue(const TVariant &v) {
  SetFloatVariant(v);
}

TCurrencyField::TCurrencyField(TComponent *owner) : TFloatField(owner, ftCurrency) {
  SetCurrency(true);
}

// ---------------------------------------------------------------------------
// TBooleanField

TBooleanField::TBooleanField(TComponent *owner) : TField(owner) {
  SetDataType(ftBoolean);
}

void TBooleanField::SetDisplayValues(const std::string &v) {
  display_values_ = v;
  if (v.empty()) {
    true_text_ = "True";
    false_text_ = "False";
  } else {
    size_t semi = v.find(';');
    true_text_ = v.substr(0, semi);
    false_text_ = semi == std::string::npos ? "" : v.substr(semi + 1);
  }
  PropertyChanged(true);
}

bool TBooleanField::GetAsBoolean() const {
  int16_t v = 0;
  return GetData(&v) && v != 0;
}

std::string TBooleanField::GetAsString() const {
  int16_t v = 0;
  if (!GetData(&v)) return "";
  return v ? true_text_ : false_text_;
}

TVariant TBooleanField::GetAsVariant() const {
  int16_t v = 0;
  if (!GetData(&v)) return TVariant::Null();
  return TVariant(v != 0);
}

int TBooleanField::DefaultWidth() const {
  return static_cast<int>(std::max(Utf8Length(true_text_), Utf8Length(false_text_)));
}

void TBooleanField::SetAsBooleanValue(bool v) {
  int16_t value = v ? 1 : 0;
  SetData(&value);
}

void TBooleanField::SetAsStringValue(const std::string &v) {
  std::string text = Trim(v);
  if (text.empty()) {
    Clear();
    return;
  }
  if (AnsiSameText(text, true_text_))
    SetAsBooleanValue(true);
  else if (AnsiSameText(text, false_text_))
    SetAsBooleanValue(false);
  else
    DatabaseErrorFmt(msg::kInvalidBoolValue, {v, DisplayName()});
}

void TBooleanField::SetVarValue(const TVariant &v) {
  if (v.VarType() == TVariant::vkString)
    SetAsStringValue(v.AsString());
  else if (v.IsArray())
    ValueError();
  else
    SetAsBooleanValue(v.AsBoolean());
}

// ---------------------------------------------------------------------------
// TBCDField: the engine's packed decimal (precision byte 32, sign and
// decimal places, 32 digits in 16 bytes, most significant first).

namespace {

constexpr int kBcdDigits = 32;

void EncodeBcd(double value, int places, uint8_t *out) {
  std::memset(out, 0, 34);
  out[0] = kBcdDigits;
  value = std::round(value * 10000.0) / 10000.0;
  bool negative = value < 0;
  long double scaled = std::fabs(static_cast<long double>(value));
  for (int i = 0; i < places; ++i)
    scaled *= 10;
  unsigned __int128 n = static_cast<unsigned __int128>(std::llround(static_cast<double>(scaled)));
  out[1] = static_cast<uint8_t>((negative ? 0x80 : 0) | (places & 0x7F));
  for (int d = kBcdDigits - 1; d >= 0; --d) {
    uint8_t digit = static_cast<uint8_t>(n % 10);
    n /= 10;
    uint8_t &byte = out[2 + d / 2];
    if (d % 2 == 0)
      byte = static_cast<uint8_t>(byte | (digit << 4));
    else
      byte = static_cast<uint8_t>(byte | digit);
  }
}

double DecodeBcd(const uint8_t *in) {
  int places = in[1] & 0x7F;
  bool negative = (in[1] & 0x80) != 0;
  long double n = 0;
  for (int d = 0; d < kBcdDigits; ++d) {
    uint8_t byte = in[2 + d / 2];
    n = n * 10 + (d % 2 == 0 ? byte >> 4 : byte & 0x0F);
  }
  for (int i = 0; i < places; ++i)
    n /= 10;
  return static_cast<double>(negative ? -n : n);
}

} // namespace

TBCDField::TBCDField(TComponent *owner) : TNumericField(owner) {
  SetDataType(ftBCD);
  InitSize(4);
}

void TBCDField::CheckSize(int size) const {
  if (size < 0 || size > 32) DatabaseError(msg::kInvalidFieldSize);
}

double TBCDField::GetAsFloat() const {
  uint8_t buffer[34] = {};
  if (!GetData(buffer)) return 0;
  return DecodeBcd(buffer);
}

int32_t TBCDField::GetAsInteger() const {
  double v = std::round(GetAsFloat());
  if (v < INT32_MIN || v > INT32_MAX) AccessError("Integer");
  return static_cast<int32_t>(v);
}

std::string TBCDField::GetAsString() const {
  if (IsNull()) return "";
  return FloatToStr(GetAsFloat());
}

TVariant TBCDField::GetAsVariant() const {
  if (IsNull()) return TVariant::Null();
  return TVariant(GetAsFloat());
}

void TBCDField::GetText(std::string &text, bool display_text) const {
  if (IsNull()) {
    text.clear();
    return;
  }
  const std::string &fmt = FormatFor(display_text);
  text = fmt.empty() ? GetAsString() : FormatFloat(fmt, GetAsFloat());
}

void TBCDField::SetAsFloatValue(double v) {
  uint8_t buffer[34];
  EncodeBcd(v, Size(), buffer);
  SetData(buffer);
}

void TBCDField::SetAsStringValue(const std::string &v) {
  SetFloatText(v);
}

void TBCDField::SetVarValue(const TVariant &v) {
  SetFloatVariant(v);
}

// ---------------------------------------------------------------------------
// TDateTimeField

TDateTimeField::TDateTimeField(TComponent *owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent *owner, TFieldType type) : TField(owner) {
  SetDataType(type);
}

int TDateTimeField::DataSize() const {
  return DataType() == ftDateTime ? 8 : 4;
}

void TDateTimeField::SetDisplayFormat(const std::string &v) {
  if (v == display_format_) return;
  display_format_ = v;
  PropertyChanged(false);
}

bool TDateTimeField::GetValue(TDateTime &value) const {
  switch (DataType()) {
  case ftDate: {
    int32_t day = 0;
    if (!GetData(&day)) return false;
    value = static_cast<double>(day) - kDateDelta;
    return true;
  }
  case ftTime: {
    int32_t ms = 0;
    if (!GetData(&ms)) return false;
    value = ms / kMSecsPerDay;
    return true;
  }
  default: {
    double stamp = 0;
    if (!GetData(&stamp)) return false;
    double days = std::floor(stamp / kMSecsPerDay);
    double ms = stamp - days * kMSecsPerDay;
    value = days - kDateDelta + ms / kMSecsPerDay;
    return true;
  }
  }
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime v = 0;
  GetValue(v);
  return v;
}

std::string TDateTimeField::GetAsString() const {
  std::string text;
  GetText(text, false);
  return text;
}

TVariant TDateTimeField::GetAsVariant() const {
  TDateTime v;
  if (!GetValue(v)) return TVariant::Null();
  return TVariant::FromDateTime(v);
}

void TDateTimeField::GetText(std::string &text, bool display_text) const {
  TDateTime v;
  if (!GetValue(v)) {
    text.clear();
    return;
  }
  if (display_text && !display_format_.empty()) {
    text = FormatDateTime(display_format_, v);
    return;
  }
  switch (DataType()) {
  case ftDate:
    text = DateToStr(v);
    break;
  case ftTime:
    text = TimeToStr(v);
    break;
  default:
    text = DateTimeToStr(v);
    break;
  }
}

void TDateTimeField::SetAsDateTimeValue(TDateTime v) {
  double days = std::floor(v);
  double ms = std::round((v - days) * kMSecsPerDay);
  switch (DataType()) {
  case ftDate: {
    int32_t day = static_cast<int32_t>(days) + kDateDelta;
    SetData(&day);
    break;
  }
  case ftTime: {
    int32_t m = static_cast<int32_t>(ms);
    SetData(&m);
    break;
  }
  default: {
    double stamp = (days + kDateDelta) * kMSecsPerDay + ms;
    SetData(&stamp);
    break;
  }
  }
}

void TDateTimeField::SetAsStringValue(const std::string &v) {
  if (Trim(v).empty()) {
    Clear();
    return;
  }
  switch (DataType()) {
  case ftDate:
    SetAsDateTimeValue(StrToDate(v));
    break;
  case ftTime:
    SetAsDateTimeValue(StrToTime(v));
    break;
  default:
    SetAsDateTimeValue(StrToDateTime(v));
    break;
  }
}

void TDateTimeField::SetVarValue(const TVariant &v) {
  if (v.VarType() == TVariant::vkString)
    SetAsStringValue(v.AsString());
  else if (v.IsArray())
    ValueError();
  else
    SetAsDateTimeValue(v.AsDateTime());
}

TDateField::TDateField(TComponent *owner) : TDateTimeField(owner, ftDate) {}
TTimeField::TTimeField(TComponent *owner) : TDateTimeField(owner, ftTime) {}

// ---------------------------------------------------------------------------
// TBinaryField

TBinaryField::TBinaryField(TComponent *owner, TFieldType type) : TField(owner) {
  SetDataType(type);
  InitSize(16);
}

int TBinaryField::DataSize() const {
  return DataType() == ftVarBytes ? Size() + 2 : Size();
}

void TBinaryField::CheckSize(int size) const {
  if (size == 0) DatabaseError(msg::kInvalidFieldSize);
}

TVariant TBinaryField::GetAsVariant() const {
  std::vector<uint8_t> buffer(static_cast<size_t>(DataSize()), 0);
  if (!GetData(buffer.data())) return TVariant::Null();
  if (DataType() == ftVarBytes) {
    uint16_t len;
    std::memcpy(&len, buffer.data(), 2);
    len = std::min<uint16_t>(len, static_cast<uint16_t>(Size()));
    return TVariant(std::string(reinterpret_cast<char *>(buffer.data()) + 2, len));
  }
  return TVariant(std::string(reinterpret_cast<char *>(buffer.data()), buffer.size()));
}

void TBinaryField::SetAsStringValue(const std::string &v) {
  std::vector<uint8_t> buffer(static_cast<size_t>(DataSize()), 0);
  size_t n = std::min(v.size(), static_cast<size_t>(Size()));
  if (DataType() == ftVarBytes) {
    uint16_t len = static_cast<uint16_t>(n);
    std::memcpy(buffer.data(), &len, 2);
    std::memcpy(buffer.data() + 2, v.data(), n);
  } else {
    std::memcpy(buffer.data(), v.data(), n);
  }
  SetData(buffer.data());
}

void TBinaryField::SetVarValue(const TVariant &v) {
  if (v.VarType() != TVariant::vkString) ValueError();
  SetAsStringValue(v.AsString());
}

TBytesField::TBytesField(TComponent *owner) : TBinaryField(owner, ftBytes) {}
TVarBytesField::TVarBytesField(TComponent *owner) : TBinaryField(owner, ftVarBytes) {}

// ---------------------------------------------------------------------------
// TBlobField

TBlobField::TBlobField(TComponent *owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent *owner, TFieldType type) : TField(owner) {
  SetDataType(type);
  transliterate_ = type == ftMemo;
}

void TBlobField::SetBlobType(TFieldType type) {
  CheckInactive();
  SetFieldType(type);
}

void TBlobField::SetFieldType(TFieldType type) {
  if (IsBlobType(type)) SetDataType(type);
}

int64_t TBlobField::BlobSize() const {
  TBlobStream stream(const_cast<TBlobField *>(this), bmRead);
  return stream.Size();
}

void TBlobField::FreeBuffers() {
  if (!open_blob_mark_) return;
  TDataSet *ds = DataSet();
  if (ds && ds->Handle() && ds->ActiveBuffer())
    EngineFreeBlob(ds->Handle(), ds->ActiveBuffer(), static_cast<uint16_t>(FieldNo()));
  open_blob_mark_ = false;
}

void TBlobField::Clear() {
  // An empty blob: open for writing (which truncates) and close again.
  TBlobStream stream(this, bmWrite);
}

namespace {

// The whole blob, from its start, in chunks of at most 61440 bytes.
void CopyWholeBlob(TBlobStream &blob, TStream &stream) {
  if (blob.Size() > 0) stream.CopyFrom(blob, 0);
}

} // namespace

void TBlobField::SaveToStream(TStream &stream) const {
  TBlobStream blob(const_cast<TBlobField *>(this), bmRead);
  CopyWholeBlob(blob, stream);
}

void TBlobField::SaveToFile(const std::string &file_name) const {
  // The blob is opened before the file is created or truncated, so a field
  // that cannot be read now (inside a filter callback) leaves an existing
  // file as it was.
  TBlobStream blob(const_cast<TBlobField *>(this), bmRead);
  TFileStream file(file_name, fmCreate);
  CopyWholeBlob(blob, file);
}

void TBlobField::LoadFromStream(TStream &stream) {
  TBlobStream blob(this, bmWrite);
  if (stream.Size() > 0) blob.CopyFrom(stream, 0);
}

void TBlobField::LoadFromFile(const std::string &file_name) {
  TFileStream file(file_name, fmOpenRead);
  LoadFromStream(file);
}

void TBlobField::Assign(const TPersistent *source) {
  if (auto *other = dynamic_cast<const TBlobField *>(source)) {
    TMemoryStream buffer;
    other->SaveToStream(buffer);
    buffer.SetPosition(0);
    LoadFromStream(buffer);
    return;
  }
  if (auto *lines = dynamic_cast<const TStringList *>(source)) {
    AssignStrings(*lines);
    return;
  }
  TField::Assign(source);
}

void TBlobField::AssignStrings(const TStringList &lines) {
  SetAsStringValue(lines.Text());
}

void TBlobField::AssignToStrings(TStringList &lines) const {
  lines.SetText(GetAsString());
}

std::string TBlobField::GetAsString() const {
  TBlobStream blob(const_cast<TBlobField *>(this), bmRead);
  int64_t size = blob.Size();
  std::string out(static_cast<size_t>(size), '\0');
  if (size > 0) out.resize(static_cast<size_t>(blob.Read(out.data(), size)));
  return out;
}

TVariant TBlobField::GetAsVariant() const {
  if (IsNull()) return TVariant::Null();
  return TVariant(GetAsString());
}

void TBlobField::GetText(std::string &text, bool display_text) const {
  (void)display_text;
  text = TField::GetAsString();
}

void TBlobField::SetAsStringValue(const std::string &v) {
  TBlobStream blob(this, bmWrite);
  if (!v.empty()) blob.WriteBuffer(v.data(), static_cast<int64_t>(v.size()));
}

void TBlobField::SetVarValue(const TVariant &v) {
  if (v.VarType() != TVariant::vkString) ValueError();
  SetAsStringValue(v.AsString());
}

void TBlobField::SetTextValue(const std::string &text) {
  (void)text;
  AccessError("Text");
}

TMemoField::TMemoField(TComponent *owner) : TBlobField(owner, ftMemo) {}

TGraphicField::TGraphicField(TComponent *owner) : TBlobField(owner, ftGraphic) {}

std::string TGraphicField::PictureData() const {
  std::string bytes = GetAsString();
  if (bytes.size() >= 8) {
    uint16_t a, b;
    uint32_t len;
    std::memcpy(&a, bytes.data(), 2);
    std::memcpy(&b, bytes.data() + 2, 2);
    std::memcpy(&len, bytes.data() + 4, 4);
    if (a == 1 && b == 0x0100 && static_cast<uint64_t>(len) + 8 == bytes.size())
      return bytes.substr(8);
  }
  return bytes;
}

void TGraphicField::SetPictureData(const std::string &bytes) {
  std::string out(8, '\0');
  uint16_t a = 1, b = 0x0100;
  uint32_t len = static_cast<uint32_t>(bytes.size());
  std::memcpy(out.data(), &a, 2);
  std::memcpy(out.data() + 2, &b, 2);
  std::memcpy(out.data() + 4, &len, 4);
  SetAsStringValue(out + bytes);
}

// ---------------------------------------------------------------------------

TField *CreateFieldForType(TFieldType type, TComponent *owner) {
  switch (type) {
  case ftString:
    return new TStringField(owner);
  case ftSmallint:
    return new TSmallintField(owner);
  case ftInteger:
    return new TIntegerField(owner);
  case ftWord:
    return new TWordField(owner);
  case ftBoolean:
    return new TBooleanField(owner);
  case ftFloat:
    return new TFloatField(owner);
  case ftCurrency:
    return new TCurrencyField(owner);
  case ftBCD:
    return new TBCDField(owner);
  case ftDate:
    return new TDateField(owner);
  case ftTime:
    return new TTimeField(owner);
  case ftDateTime:
    return new TDateTimeField(owner);
  case ftBytes:
    return new TBytesField(owner);
  case ftVarBytes:
    return new TVarBytesField(owner);
  case ftAutoInc:
    return new TAutoIncField(owner);
  case ftMemo:
    return new TMemoField(owner);
  case ftGraphic:
    return new TGraphicField(owner);
  case ftBlob:
  case ftFmtMemo:
  case ftNativeOle:
  case ftXBaseOle:
  case ftTypedBinary: {
    auto *field = new TBlobField(owner);
    field->SetBlobType(type);
    return field;
  }
  default:
    return nullptr;
  }
}
