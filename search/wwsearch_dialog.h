// The search (lookup) dialog: a non-visual component (TwwSearchDialog, or
// TwwLookupDialog for a single table) that builds a modal window for each
// run. The window holds an edit that searches as the user types
// (TwwIncrementalSearch), an index selector (TwwKeyCombo), the enhanced
// grid, an optional status header, two optional user buttons and OK and
// Cancel. TwwSearchDialog works on a shadow table opened on the same file
// as the shown table: the shadow follows the search, and only OK moves the
// shown table to the shadow's record.
#pragma once

#include <functional>
#include <string>

#include "base/strings.h"
#include "search/wwdbgrid.h"
#include "search/wwtable.h"
#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/stdctrls.h"

class TwwIncrementalSearch;
class TwwLookupDlg;

using TwwDBLookupDlgOptions = unsigned;
constexpr TwwDBLookupDlgOptions opShowOKCancel = 1u << 0;
constexpr TwwDBLookupDlgOptions opShowSearchBy = 1u << 1;
constexpr TwwDBLookupDlgOptions opGroupControls = 1u << 2;
constexpr TwwDBLookupDlgOptions opFixFirstColumn = 1u << 3;
constexpr TwwDBLookupDlgOptions opShowStatusBar = 1u << 4;

using TwwAfterSearchEvent = std::function<void(TwwIncrementalSearch *Sender, bool MatchFound)>;
using TwwUserButtonEvent = std::function<void(TObject *Sender, TDataSet *LookupTable)>;
using TwwOnInitDialogEvent = std::function<void(TwwLookupDlg *Dialog)>;

// An edit that moves its data source's dataset to the first record whose
// key starts with the typed text, a moment after the user stops typing.
class TwwIncrementalSearch : public TEdit {
public:
  explicit TwwIncrementalSearch(TComponent *owner);
  TDataSource *DataSource() const { return data_source_; }
  void SetDataSource(TDataSource *source);
  // The field searched; empty: the current index's first field.
  const std::string &SearchField() const { return search_field_; }
  void SetSearchField(const std::string &name) { search_field_ = name; }
  bool ShowMatchText() const { return show_match_text_; }
  void SetShowMatchText(bool on) { show_match_text_ = on; }
  TwwAfterSearchEvent OnAfterSearch;

  // The delay between the last key and the search: 333 ms, halved for an
  // active dataset of a local database.
  int SearchDelay() const;
  bool SearchPending() const;
  // Runs a pending search now (the dialog does so when it closes).
  void FlushPendingSearch();
  // Searches for a text at once; true on a match.
  bool Search(const std::string &text);
  const std::string &LastSearchedText() const { return last_text_; }
  void ForgetLastSearch() { last_text_.clear(); }

protected:
  void KeyUp(Word &key, TShiftState shift) override;
  void Notification(TComponent *component, TOperation operation) override;

private:
  void TimerFired();
  bool PartialKeySearch(TTable *table, const std::string &text, int position);
  bool LocateText(TDataSet *dataset, const std::string &text);
  void ShowMatch(TDataSet *dataset, const std::string &typed);

  TDataSource *data_source_ = nullptr;
  std::string search_field_;
  bool show_match_text_ = false;
  TTimer *timer_;
  std::string last_text_;
};

// A drop-down list of the table's indexes; choosing one makes it current.
class TwwKeyCombo : public TComboBox {
public:
  explicit TwwKeyCombo(TComponent *owner);
  TDataSource *DataSource() const { return data_source_; }
  // Refuses a data source whose dataset is not a table.
  void SetDataSource(TDataSource *source);
  bool ShowAllIndexes() const { return show_all_indexes_; }
  void SetShowAllIndexes(bool on) { show_all_indexes_ = on; }
  const std::string &PrimaryKeyName() const { return primary_key_name_; }
  void SetPrimaryKeyName(const std::string &name) { primary_key_name_ = name; }
  // Which fields count as shown (default: visible ones).
  std::function<bool(TField *field)> IsFieldShown;
  // Fills the list from the table's indexes and selects the current one.
  void Fill();
  // Makes the index of an item current, keeping the current record.
  void ChooseItem(const std::string &item);

protected:
  void Change() override;
  void Notification(TComponent *component, TOperation operation) override;

private:
  std::string ItemOf(TTable *table, const TIndexDef &def) const;

