#include "search/wwfilter_dialog.h"

#include <algorithm>

#include "base/text.h"
#include "data/dataset.h"
#include "data/field.h"
#include "search/wwfilter_dlg.h"
#include "search/wwmemostream.h"
#include "search/wwtable.h"
#include "ui/dialogs.h"
#include "ui/forms.h"

namespace {

std::string TildeAsBlank(std::string s) {
  std::replace(s.begin(), s.end(), '~', ' ');
  return s;
}

// Puts the screen cursor back to the default however Execute ends.
struct TCursorRestore {
  ~TCursorRestore() {
    if (Screen) Screen->SetCursor(crDefault);
  }
};

} // namespace

// ---------------------------------------------------------------------------
// Operator words

void TwwFieldOperators::SetWord(std::string &slot, const std::string &word) {
  if (word == slot) return;
  slot = Trim(word);
  if (AnsiSameText(words_.or_word, words_.and_word) ||
      AnsiSameText(words_.or_word, words_.null_word) ||
      AnsiSameText(words_.and_word, words_.null_word))
    MessageDlg(kOperatorsNotUnique, mtWarning, mbOK, 0);
}

void TwwFieldOperators::Assign(const TPersistent *source) {
  if (auto *other = dynamic_cast<const TwwFieldOperators *>(source)) {
    words_ = other->words_;
    return;
  }
  TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------
// The component

TwwFilterDialog::TwwFilterDialog(TComponent *owner) : TComponent(owner) {}

TwwFilterDialog::~TwwFilterDialog() {
  *alive_ = false;
  RemoveInstalledTest();
  link_.SetDataSource(nullptr);
}

void TwwFilterDialog::Notification(TComponent *component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == static_cast<TComponent *>(filtered_table_)) filtered_table_ = nullptr;
  if (component == DataSource()) link_.SetDataSource(nullptr);
}

void TwwFilterDialog::SetDataSource(TDataSource *source) {
  if (source && dynamic_cast<TTable *>(source->DataSet())) filter_method_ = fdByFilter;
  if (DataSource()) DataSource()->RemoveFreeNotification(this);
  link_.SetDataSource(source);
  if (source) source->FreeNotification(this);
}

void TwwFilterDialog::SetFilterMethod(TwwFilterMethod method) {
  if (!DataSource()) {
    filter_method_ = method;
    return;
  }
  TDataSet *dataset = DataSet();
  if (dynamic_cast<TTable *>(dataset)) {
    if (method != fdByFilter) {
      MessageDlg(kInvalidFilterMethod, mtWarning, mbOK, 0);
      return;
    }
    filter_method_ = method;
  }
  // No other dataset class here rewrites query texts, so any other
  // dataset keeps the method it has.
}

void TwwFilterDialog::SetDefaultMatchType(TwwFilterMatchType type) {
  if (type == fdMatchStart || type == fdMatchAny || type == fdMatchExact)
    default_match_type_ = type;
}

std::string TwwFilterDialog::ResolveFieldName(const TDataSet *dataset, const std::string &name) {
  if (!dataset) return {};
  const std::string wanted = TildeAsBlank(name);
  for (int i = 0; i < dataset->FieldCount(); ++i) {
    TField *field = dataset->Fields(i);
    if (TildeAsBlank(field->DisplayLabel()) == wanted) return field->FieldName();
  }
  return {};
}

void TwwFilterDialog::BuildDBFieldInfos() {
  db_field_infos_.clear();
  TDataSet *dataset = DataSet();
  if (!dataset) return;
  for (int i = 0; i < dataset->FieldCount(); ++i) {
    TField *field = dataset->Fields(i);
    TwwDBFieldInfo info;
    info.FieldName = field->FieldName();
    info.DBFieldName = field->FieldName();
    info.DataType = field->DataType();
    info.DisplayLabel = field->DisplayLabel();
    db_field_infos_.push_back(std::move(info));
  }
}

const TwwDBFieldInfo *TwwFilterDialog::FindDBFieldInfo(const std::string &name) const {
  for (const TwwDBFieldInfo &info : db_field_infos_)
    if (AnsiSameText(info.FieldName, name)) return &info;
  return nullptr;
}

void TwwFilterDialog::DoInitDialog(TwwFilterDlg *dialog) {
  if (OnInitDialog) OnInitDialog(dialog);
}

