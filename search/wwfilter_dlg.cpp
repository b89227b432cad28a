#include "search/wwfilter_dlg.h"

#include <algorithm>
#include <memory>

#include "base/text.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/table.h"
#include "search/wwfilter_dialog.h"
#include "search/wwintl.h"
#include "ui/dialogs.h"
#include "ui/screen_metrics.h"

namespace {

std::string TildeAsBlank(std::string s) {
  std::replace(s.begin(), s.end(), '~', ' ');
  return s;
}

std::string WithoutAmpersands(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
  return s;
}

TStringList Lines(std::initializer_list<std::string> items) {
  TStringList list;
  for (const std::string &s : items)
    list.Add(s);
  return list;
}

// Match-type group items: exact, start, anywhere.
TwwFilterMatchType MatchForItem(int item) {
  switch (item) {
  case 0:
    return fdMatchExact;
  case 2:
    return fdMatchAny;
  default:
    return fdMatchStart;
  }
}

int ItemForMatch(TwwFilterMatchType match) {
  switch (match) {
  case fdMatchExact:
    return 0;
  case fdMatchAny:
    return 2;
  default:
    return 1;
  }
}

TLabel *MakeLabel(TForm *form, TWinControl *parent, const char *name, int left, int top,
                  TWinControl *focus) {
  auto *label = new TLabel(form);
  label->SetName(name);
  label->SetParent(parent);
  label->SetDesignBounds(left, top, 0, 13);
  label->SetAutoSize(true);
  label->SetFocusControl(focus);
  return label;
}

TEdit *MakeEdit(TForm *form, TWinControl *parent, const char *name, int left, int top) {
  auto *edit = new TEdit(form);
  edit->SetName(name);
  edit->SetParent(parent);
  edit->SetDesignBounds(left, top, 133, 21);
  return edit;
}

TBitBtn *MakeClearButton(TForm *form, TWinControl *parent, const char *name, int left, int top) {
  auto *button = new TBitBtn(form);
  button->SetName(name);
  button->SetParent(parent);
  button->SetDesignBounds(left, top, 45, 21);
  button->SetEnabled(false);
  return button;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

TwwFilterDlg::TwwFilterDlg(TwwFilterDialog *component, TComponent *owner)
    : TForm(owner), component_(component), dataset_(component->DataSet()) {
  SetName("wwFilterDlg");
  SetCaption("Super Search");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  Font().SetColor(clBlack);
  Font().SetStyle(fsBold);
  SetClientWidth(ScaleDesign(470));
  SetClientHeight(ScaleDesign(240));
  SetKeyPreview(true);

  for (const TwwFieldInfo &entry : component->FieldInfos()) {
    TwwFieldInfo copy = entry;
    copy.FieldName = TwwFilterDialog::ResolveFieldName(dataset_, entry.DisplayName);
    working_list_.push_back(std::move(copy));
  }
  component->BuildDBFieldInfos();
  CreateControls();

  const int ppi = ScreenPixelsPerInch();
  OKBtn = CreateDialogButton(this, wwbkOK);
  OKBtn->SetName("OKBtn");
  // OK closes the window only once the editors' criterion is stored.
  OKBtn->SetModalResult(mrNone);
  OKBtn->SetDefault(true);
  OKBtn->OnClick = [this](TObject *) {
    bool can_close = true;
    SetModalResult(mrNone);
    FormCloseQuery(this, can_close);
    if (can_close) SetModalResult(mrOk);
  };
  OKBtn->SetTabOrder(2);
  OKBtn->SetBounds((FieldCriteria->Left() * 96 / ppi + 201 + 7) * ppi / 96, 22 * ppi / 96,
                   OKBtn->Width(), OKBtn->Height());
  OKBtn->SetVisible(true);
  CancelBtn = CreateDialogButton(this, wwbkCancel);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetTabOrder(3);
  CancelBtn->SetBounds(OKBtn->Left(), 62 * ppi / 96, CancelBtn->Width(), CancelBtn->Height());
  CancelBtn->SetVisible(true);

  OnShow = [this](TObject *s) { FormShow(s); };
  OnActivate = [this](TObject *s) { FormActivate(s); };
  OnCloseQuery = [this](TObject *s, bool &can_close) {
    if (ModalResult() == mrOk) FormCloseQuery(s, can_close);
  };
  OnKeyDown = [this](TObject *s, Word &key, TShiftState shift) { FormKeyDown(s, key, shift); };
  SetActiveControl(FilterValueEdit);
}

TwwFilterDlg::~TwwFilterDlg() = default;

void TwwFilterDlg::CreateControls() {
  FieldsListBox = new TListBox(this);
  FieldsListBox->SetName("FieldsListBox");
  FieldsListBox->SetParent(this);
  FieldsListBox->SetDesignBounds(8, 20, 165, 160);
  FieldsListBox->SetTabOrder(0);
  FieldsListBox->OnClick = [this](TObject *s) { FieldsListBoxClick(s); };

  FieldsLbl = MakeLabel(this, this, "FieldsLbl", 8, 4, FieldsListBox);
  FieldsLbl->SetCaption("&Fields");

  FieldOrder = new TRadioGroup(this);
  FieldOrder->SetName("FieldOrder");
  FieldOrder->SetParent(this);
  FieldOrder->SetDesignBounds(5, 201, 170, 37);
  FieldOrder->SetCaption("Field Order");
  FieldOrder->SetColumns(2);
  FieldOrder->SetItems(Lines({"Alpha&betic", "&Logical"}));
  FieldOrder->SetItemIndex(1);
  FieldOrder->OnClick = [this](TObject *s) { FieldOrderClick(s); };

  FieldCriteria = new TGroupBox(this);
  FieldCriteria->SetName("FieldCriteria");
  FieldCriteria->SetParent(this);
  FieldCriteria->SetDesignBounds(180, 3, 201, 179);

  SelectNotebook = new TNotebook(this);
  SelectNotebook->SetName("SelectNotebook");
  SelectNotebook->SetParent(FieldCriteria);
  SelectNotebook->SetDesignBounds(2, 15, 197, 162);
  TPanel *value_page = SelectNotebook->AddPage("AsString");
  TPanel *range_page = SelectNotebook->AddPage("asValue");
  SelectNotebook->SetPageIndex(0);

  FilterValueEdit = MakeEdit(this, value_page, "FilterValueEdit", 8, 22);
  FilterValueEdit->OnChange = [this](TObject *s) { FilterValueEditChange(s); };
  FieldValueLbl = MakeLabel(this, value_page, "FieldValueLbl", 8, 7, FilterValueEdit);
  FieldValueLbl->SetCaption("Field &Value");

  MatchTypeGroup = new TRadioGroup(this);
  MatchTypeGroup->SetName("MatchTypeGroup");
  MatchTypeGroup->SetParent(value_page);
  MatchTypeGroup->SetDesignBounds(8, 48, 182, 73);
  MatchTypeGroup->SetCaption("Search Type");
  MatchTypeGroup->SetItems(
      Lines({"&Exact Match", "&Partial Match at Beginning", "Partial Match Any&where"}));
  MatchTypeGroup->SetItemIndex(1);

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(value_page);
  Panel1->SetDesignBounds(8, 118, 182, 42);
  Panel1->SetBevelInner(bvRaised);
  Panel1->SetBevelOuter(bvLowered);

  CaseSensitive = new TCheckBox(this);
  CaseSensitive->SetName("CaseSensitive");
  CaseSensitive->SetParent(Panel1);
  CaseSensitive->SetDesignBounds(9, 6, 164, 14);
  CaseSensitive->SetCaption("Case Sensi&tive");

  Nonmatching = new TCheckBox(this);
  Nonmatching->SetName("Nonmatching");
  Nonmatching->SetParent(Panel1);
  Nonmatching->SetDesignBounds(9, 22, 168, 17);
  Nonmatching->SetCaption("N&on-matching records");

  MinValueEdit = MakeEdit(this, range_page, "MinValueEdit", 8, 24);
  MinValueEdit->OnChange = [this](TObject *s) { MinValueEditChange(s); };
  MaxValueEdit = MakeEdit(this, range_page, "MaxValueEdit", 8, 67);
  MaxValueEdit->OnChange = [this](TObject *s) { MaxValueEditChange(s); };
  StartingRangeLbl = MakeLabel(this, range_page, "StartingRangeLbl", 8, 9, MinValueEdit);
  StartingRangeLbl->SetCaption("&Starting Range");
  EndingRangeLbl = MakeLabel(this, range_page, "EndingRangeLbl", 8, 52, MaxValueEdit);
  EndingRangeLbl->SetCaption("En&ding Range");

  FilterValueClearButton = MakeClearButton(this, value_page, "FilterValueClearButton", 144, 23);
  FilterValueClearButton->SetCaption("&Clear");
  FilterValueClearButton->OnClick = [this](TObject *s) { FilterValueClearButtonClick(s); };
  MinValueClearButton = MakeClearButton(this, range_page, "MinValueClearButton", 144, 24);
  MinValueClearButton->SetCaption("&Clear");
  MinValueClearButton->OnClick = [this](TObject *s) { MinValueClearButtonClick(s); };
  MaxValueClearButton = MakeClearButton(this, range_page, "MaxValueClearButton", 144, 68);
  MaxValueClearButton->SetCaption("Cl&ear");
  MaxValueClearButton->OnClick = [this](TObject *s) { MaxValueClearButtonClick(s); };

  ClearSearchButton = new TButton(this);
  ClearSearchButton->SetName("ClearSearchButton");
  ClearSearchButton->SetParent(this);
  ClearSearchButton->SetDesignBounds(284, 209, 95, 25);
  ClearSearchButton->SetCaption("&New Search");
  ClearSearchButton->SetEnabled(false);
  ClearSearchButton->SetTabStop(false);
  ClearSearchButton->OnClick = [this](TObject *s) { ClearSearchButtonClick(s); };

  ViewButton = new TButton(this);
  ViewButton->SetName("ViewButton");
  ViewButton->SetParent(this);
  ViewButton->SetDesignBounds(180, 209, 95, 25);
  ViewButton->SetCaption("View Su&mmary");
  ViewButton->SetTabStop(false);
  ViewButton->OnClick = [this](TObject *s) { ViewButtonClick(s); };

  ValueRangeTabSet = new TTabSet(this);
  ValueRangeTabSet->SetName("ValueRangeTabSet");
  ValueRangeTabSet->SetParent(this);
  ValueRangeTabSet->SetDesignBounds(180, 180, 199, 21);
  ValueRangeTabSet->SetTabs(Lines({"By &Value", "By &Range"}));
  ValueRangeTabSet->SetTabIndex(0);
  ValueRangeTabSet->OnChange = [this](TObject *s, int tab, bool &allow) {
    ValueRangeTabSetChange(s, tab, allow);
  };

  FieldTabSet = new TTabSet(this);
  FieldTabSet->SetName("FieldTabSet");
  FieldTabSet->SetParent(this);
  FieldTabSet->SetDesignBounds(8, 179, 165, 17);
  FieldTabSet->SetTabs(Lines({"&All", "&Searched"}));
  FieldTabSet->SetTabIndex(0);
  FieldTabSet->OnChange = [this](TObject *s, int tab, bool &allow) {
    FieldTabSetChange(s, tab, allow);
  };
}

void TwwFilterDlg::ApplyIntlTexts() {
  TwwIntl *intl = wwInternational();
  const TwwFilterDialogIntl &t = *intl->FilterDialog();
  Font().SetStyle(intl->DialogFontStyle());
  ValueRangeTabSet->Font().SetStyle(Font().Style());
  FieldTabSet->Font().SetStyle(Font().Style());
  ViewButton->SetCaption(t.BtnViewSummary);
  ViewButton->SetHint(t.BtnViewSummaryHint);
  ClearSearchButton->SetCaption(t.BtnNewSearch);
  ClearSearchButton->SetHint(t.BtnNewSearchHint);
  FieldOrder->SetCaption(t.FieldOrderLabel);
  FieldOrder->SetHint(t.FieldOrderHint);
  {
    const int item = FieldOrder->ItemIndex();
    FieldOrder->SetItems(Lines({t.AlphabeticLabel, t.LogicalLabel}));
    FieldOrder->SetItemIndex(item);
  }
  {
    TStringList tabs = Lines({t.AllFieldsLabel, t.SearchedFieldsLabel});
    if (FieldTabSet->Tabs().Items() != tabs.Items()) FieldTabSet->SetTabs(tabs);
    tabs = Lines({t.ByValueLabel, t.ByRangeLabel});
    if (ValueRangeTabSet->Tabs().Items() != tabs.Items()) ValueRangeTabSet->SetTabs(tabs);
  }
  StartingRangeLbl->SetCaption(t.StartingRangeLabel);
  EndingRangeLbl->SetCaption(t.EndingRangeLabel);
  MinValueEdit->SetHint(t.StartingRangeHint);
  MaxValueEdit->SetHint(t.EndingRangeHint);
  MinValueClearButton->SetCaption(t.BtnClearMin);
  MaxValueClearButton->SetCaption(t.BtnClearMax);
  FilterValueClearButton->SetCaption(t.BtnClearFilterValue);
  MinValueClearButton->SetHint(t.BtnClearMinHint);
  MaxValueClearButton->SetHint(t.BtnClearMaxHint);
  FilterValueClearButton->SetHint(t.BtnClearFilterValueHint);
  FieldValueLbl->SetCaption(t.FieldValueLabel);
  FilterValueEdit->SetHint(t.FieldValueHint);
  MatchTypeGroup->SetCaption(t.SearchTypeLabel);
  MatchTypeGroup->SetHint(t.SearchTypeHint);
  {
    const int item = MatchTypeGroup->ItemIndex();
    MatchTypeGroup->SetItems(Lines({t.MatchExactLabel, t.MatchStartLabel, t.MatchAnyLabel}));
    MatchTypeGroup->SetItemIndex(item);
  }
  CaseSensitive->SetCaption(t.CaseSensitiveLabel);
  CaseSensitive->SetHint(t.CaseSensitiveHint);
  Nonmatching->SetCaption(t.NonMatchingLabel);
  Nonmatching->SetHint(t.NonMatchingHint);
  FieldsLbl->SetCaption(t.FieldsLabel);
  ValueRangeTabSet->SetHint(t.ValueRangeTabHint);
  FieldTabSet->SetHint(t.AllSearchedTabHint);
}

// ---------------------------------------------------------------------------
// Criteria

TwwFieldInfo *TwwFilterDlg::FindFieldInfo(const std::string &name) {
  const std::string wanted = TildeAsBlank(name);
  for (TwwFieldInfo &info : working_list_)
    if (AnsiSameText(TildeAsBlank(info.DisplayName), wanted)) return &info;
  return nullptr;
}

TFieldType TwwFilterDlg::FieldTypeOf(const std::string &name) const {
  std::string field_name = TwwFilterDialog::ResolveFieldName(dataset_, name);
  if (field_name.empty()) field_name = name;
  if (dataset_)
    if (TField *field = dataset_->FindField(field_name)) return field->DataType();
  if (const TwwDBFieldInfo *info = component_->FindDBFieldInfo(field_name)) return info->DataType;
  return ftUnknown;
}

void TwwFilterDlg::StoreCriterion(const std::string &name, TwwFilterMatchType match,
                                  const std::string &value, const std::string &min,
                                  const std::string &max, bool case_sensitive, bool non_matching) {
  const bool range = match == fdMatchRange;
  const bool empty = range ? min.empty() && max.empty() : value.empty();
  auto it = std::find_if(working_list_.begin(), working_list_.end(),
                         [&](const TwwFieldInfo &i) { return AnsiSameText(i.DisplayName, name); });
  if (it != working_list_.end()) {
    if (empty) {
      working_list_.erase(it);
      modified_ = true;
      return;
    }
    if (it->MatchType != match) modified_ = true;
    it->MatchType = match;
    if (range) {
      if (it->MinValue != min || it->MaxValue != max) modified_ = true;
      it->MinValue = min;
      it->MaxValue = max;
    } else {
      if (it->FilterValue != value || it->CaseSensitive != case_sensitive ||
          it->NonMatching != non_matching)
        modified_ = true;
      it->FilterValue = value;
      it->CaseSensitive = case_sensitive;
      it->NonMatching = non_matching;
    }
    return;
  }
  if (empty) return;
  TwwFieldInfo info;
  info.DisplayName = name;
  info.MatchType = match;
  if (range) {
    info.MinValue = min;
    info.MaxValue = max;
  } else {
    info.FilterValue = value;
  }
  info.CaseSensitive = case_sensitive;
  info.NonMatching = non_matching;
  working_list_.push_back(std::move(info));
  modified_ = true;
}

bool TwwFilterDlg::RefuseAt(TEdit *editor, int page, int list_index) {
  if (SelectNotebook->PageIndex() != page) {
    silent_tab_ = true;
    ValueRangeTabSet->SetTabIndex(page);
    silent_tab_ = false;
    SelectNotebook->SetPageIndex(page);
  }
  editor->SelectAll();
  if (editor->CanFocus()) editor->SetFocus();
  if (FieldsListBox->ItemIndex() != list_index) FieldsListBox->SetItemIndex(list_index);
  return false;
}

bool TwwFilterDlg::CommitAndLoad(bool refresh) {
  if (last_index_ >= 0 && last_index_ < FieldsListBox->Count()) {
    const std::string name = FieldsListBox->Items(last_index_);
    const TFieldType type = FieldTypeOf(name);
    const TwwOperatorWords &words = component_->FieldOperators()->Words();
    if (IsTypedFieldType(type)) {
      const std::string value = FilterValueEdit->Text();
      int pos = 1;
      while (!value.empty() && pos != -1) {
        const std::string piece = Trim(SplitNext(value, words.or_word, pos));
        if (AnsiSameText(piece, words.null_word)) continue;
        if (!IsValidFieldText(type, piece)) return RefuseAt(FilterValueEdit, 0, last_index_);
      }
    }
    // Bounds are checked for every field that the dataset holds.
    const bool has_field = dataset_ && !TwwFilterDialog::ResolveFieldName(dataset_, name).empty();
    if (has_field) {
      const std::string min = MinValueEdit->Text(), max = MaxValueEdit->Text();
      if (!min.empty() && !IsValidFieldText(type, min))
        return RefuseAt(MinValueEdit, 1, last_index_);
      if (!max.empty() && !IsValidFieldText(type, max))
        return RefuseAt(MaxValueEdit, 1, last_index_);
    }
    if (activated_) {
      const TwwFilterMatchType match = SelectNotebook->PageIndex() == 1
                                           ? fdMatchRange
                                           : MatchForItem(MatchTypeGroup->ItemIndex());
      StoreCriterion(name, match, FilterValueEdit->Text(), MinValueEdit->Text(),
                     MaxValueEdit->Text(), CaseSensitive->Checked(), Nonmatching->Checked());
    }
    ClearSearchButton->SetEnabled(!working_list_.empty());
  }

  const int selected = FieldsListBox->ItemIndex();
  if (selected >= 0) {
    last_index_ = selected;
    const std::string name = FieldsListBox->Items(selected);
    const TwwFieldInfo *info = FindFieldInfo(name);
    if (info) {
      CaseSensitive->SetChecked(info->CaseSensitive);
      Nonmatching->SetChecked(info->NonMatching);
    } else {
      CaseSensitive->SetChecked((component_->Options() & fdCaseSensitive) != 0);
      Nonmatching->SetChecked(false);
    }
    MatchTypeGroup->SetItemIndex(info && !info->IsRange()
                                     ? ItemForMatch(info->MatchType)
                                     : ItemForMatch(component_->DefaultMatchType()));
    if (!info) {
      FilterValueEdit->SetText("");
      MinValueEdit->SetText("");
      MaxValueEdit->SetText("");
    } else if (info->IsRange()) {
      MinValueEdit->SetText(info->MinValue);
      MaxValueEdit->SetText(info->MaxValue);
      if (refresh) FilterValueEdit->SetText("");
    } else {
      FilterValueEdit->SetText(info->FilterValue);
      if (refresh) {
        MinValueEdit->SetText("");
        MaxValueEdit->SetText("");
      }
    }
    FieldCriteria->SetCaption(name);
    const bool typed = IsTypedFieldType(FieldTypeOf(name));
    if (!dynamic_cast<TTable *>(dataset_) && typed) {
      MatchTypeGroup->SetItemIndex(0);
      MatchTypeGroup->SetEnabled(false);
      CaseSensitive->SetEnabled(false);
    } else {
      MatchTypeGroup->SetEnabled(true);
      CaseSensitive->SetEnabled(true);
    }
  }
  return true;
}

void TwwFilterDlg::FillFieldList(bool all) {
  FieldsListBox->Clear();
  FieldsListBox->SetSorted(FieldOrder->ItemIndex() == 0);
  auto add = [&](const TwwDBFieldInfo &info) {
    if (!IsFilterableFieldType(info.DataType)) return;
    if (!all && !FindFieldInfo(info.DisplayLabel)) return;
    const std::string label = TildeAsBlank(info.DisplayLabel);
    if (FieldsListBox->IndexOf(label) < 0) FieldsListBox->AddItem(label);
  };
  TStringList *selected = component_->SelectedFields();
  if (selected->Count() > 0) {
    for (int i = 0; i < selected->Count(); ++i) {
      const std::string &line = (*selected)[i];
      const std::string name = line.substr(0, line.find(';'));
      if (const TwwDBFieldInfo *info = component_->FindDBFieldInfo(name)) add(*info);
    }
  } else {
    for (const TwwDBFieldInfo &info : component_->DBFieldInfos())
      add(info);
  }
}

void TwwFilterDlg::ChoosePage() {
  if (FieldsListBox->Count() == 0) return;
  if (FieldsListBox->ItemIndex() < 0) FieldsListBox->SetItemIndex(0);
  const std::string name = FieldsListBox->Items(FieldsListBox->ItemIndex());
  int page;
  if (const TwwFieldInfo *info = FindFieldInfo(name)) {
    page = info->IsRange() ? 1 : 0;
  } else {
    switch (component_->DefaultFilterBy()) {
    case fdFilterByRange:
      page = 1;
      break;
    case fdFilterByValue:
      page = 0;
      break;
    default:
      page = IsTypedFieldType(FieldTypeOf(name)) ? 1 : 0;
    }
  }
  ValueRangeTabSet->SetTabIndex(page);
}

void TwwFilterDlg::FocusEditors() {
  TEdit *editor = SelectNotebook->PageIndex() == 1 ? MinValueEdit : FilterValueEdit;
  if (editor->CanFocus()) editor->SetFocus();
  editor->SelectAll();
}

void TwwFilterDlg::UpdateClearButtons() {
  FilterValueClearButton->SetEnabled(!FilterValueEdit->Text().empty());
  MinValueClearButton->SetEnabled(!MinValueEdit->Text().empty());
  MaxValueClearButton->SetEnabled(!MaxValueEdit->Text().empty());
  ClearSearchButton->SetEnabled(!working_list_.empty() || !FilterValueEdit->Text().empty() ||
                                !MinValueEdit->Text().empty() || !MaxValueEdit->Text().empty());
}

void TwwFilterDlg::RefillKeepingSelection(bool all) {
  const int selected = FieldsListBox->ItemIndex();
  const std::string text = selected >= 0 ? FieldsListBox->Items(selected) : std::string();
  FillFieldList(all);
  FieldsListBox->SetItemIndex(text.empty() ? -1 : FieldsListBox->IndexOf(text));
  if (FieldsListBox->CanFocus()) FieldsListBox->SetFocus();
}

// ---------------------------------------------------------------------------
// Handlers

void TwwFilterDlg::FormShow(TObject *) {
  const int options = static_cast<int>(component_->Options());
  const int ppi = ScreenPixelsPerInch();
  auto scaled = [ppi](int v) { return v * ppi / 96; };
  if (!(options & fdShowOKCancel)) {
    OKBtn->SetTop(scaled(1000));
    CancelBtn->SetTop(scaled(1000));
    SetClientWidth(ClientWidth() - OKBtn->Width() - scaled(8));
  }
  if (!(options & fdShowFieldOrder)) {
    FieldOrder->SetVisible(false);
    FieldsListBox->SetHeight(FieldsListBox->Height() + FieldOrder->Height());
    FieldTabSet->SetTop(FieldTabSet->Top() + FieldOrder->Height());
  }
  if (!(options & fdShowViewSummary)) {
    ViewButton->SetVisible(false);
    ClearSearchButton->SetLeft(ViewButton->Left());
  }
  if (!(options & fdShowValueRangeTab)) {
    const int d = scaled(13);
    ValueRangeTabSet->SetVisible(false);
    FieldsListBox->SetHeight(FieldsListBox->Height() - d);
    for (TControl *c :
         std::initializer_list<TControl *>{FieldTabSet, FieldOrder, ClearSearchButton, ViewButton})
      c->SetTop(c->Top() - d);
    SetClientHeight(ClientHeight() - d);
  }
  const bool show_case = (options & fdShowCaseSensitive) != 0;
  const bool show_non_matching = (options & fdShowNonMatching) != 0;
  CaseSensitive->SetVisible(show_case);
  Nonmatching->SetVisible(show_non_matching);
  if (!show_non_matching) {
    if (show_case)
      Panel1->SetHeight(scaled(26));
    else
      Panel1->SetVisible(false);
  } else if (show_case) {
    Panel1->SetHeight(scaled(41));
  } else {
    Panel1->SetHeight(scaled(26));
    Nonmatching->SetTop(scaled(5));
  }

  const int order = component_->SortBy() == fdSortByFieldName ? 0 : 1;
  if (FieldOrder->ItemIndex() != order) {
    FieldOrder->SetItemIndex(order);
    RefillKeepingSelection(FieldTabSet->TabIndex() == 0);
  }

  if (working_list_.empty()) {
    std::string wanted = component_->DefaultField();
    if (dataset_)
      if (TField *field = dataset_->FindField(wanted)) wanted = TildeAsBlank(field->DisplayLabel());
    const int index = FieldsListBox->IndexOf(wanted);
    FieldsListBox->SetItemIndex(index >= 0 ? index : 0);
  } else {
    SetFieldTab(1);
    FieldsListBox->SetItemIndex(0);
  }
  CommitAndLoad(true);
  ChoosePage();
  FocusEditors();
  if (Screen) Screen->SetCursor(crDefault);
  ApplyIntlTexts();
  component_->DoInitDialog(this);
  modified_ = !dataset_ || !dataset_->Active();
  // The window counts as activated once it is up; the platform's own
  // activation notice may come later or, offscreen, not at all.
  activated_ = true;
}

void TwwFilterDlg::FormActivate(TObject *) {
  activated_ = true;
}

void TwwFilterDlg::FormCloseQuery(TObject *, bool &CanClose) {
  if (!CommitAndLoad(true)) CanClose = false;
}

void TwwFilterDlg::FormKeyDown(TObject *, Word &Key, TShiftState) {
  if (!FieldsListBox->Focused()) {
    if (Key != VK_NEXT && Key != VK_PRIOR && Key != VK_DOWN && Key != VK_UP) return;
    const int count = FieldsListBox->Count();
    if (count == 0) return;
    const int item_height = std::max(1, FieldsListBox->ItemHeight());
    const int page = std::max(1, FieldsListBox->Height() / item_height);
    const int step = Key == VK_NEXT ? page : Key == VK_PRIOR ? -page : Key == VK_DOWN ? 1 : -1;
    const int old_index = FieldsListBox->ItemIndex();
    const int new_index = std::clamp(old_index + step, 0, count - 1);
    if (new_index != old_index) {
      FieldsListBox->SetItemIndex(new_index);
      if (CommitAndLoad(true)) {
        ChoosePage();
        FocusEditors();
      }
    }
    Key = 0;
    return;
  }
  if (Key == VK_DELETE && FieldTabSet->TabIndex() == 1) {
    const int selected = FieldsListBox->ItemIndex();
    if (selected >= 0)
      StoreCriterion(FieldsListBox->Items(selected), fdMatchStart, "", "", "", false, false);
    FillFieldList(false);
    last_index_ = -1;
    FieldsListBox->SetItemIndex(0);
    CommitAndLoad(true);
    ChoosePage();
    if (FieldsListBox->CanFocus()) FieldsListBox->SetFocus();
    Key = 0;
  }
}

void TwwFilterDlg::FieldsListBoxClick(TObject *) {
  if (CommitAndLoad(true)) {
    ChoosePage();
    if (FieldsListBox->CanFocus()) FieldsListBox->SetFocus();
  }
}

void TwwFilterDlg::FieldOrderClick(TObject *) {
  RefillKeepingSelection(FieldTabSet->TabIndex() == 0);
  last_index_ = FieldsListBox->ItemIndex();
}

void TwwFilterDlg::SetFieldTab(int tab) {
  FieldTabSet->SetTabIndex(tab);
}

void TwwFilterDlg::FieldTabSetChange(TObject *, int NewTab, bool &AllowChange) {
  if (!CommitAndLoad(false)) {
    AllowChange = false;
    return;
  }
  if (NewTab == 1 && working_list_.empty()) {
    MessageDlg(wwInternational()->UserMessages()->FilterDlgNoCriteria, mtInformation, mbOK, 0);
    AllowChange = false;
    return;
  }
  RefillKeepingSelection(NewTab == 0);
  // The field shown before may not be in the new list; the first one then
  // takes its place, so that the editors always belong to a listed field.
  if (FieldsListBox->ItemIndex() < 0 && FieldsListBox->Count() > 0) FieldsListBox->SetItemIndex(0);
  last_index_ = -1;
  CommitAndLoad(true);
  ChoosePage();
  if (FieldsListBox->CanFocus()) FieldsListBox->SetFocus();
}

void TwwFilterDlg::ValueRangeTabSetChange(TObject *, int NewTab, bool &AllowChange) {
  SelectNotebook->SetPageIndex(NewTab);
  if (silent_tab_ || !activated_) return;
  if (!CommitAndLoad(false)) {
    AllowChange = false;
    return;
  }
  FocusEditors();
}

void TwwFilterDlg::ClearSearchButtonClick(TObject *) {
  working_list_.clear();
  modified_ = true;
  FilterValueEdit->SetText("");
  MinValueEdit->SetText("");
  MaxValueEdit->SetText("");
  ClearSearchButton->SetEnabled(false);
  MatchTypeGroup->SetItemIndex(1);
  SetFieldTab(0);
}

void TwwFilterDlg::ViewButtonClick(TObject *) {
  if (!CommitAndLoad(false)) return;
  if (working_list_.empty()) {
    MessageDlg(wwInternational()->UserMessages()->FilterDlgNoCriteria, mtInformation, mbOK, 0);
    return;
  }
  ShowSearchSummary(component_, working_list_);
  FocusEditors();
}

void TwwFilterDlg::FilterValueEditChange(TObject *) {
  UpdateClearButtons();
}
void TwwFilterDlg::MinValueEditChange(TObject *) {
  UpdateClearButtons();
}
void TwwFilterDlg::MaxValueEditChange(TObject *) {
  UpdateClearButtons();
}

void TwwFilterDlg::FilterValueClearButtonClick(TObject *) {
  FilterValueEdit->SetText("");
  FilterValueClearButton->SetEnabled(false);
}
void TwwFilterDlg::MinValueClearButtonClick(TObject *) {
  MinValueEdit->SetText("");
  MinValueClearButton->SetEnabled(false);
}
void TwwFilterDlg::MaxValueClearButtonClick(TObject *) {
  MaxValueEdit->SetText("");
  MaxValueClearButton->SetEnabled(false);
}

// ---------------------------------------------------------------------------
// Summary

TwwFilterDialogView::TwwFilterDialogView(TComponent *owner) : TForm(owner) {
  SetName("wwFilterDialogView");
  SetCaption("Show Search Summary");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  Font().SetColor(clBlack);
  Font().SetStyle(fsBold);
  const int ppi = ScreenPixelsPerInch();
  auto scaled = [ppi](int v) { return v * ppi / 96; };
  SetClientWidth(scaled(489));
  SetClientHeight(scaled(206));

  StringGrid1 = new TStringGrid(this);
  StringGrid1->SetName("StringGrid1");
  StringGrid1->SetParent(this);
  StringGrid1->SetBounds(scaled(9), scaled(9), scaled(464), scaled(154));
  StringGrid1->SetColCount(3);
  StringGrid1->SetRowCount(8);
  StringGrid1->SetFixedCols(0);
  StringGrid1->SetFixedRows(1);
  StringGrid1->SetDefaultRowHeight(scaled(18));
  StringGrid1->SetScrollBars(ssNone);
  StringGrid1->SetTabStop(false);
  // Cells can be selected but not changed.
  StringGrid1->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine);
  StringGrid1->SetColWidths(0, scaled(120));
  StringGrid1->SetColWidths(1, scaled(140));
  StringGrid1->SetColWidths(2, scaled(197));

  const TwwFilterDialogIntl &t = *wwInternational()->FilterDialog();
  StringGrid1->SetCells(0, 0, t.SummaryFieldLabel);
  StringGrid1->SetCells(1, 0, t.SummarySearchLabel);
  StringGrid1->SetCells(2, 0, t.SummaryValueLabel);

  OKBtn = CreateDialogButton(this, wwbkOK);
  OKBtn->SetName("OKBtn");
  OKBtn->SetTabOrder(0);
  OKBtn->SetBounds((ClientWidth() - OKBtn->Width()) / 2,
                   StringGrid1->Top() + StringGrid1->Height() + 9 * ScreenPixelsPerInch() / 96,
                   OKBtn->Width(), OKBtn->Height());
  OKBtn->SetVisible(true);
  OnShow = [this](TObject *s) { FormShow(s); };
}

void TwwFilterDialogView::FormShow(TObject *) {
  Font().SetStyle(wwInternational()->DialogFontStyle());
}

std::string SummarySearchText(const TwwFieldInfo &info) {
  const TwwFilterDialogIntl &t = *wwInternational()->FilterDialog();
  switch (info.MatchType) {
  case fdMatchRange:
    return WithoutAmpersands(t.ByRangeLabel);
  case fdMatchAny:
    return WithoutAmpersands(t.MatchAnyLabel);
  case fdMatchExact:
    return WithoutAmpersands(t.MatchExactLabel);
  default:
    return WithoutAmpersands(t.MatchStartLabel);
  }
}

std::string SummaryValueText(const TwwFieldInfo &info, const TwwOperatorWords &words) {
  if (info.IsRange()) {
    std::string text;
    if (!info.MinValue.empty()) text += ">=" + info.MinValue;
    if (!info.MinValue.empty() && !info.MaxValue.empty()) text += ", ";
    if (!info.MaxValue.empty()) text += "<=" + info.MaxValue;
    return text;
  }
  if (!info.NonMatching) return info.FilterValue;
  const std::string &not_text = wwInternational()->FilterDialog()->ViewSummaryNotText;
  if (!ParseOperator(info.FilterValue, words).empty())
    return not_text + " (" + info.FilterValue + ")";
  return not_text + " " + info.FilterValue;
}

void ShowSearchSummary(TwwFilterDialog *component, const std::vector<TwwFieldInfo> &list) {
  std::unique_ptr<TwwFilterDialogView> view(new TwwFilterDialogView(Application));
  view->StringGrid1->SetRowCount(static_cast<int>(list.size()) + 1);
  int row = 1;
  for (const TwwFieldInfo &info : list) {
    view->StringGrid1->SetCells(0, row, info.DisplayName);
    view->StringGrid1->SetCells(1, row, SummarySearchText(info));
    view->StringGrid1->SetCells(2, row,
                                SummaryValueText(info, component->FieldOperators()->Words()));
    ++row;
  }
  view->ShowModal();
}
