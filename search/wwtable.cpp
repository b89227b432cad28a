#include "search/wwtable.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/strings.h"
#include "base/text.h"
#include "data/db_error.h"
#include "data/field.h"
#include "search/wwfilter_text.h"
#include "search/wwintl.h"
#include "search/wwpicture.h"
#include "ui/dialogs.h"

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
  candidate_ = record;
  bool accept = TestCandidate(record, [this](bool &ok) { on_filter_(this, ok); });
  candidate_ = nullptr;
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
  // Calculated and lookup fields are resolved for the candidate itself.
  if (field->FieldKind() != fkData && in_filter_) CalculateCandidateFields();
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
  // The cursor is new: both filters go on it before the first rows are
  // read.
  filter_handle_ = 0;
  condition_filter_ = 0;
  InstallRecordFilter();
  if (!JoinwwFilterLines(ww_filter_).empty()) {
    opening_ = true;
    const bool installed = InstallConditionFilter();
    opening_ = false;
    if (!installed) MessageDlg(kFailToSetFilter, mtWarning, mbOK, 0);
  }
}

void TwwTable::DestroyHandle() {
  // The engine drops a cursor's filters with the cursor.
  filter_handle_ = 0;
  condition_filter_ = 0;
  TTable::DestroyHandle();
}

namespace {

// The table's fields as the condition translator sees them.
class TTableFieldSource : public TFilterFieldSource {
public:
  explicit TTableFieldSource(const TDataSet *table) : table_(table) {}
  bool FindFilterField(const std::string &name, TFilterField &out) const override {
    TField *f = table_->FindField(name);
    if (!f) return false;
    out.FieldName = f->FieldName();
    out.FieldNo = f->FieldNo();
    out.DataType = f->DataType();
    out.Size = f->Size();
    out.FieldKind = f->FieldKind();
    return true;
  }

private:
  const TDataSet *table_;
};

} // namespace

void TwwTable::RemoveConditionFilter() {
  if (condition_filter_ && Handle()) {
    EngineDeactivateFilter(Handle(), condition_filter_);
    EngineDropFilter(Handle(), condition_filter_);
  }
  condition_filter_ = 0;
}

bool TwwTable::InstallConditionFilter() {
  const std::string text = JoinwwFilterLines(ww_filter_);
  if (!Handle() || (!Active() && !opening_)) {
    condition_filter_ = 0;
    return true;
  }
  if (text.empty()) {
    RemoveConditionFilter();
    if (Active()) First();
    return true;
  }
  std::vector<uint8_t> tree;
  std::string missing;
  try {
    tree = TranslatewwFilter(TTableFieldSource(this), text, missing);
  } catch (const std::exception &) {
    tree.clear();
  }
  RemoveConditionFilter();
  if (!missing.empty()) MessageDlg(missing + "\rField not found in Table. ", mtWarning, mbOK, 0);
  if (tree.empty()) {
    if (Active()) First();
    return false;
  }
  hEngFilter filter = 0;
  if (EngineAddFilter(Handle(), reinterpret_cast<uintptr_t>(this), 1, 0, tree.data(), nullptr,
                      &filter) != DBENG_OK) {
    if (Active()) First();
    return false;
  }
  if (EngineActivateFilter(Handle(), filter) != DBENG_OK) {
    EngineDropFilter(Handle(), filter);
    if (Active()) First();
    return false;
  }
  condition_filter_ = filter;
  if (Active()) First();
  return true;
}

void TwwTable::SetwwFilter(const TStringList &lines) {
  if (Active()) CheckBrowseMode();
  ww_filter_.Assign(&lines);
  if (!Active()) return;
  if (!InstallConditionFilter()) MessageDlg(kFailToSetFilter, mtWarning, mbOK, 0);
}

void TwwTable::ReadNativePictures() {
  if (native_pictures_read_ || !Handle() || !IsNativeTable()) return;
  native_pictures_read_ = true;
  EngCurProps props;
  if (EngineGetCursorProperties(Handle(), &props) != DBENG_OK) return;
  for (uint16_t seq = 1; seq <= props.validityCheckCount; ++seq) {
    EngVChkDesc check;
    std::memset(&check, 0, sizeof check);
    if (EngineGetValidityCheck(Handle(), seq, &check) != DBENG_OK) continue;
    const std::string picture(check.picture, strnlen(check.picture, sizeof check.picture));
    if (picture.empty()) continue;
    for (int i = 0; i < FieldCount(); ++i)
      if (Fields(i)->FieldNo() == check.fieldNum)
        native_pictures_.Add(Fields(i)->FieldName() + "\t" + picture);
  }
}

std::string TwwTable::PictureMaskFor(const TField *field, bool *auto_fill) {
  ReadNativePictures();
  auto split = [](const std::string &line) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
      size_t tab = line.find('\t', start);
      parts.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) return parts;
      start = tab + 1;
    }
  };
  std::string native;
  for (int i = 0; i < native_pictures_.Count(); ++i) {
    std::vector<std::string> parts = split(native_pictures_[i]);
    if (parts.size() > 1 && AnsiSameText(parts[0], field->FieldName())) {
      native = parts[1];
      break;
    }
  }
  if (auto_fill) *auto_fill = false;
  for (int i = 0; i < picture_masks_.Count(); ++i) {
    std::vector<std::string> parts = split(picture_masks_[i]);
    if (!AnsiSameText(parts[0], field->FieldName())) continue;
    if (auto_fill) *auto_fill = parts.size() > 2 && parts[2] == "T";
    if (native.empty()) return parts.size() > 1 ? parts[1] : std::string();
    // The table's own picture wins; the line keeps its flags.
    std::string line = parts[0] + "\t" + native;
    for (size_t p = 2; p < parts.size(); ++p)
      line += "\t" + parts[p];
    picture_masks_.SetStrings(i, line);
    return native;
  }
  return native;
}

void TwwTable::ValidatePictures() {
  for (int i = 0; i < FieldCount(); ++i) {
    TField *field = Fields(i);
    const std::string mask = PictureMaskFor(field);
    std::string text = field->Text();
    if (mask.empty() || text.empty() || field->ReadOnly()) continue;
    if (TwwPictureValidator(mask).MatchPicture(text, false) == prComplete) continue;
    field->FocusControl();
    if (OnInvalidValue) OnInvalidValue(this, field);
    throw EDatabaseError(wwInternational()->UserMessages()->PictureValidateError +
                         field->DisplayName());
  }
}

void TwwTable::DoBeforePost() {
  TTable::DoBeforePost();
  if (validate_with_mask_) ValidatePictures();
}
