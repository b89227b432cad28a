#include "search/wwsearch_dialog.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "base/convert.h"
#include "base/hooks.h"
#include "base/text.h"
#include "data/database.h"
#include "data/field.h"
#include "search/wwintl.h"
#include "ui/dialogs.h"

namespace {

void Warn(const std::string &text) {
  MessageDlg(text, mtWarning, mbOK, 0);
}

// The wait cursor for the life of the object.
class TWaitCursor {
public:
  TWaitCursor() : saved_(Screen ? Screen->Cursor() : crDefault) {
    if (Screen) Screen->SetCursor(crHourGlass);
  }
  ~TWaitCursor() {
    if (Screen) Screen->SetCursor(saved_);
  }
  TWaitCursor(const TWaitCursor &) = delete;
  TWaitCursor &operator=(const TWaitCursor &) = delete;

private:
  TCursor saved_;
};

bool StartsWithIgnoringCase(const std::string &text, const std::string &prefix) {
  const std::string t = AnsiUpperCase(text), p = AnsiUpperCase(prefix);
  return t.compare(0, p.size(), p) == 0;
}

bool IsIntegerType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

bool IsNumberType(TFieldType type) {
  return type == ftFloat || type == ftCurrency || type == ftBCD;
}

// Whether a typed text can be sought in an index field of this type.
bool TextSuitsField(const TField *field, const std::string &text) {
  const TFieldType type = field->DataType();
  if (IsIntegerType(type)) {
    if (text.empty()) return true;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                       [](unsigned char c) { return c >= '0' && c <= '9'; });
  }
  if (IsNumberType(type)) {
    if (text.empty()) return true;
    double value = 0;
    return TryStrToFloat(text.substr(0, 63), value);
  }
  if (type == ftDate || type == ftTime || type == ftDateTime) {
    TDateTimeValue value{};
    if (TryStrToDate(text, value) || TryStrToTime(text, value)) return true;
    return TryStrToDateTime(text, value);
  }
  return true;
}

// Whether the record found matches what was typed.
bool MatchesTyped(const TField *field, const std::string &text) {
  const TFieldType type = field->DataType();
  if (type == ftFloat || type == ftCurrency) {
    if (text.empty()) return field->IsNull();
    double typed = 0;
    if (!TryStrToFloat(text.substr(0, 63), typed) || field->IsNull()) return false;
    return field->AsFloat() == typed;
  }
  if (type == ftInteger || type == ftAutoInc) return field->Text() == text;
  return StartsWithIgnoringCase(field->Text(), text);
}

// The definition of the table's current index, or null.
const TIndexDef *CurrentIndexDef(TTable *table) {
  table->UpdateIndexDefs();
  TIndexDefs *defs = table->IndexDefs();
  if (!table->IndexName().empty()) {
    int i = defs->IndexOf(table->IndexName());
    return i >= 0 ? &defs->Items(i) : nullptr;
  }
  if (!table->IndexFieldNames().empty())
    return defs->GetIndexForFields(table->IndexFieldNames(), false);
  for (int i = 0; i < defs->Count(); ++i)
    if (defs->Items(i).Options() & ixPrimary) return &defs->Items(i);
  return nullptr;
}

std::string FirstIndexField(const TIndexDef &def) {
  return def.Fields().substr(0, def.Fields().find(';'));
}

int ScrollBarExtent() {
  return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

} // namespace

// ---------------------------------------------------------------------------
// TwwIncrementalSearch

TwwIncrementalSearch::TwwIncrementalSearch(TComponent *owner) : TEdit(owner) {
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(333);
  timer_->OnTimer = [this](TObject *) { TimerFired(); };
}

void TwwIncrementalSearch::SetDataSource(TDataSource *source) {
  if (data_source_) data_source_->RemoveFreeNotification(this);
  data_source_ = source;
  if (source) source->FreeNotification(this);
}

void TwwIncrementalSearch::Notification(TComponent *component, TOperation operation) {
  TEdit::Notification(component, operation);
  if (operation == opRemove && component == data_source_) data_source_ = nullptr;
}

int TwwIncrementalSearch::SearchDelay() const {
  TDataSet *ds = data_source_ ? data_source_->DataSet() : nullptr;
  if (!ds || !ds->Active()) return 333;
  if (auto *table = dynamic_cast<TTable *>(ds))
    if (table->Database() && table->Database()->IsSQLBased()) return 333;
  return 333 / 2;
}

bool TwwIncrementalSearch::SearchPending() const {
  return timer_->Enabled();
}

void TwwIncrementalSearch::KeyUp(Word &key, TShiftState shift) {
  TEdit::KeyUp(key, shift);
  if (Text() == last_text_) return;
  const bool erase = key == VK_BACK || key == VK_DELETE;
  if (!(erase || key == VK_SPACE || (key >= 48 && key <= 111) || key > 145)) return;
  if (!data_source_) {
    Warn(wwmsg::kNoDataSource + Name());
    return;
  }
  TDataSet *ds = data_source_->DataSet();
  if (!ds) {
    Warn(wwmsg::kNoDataSet);
    return;
  }
  if (show_match_text_ && erase) {
    // Erasing a shown match does not search again; an emptied edit lifts
    // a narrowed range.
    auto *table = dynamic_cast<TwwTable *>(ds);
    if (Text().empty() && table && table->NarrowSearch() && table->Active()) {
      table->CancelRange();
      last_text_.clear();
    }
    return;
  }
  timer_->SetEnabled(false);
  timer_->SetInterval(SearchDelay());
  timer_->SetEnabled(true);
}

