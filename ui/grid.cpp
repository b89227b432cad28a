#include "ui/grid.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "base/exception.h"
#include "ui/forms.h"

namespace {

constexpr int kSizingMargin = 3;

int BarExtent() {
  return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

TScrollCode CodeOfAction(int action) {
  switch (action) {
  case QAbstractSlider::SliderSingleStepSub:
    return scLineUp;
  case QAbstractSlider::SliderSingleStepAdd:
    return scLineDown;
  case QAbstractSlider::SliderPageStepSub:
    return scPageUp;
  case QAbstractSlider::SliderPageStepAdd:
    return scPageDown;
  case QAbstractSlider::SliderToMinimum:
    return scTop;
  case QAbstractSlider::SliderToMaximum:
    return scBottom;
  case QAbstractSlider::SliderMove:
    return scTrack;
  default:
    return scEndScroll;
  }
}

} // namespace

// ---- TInplaceEdit ----

TInplaceEdit::TInplaceEdit(TCustomGrid *grid) : TEdit(grid), grid_(grid) {
  SetTabStop(false);
  SetParentColor(false);
  SetColor(clWindow);
  if (auto *line = qobject_cast<QLineEdit *>(Widget())) line->setFrame(false);
}

bool TInplaceEdit::WantTabs() const {
  return (grid_->Options() & goTabs) != 0;
}

void TInplaceEdit::KeyDown(Word &key, TShiftState shift) {
  TEdit::KeyDown(key, shift);
  if (key == 0) return;
  auto *line = qobject_cast<QLineEdit *>(Widget());
  bool at_start = line && line->cursorPosition() == 0 && !line->hasSelectedText();
  bool at_end = line && line->cursorPosition() == line->text().size() && !line->hasSelectedText();
  bool to_grid = false;
  switch (key) {
  case VK_UP:
  case VK_DOWN:
  case VK_PRIOR:
  case VK_NEXT:
  case VK_ESCAPE:
  case VK_TAB:
  case VK_RETURN:
  case VK_F2:
    to_grid = true;
    break;
  case VK_INSERT:
  case VK_DELETE:
    // Delete and Insert edit the text unless Ctrl asks the grid.
    to_grid = (shift & ssCtrl) != 0;
    break;
  case VK_LEFT:
    to_grid = (shift & ssCtrl) != 0 || at_start;
    break;
  case VK_RIGHT:
    to_grid = (shift & ssCtrl) != 0 || at_end;
    break;
  case VK_HOME:
  case VK_END:
    to_grid = (shift & ssCtrl) != 0;
    break;
  default:
    break;
  }
  if (to_grid) {
    grid_->KeyDown(key, shift);
    key = 0;
  } else if ((key == VK_DELETE || key == VK_BACK) && !grid_->CanEditModify()) {
    key = 0;
  }
}

void TInplaceEdit::KeyPress(char32_t &key) {
  TEdit::KeyPress(key);
  if (key == 0) return;
  if (key == U'\r' || key == U'\t' || key == 0x1B) {
    key = 0;
    return;
  }
  // Every other key changes the text: only when the cell may change.
  if (!grid_->CanEditAcceptKey(key) || !grid_->CanEditModify()) key = 0;
}

void TInplaceEdit::Change() {
  TEdit::Change();
  if (!grid_->in_editor_update_) grid_->UpdateEditorText();
}

// ---- TCustomGrid ----

TCustomGrid::TCustomGrid(TComponent *owner) : TCustomControl(owner) {
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
  col_widths_.assign(5, default_col_width_);
  row_heights_.assign(5, default_row_height_);
  tab_stops_.assign(5, true);
  hbar_ = new QScrollBar(Qt::Horizontal, Widget());
  vbar_ = new QScrollBar(Qt::Vertical, Widget());
  for (QScrollBar *bar : {hbar_, vbar_}) {
    bar->setFocusPolicy(Qt::NoFocus);
    bar->hide();
    bool vertical = bar == vbar_;
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar,
                     [this, vertical](int action) { OnScrollAction(vertical, action); });
    QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [this, vertical, bar] {
      Guarded([&] { ScrollCommand(vertical, scPosition, bar->sliderPosition()); });
      UpdateScrollRange();
    });
  }
  SetBounds(0, 0, 320, 120);
  GeometryChanged();
}

TCustomGrid::~TCustomGrid() {
  Destroying();
}

void TCustomGrid::OnScrollAction(bool vertical, int action) {
  QScrollBar *bar = vertical ? vbar_ : hbar_;
  TScrollCode code = CodeOfAction(action);
  if (code == scEndScroll) return;
  int pos = bar->sliderPosition();
  if (code != scTrack) {
    // The grid decides where the thumb goes, not the bar.
    setting_bars_ = true;
    bar->setSliderPosition(bar->value());
    setting_bars_ = false;
  }
  Guarded([&] { ScrollCommand(vertical, code, pos); });
  if (code != scTrack) UpdateScrollRange();
}