  TDataSource *data_source_ = nullptr;
  bool show_all_indexes_ = false;
  std::string primary_key_name_ = "PrimaryKey";
};

// The window of one run of the dialog.
class TwwLookupDlg : public TForm {
public:
  explicit TwwLookupDlg(TComponent *owner);

  TLabel *SearchCharacterLabel;
  TLabel *SortByLabel;
  TwwIncrementalSearch *wwIncrementalSearch1;
  TwwKeyCombo *wwKeyCombo1;
  TwwDBGrid *wwDBGrid1;
  TPanel *StatusHeader;
  TLabel *StatusTableName;
  TLabel *StatusPosition;
  TPanel *UserButtonPanel;
  TButton *UserButton1;
  TButton *UserButton2;
  TwwDataSource *DataSource1;
  TButton *OKBtn;
  TButton *CancelBtn;

  // Run-time settings handed over by the component.
  TDataSet *DataSet() const { return dataset_; }
  void SetDataSet(TDataSet *dataset) { dataset_ = dataset; }
  TwwDBLookupDlgOptions Options() const { return options_; }
  void SetOptions(TwwDBLookupDlgOptions options) { options_ = options; }
  int MaxWidth() const { return max_width_; }
  void SetMaxWidth(int width) { max_width_ = width; }
  int MaxHeight() const { return max_height_; }
  void SetMaxHeight(int height) { max_height_ = height; }
  const std::string &PresetSearchText() const { return preset_text_; }
  void SetPresetSearchText(const std::string &text) { preset_text_ = text; }
  TwwUserButtonEvent OnUserButton1Click, OnUserButton2Click;
  TwwOnInitDialogEvent OnInitDialog, OnCloseDialog;

  // Before the window appears: limits, position, data source, texts,
  // index columns, layout and the index selector.
  void PrepareShow();
  // Places the controls; `resize_window` false keeps the window's size.
  void Layout(bool resize_window);
  // The search field follows the current index; the columns of its fields
  // go first.
  void ArrangeIndexColumns();
  void RefreshStatus();

  // The window's handlers.
  void wwKeyCombo1Change(TObject *Sender);
  void FormKeyDown(TObject *Sender, Word &Key, TShiftState Shift);
  void FormCloseQuery(TObject *Sender, bool &CanClose);
  void FormKeyUp(TObject *Sender, Word &Key, TShiftState Shift);
  void wwDBGrid1DblClick(TObject *Sender);
  void DataSource1DataChange(TObject *Sender, TField *Field);
  void wwKeyCombo1KeyDown(TObject *Sender, Word &Key, TShiftState Shift);
  void UserButton1Click(TObject *Sender);
  void UserButton2Click(TObject *Sender);
  void wwDBGrid1MouseDown(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void wwDBGrid1ColumnMoved(TObject *Sender, int FromIndex, int ToIndex);
  void FormActivate(TObject *Sender);

private:
  void ApplyIntlTexts();
  void FirstColumnSearchField();

  bool activated_ = false;
  int max_width_ = 0;
  int max_height_ = 360;
  TDataSet *dataset_ = nullptr;
  TwwDBLookupDlgOptions options_ = opShowOKCancel | opShowSearchBy;
  std::string preset_text_;
  int left_pos_ = -1;
  bool blob_press_ = false;
};

class TwwCustomLookupDialog : public TComponent {
public:
  explicit TwwCustomLookupDialog(TComponent *owner);