void TwwIncrementalSearch::TimerFired() {
  timer_->SetEnabled(false);
  const std::string text = Text();
  if (text == last_text_) return;
  last_text_ = text;
  Search(text);
}

void TwwIncrementalSearch::FlushPendingSearch() {
  if (SearchPending()) TimerFired();
}

bool TwwIncrementalSearch::Search(const std::string &text) {
  TDataSet *ds = data_source_ ? data_source_->DataSet() : nullptr;
  if (!ds || !ds->Active()) return false;
  bool match;
  if (auto *table = dynamic_cast<TTable *>(ds)) {
    if (table->IndexFieldCount() == 0) {
      match = LocateText(ds, text);
    } else {
      int position = 0;
      for (int i = 0; i < table->IndexFieldCount(); ++i)
        if (AnsiSameText(table->IndexFields(i)->FieldName(), search_field_)) {
          position = i;
          break;
        }
      match = PartialKeySearch(table, text, position);
    }
  } else {
    match = LocateText(ds, text);
  }
  if (OnAfterSearch) OnAfterSearch(this, match);
  if (show_match_text_ && match) ShowMatch(ds, text);
  return match;
}

bool TwwIncrementalSearch::PartialKeySearch(TTable *table, const std::string &text, int position) {
  auto *ww = dynamic_cast<TwwTable *>(table);
  if (!ww) {
    Warn(wwmsg::kPlainTableSearch);
    return false;
  }
  if (table->IndexFieldCount() == 0) {
    Warn("Table " + table->TableName() + ": Table index not found");
    return false;
  }
  TField *field = table->IndexFields(position);
  if (!TextSuitsField(field, text)) return false;
  if (ww->NarrowSearch()) {
    TWaitCursor wait;
    if (text.empty()) {
      ww->CancelRange();
    } else {
      // The end of the range: the text followed by the highest character,
      // as many times as the field is long. The default upper character
      // (255) stands for the highest character of all, so that every
      // continuation of the text, accented or not, lies inside the range.
      const uint16_t upper = ww->NarrowSearchUpperChar();
      const std::string high = upper == 255 ? std::string("\xF4\x8F\xBF\xBF")
                                            : QString(QChar(upper)).toUtf8().toStdString();
      std::string end = text;
      for (int i = 0; i < std::max(1, field->Size()); ++i)
        end += high;
      const TIndexDef *def = CurrentIndexDef(table);
      const bool descending = def && (def->Options() & ixDescending);
      if (descending)
        ww->SetRange({TVariant(end)}, {TVariant(text)});
      else
        ww->SetRange({TVariant(text)}, {TVariant(end)});
    }
  } else if (position <= 3) {
    std::vector<TVariant> values;
    for (int i = 0; i < position; ++i)
      values.push_back(table->IndexFields(i)->AsVariant());
    if (!text.empty()) values.push_back(TVariant(text));
    table->FindNearest(values);
  }
  return MatchesTyped(field, text);
}

bool TwwIncrementalSearch::LocateText(TDataSet *dataset, const std::string &text) {
  TField *field = nullptr;
  std::string name = search_field_;
  if (name.empty()) {
    if (dataset->FieldCount() > 0) field = dataset->Fields(0);
  } else {
    field = dataset->FindField(name);
  }
  if (!field) {
    Warn("Field " + name + " not found.");
    return false;
  }
  if (AnsiSameText(field->Text(), text)) return true;
  auto *table = dynamic_cast<TTable *>(dataset);
  if (table && field->DataType() == ftString && table->IndexFieldCount() > 0 &&
      table->IndexFields(0) == field && table->CaseInsensitiveIndex()) {
    table->FindNearest({TVariant(text)});
    return StartsWithIgnoringCase(field->Text(), text);
  }
  TWaitCursor wait;
  const TBookmarkStr where = dataset->Bookmark();
  bool found = false;
  dataset->DisableControls();
  try {
    for (dataset->First(); !dataset->Eof(); dataset->Next())
      if (StartsWithIgnoringCase(field->Text(), text)) {
        found = true;
        break;
      }
    if (!found && !where.empty()) dataset->SetBookmark(where);
  } catch (...) {
    dataset->EnableControls();
    throw;
  }
  dataset->EnableControls();
  return found;
}

void TwwIncrementalSearch::ShowMatch(TDataSet *dataset, const std::string &typed) {
  TField *field = search_field_.empty() ? nullptr : dataset->FindField(search_field_);
  if (!field && dataset->IndexFieldCount() > 0) field = dataset->IndexFields(0);
  if (!field) return;
  const std::string value = field->Text();
  SetText(value);
  const int typed_length = static_cast<int>(Utf8Length(typed));
  SetSelStart(typed_length);
  SetSelLength(std::max(0, static_cast<int>(Utf8Length(value)) - typed_length));
}

// ---------------------------------------------------------------------------
// TwwKeyCombo

TwwKeyCombo::TwwKeyCombo(TComponent *owner) : TComboBox(owner) {
  SetStyle(csDropDownList);
}

