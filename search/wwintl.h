// The captions, hints and messages of the search and filter tools, the
// enhanced grid and the enhanced table, gathered in one shared object so a
// program can replace them in one place; and the maker of the OK, Cancel
// and Help buttons those dialogs share.
#pragma once

#include <string>

#include "ui/forms.h"
#include "ui/graphics.h"

class TButton;

class TwwFilterDialogIntl : public TPersistent {
public:
  std::string BtnViewSummary = "View Su&mmary";
  std::string BtnViewSummaryHint = "View summary of current search criteria";
  std::string BtnNewSearch = "&New Search";
  std::string BtnNewSearchHint = "Start a new search";
  std::string FieldOrderLabel = "Field Order";
  std::string FieldOrderHint = "Sort field list alphabetically or in their natural logical order";
  std::string AlphabeticLabel = "Alpha&betic";
  std::string LogicalLabel = "&Logical";
  std::string AllFieldsLabel = "&All";
  std::string SearchedFieldsLabel = "&Searched";
  std::string StartingRangeLabel = "&Starting Range";
  std::string EndingRangeLabel = "En&ding Range";
  std::string StartingRangeHint = "Enter starting range for field";
  std::string EndingRangeHint = "Enter ending range for field";
  std::string BtnClearMin = "&Clear";
  std::string BtnClearMax = "Cl&ear";
  std::string BtnClearFilterValue = "&Clear";
  std::string BtnClearMinHint = "Clear starting range for field";
  std::string BtnClearMaxHint = "Clear ending range for field";
  std::string BtnClearFilterValueHint = "Clear the current field's search value";
  std::string ByValueLabel = "By &Value";
  std::string ByRangeLabel = "By &Range";
  std::string FieldValueLabel = "Field &Value";
  std::string FieldValueHint = "Enter field's search value";
  std::string SearchTypeLabel = "Search Type";
  std::string SearchTypeHint = "Specify how the Field Value should be compared";
  std::string MatchExactLabel = "&Exact Match";
  std::string MatchStartLabel = "&Partial Match at Beginning";
  std::string MatchAnyLabel = "Partial Match Any&where";
  std::string CaseSensitiveLabel = "Case Sensi&tive";
  std::string CaseSensitiveHint = "Searching is case-sensitive";
  std::string NonMatchingLabel = "N&on-matching records";
  std::string NonMatchingHint = "Show records that do not match the field value criteria";
  std::string SummaryFieldLabel = "Field";
  std::string SummarySearchLabel = "Search Type";
  std::string SummaryValueLabel = "Value";
  std::string FieldsLabel = "&Fields";
  std::string ValueRangeTabHint = "Search fields by value or by range";
  std::string AllSearchedTabHint = "Show all fields or only currently searched fields";
  std::string ViewSummaryNotText = "NOT";
  void Assign(const TPersistent *source) override;
};

class TwwSearchDialogIntl : public TPersistent {
public:
  std::string SearchCharLabel = "&Search Characters";
  std::string SearchCharShortLabel = "&Search Char";
  std::string SearchByLabel = "Search &By";
  std::string StatusRecLabel = "Rec #";
  std::string StatusOfLabel = "of";
  std::string SearchCharHint = "Enter characters for incremental search";
  std::string SearchByHint = "Incremental searching and sorting order";
  void Assign(const TPersistent *source) override;
};

class TwwLocateDialogIntl : public TPersistent {
public:
  std::string FieldValueLabel = "Field &Value";
  std::string SearchTypeLabel = "&Search Type";
  std::string CaseSensitiveLabel = "&Case-sensitive";
  std::string MatchExactLabel = "&Exact Match";
  std::string MatchStartLabel = "&Partial Match at Beginning";
  std::string MatchAnyLabel = "Partial Match &Anywhere";
  std::string FieldsLabel = "&Fields";
  std::string BtnFirst = "Fi&rst";
  std::string BtnNext = "&Next";
  std::string BtnCancel = "Cancel";
  std::string FieldValueHint = "Enter field's search value";
  std::string CaseSensitiveHint = "Searching is case-sensitive";
  std::string MatchExactHint = "Match occurs only if there is an exact match";
  std::string MatchStartHint = "Match occurs if the start of the field's value matches";
  std::string MatchAnyHint = "Match occurs if any part of the field matches";
  std::string BtnFirstHint = "Find first match";
  std::string BtnNextHint = "Find next match from current record";
  std::string FieldNameHint = "Select the field to search on";
  void Assign(const TPersistent *source) override;
};