void TCustomGrid::ScrollCommand(bool vertical, TScrollCode code, int pos) {
  if (vertical) {
    int top = TopRow();
    int page = std::max(1, VisibleRowCount());
    switch (code) {
    case scLineUp:
      top -= 1;
      break;
    case scLineDown:
      top += 1;
      break;
    case scPageUp:
      top -= page;
      break;
    case scPageDown:
      top += page;
      break;
    case scTop:
      top = fixed_rows_;
      break;
    case scBottom:
      top = MaxTopRow();
      break;
    case scTrack:
    case scPosition:
      top = pos;
      break;
    default:
      return;
    }
    SetTopRow(std::clamp(top, fixed_rows_, MaxTopRow()));
  } else {
    int left = LeftCol();
    int page = std::max(1, VisibleColCount());
    switch (code) {
    case scLineUp:
      left -= 1;
      break;
    case scLineDown:
      left += 1;
      break;
    case scPageUp:
      left -= page;
      break;
    case scPageDown:
      left += page;
      break;
    case scTop:
      left = fixed_cols_;
      break;
    case scBottom:
      left = MaxLeftCol();
      break;
    case scTrack:
    case scPosition:
      left = pos;
      break;
    default:
      return;
    }
    SetLeftCol(std::clamp(left, fixed_cols_, MaxLeftCol()));
  }
}

// ---- geometry ----

bool TCustomGrid::ColLine(int col) const {
  return (options_ & (col < fixed_cols_ ? goFixedVertLine : goVertLine)) != 0;
}

bool TCustomGrid::RowLine(int row) const {
  return (options_ & (row < fixed_rows_ ? goFixedHorzLine : goHorzLine)) != 0;
}

int TCustomGrid::ColExtent(int col) const {
  return ColWidths(col) + (ColLine(col) ? grid_line_width_ : 0);
}

int TCustomGrid::RowExtent(int row) const {
  return RowHeights(row) + (RowLine(row) ? grid_line_width_ : 0);
}

int TCustomGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < std::min(fixed_cols_, ColCount()); ++c)
    w += ColExtent(c);
  return w;
}

int TCustomGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < std::min(fixed_rows_, RowCount()); ++r)
    h += RowExtent(r);
  return h;
}

int TCustomGrid::ClientWidth() const {
  int bw = border_style_ == gbsSingle ? 2 : 0;
  return std::max(0, Width() - 2 * bw - (vbar_ && !vbar_->isHidden() ? BarExtent() : 0));
}

int TCustomGrid::ClientHeight() const {
  int bw = border_style_ == gbsSingle ? 2 : 0;
  return std::max(0, Height() - 2 * bw - (hbar_ && !hbar_->isHidden() ? BarExtent() : 0));
}

TRect TCustomGrid::GridRect() const {
  int bw = border_style_ == gbsSingle ? 2 : 0;
  return Bounds(bw, bw, ClientWidth(), ClientHeight());
}

int TCustomGrid::VisibleColCount() const {
  int avail = ClientWidth() - FixedWidth();
  int n = 0;
  for (int c = LeftCol(); c < ColCount(); ++c) {
    avail -= ColExtent(c);
    if (avail < 0) break;
    ++n;
  }
  return n;
}

int TCustomGrid::VisibleRowCount() const {
  int avail = ClientHeight() - FixedHeight();
  int n = 0;
  for (int r = TopRow(); r < RowCount(); ++r) {
    avail -= RowExtent(r);
    if (avail < 0) break;
    ++n;
  }
  return n;
}

int TCustomGrid::MaxTopRow() const {
  int avail = ClientHeight() - FixedHeight();
  int top = RowCount();
  while (top > fixed_rows_ && avail - RowExtent(top - 1) >= 0) {
    avail -= RowExtent(top - 1);
    --top;
  }
  return std::max(fixed_rows_, std::min(top, RowCount() - 1));
}

int TCustomGrid::MaxLeftCol() const {
  int avail = ClientWidth() - FixedWidth();
  int left = ColCount();
  while (left > fixed_cols_ && avail - ColExtent(left - 1) >= 0) {
    avail -= ColExtent(left - 1);
    --left;
  }
  return std::max(fixed_cols_, std::min(left, ColCount() - 1));
}