bool TwwFilterDialog::Execute() {
  TDataSet *dataset = DataSet();
  if (!DataSource() || !dataset) return false;
  if (!dataset->Active() && filter_method_ == fdByFilter) {
    MessageDlg(kFilterNeedsActiveDataset, mtError, mbOK, 0);
    return false;
  }
  if (field_operators_.OrChar() == field_operators_.AndChar())
    MessageDlg(kAndOrSameValue, mtWarning, mbOK, 0);

  TCursorRestore restore;
  if (Screen) Screen->SetCursor(crHourGlass);
  std::unique_ptr<TwwFilterDlg> window(new TwwFilterDlg(this, Application));
  window->SetCaption(caption_);
  window->FillFieldList(true);
  const bool ok = window->ShowModal() == mrOk;
  if (!ok) return false;

  auto *table = dynamic_cast<TwwTable *>(dataset);
  const bool enabled = table && (table->OnFilterOptions() & ofoEnabled) != 0;
  if (!window->Modified() && enabled) return true;

  field_infos_.clear();
  for (const TwwFieldInfo &entry : window->WorkingList()) {
    TwwFieldInfo copy = entry;
    copy.FieldName = ResolveFieldName(dataset, entry.DisplayName);
    field_infos_.push_back(std::move(copy));
  }
  window.reset();
  ApplyFilter();
  return true;
}

void TwwFilterDialog::ClearFilter() {
  field_infos_.clear();
}

void TwwFilterDialog::RemoveInstalledTest() {
  if (!filtered_table_) return;
  TwwTable *table = filtered_table_;
  filtered_table_ = nullptr;
  table->RemoveFreeNotification(this);
  // A table that is going away drops its filter with its cursor.
  if (!table->IsDestroying()) table->SetOnFilter(nullptr);
}

void TwwFilterDialog::ApplyFilter() {
  TDataSet *dataset = DataSet();
  if (!dataset) return;
  if (!dataset->Active()) dataset->Open();

  std::weak_ptr<bool> alive = alive_;
  if (auto *table = dynamic_cast<TwwTable *>(dataset)) {
    table->SetOnFilterOptions(table->OnFilterOptions() | ofoEnabled);
    if (filtered_table_ && filtered_table_ != table) RemoveInstalledTest();
    if (field_infos_.empty()) {
      table->SetOnFilter(nullptr);
    } else {
      table->SetOnFilter([this, alive](TwwTable *sender, bool &accept) {
        auto token = alive.lock();
        accept = !token || !*token || FilterRecord(sender);
      });
    }
    if (filtered_table_ != table) {
      filtered_table_ = table;
      table->FreeNotification(this);
    }
    return;
  }
  // A dataset without a record-filter event of its own takes the test as
  // its OnFilterRecord, which applies while the dataset is filtered.
  if (field_infos_.empty()) {
    dataset->SetOnFilterRecord(nullptr);
  } else {
    dataset->SetOnFilterRecord([this, alive](TDataSet *sender, bool &accept) {
      auto token = alive.lock();
      accept = !token || !*token || FilterRecord(sender);
    });
  }
}

TVariant TwwFilterDialog::CandidateValue(TDataSet *dataset, TField *field,
                                         const std::string &name) {
  if (auto *table = dynamic_cast<TwwTable *>(dataset)) return table->GetFilterFieldValue(name);
  if (!field) field = dataset->FieldByName(name); // raises "Field '%s' not found"
  if (field->IsNull()) return TVariant::Null();
  return field->AsVariant();
}

std::string TwwFilterDialog::MemoText(TDataSet *dataset, TField *field) {
  auto *table = dynamic_cast<TwwTable *>(dataset);
  TwwMemoStream stream(field, table ? table->FilterRecord() : nullptr);
  if (memo_buffer_.empty()) memo_buffer_.resize(kMemoBufferSize);
  int64_t got = 0;
  while (got < static_cast<int64_t>(memo_buffer_.size())) {
    const int64_t n =
        stream.Read(memo_buffer_.data() + got, static_cast<int64_t>(memo_buffer_.size()) - got);
    if (n <= 0) break;
    got += n;
  }
  return std::string(memo_buffer_.data(), static_cast<size_t>(got));
}

bool TwwFilterDialog::FilterRecord(TDataSet *dataset) {
  if (!dataset) return true;
  for (TwwFieldInfo &info : field_infos_) {
    if (info.FieldName.empty()) info.FieldName = ResolveFieldName(dataset, info.DisplayName);
    TField *field = dataset->FindField(info.FieldName);
    // Memo texts are read through a stream on the candidate record, up to
    // the size of the memo buffer; a memo without bytes counts as empty.
    const TVariant value = field && field->IsBlob() && !info.IsRange()
                               ? TVariant(MemoText(dataset, field))
                               : CandidateValue(dataset, field, info.FieldName);
    const TFieldType type = field ? field->DataType() : ftUnknown;
    if (!TestCriterion(info, type, value, field_operators_.Words())) return false;
  }
  return true;
}