void TwwKeyCombo::SetDataSource(TDataSource *source) {
  if (source && source->DataSet() && !dynamic_cast<TTable *>(source->DataSet())) {
    Warn(wwmsg::kKeyComboNeedsTable);
    return;
  }
  if (data_source_) data_source_->RemoveFreeNotification(this);
  data_source_ = source;
  if (source) source->FreeNotification(this);
}

void TwwKeyCombo::Notification(TComponent *component, TOperation operation) {
  TComboBox::Notification(component, operation);
  if (operation == opRemove && component == data_source_) data_source_ = nullptr;
}

std::string TwwKeyCombo::ItemOf(TTable *table, const TIndexDef &def) const {
  if (show_all_indexes_) return def.Name().empty() ? primary_key_name_ : def.Name();
  if (def.Options() & ixExpression) return std::string();
  TField *field = table->FindField(FirstIndexField(def));
  if (!field || !(IsFieldShown ? IsFieldShown(field) : field->Visible())) return std::string();
  std::string label = field->DisplayLabel();
  std::replace(label.begin(), label.end(), '~', ' ');
  if (def.Options() & ixDescending) label += " - Desc";
  return label;
}

void TwwKeyCombo::Fill() {
  Clear();
  TDataSet *ds = data_source_ ? data_source_->DataSet() : nullptr;
  if (!ds) return;
  auto *table = dynamic_cast<TTable *>(ds);
  if (!table) {
    Warn(wwmsg::kKeyComboNoDataSet);
    return;
  }
  if (table->MasterSource()) {
    Warn(std::string(wwmsg::kKeyComboChildTable) + "\r\nComponent " + Name() +
         " has a MasterSource defined.");
    return;
  }
  const TIndexDef *current = CurrentIndexDef(table);
  TIndexDefs *defs = table->IndexDefs();
  int selected = -1;
  for (int i = 0; i < defs->Count(); ++i) {
    const std::string item = ItemOf(table, defs->Items(i));
    if (item.empty()) continue;
    if (IndexOf(item) < 0) AddItem(item);
    if (&defs->Items(i) == current) selected = IndexOf(item);
  }
  SetItemIndex(selected);
}

void TwwKeyCombo::ChooseItem(const std::string &item) {
  auto *table = data_source_ ? dynamic_cast<TTable *>(data_source_->DataSet()) : nullptr;
  if (!table || !table->Active()) return;
  table->UpdateIndexDefs();
  TIndexDefs *defs = table->IndexDefs();
  const TIndexDef *chosen = nullptr;
  // Case-insensitive indexes first: typing "dog" should find "Dog".
  for (int pass = 0; pass < 2 && !chosen; ++pass)
    for (int i = 0; i < defs->Count() && !chosen; ++i) {
      const TIndexDef &def = defs->Items(i);
      if (pass == 0 && !(def.Options() & ixCaseInsensitive) && !show_all_indexes_) continue;
      if (ItemOf(table, def) == item) chosen = &def;
    }
  if (!chosen) return;
  const std::string name = (chosen->Options() & ixPrimary) ? std::string() : chosen->Name();
  const TBookmarkStr where = table->Bookmark();
  table->SetIndexName(name);
  if (!where.empty()) {
    try {
      table->SetBookmark(where);
    } catch (const std::exception &) {
      // The record is gone: the table stays where the index switch left it.
    }
  }
}

void TwwKeyCombo::Change() {
  if (ItemIndex() >= 0) ChooseItem(Items(ItemIndex()));
  TComboBox::Change();
}

// ---------------------------------------------------------------------------
// TwwLookupDlg