TRect TCustomGrid::CellRect(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
  TRect g = GridRect();
  int x = g.Left, y = g.Top;
  if (col < fixed_cols_) {
    for (int c = 0; c < col; ++c)
      x += ColExtent(c);
  } else {
    if (col < LeftCol()) return {};
    x += FixedWidth();
    for (int c = LeftCol(); c < col; ++c)
      x += ColExtent(c);
  }
  if (row < fixed_rows_) {
    for (int r = 0; r < row; ++r)
      y += RowExtent(r);
  } else {
    if (row < TopRow()) return {};
    y += FixedHeight();
    for (int r = TopRow(); r < row; ++r)
      y += RowExtent(r);
  }
  if (x >= g.Right || y >= g.Bottom) return {};
  return Bounds(x, y, ColWidths(col), RowHeights(row));
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  TRect g = GridRect();
  if (!g.Contains({x, y})) return {};
  TGridCoord out;
  int pos = g.Left;
  for (int c = 0; c < ColCount(); c = (c + 1 == fixed_cols_ ? std::max(c + 1, LeftCol()) : c + 1)) {
    if (c == fixed_cols_ && c < LeftCol()) c = LeftCol();
    if (c >= ColCount()) break;
    int next = pos + ColExtent(c);
    if (x < next) {
      out.X = c;
      break;
    }
    pos = next;
    if (pos >= g.Right) break;
  }
  pos = g.Top;
  for (int r = 0; r < RowCount(); r = (r + 1 == fixed_rows_ ? std::max(r + 1, TopRow()) : r + 1)) {
    if (r == fixed_rows_ && r < TopRow()) r = TopRow();
    if (r >= RowCount()) break;
    int next = pos + RowExtent(r);
    if (y < next) {
      out.Y = r;
      break;
    }
    pos = next;
    if (pos >= g.Bottom) break;
  }
  if (out.X < 0 || out.Y < 0) return {};
  return out;
}

void TCustomGrid::ClampTopLeft() {
  top_left_.X = std::clamp(top_left_.X, fixed_cols_, MaxLeftCol());
  top_left_.Y = std::clamp(top_left_.Y, fixed_rows_, MaxTopRow());
}

void TCustomGrid::GeometryChanged() {
  TGridCoord old = top_left_;
  UpdateScrollRange();
  ClampTopLeft();
  if (!(old == top_left_)) {
    UpdateScrollRange();
    TopLeftChanged();
  }
  PlaceEditor();
  Invalidate();
}

void TCustomGrid::UpdateScrollRange() {
  if (setting_bars_) return;
  setting_bars_ = true;
  // Two passes: one bar appearing can make the other necessary.
  for (int pass = 0; pass < 2; ++pass) {
    bool need_h =
        (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth) && MaxLeftCol() > fixed_cols_;
    hbar_->setVisible(need_h);
    vbar_->setVisible(VertBarNeeded());
  }
  hbar_->setRange(fixed_cols_, MaxLeftCol());
  hbar_->setPageStep(std::max(1, VisibleColCount()));
  hbar_->setValue(LeftCol());
  SyncVertBar();
  setting_bars_ = false;
  PlaceScrollBars();
}

bool TCustomGrid::VertBarNeeded() const {
  return (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth) && MaxTopRow() > fixed_rows_;
}

void TCustomGrid::SyncVertBar() {
  vbar_->setRange(fixed_rows_, MaxTopRow());
  vbar_->setPageStep(std::max(1, VisibleRowCount()));
  vbar_->setValue(TopRow());
}

void TCustomGrid::SetVertScrollRange(int min, int max, int page) {
  bool was = setting_bars_;
  setting_bars_ = true;
  vbar_->setRange(min, max);
  vbar_->setPageStep(page);
  setting_bars_ = was;
}

void TCustomGrid::SetVertScrollPos(int pos) {
  bool was = setting_bars_;
  setting_bars_ = true;
  vbar_->setValue(pos);
  vbar_->setSliderPosition(pos);
  setting_bars_ = was;
}

void TCustomGrid::PlaceScrollBars() {
  int bw = border_style_ == gbsSingle ? 2 : 0;
  int e = BarExtent();
  bool h = !hbar_->isHidden(), v = !vbar_->isHidden();
  int inner_w = std::max(0, Width() - 2 * bw), inner_h = std::max(0, Height() - 2 * bw);
  if (h) hbar_->setGeometry(bw, bw + inner_h - e, inner_w - (v ? e : 0), e);
  if (v) vbar_->setGeometry(bw + inner_w - e, bw, e, inner_h - (h ? e : 0));
}

void TCustomGrid::Resize() {
  TCustomControl::Resize();
  GeometryChanged();
}

// ---- properties ----

void TCustomGrid::SetColCount(int count) {
  count = std::max(1, count);
  int old_cols = ColCount();
  if (count == old_cols) return;
  col_widths_.resize(static_cast<size_t>(count), default_col_width_);
  tab_stops_.resize(static_cast<size_t>(count), true);
  if (fixed_cols_ >= count) fixed_cols_ = count - 1;
  cur_.X = std::clamp(cur_.X, fixed_cols_, count - 1);
  SizeChanged(old_cols, RowCount());
  GeometryChanged();
}

void TCustomGrid::SetRowCount(int count) {
  count = std::max(1, count);
  int old_rows = RowCount();
  if (count == old_rows) return;
  row_heights_.resize(static_cast<size_t>(count), default_row_height_);
  if (fixed_rows_ >= count) fixed_rows_ = count - 1;
  cur_.Y = std::clamp(cur_.Y, fixed_rows_, count - 1);
  SizeChanged(ColCount(), old_rows);
  GeometryChanged();
}

