// The filter window: the dataset's fields on the left, the selected field's
// criterion on the right (a value with a match type, or a range), a summary
// of all criteria on request. It edits a working copy of the component's
// criteria, which TwwFilterDialog::Execute takes over on OK. Invalid text
// in a numeric or date field never reaches the criteria: the field change,
// tab change or OK is refused and the offending editor gets the focus.
#pragma once

#include <string>
#include <vector>

#include "search/wwfilter_criteria.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/grid.h"
#include "ui/stdctrls.h"

class TDataSet;
class TwwFilterDialog;

class TwwFilterDlg : public TForm {
public:
  TwwFilterDlg(TwwFilterDialog *component, TComponent *owner);
  ~TwwFilterDlg() override;

  TListBox *FieldsListBox;
  TLabel *FieldsLbl;
  TRadioGroup *FieldOrder;
  TGroupBox *FieldCriteria;
  TNotebook *SelectNotebook;
  TLabel *FieldValueLbl;
  TEdit *FilterValueEdit;
  TRadioGroup *MatchTypeGroup;
  TPanel *Panel1;
  TCheckBox *CaseSensitive;
  TLabel *StartingRangeLbl;
  TLabel *EndingRangeLbl;
  TEdit *MinValueEdit;
  TEdit *MaxValueEdit;
  TButton *ClearSearchButton;
  TButton *ViewButton;
  TTabSet *ValueRangeTabSet;
  TTabSet *FieldTabSet;
  TBitBtn *FilterValueClearButton;
  TBitBtn *MinValueClearButton;
  TBitBtn *MaxValueClearButton;
  TCheckBox *Nonmatching;
  TButton *OKBtn;
  TButton *CancelBtn;

  // Fills the field list: every filterable field (all) or only those with
  // a criterion.
  void FillFieldList(bool all);
  // Whether the criteria changed while the window was open.
  bool Modified() const { return modified_; }
  std::vector<TwwFieldInfo> &WorkingList() { return working_list_; }
  TwwFilterDialog *Component() const { return component_; }

  // Handlers, as the window binds them.
  void FormShow(TObject *Sender);
  void FormActivate(TObject *Sender);
  void FormCloseQuery(TObject *Sender, bool &CanClose);
  void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
  void FieldsListBoxClick(TObject *Sender);
  void FieldOrderClick(TObject *Sender);
  void FieldTabSetChange(TObject *Sender, int NewTab, bool &AllowChange);
  void ValueRangeTabSetChange(TObject *Sender, int NewTab, bool &AllowChange);
  void ClearSearchButtonClick(TObject *Sender);
  void ViewButtonClick(TObject *Sender);
  void FilterValueEditChange(TObject *Sender);
  void MinValueEditChange(TObject *Sender);
  void MaxValueEditChange(TObject *Sender);
  void FilterValueClearButtonClick(TObject *Sender);
  void MinValueClearButtonClick(TObject *Sender);
  void MaxValueClearButtonClick(TObject *Sender);

  // Stores the editors' criterion for the field last shown, then shows the
  // selected field's. False (nothing stored) when a typed field's text is
  // invalid.
  bool CommitAndLoad(bool refresh);

private:
  void CreateControls();
  void ApplyIntlTexts();
  TwwFieldInfo *FindFieldInfo(const std::string &name);
  TFieldType FieldTypeOf(const std::string &name) const;
  void StoreCriterion(const std::string &name, TwwFilterMatchType match, const std::string &value,
                      const std::string &min, const std::string &max, bool case_sensitive,
                      bool non_matching);
  void ChoosePage();
  void FocusEditors();
  void UpdateClearButtons();
  bool RefuseAt(TEdit *editor, int page, int list_index);
  void RefillKeepingSelection(bool all);
  void SetFieldTab(int tab);

  TwwFilterDialog *component_;
  TDataSet *dataset_;
  std::vector<TwwFieldInfo> working_list_;
  int last_index_ = -1;
  bool activated_ = false;
  bool modified_ = false;
  // Set while the window turns the value/range tab back to the page of an
  // invalid text: the change then only shows that page.
  bool silent_tab_ = false;
};

// The summary of the criteria: one row per criterion with the field, the
// kind of search and the value or range.
class TwwFilterDialogView : public TForm {
public:
  explicit TwwFilterDialogView(TComponent *owner);
  TStringGrid *StringGrid1;
  TButton *OKBtn;
  void FormShow(TObject *Sender);
};

// Fills a summary window with the criteria and shows it modally.
void ShowSearchSummary(TwwFilterDialog *component, const std::vector<TwwFieldInfo> &list);
// The summary's texts for one criterion: search type and value columns.
std::string SummarySearchText(const TwwFieldInfo &info);
std::string SummaryValueText(const TwwFieldInfo &info, const TwwOperatorWords &words);
