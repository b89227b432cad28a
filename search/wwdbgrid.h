// TwwDBGrid: the data grid of the search dialog. Its columns come from the
// Selected lines (field name, tab, display width in characters, tab,
// title), applied either to the dataset's field objects (UseTFields, the
// default: the grid then shows the visible fields in field order) or
// directly as columns of the grid's own.
#pragma once

#include <string>

#include "base/strings.h"
#include "ui/dbgrid.h"

class TwwDataSource;

// The grid options beyond those of the data-aware grid.
constexpr TDBGridOptions dgWordWrap = 1u << 13;
constexpr TDBGridOptions dgPerfectRowFit = 1u << 14;
using TwwDBGridOptions = TDBGridOptions;
constexpr TwwDBGridOptions kDefaultwwDBGridOptions =
    dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
    dgConfirmDelete | dgCancelOnExit | dgWordWrap;

using TwwMultiSelectOptions = unsigned;
constexpr TwwMultiSelectOptions msoAutoUnselect = 1u << 0;
constexpr TwwMultiSelectOptions msoShiftSelect = 1u << 1;

enum TIndicatorColorType { icBlack, icYellow };

// One Selected line split at its tabs.
struct TwwSelectedLine {
  std::string field_name;
  int display_width = 0;
  std::string title;
};
TwwSelectedLine ParseSelectedLine(const std::string &line);

class TwwDBGrid : public TCustomDBGrid {
public:
  explicit TwwDBGrid(TComponent *owner);

  const TStringList &Selected() const { return selected_; }
  // Replaces the list; a linked grid rebuilds its columns.
  void SetSelected(const TStringList &lines);
  bool UseTFields() const { return use_tfields_; }
  void SetUseTFields(bool on);
  void SetOptions(TwwDBGridOptions options);
  TwwMultiSelectOptions MultiSelectOptions() const { return multi_select_options_; }
  void SetMultiSelectOptions(TwwMultiSelectOptions options) { multi_select_options_ = options; }
  TAlignment TitleAlignment() const { return title_alignment_; }
  void SetTitleAlignment(TAlignment alignment);
  TIndicatorColorType IndicatorColor() const { return indicator_color_; }
  void SetIndicatorColor(TIndicatorColorType color) { indicator_color_ = color; }
  bool ShowHorzScrollBar() const { return show_horz_scroll_bar_; }
  void SetShowHorzScrollBar(bool on);
  bool EditCalculated() const { return edit_calculated_; }
  void SetEditCalculated(bool on) { edit_calculated_ = on; }

  // Applies Selected: to the dataset's fields with UseTFields, else as the
  // grid's own columns.
  void ApplySelected();
  // The width of a column for a display width in characters and a title
  // ("~" separates title lines): the wider of the text and the title.
  int ColumnWidthFor(int display_width, const std::string &title) const;
  // The field under a point of the grid, and whether it is a blob field in
  // a data row.
  TField *FieldAt(int x, int y) const;
  bool IsBlobCell(int x, int y) const;
  bool EditingAllowed() const { return (Options() & dgEditing) && !ReadOnly(); }
  // Called once the width is set: the height shrinks to end below the last
  // whole row (or grows to show it whole).
  void FitHeight();
  // Sum of the column widths and lines, the indicator included.
  int ColumnsTotalWidth() const;

protected:
  void LinkActive(bool active) override;

private:
  void ApplyColumnWidths();

  TStringList selected_;
  bool use_tfields_ = true;
  TwwMultiSelectOptions multi_select_options_ = 0;
  TAlignment title_alignment_ = taLeftJustify;
  TIndicatorColorType indicator_color_ = icBlack;
  bool show_horz_scroll_bar_ = true;
  bool edit_calculated_ = false;
  bool applying_ = false;
};

namespace wwmsg {
inline constexpr const char *kEnhancedDataSetOnly =
    "wwGrid must use descendent of TwwTable, TwwQuery, TwwQBE, TwwStoredProc, TwwClientDataSet.";
} // namespace wwmsg