void TCustomGrid::SetFixedCols(int count) {
  if (count < 0 || count >= ColCount())
    throw Exception("Fixed column count must be less than column count");
  fixed_cols_ = count;
  cur_.X = std::max(cur_.X, fixed_cols_);
  top_left_.X = std::max(top_left_.X, fixed_cols_);
  GeometryChanged();
}

void TCustomGrid::SetFixedRows(int count) {
  if (count < 0 || count >= RowCount())
    throw Exception("Fixed row count must be less than row count");
  fixed_rows_ = count;
  cur_.Y = std::max(cur_.Y, fixed_rows_);
  top_left_.Y = std::max(top_left_.Y, fixed_rows_);
  GeometryChanged();
}

void TCustomGrid::SetDefaultColWidth(int width) {
  default_col_width_ = std::max(0, width);
  std::fill(col_widths_.begin(), col_widths_.end(), default_col_width_);
  ColWidthsChanged();
  GeometryChanged();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  default_row_height_ = std::max(0, height);
  std::fill(row_heights_.begin(), row_heights_.end(), default_row_height_);
  RowHeightsChanged();
  GeometryChanged();
}

void TCustomGrid::SetColWidths(int col, int width) {
  width = std::max(0, width);
  int &w = col_widths_.at(static_cast<size_t>(col));
  if (w == width) return;
  w = width;
  ColWidthsChanged();
  GeometryChanged();
}

void TCustomGrid::SetRowHeights(int row, int height) {
  height = std::max(0, height);
  int &h = row_heights_.at(static_cast<size_t>(row));
  if (h == height) return;
  h = height;
  RowHeightsChanged();
  GeometryChanged();
}

void TCustomGrid::SetGridLineWidth(int width) {
  grid_line_width_ = std::max(0, width);
  GeometryChanged();
}

void TCustomGrid::SetOptions(TGridOptions options) {
  if (options & goRowSelect) options &= ~(goAlwaysShowEditor | goEditing);
  if (options == options_) return;
  options_ = options;
  if (!(options_ & goEditing)) HideEditor();
  GeometryChanged();
  if (options_ & goAlwaysShowEditor) ShowEditor();
}

void TCustomGrid::SetFixedColor(TColor color) {
  fixed_color_ = color;
  Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle style) {
  scroll_bars_ = style;
  GeometryChanged();
}

void TCustomGrid::SetBorderStyle(TGridBorderStyle style) {
  border_style_ = style;
  GeometryChanged();
}

bool TCustomGrid::TabStops(int col) const {
  return col >= 0 && col < ColCount() && tab_stops_[static_cast<size_t>(col)];
}

void TCustomGrid::SetTabStops(int col, bool on) {
  tab_stops_.at(static_cast<size_t>(col)) = on;
}

void TCustomGrid::SetCol(int col) {
  if (col != cur_.X) MoveColRow(col, cur_.Y, true);
}

void TCustomGrid::SetRow(int row) {
  if (row != cur_.Y) MoveColRow(cur_.X, row, true);
}

