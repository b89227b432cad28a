// The plain grid: a rectangle of cells that paints itself through its
// canvas, with fixed (title) rows and columns at the top and left, grid
// lines, column sizing and moving with the mouse, an in-place editor and
// scroll bars. TStringGrid keeps a text per cell; the data-aware grid
// (ui/dbgrid.h) shows a dataset's records.
//
// Geometry: column i is ColWidths(i) pixels wide and is followed by a
// grid line of GridLineWidth pixels when vertical lines are on for it
// (goFixedVertLine for fixed columns, goVertLine for the others); rows
// likewise with RowHeights and the horizontal line options. The fixed
// columns and rows never scroll; LeftCol and TopRow are the first
// scrollable column and row shown.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/stdctrls.h"

class QScrollBar;
class TCustomGrid;

using TGridOptions = unsigned;
constexpr TGridOptions goFixedVertLine = 1u << 0;
constexpr TGridOptions goFixedHorzLine = 1u << 1;
constexpr TGridOptions goVertLine = 1u << 2;
constexpr TGridOptions goHorzLine = 1u << 3;
constexpr TGridOptions goRangeSelect = 1u << 4;
constexpr TGridOptions goDrawFocusSelected = 1u << 5;
constexpr TGridOptions goRowSizing = 1u << 6;
constexpr TGridOptions goColSizing = 1u << 7;
constexpr TGridOptions goRowMoving = 1u << 8;
constexpr TGridOptions goColMoving = 1u << 9;
constexpr TGridOptions goEditing = 1u << 10;
constexpr TGridOptions goTabs = 1u << 11;
constexpr TGridOptions goRowSelect = 1u << 12;
constexpr TGridOptions goAlwaysShowEditor = 1u << 13;
constexpr TGridOptions goThumbTracking = 1u << 14;

// The state a cell is drawn in (a set).
using TGridDrawState = unsigned;
constexpr TGridDrawState gdSelected = 1u << 0;
constexpr TGridDrawState gdFocused = 1u << 1;
constexpr TGridDrawState gdFixed = 1u << 2;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TGridBorderStyle { gbsNone, gbsSingle };

// Scroll-bar commands are the framework's TScrollCode (ui/stdctrls.h).

// What the mouse is doing to the grid.
enum TGridState { gsNormal, gsSelecting, gsColSizing, gsColMoving };

struct TGridCoord {
  int X = -1;
  int Y = -1;
  bool operator==(const TGridCoord &) const = default;
};

using TDrawCellEvent = std::function<void(TObject *Sender, int ACol, int ARow, const TRect &Rect,
                                          TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject *Sender, int ACol, int ARow, bool &CanSelect)>;
using TMovedEvent = std::function<void(TObject *Sender, int FromIndex, int ToIndex)>;

// The editor that floats over the current cell. Keys that move between
// cells go to the grid; typing is refused when the grid does not let the
// cell be changed.
class TInplaceEdit : public TEdit {
public:
  explicit TInplaceEdit(TCustomGrid *grid);
  TCustomGrid *Grid() const { return grid_; }

protected:
  void KeyDown(Word &key, TShiftState shift) override;
  void KeyPress(char32_t &key) override;
  void Change() override;
  bool WantTabs() const override;

private:
  TCustomGrid *grid_;
};

class TCustomGrid : public TCustomControl {
public:
  explicit TCustomGrid(TComponent *owner);
  ~TCustomGrid() override;

