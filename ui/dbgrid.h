// The data-aware grid: the records of a dataset as rows and its fields as
// columns. The grid holds no records of its own; it shows the dataset's
// window of record buffers, one row per buffer, through a multi-record
// data link whose BufferCount is the number of data rows that fit. Moving
// through the rows (keys, mouse, the grid's own three-position vertical
// scroll bar) moves the dataset.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/datasource.h"
#include "ui/grid.h"

class TDataSet;
class TField;
class TCustomDBGrid;
class TDBGridColumns;
class TColumn;

// Options of the data-aware grid, a set; bit n is the n-th option.
using TDBGridOptions = unsigned;
constexpr TDBGridOptions dgEditing = 1u << 0;
constexpr TDBGridOptions dgAlwaysShowEditor = 1u << 1;
constexpr TDBGridOptions dgTitles = 1u << 2;
constexpr TDBGridOptions dgIndicator = 1u << 3;
constexpr TDBGridOptions dgColumnResize = 1u << 4;
constexpr TDBGridOptions dgColLines = 1u << 5;
constexpr TDBGridOptions dgRowLines = 1u << 6;
constexpr TDBGridOptions dgTabs = 1u << 7;
constexpr TDBGridOptions dgRowSelect = 1u << 8;
constexpr TDBGridOptions dgAlwaysShowSelection = 1u << 9;
constexpr TDBGridOptions dgConfirmDelete = 1u << 10;
constexpr TDBGridOptions dgCancelOnExit = 1u << 11;
constexpr TDBGridOptions dgMultiSelect = 1u << 12;
constexpr TDBGridOptions kDefaultDBGridOptions = dgEditing | dgTitles | dgIndicator |
                                                 dgColumnResize | dgColLines | dgRowLines | dgTabs |
                                                 dgConfirmDelete | dgCancelOnExit;

enum TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };
// Whether every column was made by the grid for a field (csDefault) or
// some were set up by the program (csCustomized).
enum TDBGridColumnsState { csDefault, csCustomized };

using TDrawDataCellEvent =
    std::function<void(TObject *Sender, const TRect &Rect, TField *Field, TGridDrawState State)>;
using TDrawColumnCellEvent = std::function<void(TObject *Sender, const TRect &Rect, int DataCol,
                                                TColumn *Column, TGridDrawState State)>;

// The title of a column. Settings never made come from the field (the
// caption is its DisplayLabel) or from the grid (title font and colour).
class TColumnTitle : public TPersistent {
public:
  explicit TColumnTitle(TColumn *column);
  TColumn *Column() const { return column_; }
  std::string Caption() const;
  virtual void SetCaption(const std::string &caption);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TColor Color() const;
  void SetColor(TColor color);
  // The title font; changing it marks it as set.
  TFont &Font();
  const TFont &Font() const;
  bool IsFontSet() const { return font_set_; }
  void RestoreDefaults();
  // Called when the grid's title font changes.
  void RefreshDefaultFont();

protected:
  TColumn *column_;
  std::string caption_;
  bool caption_set_ = false;

private:
  TAlignment alignment_ = taLeftJustify;
  TColor color_ = clBtnFace;
  bool color_set_ = false;
  mutable TFont font_;
  bool font_set_ = false;
  bool refreshing_ = false;
};

// A column of the grid: which field it shows, how wide, in which colour
// and font, and its title.
class TColumn : public TPersistent {
public:
  explicit TColumn(TDBGridColumns *collection);
  ~TColumn() override;
  TDBGridColumns *Collection() const { return collection_; }
  TCustomDBGrid *Grid() const;
  int Index() const;