void TCustomGrid::SetLeftCol(int col) {
  col = std::clamp(col, fixed_cols_, MaxLeftCol());
  if (col == top_left_.X) return;
  top_left_.X = col;
  UpdateScrollRange();
  PlaceEditor();
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::SetTopRow(int row) {
  row = std::clamp(row, fixed_rows_, MaxTopRow());
  if (row == top_left_.Y) return;
  top_left_.Y = row;
  UpdateScrollRange();
  PlaceEditor();
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::ScrollIntoView(int col, int row) {
  if (col >= fixed_cols_) {
    if (col < LeftCol()) {
      SetLeftCol(col);
    } else {
      int left = LeftCol();
      int avail = ClientWidth() - FixedWidth();
      auto fits = [&](int l) {
        int x = 0;
        for (int c = l; c <= col; ++c)
          x += ColExtent(c);
        return x <= avail;
      };
      while (left < col && left < MaxLeftCol() && !fits(left))
        ++left;
      SetLeftCol(left);
    }
  }
  if (row >= fixed_rows_) {
    if (row < TopRow()) {
      SetTopRow(row);
    } else {
      int top = TopRow();
      int avail = ClientHeight() - FixedHeight();
      auto fits = [&](int t) {
        int y = 0;
        for (int r = t; r <= row; ++r)
          y += RowExtent(r);
        return y <= avail;
      };
      while (top < row && top < MaxTopRow() && !fits(top))
        ++top;
      SetTopRow(top);
    }
  }
}

// ---- moving the current cell ----

bool TCustomGrid::SelectCell(int col, int row) {
  bool ok = true;
  if (OnSelectCell) OnSelectCell(this, col, row, ok);
  return ok;
}

void TCustomGrid::MoveColRow(int col, int row, bool show) {
  col = std::clamp(col, fixed_cols_, ColCount() - 1);
  row = std::clamp(row, fixed_rows_, RowCount() - 1);
  if (col == cur_.X && row == cur_.Y) {
    if (show) ScrollIntoView(col, row);
    return;
  }
  if (!SelectCell(col, row)) return;
  MoveCurrent(col, row, show);
}

void TCustomGrid::MoveCurrent(int col, int row, bool show) {
  col = std::clamp(col, fixed_cols_, ColCount() - 1);
  row = std::clamp(row, fixed_rows_, RowCount() - 1);
  TGridCoord old = cur_;
  bool editor_was = editor_mode_;
  if (!(old == TGridCoord{col, row}) && editor_mode_) {
    if (options_ & goAlwaysShowEditor) {
      // The editor stays and follows the cell.
    } else {
      HideEditor();
    }
  }
  cur_ = {col, row};
  if (show) ScrollIntoView(col, row);
  if (options_ & goRowSelect) {
    if (old.Y != row) {
      InvalidateRow(old.Y);
      InvalidateRow(row);
    }
  } else {
    InvalidateCell(old.X, old.Y);
    InvalidateCell(col, row);
  }
  if (editor_was && (options_ & goAlwaysShowEditor)) {
    InvalidateEditor();
    PlaceEditor();
  }
}

// ---- the editor ----

bool TCustomGrid::CanEditShow() {
  return (options_ & goEditing) && !(options_ & goRowSelect) && cur_.X >= fixed_cols_ &&
         cur_.Y >= fixed_rows_ && Showing();
}

bool TCustomGrid::CanEditModify() {
  return (options_ & goEditing) != 0;
}

bool TCustomGrid::CanEditAcceptKey(char32_t key) {
  (void)key;
  return true;
}

std::string TCustomGrid::GetEditText(int col, int row) {
  (void)col;
  (void)row;
  return {};
}

void TCustomGrid::SetEditText(int col, int row, const std::string &text) {
  (void)col;
  (void)row;
  (void)text;
}

void TCustomGrid::UpdateEditorText() {
  if (editor_) SetEditText(cur_.X, cur_.Y, editor_->Text());
}

void TCustomGrid::ShowEditor() {
  if (!CanEditShow()) return;
  if (!editor_) {
    editor_ = new TInplaceEdit(this);
    editor_->SetParent(this);
  }
  ScrollIntoView(cur_.X, cur_.Y);
  InvalidateEditor();
  editor_mode_ = true;
  PlaceEditor();
  editor_->Show();
  editor_->Widget()->raise();
  if (Focused() || Showing()) editor_->Widget()->setFocus(Qt::OtherFocusReason);
  InvalidateCell(cur_.X, cur_.Y);
}

void TCustomGrid::ShowEditorChar(char32_t ch) {
  ShowEditor();
  if (!editor_mode_ || !editor_) return;
  if (!CanEditModify()) return;
  auto *line = qobject_cast<QLineEdit *>(editor_->Widget());
  char32_t one[2] = {ch, 0};
  line->setText(QString::fromUcs4(one, 1));
  line->setCursorPosition(1);
}

void TCustomGrid::HideEditor() {
  if (!editor_mode_) return;
  editor_mode_ = false;
  if (editor_) {
    bool had_focus = editor_->Focused();
    editor_->Hide();
    if (had_focus && Widget()) Widget()->setFocus(Qt::OtherFocusReason);
  }
  InvalidateCell(cur_.X, cur_.Y);
}

void TCustomGrid::SetEditorMode(bool on) {
  if (on)
    ShowEditor();
  else
    HideEditor();
}

void TCustomGrid::InvalidateEditor() {
  if (!editor_) return;
  in_editor_update_ = true;
  try {
    editor_->SetText(GetEditText(cur_.X, cur_.Y));
  } catch (...) {
    in_editor_update_ = false;
    throw;
  }
  editor_->SetModified(false);
  in_editor_update_ = false;
}

void TCustomGrid::PlaceEditor() {
  if (!editor_ || !editor_mode_) return;
  TRect r = CellRect(cur_.X, cur_.Y);
  if (r.IsEmpty()) {
    editor_->Widget()->hide();
    return;
  }
  TRect g = GridRect();
  r.Right = std::min(r.Right, g.Right);
  r.Bottom = std::min(r.Bottom, g.Bottom);
  editor_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  editor_->Widget()->show();
}

// ---- painting ----

void TCustomGrid::InvalidateCell(int col, int row) {
  TRect r = CellRect(col, row);
  if (r.IsEmpty() || !Widget()) return;
  Widget()->update(r.Left, r.Top, r.Width() + grid_line_width_, r.Height() + grid_line_width_);
}

void TCustomGrid::InvalidateRow(int row) {
  if (row < 0 || row >= RowCount() || !Widget()) return;
  TRect c = CellRect(0, row);
  if (c.IsEmpty()) {
    c = CellRect(std::max(fixed_cols_, LeftCol()), row);
    if (c.IsEmpty()) return;
  }
  TRect g = GridRect();
  Widget()->update(g.Left, c.Top, g.Width(), c.Height() + grid_line_width_);
}

void TCustomGrid::InvalidateCol(int col) {
  if (col < 0 || col >= ColCount() || !Widget()) return;
  TRect c = CellRect(col, 0);
  if (c.IsEmpty()) c = CellRect(col, std::max(fixed_rows_, TopRow()));
  if (c.IsEmpty()) return;
  TRect g = GridRect();
  Widget()->update(c.Left, g.Top, c.Width() + grid_line_width_, g.Height());
}

void TCustomGrid::ScrollDataRows(int dy) {
  if (!Widget() || dy == 0) return;
  TRect g = GridRect();
  int top = g.Top + FixedHeight();
  QRect area(g.Left, top, g.Width(), std::max(0, g.Bottom - top));
  if (std::abs(dy) >= area.height()) {
    Widget()->update(area);
    return;
  }
  Widget()->scroll(0, -dy, area);
}

void TCustomGrid::DrawEdge(TRect r, bool raised) {
  TCanvas *c = Canvas();
  TColor light = raised ? clBtnHighlight : clBtnShadow;
  TColor dark = raised ? clBtnShadow : clBtnHighlight;
  c->Pen().SetStyle(psSolid);
  c->Pen().SetWidth(1);
  c->Pen().SetColor(light);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Left, r.Top);
  c->LineTo(r.Right, r.Top);
  c->Pen().SetColor(dark);
  c->MoveTo(r.Right - 1, r.Top);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Right, r.Bottom - 1);
}