TwwLookupDlg::TwwLookupDlg(TComponent *owner) : TForm(owner) {
  SetName("wwLookupDlg");
  SetCaption("Lookup");
  SetBorderStyle(bsDialog);
  SetClientWidth(ScaleDesign(344));
  SetClientHeight(ScaleDesign(343));
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-ScaleDesign(11));
  Font().SetStyle(fsBold);
  Font().SetColor(clBlack);
  SetKeyPreview(true);

  DataSource1 = new TwwDataSource(this);
  DataSource1->SetName("DataSource1");
  DataSource1->OnDataChange = [this](TObject *s, TField *f) { DataSource1DataChange(s, f); };

  SearchCharacterLabel = new TLabel(this);
  SearchCharacterLabel->SetName("SearchCharacterLabel");
  SearchCharacterLabel->SetParent(this);
  SearchCharacterLabel->SetDesignBounds(8, 8, 110, 13);
  SearchCharacterLabel->SetCaption("&Search Characters");

  SortByLabel = new TLabel(this);
  SortByLabel->SetName("SortByLabel");
  SortByLabel->SetParent(this);
  SortByLabel->SetDesignBounds(8, 48, 60, 13);
  SortByLabel->SetCaption("Search &By");
  SortByLabel->SetVisible(false);

  wwIncrementalSearch1 = new TwwIncrementalSearch(this);
  wwIncrementalSearch1->SetName("wwIncrementalSearch1");
  wwIncrementalSearch1->SetParent(this);
  wwIncrementalSearch1->SetDesignBounds(8, 24, 329, 20);
  wwIncrementalSearch1->SetHint("Enter characters for incremental search");
  wwIncrementalSearch1->SetTabOrder(0);
  wwIncrementalSearch1->SetDataSource(DataSource1);
  SearchCharacterLabel->SetFocusControl(wwIncrementalSearch1);

  wwKeyCombo1 = new TwwKeyCombo(this);
  wwKeyCombo1->SetName("wwKeyCombo1");
  wwKeyCombo1->SetParent(this);
  wwKeyCombo1->SetDesignBounds(10, 64, 329, 21);
  wwKeyCombo1->SetHint("Incremental searching and sorting order");
  wwKeyCombo1->SetVisible(false);
  wwKeyCombo1->SetShowAllIndexes(false);
  wwKeyCombo1->SetPrimaryKeyName("PrimaryKey");
  wwKeyCombo1->SetDataSource(DataSource1);
  wwKeyCombo1->OnChange = [this](TObject *s) { wwKeyCombo1Change(s); };
  wwKeyCombo1->OnKeyDown = [this](TObject *s, Word &k, TShiftState sh) {
    wwKeyCombo1KeyDown(s, k, sh);
  };
  SortByLabel->SetFocusControl(wwKeyCombo1);

  wwDBGrid1 = new TwwDBGrid(this);
  wwDBGrid1->SetName("wwDBGrid1");
  wwDBGrid1->SetParent(this);
  wwDBGrid1->SetDesignBounds(8, 84, 329, 209);
  wwDBGrid1->SetParentFont(false);
  wwDBGrid1->Font().SetName("MS Sans Serif");
  wwDBGrid1->Font().SetHeight(-ScaleDesign(11));
  wwDBGrid1->Font().SetColor(clBlack);
  wwDBGrid1->Font().SetStyle(0);
  wwDBGrid1->TitleFont().Assign(&wwDBGrid1->Font());
  wwDBGrid1->TitleFont().SetStyle(fsBold);
  wwDBGrid1->SetFixedColor(clBtnFace);
  wwDBGrid1->SetShowHorzScrollBar(true);
  wwDBGrid1->SetTitleAlignment(taLeftJustify);
  wwDBGrid1->SetIndicatorColor(icBlack);
  wwDBGrid1->SetDataSource(DataSource1);
  wwDBGrid1->OnDblClick = [this](TObject *s) { wwDBGrid1DblClick(s); };
  wwDBGrid1->OnMouseDown = [this](TObject *s, TMouseButton b, TShiftState sh, int x, int y) {
    wwDBGrid1MouseDown(s, b, sh, x, y);
  };
  wwDBGrid1->OnColumnMoved = [this](TObject *s, int from, int to) {
    wwDBGrid1ColumnMoved(s, from, to);
  };

  StatusHeader = new TPanel(this);
  StatusHeader->SetName("StatusHeader");
  StatusHeader->SetParent(this);
  StatusHeader->SetDesignBounds(8, 292, 329, 17);
  StatusHeader->SetHint("Table Name and current record position");
  StatusHeader->SetVisible(false);
  StatusTableName = new TLabel(this);
  StatusTableName->SetParent(StatusHeader);
  StatusTableName->SetDesignBounds(2, 2, 160, 13);
  StatusPosition = new TLabel(this);
  StatusPosition->SetParent(StatusHeader);
  StatusPosition->SetDesignBounds(166, 2, 160, 13);

  UserButtonPanel = new TPanel(this);
  UserButtonPanel->SetName("UserButtonPanel");
  UserButtonPanel->SetParent(this);
  UserButtonPanel->SetBevelOuter(bvNone);
  UserButtonPanel->SetVisible(false);
  UserButton1 = new TButton(this);
  UserButton1->SetName("UserButton1");
  UserButton1->SetParent(UserButtonPanel);
  UserButton1->SetVisible(false);
  UserButton1->OnClick = [this](TObject *s) { UserButton1Click(s); };
  UserButton2 = new TButton(this);
  UserButton2->SetName("UserButton2");
  UserButton2->SetParent(UserButtonPanel);
  UserButton2->SetVisible(false);
  UserButton2->OnClick = [this](TObject *s) { UserButton2Click(s); };

  // OK and Cancel, parked below the visible area until the layout.
  OKBtn = CreateDialogButton(this, wwbkOK);
  OKBtn->SetName("OKBtn");
  OKBtn->SetDefault(true);
  OKBtn->SetTop(ClientHeight() + 50);
  OKBtn->SetVisible(true);
  OKBtn->SetTabOrder(4);
  CancelBtn = CreateDialogButton(this, wwbkCancel);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetTop(ClientHeight() + 50);
  CancelBtn->SetVisible(true);
  CancelBtn->SetTabOrder(5);

  OnKeyDown = [this](TObject *s, Word &k, TShiftState sh) { FormKeyDown(s, k, sh); };
  OnKeyUp = [this](TObject *s, Word &k, TShiftState sh) { FormKeyUp(s, k, sh); };
  OnCloseQuery = [this](TObject *s, bool &can) { FormCloseQuery(s, can); };
  OnActivate = [this](TObject *s) { FormActivate(s); };
  OnShow = [this](TObject *s) { FormActivate(s); };
}