  const std::string &FieldName() const { return field_name_; }
  void SetFieldName(const std::string &name);
  // The field shown: looked up by FieldName when the grid lays out.
  TField *Field() const { return field_; }
  void SetField(TField *field);
  // The width set on the column, or the default width.
  int Width() const;
  void SetWidth(int width);
  bool IsWidthSet() const { return width_set_; }
  int DefaultWidth() const;
  TColor Color() const;
  void SetColor(TColor color);
  TFont &Font();
  const TFont &Font() const;
  bool IsFontSet() const { return font_set_; }
  TAlignment Alignment() const;
  virtual void SetAlignment(TAlignment alignment);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool on) { read_only_ = on; }
  TColumnButtonStyle ButtonStyle() const { return button_style_; }
  void SetButtonStyle(TColumnButtonStyle style) { button_style_ = style; }
  std::vector<std::string> &PickList() { return pick_list_; }
  int DropDownRows() const { return drop_down_rows_; }
  void SetDropDownRows(int rows) { drop_down_rows_ = rows; }
  TColumnTitle *Title() const { return title_.get(); }
  // A column the grid made for a field by itself.
  virtual bool IsDefault() const { return false; }
  void RefreshDefaultFont();

protected:
  friend class TColumnTitle;
  friend class TCustomDBGrid;
  void Changed(bool layout);
  std::unique_ptr<TColumnTitle> title_;

private:
  TDBGridColumns *collection_;
  std::string field_name_;
  TField *field_ = nullptr;
  int width_ = 64;
  bool width_set_ = false;
  TColor color_ = clWindow;
  bool color_set_ = false;
  mutable TFont font_;
  bool font_set_ = false;
  bool refreshing_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool alignment_set_ = false;
  bool read_only_ = false;
  TColumnButtonStyle button_style_ = cbsAuto;
  std::vector<std::string> pick_list_;
  int drop_down_rows_ = 7;
};

// The title of a default column: its caption is the field's DisplayLabel,
// and setting it sets the field's.
class TPassthroughColumnTitle : public TColumnTitle {
public:
  using TColumnTitle::TColumnTitle;
  void SetCaption(const std::string &caption) override;
};

// A column made by the grid for a field; its settings pass through to the
// field (alignment, title caption, position).
class TPassthroughColumn : public TColumn {
public:
  explicit TPassthroughColumn(TDBGridColumns *collection);
  void SetAlignment(TAlignment alignment) override;
  bool IsDefault() const override { return true; }
};

// The grid's columns, in display order.
class TDBGridColumns : public TPersistent {
public:
  explicit TDBGridColumns(TCustomDBGrid *grid);
  ~TDBGridColumns() override;
  TCustomDBGrid *Grid() const { return grid_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TColumn *Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TColumn *operator[](int index) const { return Items(index); }
  // Adds a column set up by the program (the columns become customized).
  TColumn *Add();
  void Clear();
  void Delete(int index);
  void Move(int from, int to);
  int IndexOf(const TColumn *column) const;
  TDBGridColumnsState State() const;
  // Back to default columns: the grid makes one per visible field.
  void RebuildColumns();
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();

private:
  friend class TCustomDBGrid;
  friend class TColumn;
  TColumn *Insert(int index, std::unique_ptr<TColumn> column);
  std::unique_ptr<TColumn> Extract(int index);
  void Changed();

  TCustomDBGrid *grid_;
  std::vector<std::unique_ptr<TColumn>> items_;
  int update_count_ = 0;
};

// The grid's multi-record link.
class TGridDataLink : public TDataLink {
public:
  explicit TGridDataLink(TCustomDBGrid *grid) : grid_(grid) {}
  TCustomDBGrid *Grid() const { return grid_; }
  // The visible fields of the dataset in field order (the grid's field list).
  const std::vector<TField *> &Fields() const { return fields_; }
  void ClearMapping() { fields_.clear(); }
  void AddMapping(TField *field) { fields_.push_back(field); }
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  // Forgets a pending edit and reloads what the controls show.
  void Reset();

protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void FocusControl(TField **field) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField *field) override;
  void UpdateData() override;

private:
  TCustomDBGrid *grid_;
  std::vector<TField *> fields_;
  bool modified_ = false;
  bool in_update_data_ = false;
};

class TCustomDBGrid : public TCustomGrid {
public:
  explicit TCustomDBGrid(TComponent *owner);
  ~TCustomDBGrid() override;

