// TwwFilterDialog: a non-visual component that lets the user build a record
// filter field by field and applies it to the dataset behind its data
// source. It remembers one criterion per field between runs; Execute opens
// the filter window (TwwFilterDlg) on a working copy, and on OK takes the
// copy over and installs its record test as the table's OnFilter event, so
// that the engine asks it about every candidate record. The dataset's own
// filter text stays in force beside it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/component.h"
#include "base/strings.h"
#include "data/datasource.h"
#include "search/wwfilter_criteria.h"

class TDataSet;
class TwwFilterDlg;
class TwwTable;

// Options: a set of the bits below.
using TwwFilterDialogOptions = unsigned;
constexpr TwwFilterDialogOptions fdCaseSensitive = 1u << 0;
constexpr TwwFilterDialogOptions fdShowCaseSensitive = 1u << 1;
constexpr TwwFilterDialogOptions fdShowOKCancel = 1u << 2;
constexpr TwwFilterDialogOptions fdShowViewSummary = 1u << 3;
constexpr TwwFilterDialogOptions fdShowFieldOrder = 1u << 4;
constexpr TwwFilterDialogOptions fdShowValueRangeTab = 1u << 5;
constexpr TwwFilterDialogOptions fdShowNonMatching = 1u << 6;
constexpr TwwFilterDialogOptions kDefaultFilterDialogOptions =
    fdShowCaseSensitive | fdShowOKCancel | fdShowViewSummary | fdShowFieldOrder |
    fdShowValueRangeTab;

enum TwwFilterDialogSort : uint8_t { fdSortByFieldNo = 0, fdSortByFieldName = 1 };
enum TwwFilterMethod : uint8_t { fdByFilter = 0, fdByQueryModify = 1 };
enum TwwDefaultFilterBy : uint8_t { fdSmartFilter = 0, fdFilterByRange = 1, fdFilterByValue = 2 };
enum TwwFilterOptimization : uint8_t { fdNone = 0, fdUseAllIndexes = 1, fdUseActiveIndex = 2 };

inline constexpr const char *kFilterNeedsActiveDataset =
    "Dataset must be active to perform local filtering (FilterMethod=fdByFilter).";
inline constexpr const char *kAndOrSameValue = "And and Or Operators have the same value.";
inline constexpr const char *kOperatorsNotUnique = "Operators do not have a unique value.";
inline constexpr const char *kInvalidFilterMethod =
    "Invalid FilterMethod for TwwTable, TwwQBE, and TwwStoredProc. \rOnly fdByFilter is "
    "supported for TwwTable, TwwQBE, and TwwStoredProc";

// The operator words of the value syntax. A new word is stored without
// leading and trailing blanks; words that are no longer distinct (ignoring
// case) bring a warning, the word staying stored.
class TwwFieldOperators : public TPersistent {
public:
  const std::string &OrChar() const { return words_.or_word; }
  void SetOrChar(const std::string &word) { SetWord(words_.or_word, word); }
  const std::string &AndChar() const { return words_.and_word; }
  void SetAndChar(const std::string &word) { SetWord(words_.and_word, word); }
  const std::string &NullChar() const { return words_.null_word; }
  void SetNullChar(const std::string &word) { SetWord(words_.null_word, word); }
  const TwwOperatorWords &Words() const { return words_; }
  void Assign(const TPersistent *source) override;

private:
  void SetWord(std::string &slot, const std::string &word);
  TwwOperatorWords words_;
};

// One field the window offers.
struct TwwDBFieldInfo {
  std::string FieldName;
  std::string DBFieldName;
  std::string TableName;
  TFieldType DataType = ftUnknown;
  std::string DisplayLabel;
};

using TwwOnInitFilterDlgEvent = std::function<void(TwwFilterDlg *dialog)>;

class TwwFilterDialog : public TComponent {
public:
  explicit TwwFilterDialog(TComponent *owner = nullptr);
  ~TwwFilterDialog() override;