void TwwLookupDlg::ApplyIntlTexts() {
  TwwIntl *intl = wwInternational();
  TwwSearchDialogIntl *texts = intl->SearchDialog();
  Font().SetStyle(intl->DialogFontStyle());
  SearchCharacterLabel->SetCaption(texts->SearchCharLabel);
  SortByLabel->SetCaption(texts->SearchByLabel);
  wwIncrementalSearch1->SetHint(texts->SearchCharHint);
  wwKeyCombo1->SetHint(texts->SearchByHint);
}

void TwwLookupDlg::PrepareShow() {
  if (!dynamic_cast<TwwTable *>(dataset_)) options_ &= ~opShowSearchBy;
  const int screen_w = Screen->Width(), screen_h = Screen->Height();
  max_width_ = max_width_ > 0 ? std::min(max_width_, screen_w - 40) : screen_w - 40;
  max_height_ = max_height_ > 0 ? std::min(max_height_, screen_h - 200) : screen_h - 200;

  const TRect work = Screen->WorkAreaRect();
  auto top_for = [&](int h) { return std::max(0, (work.Top + work.Bottom - h - 200) / 2); };
  auto left_for = [&](int w) { return (work.Left + work.Right - w - 40) / 2; };
  int top = top_for(max_height_), left = left_for(max_width_);
  left_pos_ = left;
  SetTop(top);
  if (OnInitDialog) {
    const int old_w = max_width_, old_h = max_height_, old_top = Top();
    left_pos_ = left;
    OnInitDialog(this);
    if (max_height_ != old_h && Top() == old_top) SetTop(top_for(max_height_));
    if (max_width_ != old_w && left_pos_ == left) left = left_for(max_width_);
  }
  // A left position the init handler chose is kept; otherwise the window
  // is centred once laid out.
  left_pos_ = left_pos_ != left ? left_pos_ : -1;

  DataSource1->SetDataSet(dataset_);
  ApplyIntlTexts();
  ArrangeIndexColumns();
  Layout(true);
  if (options_ & opShowSearchBy) {
    wwKeyCombo1->IsFieldShown = [this](TField *field) {
      const TStringList &lines = wwDBGrid1->Selected();
      if (lines.Count() == 0) return field->Visible();
      for (int i = 0; i < lines.Count(); ++i)
        if (AnsiSameText(ParseSelectedLine(lines[i]).field_name, field->FieldName())) return true;
      return false;
    };
    wwKeyCombo1->Fill();
  }
  SetActiveControl(wwIncrementalSearch1);
}

void TwwLookupDlg::FirstColumnSearchField() {
  if (wwDBGrid1->Columns()->Count() > 0 && wwDBGrid1->Columns()->Items(0)->Field())
    wwIncrementalSearch1->SetSearchField(wwDBGrid1->Columns()->Items(0)->Field()->FieldName());
}

void TwwLookupDlg::ArrangeIndexColumns() {
  auto *table = dynamic_cast<TTable *>(dataset_);
  if (!wwDBGrid1->UseTFields() && (!table || table->IndexFieldCount() == 0)) {
    FirstColumnSearchField();
    return;
  }
  if (!table || !table->Active()) return;
  wwIncrementalSearch1->SetSearchField("");
  table->UpdateIndexDefs();
  if (wwDBGrid1->UseTFields()) {
    wwDBGrid1->ApplySelected();
    int position = 0;
    for (int i = 0; i < table->IndexFieldCount(); ++i) {
      TField *field = table->IndexFields(i);
      if (!field->Visible()) continue;
      field->SetIndex(position);
      if (position == 0) wwIncrementalSearch1->SetSearchField(field->FieldName());
      ++position;
    }
  } else {
    TStringList lines;
    lines.Assign(&wwDBGrid1->Selected());
    int position = 0;
    for (int i = 0; i < table->IndexFieldCount(); ++i) {
      const std::string name = table->IndexFields(i)->FieldName();
      for (int j = position; j < lines.Count(); ++j)
        if (AnsiSameText(ParseSelectedLine(lines[j]).field_name, name)) {
          std::string line = lines[j];
          lines.Delete(j);
          lines.Insert(position, line);
          if (position == 0) wwIncrementalSearch1->SetSearchField(name);
          ++position;
          break;
        }
    }
    wwDBGrid1->SetSelected(lines);
  }
}

