#include "search/wwfilter_dialog.h"

#include <algorithm>

#include "base/text.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/table.h"
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
  if (component == filtered_dataset_) filtered_dataset_ = nullptr;
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
  if (!filtered_dataset_) return;
  TDataSet *dataset = filtered_dataset_;
  filtered_dataset_ = nullptr;
  dataset->RemoveFreeNotification(this);
  // A dataset that is going away drops its filters with its cursor.
  if (dataset->IsDestroying()) return;
  if (auto *table = dynamic_cast<TwwTable *>(dataset))
    table->SetOnFilter(nullptr);
  else
    dataset->SetOnFilterRecord(nullptr);
}

void TwwFilterDialog::NoteFilteredDataSet(TDataSet *dataset) {
  if (filtered_dataset_ == dataset) return;
  RemoveInstalledTest();
  filtered_dataset_ = dataset;
  dataset->FreeNotification(this);
}

namespace {

// The end of a key range holding every text that starts with a value: the
// value followed by the highest character. The table's NarrowSearchUpperChar
// stands in when it was changed from its default 255; the default itself
// ("ÿ") sorts as a plain "y" in the engine's dictionary order, so texts
// going on with "z" would fall outside.
std::string RangeEndFor(const std::string &value, uint16_t upper_char) {
  std::string end = value;
  const uint32_t cp = upper_char == 255 ? 0x10FFFFu : upper_char;
  if (cp < 0x80) {
    end.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    end.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    end.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    end.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    end.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    end.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    end.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    end.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    end.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    end.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return end;
}

std::string FirstField(const std::string &fields) {
  return fields.substr(0, fields.find(';'));
}

} // namespace

void TwwFilterDialog::ApplyIndexRange(TwwTable *table) {
  if (table->MasterSource()) return;
  if (range_applied_) {
    range_applied_ = false;
    table->CancelRange();
  }
  if (filter_optimization_ == fdNone) return;
  table->UpdateIndexDefs();
  TIndexDefs *defs = table->IndexDefs();
  for (TwwFieldInfo &info : field_infos_) {
    if (info.NonMatching) continue;
    if (!info.IsRange() && !ParseOperator(info.FilterValue, field_operators_.Words()).empty())
      continue;
    if (info.FieldName.empty()) info.FieldName = ResolveFieldName(table, info.DisplayName);
    TField *field = table->FindField(info.FieldName);
    if (!field) continue;

    const TIndexDef *index = nullptr;
    if (filter_optimization_ == fdUseActiveIndex) {
      std::string first;
      if (!table->IndexFieldNames().empty()) {
        first = FirstField(table->IndexFieldNames());
      } else {
        for (int i = 0; i < defs->Count(); ++i) {
          const TIndexDef &d = defs->Items(i);
          if (table->IndexName().empty() ? (d.Options() & ixPrimary) != 0
                                         : AnsiSameText(d.Name(), table->IndexName())) {
            index = &d;
            break;
          }
        }
        if (index) first = FirstField(index->Fields());
      }
      if (!AnsiSameText(first, info.FieldName)) continue;
    } else {
      auto find = [&](bool case_insensitive) -> const TIndexDef * {
        for (int i = 0; i < defs->Count(); ++i) {
          const TIndexDef &d = defs->Items(i);
          if ((d.Options() & (ixDescending | ixExpression)) != 0) continue;
          const bool ci = (d.Options() & ixCaseInsensitive) != 0;
          if (ci != case_insensitive) continue;
          if (AnsiSameText(d.Fields(), info.FieldName) ||
              AnsiSameText(FirstField(d.Fields()), info.FieldName))
            return &d;
        }
        return nullptr;
      };
      index = find(!info.CaseSensitive);
      if (!index) index = find(info.CaseSensitive);
      if (!index) continue;
    }
    // A range narrows the candidates only; it must hold every row the
    // record test accepts. Texts compared ignoring case need an index that
    // ignores case too, and the range criterion of a text field compares
    // by character codes, an order no text index keeps.
    const bool text = field->DataType() == ftString;
    const bool index_ignores_case =
        index ? (index->Options() & ixCaseInsensitive) != 0 : table->CaseInsensitiveIndex();
    if (text && !info.IsRange() && !info.CaseSensitive && !index_ignores_case) continue;
    if (text && info.IsRange()) continue;

    std::vector<TVariant> low, high;
    if (info.MatchType == fdMatchExact && !info.FilterValue.empty()) {
      low = high = {TVariant(info.FilterValue)};
    } else if (info.MatchType == fdMatchStart && !info.FilterValue.empty() && text) {
      // The end must fit the key, or the range would cut texts short.
      if (static_cast<int>(Utf8Length(info.FilterValue)) + 1 > field->Size()) continue;
      low = {TVariant(info.FilterValue)};
      high = {TVariant(RangeEndFor(info.FilterValue, table->NarrowSearchUpperChar()))};
    } else if (info.IsRange() && (!info.MinValue.empty() || !info.MaxValue.empty())) {
      if (!info.MinValue.empty()) low = {TVariant(Trim(info.MinValue))};
      if (!info.MaxValue.empty()) high = {TVariant(Trim(info.MaxValue))};
    } else {
      continue;
    }
    if (filter_optimization_ == fdUseAllIndexes && index) table->SetIndexName(index->Name());
    table->SetRange(low, high);
    range_applied_ = true;
    break;
  }
}

void TwwFilterDialog::ApplyFilter() {
  TDataSet *dataset = DataSet();
  if (!dataset) return;
  if (!dataset->Active()) dataset->Open();

  std::weak_ptr<bool> alive = alive_;
  if (auto *table = dynamic_cast<TwwTable *>(dataset)) {
    table->SetOnFilterOptions(table->OnFilterOptions() | ofoEnabled);
    NoteFilteredDataSet(table);
    ApplyIndexRange(table);
    if (field_infos_.empty()) {
      table->SetOnFilter(nullptr);
    } else {
      table->SetOnFilter([this, alive](TwwTable *sender, bool &accept) {
        auto token = alive.lock();
        accept = !token || !*token || FilterRecord(sender);
      });
    }
    return;
  }
  // A dataset without a record-filter event of its own takes the test as
  // its OnFilterRecord, which applies while the dataset is filtered.
  NoteFilteredDataSet(dataset);
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