  // --- published properties ---------------------------------------------
  TDataSource *DataSource() const { return link_.DataSource(); }
  // A table forces FilterMethod to fdByFilter.
  void SetDataSource(TDataSource *source);
  TwwFilterDialogOptions Options() const { return options_; }
  void SetOptions(TwwFilterDialogOptions options) { options_ = options; }
  TwwFilterDialogSort SortBy() const { return sort_by_; }
  void SetSortBy(TwwFilterDialogSort sort) { sort_by_ = sort; }
  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption) { caption_ = caption; }
  TwwFilterMethod FilterMethod() const { return filter_method_; }
  // Only fdByFilter suits a table: anything else is refused with a warning.
  void SetFilterMethod(TwwFilterMethod method);
  TwwFilterMatchType DefaultMatchType() const { return default_match_type_; }
  // Start, anywhere or exact match; other kinds are no default.
  void SetDefaultMatchType(TwwFilterMatchType type);
  TwwDefaultFilterBy DefaultFilterBy() const { return default_filter_by_; }
  void SetDefaultFilterBy(TwwDefaultFilterBy by) { default_filter_by_ = by; }
  const std::string &DefaultField() const { return default_field_; }
  void SetDefaultField(const std::string &name) { default_field_ = name; }
  TwwFieldOperators *FieldOperators() { return &field_operators_; }
  const TwwFieldOperators *FieldOperators() const { return &field_operators_; }
  // When not empty, the fields offered and their order (text before the
  // first ";" of each line).
  TStringList *SelectedFields() { return &selected_fields_; }
  TwwFilterOptimization FilterOptimization() const { return filter_optimization_; }
  void SetFilterOptimization(TwwFilterOptimization o) { filter_optimization_ = o; }
  TwwOnInitFilterDlgEvent OnInitDialog;

  // --- operations -----------------------------------------------------------
  // Runs the window modally; on OK takes over its criteria and applies
  // them. True when the user confirmed with OK.
  virtual bool Execute();
  // Forgets every criterion. The installed record test stays and from the
  // dataset's next refresh on accepts every record.
  void ClearFilter();
  // Installs the record test on the dataset (or removes it when there are
  // no criteria) and shows the rows again.
  void ApplyFilter();
  // Fires OnInitDialog; the window calls it when it shows.
  void DoInitDialog(TwwFilterDlg *dialog);

  // The remembered criteria, in the order they were first entered (the
  // order of evaluation).
  std::vector<TwwFieldInfo> &FieldInfos() { return field_infos_; }
  const std::vector<TwwFieldInfo> &FieldInfos() const { return field_infos_; }
  // The fields the window offers, rebuilt by BuildDBFieldInfos.
  const std::vector<TwwDBFieldInfo> &DBFieldInfos() const { return db_field_infos_; }
  void BuildDBFieldInfos();
  // The entry named so, ignoring case; nullptr when none.
  const TwwDBFieldInfo *FindDBFieldInfo(const std::string &name) const;
  // The dataset behind the data source (nullptr when none).
  TDataSet *DataSet() const { return link_.DataSet(); }

  // The field name of the first field whose display label reads as `name`
  // ("~" read as a blank on both sides); empty when none.
  static std::string ResolveFieldName(const TDataSet *dataset, const std::string &name);

  // The record test: whether the dataset's candidate record (the current
  // record for a dataset without a record filter of its own) passes every
  // criterion.
  bool FilterRecord(TDataSet *dataset);

protected:
  void Notification(TComponent *component, TOperation operation) override;

private:
  TVariant CandidateValue(TDataSet *dataset, TField *field, const std::string &name);
  std::string MemoText(TDataSet *dataset, TField *field);
  // With FilterOptimization on, lets the first suitable criterion narrow
  // the table to a key range before the record test runs.
  void ApplyIndexRange(TwwTable *table);
  void RemoveInstalledTest();
  // Remembers the dataset the test goes on, taking it off an earlier one.
  void NoteFilteredDataSet(TDataSet *dataset);

  TDataLink link_;
  TwwFilterDialogOptions options_ = kDefaultFilterDialogOptions;
  TwwFilterDialogSort sort_by_ = fdSortByFieldNo;
  std::string caption_;
  TwwFilterMethod filter_method_ = fdByFilter;
  TwwFilterMatchType default_match_type_ = fdMatchStart;
  TwwDefaultFilterBy default_filter_by_ = fdSmartFilter;
  std::string default_field_;
  TwwFieldOperators field_operators_;
  TStringList selected_fields_;
  TwwFilterOptimization filter_optimization_ = fdNone;
  std::vector<TwwFieldInfo> field_infos_;
  std::vector<TwwDBFieldInfo> db_field_infos_;
  // Memo texts are compared up to this many bytes, read into one buffer
  // made at the first need.
  static constexpr size_t kMemoBufferSize = 32767;
  std::vector<char> memo_buffer_;
  bool range_applied_ = false;
  // The dataset the record test is installed on, and a token the installed
  // test checks so that it never reaches a component already freed.
  TDataSet *filtered_dataset_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