void TwwLookupDlg::Layout(bool resize_window) {
  const bool ok_cancel = (options_ & opShowOKCancel) != 0;
  const bool search_by = (options_ & opShowSearchBy) != 0;
  const bool group = (options_ & opGroupControls) != 0;
  const bool has_user1 = !UserButton1->Caption().empty();
  const bool has_user2 = !UserButton2->Caption().empty();

  // 1. The narrowest the window may be.
  int min_width;
  if (ok_cancel) {
    min_width = OKBtn->Width() + CancelBtn->Width() + 18;
    if (has_user1) min_width += UserButton1->Width() + 30;
    if (has_user2) min_width += UserButton2->Width() + 30;
  } else {
    min_width = SortByLabel->Left() + SortByLabel->Width() + 3;
    if (has_user1 && has_user2)
      min_width = std::max(min_width, UserButton1->Width() + UserButton2->Width() + 35);
    else if (has_user1)
      min_width = std::max(min_width, UserButton1->Width() + 35);
  }
  if (options_ & opShowStatusBar) min_width = std::max(min_width, StatusHeader->Width());

  // 2. The columns' total; a narrow set of columns widens its last one.
  int total = wwDBGrid1->ColumnsTotalWidth() + ScrollBarExtent() + 1;
  const int columns = wwDBGrid1->Columns()->Count();
  if (total < min_width && columns > 0) {
    TColumn *last = wwDBGrid1->Columns()->Items(columns - 1);
    last->SetWidth(last->Width() + min_width - total);
    wwDBGrid1->LayoutChanged();
    total = min_width;
  }

  // 3. The grid, and the window around it.
  const int grid_width = std::max(std::min(total, max_width_), min_width);
  const int grid_height = max_height_;
  wwDBGrid1->SetShowHorzScrollBar(grid_width < total);
  const int window_width = resize_window ? grid_width + 16 : ClientWidth();

  // 4. Top to bottom.
  SearchCharacterLabel->SetTop(8);
  const int edit_top = SearchCharacterLabel->Top() + 3 + ScaleDesign(13);
  wwIncrementalSearch1->SetTop(edit_top);
  wwDBGrid1->SetBounds(8, edit_top + wwIncrementalSearch1->Height() + 8, grid_width, grid_height);
  wwDBGrid1->FitHeight();
  int bottom = wwDBGrid1->Top() + wwDBGrid1->Height();

  auto *table = dynamic_cast<TwwTable *>(dataset_);
  const bool status =
      (options_ & opShowStatusBar) && table && table->Active() && table->IsNativeTable();
  StatusHeader->SetVisible(status);
  if (status) {
    const int status_top = (ok_cancel || has_user1 || has_user2) ? bottom - 1 : bottom + 10;
    StatusHeader->SetBounds(8, status_top, grid_width, StatusHeader->Height());
    bottom = status_top + StatusHeader->Height();
  }

  // 5. The edit and the index selector.
  SortByLabel->SetVisible(search_by);
  wwKeyCombo1->SetVisible(search_by);
  if (!search_by) {
    wwIncrementalSearch1->SetBounds(8, edit_top, grid_width, wwIncrementalSearch1->Height());
  } else if (group) {
    const int half = (grid_width - 20) / 2;
    wwIncrementalSearch1->SetBounds(8, edit_top, half, wwIncrementalSearch1->Height());
    SortByLabel->SetBounds(8 + half + 20, 8, SortByLabel->Width(), SortByLabel->Height());
    wwKeyCombo1->SetBounds(8 + half + 20, edit_top, half, wwKeyCombo1->Height());
    wwKeyCombo1->SetTabOrder(1);
  } else {
    wwIncrementalSearch1->SetBounds(8, edit_top, grid_width, wwIncrementalSearch1->Height());
    SortByLabel->SetTop(bottom + 8);
    wwKeyCombo1->SetBounds(8, SortByLabel->Top() + SortByLabel->Height() + 3, grid_width,
                           wwKeyCombo1->Height());
    bottom = wwKeyCombo1->Top() + wwKeyCombo1->Height();
  }

  // 6. The user buttons.
  UserButton1->SetVisible(has_user1);
  UserButton2->SetVisible(has_user2);
  UserButtonPanel->SetVisible(has_user1 || has_user2);
  if (has_user1 || has_user2) {
    int x = 10;
    if (has_user1) {
      UserButton1->SetLeft(x);
      x += UserButton1->Width() + 15;
    }
    if (has_user2) {
      UserButton2->SetLeft(x);
      x += UserButton2->Width() + 15;
    }
    const int panel_width = ok_cancel ? x - 15 + 10 : grid_width;
    UserButtonPanel->SetBounds(8, bottom + 5, panel_width, OKBtn->Height() + 10);
  }

  // 7. OK and Cancel, and the window's height.
  OKBtn->SetVisible(ok_cancel);
  CancelBtn->SetVisible(ok_cancel);
  if (ok_cancel) {
    const int buttons_top = bottom + 13;
    const int shift = grid_width == min_width ? 5 : 0;
    OKBtn->SetBounds(window_width - 2 * OKBtn->Width() - 36 + shift, buttons_top, OKBtn->Width(),
                     OKBtn->Height());
    CancelBtn->SetBounds(window_width - OKBtn->Width() - 23 + shift, buttons_top,
                         CancelBtn->Width(), CancelBtn->Height());
    bottom = buttons_top + OKBtn->Height();
  } else if (UserButtonPanel->Visible()) {
    bottom = UserButtonPanel->Top() + UserButtonPanel->Height();
  }
  if (resize_window) {
    SetClientWidth(window_width);
    SetClientHeight(bottom + 9);
    if (left_pos_ < 0)
      SetPosition(poScreenCenter);
    else
      SetLeft(left_pos_);
  }

  // 8. A grouped edit narrower than its label gets the short label.
  if (search_by && group && wwIncrementalSearch1->Width() < SearchCharacterLabel->Width())
    SearchCharacterLabel->SetCaption(wwInternational()->SearchDialog()->SearchCharShortLabel);
}

void TwwLookupDlg::FormActivate(TObject *) {
  if (activated_) return;
  activated_ = true;
  if (wwIncrementalSearch1->Visible() && wwIncrementalSearch1->CanFocus())
    wwIncrementalSearch1->SetFocus();
  RefreshStatus();
  if (!preset_text_.empty()) {
    wwIncrementalSearch1->SetText(preset_text_);
    wwIncrementalSearch1->SetSelStart(static_cast<int>(Utf8Length(preset_text_)));
  }
}