  TDataSource *DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource *source);
  TGridDataLink *DataLink() { return &link_; }
  TDBGridColumns *Columns() { return &columns_; }
  TDBGridOptions Options() const { return db_options_; }
  void SetOptions(TDBGridOptions options);
  // The title row's font: the grid's font until set.
  TFont &TitleFont() { return title_font_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool on);
  bool DefaultDrawing() const { return default_drawing_; }
  void SetDefaultDrawing(bool on) { default_drawing_ = on; }
  // The field of the selected column.
  TField *SelectedField() const;
  // The selected column's index among the columns (0 = first data column).
  int SelectedIndex() const;
  void SetSelectedIndex(int index);
  int IndicatorOffset() const { return indicator_offset_; }
  int TitleOffset() const { return title_offset_; }
  // Where the vertical scroll bar's thumb stands (0 top, 2 middle, 4 bottom).
  int VertThumb() const { return thumb_pos_; }

  // Multi-selection: the selected records' bookmarks.
  int SelectedCount() const { return static_cast<int>(selected_.size()); }
  bool CurrentRowSelected() const;
  void SetCurrentRowSelected(bool on);
  void ClearSelection();
  bool IsSelected(const std::string &bookmark) const { return selected_.count(bookmark) > 0; }

  TDrawDataCellEvent OnDrawDataCell;
  TDrawColumnCellEvent OnDrawColumnCell;

  bool CanEditModify() override;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string &text) override;
  void KeyDown(Word &key, TShiftState shift) override;

  // The dataset shown, when the link is active.
  TDataSet *DataSet() const;
  // Lays the grid out again (columns, rows, widths).
  void LayoutChanged();

protected:
  void DrawCell(int col, int row, const TRect &rect, TGridDrawState state) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyPress(char32_t &key) override;
  void Resize() override;
  void FontChanged() override;
  void DoExit() override;
  bool SelectCell(int col, int row) override;
  bool CanEditShow() override;
  void ColumnMoved(int from, int to) override;
  void ColWidthsChanged() override;
  void ScrollCommand(bool vertical, TScrollCode code, int pos) override;
  bool VertBarNeeded() const override;
  void SyncVertBar() override;

  // Reactions to the link.
  virtual void LinkActive(bool active);
  void DataChanged();
  void Scrolled(int distance);
  void RecordChanged(TField *field);
  void EditingChanged();
  void UpdateData();
  void FocusField(TField **field);

private:
  friend class TGridDataLink;
  friend class TDBGridColumns;
  friend class TColumn;

  void InternalLayout();
  void UpdateRowCount();
  void UpdateActive();
  void UpdateScrollBar();
  void MapOptions();
  int VisibleDataRows() const;
  void MoveBy(int distance);
  void KeyUp_(bool ctrl, bool extend);
  void KeyDown_(bool ctrl, bool extend);
  void DeleteRecords();
  bool AcquireFocus();
  TColumn *ColumnOfCol(int col) const;
  int TitleHeight() const;
  void DrawIndicator(const TRect &rect, int row);
  void WriteText(const TRect &rect, const std::string &text, TAlignment alignment, int dx);
  std::string RowBookmark(int data_row) const;

  TGridDataLink link_;
  TDBGridColumns columns_;
  TDBGridOptions db_options_ = kDefaultDBGridOptions;
  TFont title_font_;
  bool title_font_set_ = false;
  bool applying_title_font_ = false;
  bool read_only_ = false;
  bool default_drawing_ = true;
  int indicator_offset_ = 1;
  int title_offset_ = 1;
  int in_layout_ = 0;
  bool layout_from_dataset_ = false;
  bool updating_rows_ = false;
  bool applying_widths_ = false;
  int thumb_pos_ = -1;
  std::string edit_text_;
  std::set<std::string> selected_;
  TBitmap indicators_[3];
};

class TDBGrid : public TCustomDBGrid {
public:
  explicit TDBGrid(TComponent *owner) : TCustomDBGrid(owner) {}
};

// The grid's indicator images by name ("DBGARROW", "DBEDIT", "DBINSERT"),
// drawn on white, which is their transparent colour.
void LoadIndicatorBitmap(TBitmap &bitmap, const std::string &name);