void TCustomGrid::Paint() {
  TCanvas *c = Canvas();
  TRect g = GridRect();
  TRect clip = c->ClipRect();
  // The sunken border.
  if (border_style_ == gbsSingle) {
    TRect outer = Bounds(0, 0, Width(), Height());
    DrawEdge(outer, false);
    TRect inner = InflateRect(outer, -1, -1);
    c->Pen().SetColor(cl3DDkShadow);
    c->MoveTo(inner.Left, inner.Bottom - 1);
    c->LineTo(inner.Left, inner.Top);
    c->LineTo(inner.Right, inner.Top);
    c->Pen().SetColor(cl3DLight);
    c->MoveTo(inner.Right - 1, inner.Top);
    c->LineTo(inner.Right - 1, inner.Bottom - 1);
    c->MoveTo(inner.Left, inner.Bottom - 1);
    c->LineTo(inner.Right, inner.Bottom - 1);
  }
  // The corner between two scroll bars.
  if (!hbar_->isHidden() && !vbar_->isHidden()) {
    c->Brush().SetColor(clBtnFace);
    c->FillRect(Rect(g.Right, g.Bottom, g.Right + BarExtent(), g.Bottom + BarExtent()));
  }
  c->IntersectClipRect(g);

  TColor data_line = ColorToRGB(Color()) == clSilver ? clGray : clSilver;
  int y = g.Top;
  int right_most = g.Left;
  for (int r = 0; r < RowCount() && y < g.Bottom;
       r = (r + 1 == fixed_rows_ ? std::max(r + 1, TopRow()) : r + 1)) {
    if (r == fixed_rows_ && r < TopRow()) r = TopRow();
    if (r >= RowCount()) break;
    int h = RowHeights(r);
    int x = g.Left;
    for (int col = 0; col < ColCount() && x < g.Right;
         col = (col + 1 == fixed_cols_ ? std::max(col + 1, LeftCol()) : col + 1)) {
      if (col == fixed_cols_ && col < LeftCol()) col = LeftCol();
      if (col >= ColCount()) break;
      int w = ColWidths(col);
      TRect cell = Bounds(x, y, w, h);
      bool fixed = col < fixed_cols_ || r < fixed_rows_;
      TRect with_lines = Bounds(x, y, ColExtent(col), RowExtent(r));
      if (!IntersectRect(with_lines, clip).IsEmpty()) {
        if (!IntersectRect(cell, clip).IsEmpty()) {
          TGridDrawState state = 0;
          if (fixed) {
            state = gdFixed;
          } else if (r == cur_.Y && (col == cur_.X || (options_ & goRowSelect))) {
            state = gdSelected;
            if (col == cur_.X && Focused()) state |= gdFocused;
          }
          c->Font().Assign(&Font());
          c->Brush().SetStyle(bsSolid);
          c->Brush().SetColor(fixed ? fixed_color_ : Color());
          c->Pen().SetMode(pmCopy);
          DrawCell(col, r, cell, state);
        }
        c->Brush().SetStyle(bsSolid);
        c->Brush().SetColor(fixed ? clBlack : data_line);
        if (ColLine(col) && grid_line_width_ > 0)
          c->FillRect(Bounds(x + w, y, grid_line_width_, RowExtent(r)));
        if (RowLine(r) && grid_line_width_ > 0)
          c->FillRect(Bounds(x, y + h, ColExtent(col), grid_line_width_));
      }
      x += ColExtent(col);
    }
    right_most = std::max(right_most, x);
    y += RowExtent(r);
  }
  // What lies beyond the last column and row.
  c->Brush().SetStyle(bsSolid);
  c->Brush().SetColor(Color());
  if (right_most < g.Right) c->FillRect(Rect(right_most, g.Top, g.Right, g.Bottom));
  if (y < g.Bottom) c->FillRect(Rect(g.Left, y, right_most, g.Bottom));
}