void TwwLookupDlg::RefreshStatus() {
  if (!StatusHeader->Visible() || !dataset_ || !dataset_->Active()) return;
  // The engine cursor reads ahead of the record shown: it is put on the
  // current record first.
  std::vector<uint8_t> record;
  if (!dataset_->ReadCurrentRecordCopy(record)) return;
  uint32_t sequence = 0, count = 0;
  if (EngineGetSequenceNumber(dataset_->Handle(), &sequence) != DBENG_OK ||
      EngineGetRecordCount(dataset_->Handle(), &count) != DBENG_OK)
    return;
  TwwSearchDialogIntl *texts = wwInternational()->SearchDialog();
  if (auto *table = dynamic_cast<TTable *>(dataset_))
    StatusTableName->SetCaption(table->TableName());
  StatusPosition->SetCaption(texts->StatusRecLabel + " " + std::to_string(sequence) + " " +
                             texts->StatusOfLabel + " " + std::to_string(count));
}

void TwwLookupDlg::wwKeyCombo1Change(TObject *) {
  wwIncrementalSearch1->SetText("");
  wwIncrementalSearch1->ForgetLastSearch();
  ArrangeIndexColumns();
  Layout(false);
  if (!wwKeyCombo1->DroppedDown() && wwIncrementalSearch1->CanFocus())
    wwIncrementalSearch1->SetFocus();
}

void TwwLookupDlg::FormKeyDown(TObject *, Word &Key, TShiftState Shift) {
  if (wwKeyCombo1->Focused()) return;
  switch (Key) {
  case VK_RETURN:
    if (OKBtn->Visible() && OKBtn->CanFocus()) OKBtn->SetFocus();
    Key = 0;
    SetModalResult(mrOk);
    break;
  case VK_PRIOR:
  case VK_NEXT:
  case VK_UP:
  case VK_DOWN:
    if (!wwDBGrid1->Focused()) {
      // The grid scrolls while the edit keeps the focus.
      wwDBGrid1->KeyDown(Key, Shift);
      Key = 0;
    }
    break;
  default:
    break;
  }
}

void TwwLookupDlg::FormKeyUp(TObject *, Word &Key, TShiftState) {
  if ((Key == VK_RETURN || Key == VK_ESCAPE) && wwKeyCombo1->Focused()) {
    wwKeyCombo1->SetDroppedDown(false);
    if (wwIncrementalSearch1->CanFocus()) wwIncrementalSearch1->SetFocus();
  }
}

void TwwLookupDlg::wwKeyCombo1KeyDown(TObject *, Word &Key, TShiftState Shift) {
  if (Key == VK_DOWN && !(Shift & ssAlt) && !wwKeyCombo1->DroppedDown()) {
    wwKeyCombo1->SetDroppedDown(true);
    Key = 0;
  }
}

void TwwLookupDlg::FormCloseQuery(TObject *, bool &CanClose) {
  if (wwKeyCombo1->DroppedDown()) {
    CanClose = false;
    return;
  }
  wwIncrementalSearch1->FlushPendingSearch();
  if (OnCloseDialog) OnCloseDialog(this);
}

void TwwLookupDlg::wwDBGrid1DblClick(TObject *) {
  if (wwDBGrid1->EditingAllowed() || blob_press_) return;
  SetModalResult(mrOk);
}

void TwwLookupDlg::wwDBGrid1MouseDown(TObject *, TMouseButton, TShiftState, int X, int Y) {
  blob_press_ = wwDBGrid1->IsBlobCell(X, Y);
}

void TwwLookupDlg::wwDBGrid1ColumnMoved(TObject *, int, int) {
  auto *table = dynamic_cast<TTable *>(dataset_);
  if (!wwDBGrid1->UseTFields() && (!table || table->IndexFieldCount() == 0))
    FirstColumnSearchField();
}

void TwwLookupDlg::DataSource1DataChange(TObject *, TField *) {
  RefreshStatus();
}

void TwwLookupDlg::UserButton1Click(TObject *) {
  if (OnUserButton1Click) OnUserButton1Click(this, dataset_);
}

void TwwLookupDlg::UserButton2Click(TObject *) {
  if (OnUserButton2Click) OnUserButton2Click(this, dataset_);
}

// ---------------------------------------------------------------------------
// The components

TwwCustomLookupDialog::TwwCustomLookupDialog(TComponent *owner) : TComponent(owner) {}