  const TStringList &Selected() const { return selected_; }
  TStringList &Selected() { return selected_; }
  void SetSelected(const TStringList &lines) { selected_.Assign(&lines); }
  TAlignment GridTitleAlignment() const { return grid_title_alignment_; }
  void SetGridTitleAlignment(TAlignment a) { grid_title_alignment_ = a; }
  TColor GridColor() const { return grid_color_; }
  void SetGridColor(TColor c) { grid_color_ = c; }
  TwwDBLookupDlgOptions Options() const { return options_; }
  void SetOptions(TwwDBLookupDlgOptions o) { options_ = o; }
  TwwDBGridOptions GridOptions() const { return grid_options_; }
  void SetGridOptions(TwwDBGridOptions o) { grid_options_ = o; }
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &c) { caption_ = c; }
  int MaxWidth() const { return max_width_; }
  void SetMaxWidth(int w) { max_width_ = w; }
  int MaxHeight() const { return max_height_; }
  void SetMaxHeight(int h) { max_height_ = h; }
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase c) { char_case_ = c; }
  bool UseTFields() const { return use_tfields_; }
  void SetUseTFields(bool on) { use_tfields_ = on; }
  const std::string &UserButton1Caption() const { return user_button1_caption_; }
  void SetUserButton1Caption(const std::string &c) { user_button1_caption_ = c; }
  const std::string &UserButton2Caption() const { return user_button2_caption_; }
  void SetUserButton2Caption(const std::string &c) { user_button2_caption_ = c; }
  TwwUserButtonEvent OnUserButton1Click, OnUserButton2Click;
  TwwOnInitDialogEvent OnInitDialog, OnCloseDialog;

  // Called with the window once it is built and before it shows (tests
  // and programs that want to look at it).
  std::function<void(TwwLookupDlg *Dialog)> OnDialogCreated;

protected:
  // Runs the window on a dataset; true when it ended with OK.
  bool RunWindow(TDataSet *dataset, bool pass_selected);

private:
  TStringList selected_;
  TAlignment grid_title_alignment_ = taLeftJustify;
  TColor grid_color_ = clWhite;
  TwwDBLookupDlgOptions options_ = opShowOKCancel | opShowSearchBy;
  TwwDBGridOptions grid_options_ = dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                   dgRowLines | dgTabs | dgRowSelect | dgAlwaysShowSelection |
                                   dgConfirmDelete | dgPerfectRowFit;
  std::string caption_;
  int max_width_ = 0;
  int max_height_ = 209;
  TEditCharCase char_case_ = ecNormal;
  bool use_tfields_ = true;
  std::string user_button1_caption_, user_button2_caption_;
};

class TwwSearchDialog : public TwwCustomLookupDialog {
public:
  explicit TwwSearchDialog(TComponent *owner);
  TwwTable *SearchTable() const { return search_table_; }
  void SetSearchTable(TwwTable *table);
  TwwTable *ShadowSearchTable() const { return shadow_table_; }
  void SetShadowSearchTable(TwwTable *table);
  // Runs the dialog; on OK the search table moves to the chosen record.
  bool Execute();

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  TwwTable *search_table_ = nullptr;
  TwwTable *shadow_table_ = nullptr;
};

class TwwLookupDialog : public TwwCustomLookupDialog {
public:
  explicit TwwLookupDialog(TComponent *owner);
  TDataSet *LookupTable() const { return lookup_table_; }
  void SetLookupTable(TDataSet *table);
  bool Execute();

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  TDataSet *lookup_table_ = nullptr;
};

namespace wwmsg {
inline constexpr const char *kSameSearchAndShadow =
    "Your SearchTable and ShadowSearchTable must reference two distinct TwwTable objects, but "
    "each must reference the same physical table.";
inline constexpr const char *kDifferentPhysicalTables =
    "Your SearchTable and ShadowSearchTable must reference two distinct TwwTable objects, and "
    "each must reference the same physical table.";
inline constexpr const char *kUnableToOpen = "Unable to open search or lookup table.";
inline constexpr const char *kSearchTableNotActive = "Search Table is not active.";
inline constexpr const char *kNoLookupTable = "You must define a lookupTable.";
inline constexpr const char *kChosenRecordFiltered =
    "The record chosen is hidden by the filter of the table it was looked up for.";
inline constexpr const char *kDataSetMustBeActive = "DataSet for this component must be active.";
inline constexpr const char *kPlainTableSearch =
    "Incremental Search - TTable component not supported. Use TwwTable instead.";
inline constexpr const char *kNoDataSource = "DataSource not defined - object ";
inline constexpr const char *kNoDataSet = "Dataset not defined for DataSource";
inline constexpr const char *kKeyComboNeedsTable = "DataSource must point to a TTable.";
inline constexpr const char *kKeyComboNoDataSet =
    "TwwKeyCombo: DataSet not initialized for chosen DataSource.";
inline constexpr const char *kKeyComboChildTable =
    "TwwKeyCombo: Data Source can not be a child table.";
inline constexpr const char *kKeyComboQuery =
    "TwwKeyCombo: DataSet cannot be a TwwTable using a Query.";
} // namespace wwmsg