void TCustomGrid::DrawCell(int col, int row, const TRect &rect, TGridDrawState state) {
  TCanvas *c = Canvas();
  if (state & gdSelected) c->Brush().SetColor(clHighlight);
  c->FillRect(rect);
  if ((state & gdFixed) &&
      (options_ & (goFixedVertLine | goFixedHorzLine)) == (goFixedVertLine | goFixedHorzLine))
    DrawEdge(rect, true);
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
  if ((state & gdFocused) && !editor_mode_) c->DrawFocusRect(rect);
}

// ---- mouse ----

int TCustomGrid::ColBorderAt(int x, int y) const {
  if (!(options_ & goColSizing)) return -1;
  TRect g = GridRect();
  if (y < g.Top || y >= g.Top + FixedHeight()) return -1;
  int pos = g.Left + FixedWidth();
  for (int col = LeftCol(); col < ColCount() && pos < g.Right; ++col) {
    pos += ColExtent(col);
    if (std::abs(x - pos) <= kSizingMargin) return col;
  }
  return -1;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && !Focused() && CanFocus()) SetFocus();
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  int border = ColBorderAt(x, y);
  if (border >= 0) {
    HideEditor();
    state_ = gsColSizing;
    sizing_col_ = border;
    sizing_origin_ = x - ColWidths(border);
    return;
  }
  TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0) return;
  if (cell.Y < fixed_rows_) {
    if ((options_ & goColMoving) && cell.X >= fixed_cols_) {
      state_ = gsColMoving;
      moving_from_ = moving_to_ = cell.X;
    }
    return;
  }
  if (cell.X < fixed_cols_) return;
  if (cell == cur_) {
    if (options_ & goEditing) ShowEditor();
    return;
  }
  MoveColRow(cell.X, cell.Y, true);
  if (options_ & goAlwaysShowEditor) ShowEditor();
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  switch (state_) {
  case gsColSizing:
    SetColWidths(sizing_col_, std::max(1, x - sizing_origin_));
    break;
  case gsColMoving: {
    TGridCoord cell = MouseCoord(x, y);
    if (cell.X >= fixed_cols_) moving_to_ = cell.X;
    break;
  }
  default: {
    bool border = ColBorderAt(x, y) >= 0;
    if (border && Cursor() != crHSplit)
      SetCursor(crHSplit);
    else if (!border && Cursor() == crHSplit)
      SetCursor(crDefault);
  }
  }
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (state_ == gsColMoving && moving_from_ >= 0 && moving_to_ >= 0 && moving_from_ != moving_to_)
    MoveColumn(moving_from_, moving_to_);
  state_ = gsNormal;
  sizing_col_ = moving_from_ = moving_to_ = -1;
  if (Cursor() == crHSplit && ColBorderAt(x, y) < 0) SetCursor(crDefault);
}

void TCustomGrid::MoveColumn(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= ColCount() || to >= ColCount()) return;
  auto rotate = [&](auto &v) {
    auto item = v[static_cast<size_t>(from)];
    v.erase(v.begin() + from);
    v.insert(v.begin() + to, item);
  };
  rotate(col_widths_);
  rotate(tab_stops_);
  if (cur_.X == from)
    cur_.X = to;
  else if (from < cur_.X && to >= cur_.X)
    --cur_.X;
  else if (from > cur_.X && to <= cur_.X)
    ++cur_.X;
  ColumnMoved(from, to);
  GeometryChanged();
}