bool TwwCustomLookupDialog::RunWindow(TDataSet *dataset, bool pass_selected) {
  std::unique_ptr<TwwLookupDlg> dialog = std::make_unique<TwwLookupDlg>(Application);
  dialog->SetCaption(caption_);

  TStringList lines;
  if (pass_selected && selected_.Count() > 0) {
    lines.Assign(&selected_);
  } else if (!dataset->Active()) {
    MessageDlg(wwmsg::kDataSetMustBeActive, mtInformation, mbOK, 0);
  } else {
    for (int i = 0; i < dataset->FieldCount(); ++i) {
      TField *f = dataset->Fields(i);
      if (!f->Visible()) continue;
      lines.Add(f->FieldName() + "\t" + std::to_string(f->DisplayWidth()) + "\t" +
                f->DisplayLabel() + "\t" + (f->Calculated() ? "Yes" : "No"));
    }
  }
  TwwDBGrid *grid = dialog->wwDBGrid1;
  grid->SetUseTFields(use_tfields_);
  grid->SetOptions(grid_options_);
  grid->SetColor(grid_color_);
  grid->SetTitleAlignment(grid_title_alignment_);
  grid->SetSelected(lines);

  dialog->SetDataSet(dataset);
  dialog->SetOptions(options_);
  dialog->SetMaxWidth(max_width_);
  dialog->SetMaxHeight(max_height_);
  dialog->wwIncrementalSearch1->SetCharCase(char_case_);
  dialog->OnUserButton1Click = OnUserButton1Click;
  dialog->OnUserButton2Click = OnUserButton2Click;
  dialog->OnInitDialog = OnInitDialog;
  dialog->OnCloseDialog = OnCloseDialog;
  dialog->UserButton1->SetCaption(user_button1_caption_);
  dialog->UserButton2->SetCaption(user_button2_caption_);

  bool ok = false;
  try {
    dialog->PrepareShow();
    if (OnDialogCreated) OnDialogCreated(dialog.get());
    const int result = dialog->ShowModal();
    // A search still waiting for its timer runs before the result counts.
    dialog->wwIncrementalSearch1->FlushPendingSearch();
    ok = result == mrOk;
  } catch (...) {
    dialog->DataSource1->SetDataSet(nullptr);
    throw;
  }
  dialog->DataSource1->SetDataSet(nullptr);
  return ok;
}

TwwSearchDialog::TwwSearchDialog(TComponent *owner) : TwwCustomLookupDialog(owner) {
  SetCaption("Search");
}

void TwwSearchDialog::SetSearchTable(TwwTable *table) {
  if (search_table_) search_table_->RemoveFreeNotification(this);
  search_table_ = table;
  if (table) table->FreeNotification(this);
}

void TwwSearchDialog::SetShadowSearchTable(TwwTable *table) {
  if (shadow_table_) shadow_table_->RemoveFreeNotification(this);
  shadow_table_ = table;
  if (table) table->FreeNotification(this);
}

void TwwSearchDialog::Notification(TComponent *component, TOperation operation) {
  TwwCustomLookupDialog::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == search_table_) search_table_ = nullptr;
  if (component == shadow_table_) shadow_table_ = nullptr;
}

bool TwwSearchDialog::Execute() {
  TwwTable *work = shadow_table_ ? shadow_table_ : search_table_;
  if (search_table_ && shadow_table_) {
    if (search_table_ == shadow_table_) {
      Warn(wwmsg::kSameSearchAndShadow);
      return false;
    }
    if (!AnsiSameText(search_table_->DatabaseName(), shadow_table_->DatabaseName()) ||
        !AnsiSameText(search_table_->TableName(), shadow_table_->TableName())) {
      Warn(wwmsg::kDifferentPhysicalTables);
      return false;
    }
  }
  if (!work || work->DatabaseName().empty() || work->TableName().empty()) {
    Warn(wwmsg::kUnableToOpen);
    return false;
  }
  if (!work->Active() || (search_table_ && !search_table_->Active())) {
    Warn(wwmsg::kSearchTableNotActive);
    return false;
  }
  if (search_table_) {
    if (work->NarrowSearch()) work->CancelRange();
    if (work != search_table_) {
      try {
        work->GotoCurrent(search_table_);
      } catch (const std::exception &) {
        // The shadow starts wherever it stood.
      }
    }
  }
  const bool ok = RunWindow(work, work != search_table_);
  if (ok && search_table_ && work != search_table_ && !(work->BOF() && work->Eof())) {
    // The shadow sees every row; the search table's own record filter may
    // hide the one chosen. Moving there would show a row the filter
    // excludes: the table stays and the user is told why.
    std::vector<uint8_t> record;
    if (work->ReadCurrentRecordCopy(record) && !search_table_->RecordPassesFilter(record.data())) {
      MessageDlg(wwmsg::kChosenRecordFiltered, mtInformation, mbOK, 0);
      return ok;
    }
    search_table_->GotoCurrent(work);
  }
  return ok;
}

TwwLookupDialog::TwwLookupDialog(TComponent *owner) : TwwCustomLookupDialog(owner) {
  SetCaption("Lookup");
}

void TwwLookupDialog::SetLookupTable(TDataSet *table) {
  if (lookup_table_) lookup_table_->RemoveFreeNotification(this);
  lookup_table_ = table;
  if (table) table->FreeNotification(this);
}

void TwwLookupDialog::Notification(TComponent *component, TOperation operation) {
  TwwCustomLookupDialog::Notification(component, operation);
  if (operation == opRemove && component == lookup_table_) lookup_table_ = nullptr;
}

bool TwwLookupDialog::Execute() {
  if (!lookup_table_) {
    Warn(wwmsg::kNoLookupTable);
    return false;
  }
  if (!lookup_table_->Active()) {
    Warn(wwmsg::kSearchTableNotActive);
    return false;
  }
  return RunWindow(lookup_table_, true);
}