  int ColCount() const { return static_cast<int>(col_widths_.size()); }
  void SetColCount(int count);
  int RowCount() const { return static_cast<int>(row_heights_.size()); }
  void SetRowCount(int count);
  int FixedCols() const { return fixed_cols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixed_rows_; }
  void SetFixedRows(int count);
  int DefaultColWidth() const { return default_col_width_; }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return default_row_height_; }
  void SetDefaultRowHeight(int height);
  int ColWidths(int col) const { return col_widths_.at(static_cast<size_t>(col)); }
  void SetColWidths(int col, int width);
  int RowHeights(int row) const { return row_heights_.at(static_cast<size_t>(row)); }
  void SetRowHeights(int row, int height);
  int GridLineWidth() const { return grid_line_width_; }
  void SetGridLineWidth(int width);
  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions options);
  TColor FixedColor() const { return fixed_color_; }
  void SetFixedColor(TColor color);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle style);
  TGridBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TGridBorderStyle style);
  // Whether a column takes the focus with Tab (default true).
  bool TabStops(int col) const;
  void SetTabStops(int col, bool on);

  // The current cell. Setting it moves there (SelectCell may refuse).
  int Col() const { return cur_.X; }
  void SetCol(int col);
  int Row() const { return cur_.Y; }
  void SetRow(int row);
  int LeftCol() const { return top_left_.X; }
  void SetLeftCol(int col);
  int TopRow() const { return top_left_.Y; }
  void SetTopRow(int row);
  // Scrollable columns and rows shown whole.
  int VisibleColCount() const;
  int VisibleRowCount() const;

  // The cell under a point of the control (-1, -1 outside every cell).
  TGridCoord MouseCoord(int x, int y) const;
  // Where a cell is drawn, in the control's pixels; empty when hidden.
  TRect CellRect(int col, int row) const;
  // The area the cells are drawn in (inside the border and scroll bars).
  TRect GridRect() const;
  int ClientWidth() const override;
  int ClientHeight() const override;

  bool EditorMode() const { return editor_mode_; }
  void SetEditorMode(bool on);
  TInplaceEdit *InplaceEditor() const { return editor_; }
  TGridState GridState() const { return state_; }

  QScrollBar *HorzScrollBar() const { return hbar_; }
  QScrollBar *VertScrollBar() const { return vbar_; }

  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);
  void InvalidateCol(int col);
  void InvalidateGrid() { Invalidate(); }

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TMovedEvent OnColumnMoved;
  TNotifyEvent OnTopLeftChanged;

  // The editor's view of the grid.
  virtual bool CanEditModify();
  virtual std::string GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const std::string &text);
  virtual void KeyDown(Word &key, TShiftState shift) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyPress(char32_t &key) override;
  void DoExit() override;
  void DoEnter() override;
  void Resize() override;
  bool WantTabs() const override { return (options_ & goTabs) != 0; }

  // Draws one cell (the base calls OnDrawCell).
  virtual void DrawCell(int col, int row, const TRect &rect, TGridDrawState state);
  // Whether the cell may become current.
  virtual bool SelectCell(int col, int row);
  virtual bool CanEditShow();
  virtual bool CanEditAcceptKey(char32_t key);
  virtual void ColumnMoved(int from, int to);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual void TopLeftChanged();
  virtual void SizeChanged(int old_col_count, int old_row_count);
  // A command of the vertical or horizontal scroll bar.
  virtual void ScrollCommand(bool vertical, TScrollCode code, int pos);
  // Sets the scroll bars' ranges and positions from the grid.
  virtual void UpdateScrollRange();
  // Whether the vertical scroll bar shows, and its range and position; a
  // grid whose vertical bar means something else overrides both.
  virtual bool VertBarNeeded() const;
  virtual void SyncVertBar();
  // The cell text is changing from the editor.
  virtual void UpdateEditorText();
  // Moves the current cell; `show` scrolls it into view.
  void MoveColRow(int col, int row, bool show);
  // Moves the current cell without SelectCell (for grids whose current
  // row follows something else).
  void MoveCurrent(int col, int row, bool show);
  void ShowEditor();
  void HideEditor();
  void ShowEditorChar(char32_t ch);
  // Reloads the editor's text from the cell.
  void InvalidateEditor();
  // Moves the scrolled part of the grid up (dy > 0) or down by whole rows
  // worth of pixels; the rows uncovered are repainted.
  void ScrollDataRows(int dy);
  // Draws a 3-D edge (raised when `raised`) inside a rectangle.
  void DrawEdge(TRect r, bool raised);
  void MoveColumn(int from, int to);
  // Size and scroll range recomputed after a change of geometry.
  void GeometryChanged();
  void SetVertScrollRange(int min, int max, int page);
  void SetVertScrollPos(int pos);
  // True while the editor's text is being loaded from the cell.
  bool InEditorUpdate() const { return in_editor_update_; }

private:
  friend class TInplaceEdit;
  int ColExtent(int col) const;
  int RowExtent(int row) const;
  bool ColLine(int col) const;
  bool RowLine(int row) const;
  int FixedWidth() const;
  int FixedHeight() const;
  int MaxTopRow() const;
  int MaxLeftCol() const;
  void ClampTopLeft();
  void ScrollIntoView(int col, int row);
  void PlaceScrollBars();
  void PlaceEditor();
  int ColBorderAt(int x, int y) const;
  void OnScrollAction(bool vertical, int action);

  std::vector<int> col_widths_;
  std::vector<int> row_heights_;
  std::vector<bool> tab_stops_;
  int fixed_cols_ = 1;
  int fixed_rows_ = 1;
  int default_col_width_ = 64;
  int default_row_height_ = 24;
  int grid_line_width_ = 1;
  TGridOptions options_ =
      goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
  TColor fixed_color_ = clBtnFace;
  TScrollStyle scroll_bars_ = ssBoth;
  TGridBorderStyle border_style_ = gbsSingle;
  TGridCoord cur_{1, 1};
  TGridCoord top_left_{1, 1};
  TGridState state_ = gsNormal;
  int sizing_col_ = -1;
  int sizing_origin_ = 0;
  int moving_from_ = -1;
  int moving_to_ = -1;
  bool editor_mode_ = false;
  bool in_editor_update_ = false;
  TInplaceEdit *editor_ = nullptr;
  QScrollBar *hbar_ = nullptr;
  QScrollBar *vbar_ = nullptr;
  bool setting_bars_ = false;
};

// A grid of texts, one per cell.
class TStringGrid : public TCustomGrid {
public:
  explicit TStringGrid(TComponent *owner);
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string &text);
  // Every text of a column or a row.
  std::vector<std::string> Cols(int col) const;
  std::vector<std::string> Rows(int row) const;

  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string &text) override;

protected:
  void DrawCell(int col, int row, const TRect &rect, TGridDrawState state) override;
  void ColumnMoved(int from, int to) override;

private:
  // Texts by row, then column; grown on demand.
  std::vector<std::vector<std::string>> cells_;
};