class TwwUserMessagesIntl : public TPersistent {
public:
  std::string wwDBGridDiscardChanges = "Discard changes to this record?";
  std::string PictureValidateError = "Invalid characters. Field : ";
  std::string LocateNoMatches = "No matches found";
  std::string LocateNoMoreMatches = "No more matches found";
  std::string MemoChangesWarning = "Changes have been made!  Are you sure you wish to cancel?";
  std::string RichEditExitWarning = "Changes have been made!  Do you wish to save your changes?";
  std::string RichEditClearWarning = "Clear entire text?";
  std::string FilterDlgNoCriteria = "You have not selected any search criteria";
  std::string RecordViewExitWarning = "Changes have been made!  Do you wish to save your changes?";
  // Copies every message but RecordViewExitWarning (what a connected
  // holder hands to the shared one).
  void Assign(const TPersistent *source) override;
};

enum TwwCheckBoxInGridStyle { cbStyleAuto, cbStyleCheckmark, cbStyleXmark };

class TwwIntl : public TComponent {
public:
  explicit TwwIntl(TComponent *owner);
  ~TwwIntl() override;

  TwwSearchDialogIntl *SearchDialog() { return &search_dialog_; }
  TwwLocateDialogIntl *LocateDialog() { return &locate_dialog_; }
  TwwFilterDialogIntl *FilterDialog() { return &filter_dialog_; }
  TwwUserMessagesIntl *UserMessages() { return &user_messages_; }
  bool OKCancelBitmapped() const { return ok_cancel_bitmapped_; }
  void SetOKCancelBitmapped(bool on) { ok_cancel_bitmapped_ = on; }
  const std::string &BtnOKCaption() const { return btn_ok_caption_; }
  void SetBtnOKCaption(const std::string &s) { btn_ok_caption_ = s; }
  const std::string &BtnCancelCaption() const { return btn_cancel_caption_; }
  void SetBtnCancelCaption(const std::string &s) { btn_cancel_caption_ = s; }
  TwwCheckBoxInGridStyle CheckBoxInGridStyle() const { return check_box_style_; }
  void SetCheckBoxInGridStyle(TwwCheckBoxInGridStyle style);
  TFontStyles DialogFontStyle() const { return dialog_font_style_; }
  void SetDialogFontStyle(TFontStyles style) { dialog_font_style_ = style; }
  // Turning it on copies this holder's texts and settings into the shared
  // holder (nothing happens when this is the shared holder).
  bool Connected() const { return connected_; }
  void SetConnected(bool on);

protected:
  void Loaded() override;

private:
  void CopyToShared();

  TwwSearchDialogIntl search_dialog_;
  TwwLocateDialogIntl locate_dialog_;
  TwwFilterDialogIntl filter_dialog_;
  TwwUserMessagesIntl user_messages_;
  bool ok_cancel_bitmapped_ = true;
  bool connected_ = false;
  std::string btn_ok_caption_ = "&OK";
  std::string btn_cancel_caption_ = "Cancel";
  TwwCheckBoxInGridStyle check_box_style_ = cbStyleAuto;
  TFontStyles dialog_font_style_ = 0;
  // Two settings carried along with the others when connecting.
  bool flag1_ = true;
  bool flag2_ = true;
};

// The shared holder, made on first use and owned by the application.
TwwIntl *wwInternational();

enum TwwDialogButtonKind { wwbkOK = 1, wwbkCancel = 2, wwbkHelp = 3 };
// A new, invisible OK, Cancel or Help button on the form, sized and
// captioned from the shared holder; the caller places and shows it.
TButton *CreateDialogButton(TForm *form, TwwDialogButtonKind kind);