void TCustomGrid::ColumnMoved(int from, int to) {
  if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TCustomGrid::ColWidthsChanged() {}
void TCustomGrid::RowHeightsChanged() {}
void TCustomGrid::TopLeftChanged() {
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}
void TCustomGrid::SizeChanged(int old_col_count, int old_row_count) {
  (void)old_col_count;
  (void)old_row_count;
}

// ---- keys ----

void TCustomGrid::KeyDown(Word &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  int col = cur_.X, row = cur_.Y;
  int page = std::max(1, VisibleRowCount());
  bool ctrl = shift & ssCtrl;
  switch (key) {
  case VK_UP:
    --row;
    break;
  case VK_DOWN:
    ++row;
    break;
  case VK_LEFT:
    if (options_ & goRowSelect) return;
    col = ctrl ? fixed_cols_ : col - 1;
    break;
  case VK_RIGHT:
    if (options_ & goRowSelect) return;
    col = ctrl ? ColCount() - 1 : col + 1;
    break;
  case VK_PRIOR:
    row -= page;
    break;
  case VK_NEXT:
    row += page;
    break;
  case VK_HOME:
    if (ctrl)
      row = fixed_rows_;
    else
      col = fixed_cols_;
    break;
  case VK_END:
    if (ctrl)
      row = RowCount() - 1;
    else
      col = ColCount() - 1;
    break;
  case VK_TAB:
    if (!(options_ & goTabs) || (shift & ssAlt)) return;
    if (shift & ssShift) {
      do {
        if (--col < fixed_cols_) {
          col = ColCount() - 1;
          if (--row < fixed_rows_) row = RowCount() - 1;
        }
      } while (!TabStops(col) && col != cur_.X);
    } else {
      do {
        if (++col >= ColCount()) {
          col = fixed_cols_;
          if (++row >= RowCount()) row = fixed_rows_;
        }
      } while (!TabStops(col) && col != cur_.X);
    }
    break;
  case VK_F2:
    ShowEditor();
    key = 0;
    return;
  case VK_ESCAPE:
    if (editor_mode_ && !(options_ & goAlwaysShowEditor)) {
      InvalidateEditor();
      HideEditor();
    }
    key = 0;
    return;
  case VK_RETURN:
    if (editor_mode_ && !(options_ & goAlwaysShowEditor))
      HideEditor();
    else if (options_ & goEditing)
      ShowEditor();
    key = 0;
    return;
  default:
    return;
  }
  key = 0;
  MoveColRow(col, row, true);
}

void TCustomGrid::KeyPress(char32_t &key) {
  TCustomControl::KeyPress(key);
  if (key == 0) return;
  if ((options_ & goEditing) && !editor_mode_ && key >= 0x20 && key != 0x7F) {
    ShowEditorChar(key);
    key = 0;
  }
}

void TCustomGrid::DoEnter() {
  TCustomControl::DoEnter();
  InvalidateCell(cur_.X, cur_.Y);
}

void TCustomGrid::DoExit() {
  TCustomControl::DoExit();
  InvalidateCell(cur_.X, cur_.Y);
}

// ---- TStringGrid ----

TStringGrid::TStringGrid(TComponent *owner) : TCustomGrid(owner) {}

std::string TStringGrid::Cells(int col, int row) const {
  if (row < 0 || static_cast<size_t>(row) >= cells_.size()) return {};
  const auto &line = cells_[static_cast<size_t>(row)];
  if (col < 0 || static_cast<size_t>(col) >= line.size()) return {};
  return line[static_cast<size_t>(col)];
}

void TStringGrid::SetCells(int col, int row, const std::string &text) {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
    throw Exception("Grid index out of range");
  if (cells_.size() <= static_cast<size_t>(row)) cells_.resize(static_cast<size_t>(row) + 1);
  auto &line = cells_[static_cast<size_t>(row)];
  if (line.size() <= static_cast<size_t>(col)) line.resize(static_cast<size_t>(col) + 1);
  line[static_cast<size_t>(col)] = text;
  InvalidateCell(col, row);
  if (col == Col() && row == Row() && EditorMode() && !InEditorUpdate()) InvalidateEditor();
}

std::vector<std::string> TStringGrid::Cols(int col) const {
  std::vector<std::string> out;
  for (int r = 0; r < RowCount(); ++r)
    out.push_back(Cells(col, r));
  return out;
}

std::vector<std::string> TStringGrid::Rows(int row) const {
  std::vector<std::string> out;
  for (int c = 0; c < ColCount(); ++c)
    out.push_back(Cells(c, row));
  return out;
}

std::string TStringGrid::GetEditText(int col, int row) {
  return Cells(col, row);
}

void TStringGrid::SetEditText(int col, int row, const std::string &text) {
  SetCells(col, row, text);
}

void TStringGrid::DrawCell(int col, int row, const TRect &rect, TGridDrawState state) {
  TCanvas *c = Canvas();
  if ((state & gdSelected) && !(state & gdFocused && EditorMode())) {
    c->Brush().SetColor(clHighlight);
    c->Font().SetColor(clHighlightText);
  }
  bool raised = (state & gdFixed) && (Options() & (goFixedVertLine | goFixedHorzLine)) ==
                                         (goFixedVertLine | goFixedHorzLine);
  c->TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
  if (raised) DrawEdge(rect, true);
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
  if ((state & gdFocused) && !EditorMode()) c->DrawFocusRect(rect);
}

void TStringGrid::ColumnMoved(int from, int to) {
  for (auto &line : cells_) {
    if (line.size() < static_cast<size_t>(ColCount())) line.resize(static_cast<size_t>(ColCount()));
    std::string item = line[static_cast<size_t>(from)];
    line.erase(line.begin() + from);
    line.insert(line.begin() + to, item);
  }
  TCustomGrid::ColumnMoved(from, to);
}
