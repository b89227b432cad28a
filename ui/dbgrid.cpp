#include "ui/dbgrid.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>

#include "base/exception.h"
#include "data/dataset.h"
#include "data/field.h"
#include "ui/forms.h"

namespace {

constexpr int kIndicatorWidth = 11;
enum { kArrow = 0, kEdit = 1, kInsert = 2 };

int FontTextWidth(const TFont &font, const std::string &text) {
  return QFontMetrics(font.ToQFont()).horizontalAdvance(QString::fromUtf8(text.c_str()));
}

int FontTextHeight(const TFont &font) {
  return QFontMetrics(font.ToQFont()).height();
}

// Runs a body with the link's active record moved to a row, and moves it
// back however the body ends.
class ActiveRecordSwap {
public:
  ActiveRecordSwap(TDataLink &link, int row) : link_(link), old_(link.ActiveRecord()) {
    link_.SetActiveRecord(row);
  }
  ~ActiveRecordSwap() { link_.SetActiveRecord(old_); }
  ActiveRecordSwap(const ActiveRecordSwap &) = delete;
  ActiveRecordSwap &operator=(const ActiveRecordSwap &) = delete;

private:
  TDataLink &link_;
  int old_;
};

} // namespace

void LoadIndicatorBitmap(TBitmap &bitmap, const std::string &name) {
  bitmap.SetSize(8, 11);
  TCanvas &c = bitmap.Canvas();
  c.Brush().SetColor(clWhite);
  c.Brush().SetStyle(bsSolid);
  c.FillRect(Rect(0, 0, 8, 11));
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(clBlack);
  if (name == "DBGARROW") {
    // A solid triangle pointing at the row.
    c.Polygon({{2, 1}, {6, 5}, {2, 9}});
  } else if (name == "DBEDIT") {
    // A text cursor: an I-beam.
    c.MoveTo(2, 1);
    c.LineTo(7, 1);
    c.MoveTo(4, 1);
    c.LineTo(4, 10);
    c.MoveTo(2, 9);
    c.LineTo(7, 9);
  } else if (name == "DBINSERT") {
    // A star: a new record.
    c.MoveTo(4, 2);
    c.LineTo(4, 9);
    c.MoveTo(1, 5);
    c.LineTo(8, 5);
    c.MoveTo(1, 2);
    c.LineTo(8, 9);
    c.MoveTo(7, 2);
    c.LineTo(0, 9);
  } else {
    throw Exception("Unknown indicator image " + name);
  }
  bitmap.SetTransparent(true);
  bitmap.SetTransparentColor(clWhite);
}

// ---- TColumnTitle ----

TColumnTitle::TColumnTitle(TColumn *column) : column_(column) {
  font_.OnChange = [this] {
    if (refreshing_) return;
    font_set_ = true;
    column_->Changed(true);
  };
}

std::string TColumnTitle::Caption() const {
  if (caption_set_) return caption_;
  if (TField *f = column_->Field()) return f->DisplayLabel();
  return column_->FieldName();
}

void TColumnTitle::SetCaption(const std::string &caption) {
  caption_ = caption;
  caption_set_ = true;
  column_->Changed(false);
}

void TColumnTitle::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  column_->Changed(false);
}

TColor TColumnTitle::Color() const {
  if (color_set_) return color_;
  if (TCustomDBGrid *g = column_->Grid()) return g->FixedColor();
  return clBtnFace;
}

void TColumnTitle::SetColor(TColor color) {
  color_ = color;
  color_set_ = true;
  column_->Changed(false);
}

void TColumnTitle::RefreshDefaultFont() {
  if (font_set_) return;
  TCustomDBGrid *g = column_->Grid();
  if (!g) return;
  refreshing_ = true;
  font_.Assign(&g->TitleFont());
  refreshing_ = false;
}

TFont &TColumnTitle::Font() {
  RefreshDefaultFont();
  return font_;
}

const TFont &TColumnTitle::Font() const {
  const_cast<TColumnTitle *>(this)->RefreshDefaultFont();
  return font_;
}

void TColumnTitle::RestoreDefaults() {
  caption_set_ = false;
  color_set_ = false;
  font_set_ = false;
  alignment_ = taLeftJustify;
  RefreshDefaultFont();
}

void TPassthroughColumnTitle::SetCaption(const std::string &caption) {
  if (TField *f = column_->Field())
    f->SetDisplayLabel(caption);
  else
    TColumnTitle::SetCaption(caption);
}

// ---- TColumn ----

TColumn::TColumn(TDBGridColumns *collection) : collection_(collection) {
  title_ = std::make_unique<TColumnTitle>(this);
  font_.OnChange = [this] {
    if (refreshing_) return;
    font_set_ = true;
    Changed(true);
  };
}

TColumn::~TColumn() = default;

TCustomDBGrid *TColumn::Grid() const {
  return collection_ ? collection_->Grid() : nullptr;
}

int TColumn::Index() const {
  return collection_ ? collection_->IndexOf(this) : -1;
}

void TColumn::Changed(bool layout) {
  if (!collection_) return;
  if (layout)
    collection_->Changed();
  else if (TCustomDBGrid *g = Grid())
    g->Invalidate();
}

void TColumn::SetFieldName(const std::string &name) {
  field_name_ = name;
  field_ = nullptr;
  Changed(true);
}

void TColumn::SetField(TField *field) {
  field_ = field;
  if (field) field_name_ = field->FieldName();
}

int TColumn::Width() const {
  return width_set_ ? width_ : DefaultWidth();
}

void TColumn::SetWidth(int width) {
  width_ = width;
  width_set_ = true;
  Changed(true);
}

int TColumn::DefaultWidth() const {
  TCustomDBGrid *g = Grid();
  if (!g) return 64;
  if (!field_) return g->DefaultColWidth();
  // Qt's fonts have no overhang: the width is that of DisplayWidth
  // zeros plus a small margin.
  int w = FontTextWidth(Font(), "0") * field_->DisplayWidth() + 4;
  if (g->Options() & dgTitles)
    w = std::max(w, FontTextWidth(title_->Font(), title_->Caption()) + 4);
  return w;
}

TColor TColumn::Color() const {
  if (color_set_) return color_;
  if (TCustomDBGrid *g = Grid()) return g->Color();
  return clWindow;
}

void TColumn::SetColor(TColor color) {
  color_ = color;
  color_set_ = true;
  Changed(false);
}

void TColumn::RefreshDefaultFont() {
  if (!font_set_)
    if (TCustomDBGrid *g = Grid()) {
      refreshing_ = true;
      font_.Assign(&g->Font());
      refreshing_ = false;
    }
  title_->RefreshDefaultFont();
}

TFont &TColumn::Font() {
  RefreshDefaultFont();
  return font_;
}

const TFont &TColumn::Font() const {
  const_cast<TColumn *>(this)->RefreshDefaultFont();
  return font_;
}

TAlignment TColumn::Alignment() const {
  if (alignment_set_) return alignment_;
  return field_ ? field_->Alignment() : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  alignment_set_ = true;
  Changed(false);
}

TPassthroughColumn::TPassthroughColumn(TDBGridColumns *collection) : TColumn(collection) {
  title_ = std::make_unique<TPassthroughColumnTitle>(this);
}

void TPassthroughColumn::SetAlignment(TAlignment alignment) {
  if (TField *f = Field())
    f->SetAlignment(alignment);
  else
    TColumn::SetAlignment(alignment);
}

// ---- TDBGridColumns ----

TDBGridColumns::TDBGridColumns(TCustomDBGrid *grid) : grid_(grid) {}

TDBGridColumns::~TDBGridColumns() {
  grid_ = nullptr;
  items_.clear();
}

TColumn *TDBGridColumns::Add() {
  // A column of the program's replaces the columns the grid made itself.
  if (State() == csDefault) items_.clear();
  auto column = std::make_unique<TColumn>(this);
  TColumn *c = column.get();
  items_.push_back(std::move(column));
  Changed();
  return c;
}

TColumn *TDBGridColumns::Insert(int index, std::unique_ptr<TColumn> column) {
  TColumn *c = column.get();
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, std::move(column));
  return c;
}

std::unique_ptr<TColumn> TDBGridColumns::Extract(int index) {
  auto it = items_.begin() + index;
  std::unique_ptr<TColumn> c = std::move(*it);
  items_.erase(it);
  return c;
}

void TDBGridColumns::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TDBGridColumns::Delete(int index) {
  if (index < 0 || index >= Count())
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  items_.erase(items_.begin() + index);
  Changed();
}

void TDBGridColumns::Move(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= Count() || to >= Count()) return;
  auto c = Extract(from);
  Insert(to, std::move(c));
  Changed();
}

int TDBGridColumns::IndexOf(const TColumn *column) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<size_t>(i)].get() == column) return i;
  return -1;
}

TDBGridColumnsState TDBGridColumns::State() const {
  for (const auto &c : items_)
    if (!c->IsDefault()) return csCustomized;
  return csDefault;
}

void TDBGridColumns::RebuildColumns() {
  items_.clear();
  Changed();
}

void TDBGridColumns::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) Changed();
}

void TDBGridColumns::Changed() {
  if (update_count_ == 0 && grid_) grid_->LayoutChanged();
}

// ---- TGridDataLink ----

void TGridDataLink::Reset() {
  if (modified_) {
    modified_ = false;
    RecordChanged(nullptr);
  }
}

void TGridDataLink::ActiveChanged() {
  modified_ = false;
  grid_->LinkActive(Active());
}

void TGridDataLink::DataSetChanged() {
  modified_ = false;
  grid_->DataChanged();
}

void TGridDataLink::DataSetScrolled(int distance) {
  grid_->Scrolled(distance);
}

void TGridDataLink::FocusControl(TField **field) {
  grid_->FocusField(field);
}

void TGridDataLink::EditingChanged() {
  grid_->EditingChanged();
}

void TGridDataLink::LayoutChanged() {
  grid_->layout_from_dataset_ = true;
  try {
    grid_->LayoutChanged();
  } catch (...) {
    grid_->layout_from_dataset_ = false;
    throw;
  }
  grid_->layout_from_dataset_ = false;
}

void TGridDataLink::RecordChanged(TField *field) {
  grid_->RecordChanged(field);
  modified_ = false;
}

void TGridDataLink::UpdateData() {
  if (in_update_data_) return;
  in_update_data_ = true;
  try {
    if (modified_) grid_->UpdateData();
  } catch (...) {
    in_update_data_ = false;
    throw;
  }
  modified_ = false;
  in_update_data_ = false;
}

// ---- TCustomDBGrid ----

TCustomDBGrid::TCustomDBGrid(TComponent *owner) : TCustomGrid(owner), link_(this), columns_(this) {
  LoadIndicatorBitmap(indicators_[kArrow], "DBGARROW");
  LoadIndicatorBitmap(indicators_[kEdit], "DBEDIT");
  LoadIndicatorBitmap(indicators_[kInsert], "DBINSERT");
  title_font_.Assign(&Font());
  title_font_.OnChange = [this] {
    if (applying_title_font_) return;
    title_font_set_ = true;
    LayoutChanged();
  };
  SetColCount(2);
  SetRowCount(2);
  SetFixedCols(1);
  SetFixedRows(1);
  SetColor(clWindow);
  MapOptions();
  SetBounds(0, 0, 320, 120);
}

TCustomDBGrid::~TCustomDBGrid() {
  Destroying();
  link_.SetDataSource(nullptr);
}

void TCustomDBGrid::SetDataSource(TDataSource *source) {
  if (source == link_.DataSource()) return;
  link_.SetDataSource(source);
  LayoutChanged();
  UpdateScrollBar();
}

TDataSet *TCustomDBGrid::DataSet() const {
  return link_.Active() ? link_.DataSet() : nullptr;
}

void TCustomDBGrid::SetOptions(TDBGridOptions options) {
  if (options & dgRowSelect) options &= ~(dgEditing | dgAlwaysShowEditor);
  TDBGridOptions changed = options ^ db_options_;
  if (!changed) return;
  db_options_ = options;
  if ((changed & dgMultiSelect) && !(options & dgMultiSelect)) ClearSelection();
  MapOptions();
  constexpr TDBGridOptions kLayoutOptions = dgEditing | dgAlwaysShowEditor | dgTitles |
                                            dgIndicator | dgColLines | dgRowLines | dgRowSelect |
                                            dgAlwaysShowSelection;
  if (changed & kLayoutOptions) LayoutChanged();
}

void TCustomDBGrid::MapOptions() {
  TGridOptions g = 0;
  if (db_options_ & dgColLines) g |= goFixedVertLine | goVertLine;
  if (db_options_ & dgRowLines) g |= goFixedHorzLine | goHorzLine;
  if (db_options_ & dgColumnResize) g |= goColSizing | goColMoving;
  if (db_options_ & dgTabs) g |= goTabs;
  if (db_options_ & dgRowSelect) g |= goRowSelect;
  if (db_options_ & dgEditing) g |= goEditing;
  if (db_options_ & dgAlwaysShowEditor) g |= goAlwaysShowEditor;
  TCustomGrid::SetOptions(g);
}

void TCustomDBGrid::SetReadOnly(bool on) {
  read_only_ = on;
  if (on) HideEditor();
}

void TCustomDBGrid::FontChanged() {
  TCustomGrid::FontChanged();
  if (!title_font_set_) {
    applying_title_font_ = true;
    title_font_.Assign(&Font());
    applying_title_font_ = false;
  }
  if (in_layout_ == 0 && Widget()) LayoutChanged();
}

TColumn *TCustomDBGrid::ColumnOfCol(int col) const {
  int i = col - indicator_offset_;
  if (i < 0 || i >= columns_.Count()) return nullptr;
  return columns_.Items(i);
}

TField *TCustomDBGrid::SelectedField() const {
  TColumn *c = ColumnOfCol(Col());
  return c ? c->Field() : nullptr;
}

int TCustomDBGrid::SelectedIndex() const {
  return Col() - indicator_offset_;
}

void TCustomDBGrid::SetSelectedIndex(int index) {
  SetCol(index + indicator_offset_);
}

// ---- layout ----

void TCustomDBGrid::LayoutChanged() {
  if (in_layout_ > 0) return;
  InternalLayout();
}

int TCustomDBGrid::TitleHeight() const {
  int h = 0;
  if (columns_.Count() == 0) return FontTextHeight(title_font_) + 4;
  for (int i = 0; i < columns_.Count(); ++i)
    h = std::max(h, FontTextHeight(columns_.Items(i)->Title()->Font()) + 4);
  return h;
}

void TCustomDBGrid::InternalLayout() {
  ++in_layout_;
  try {
    indicator_offset_ = (db_options_ & dgIndicator) ? 1 : 0;
    link_.ClearMapping();
    TDataSet *ds = link_.Active() ? link_.DataSet() : nullptr;
    if (ds)
      for (int i = 0; i < ds->FieldCount(); ++i)
        if (ds->Fields(i)->Visible()) link_.AddMapping(ds->Fields(i));

    if (columns_.State() == csDefault) {
      // Default columns follow the dataset's visible fields.
      const auto &fields = link_.Fields();
      for (int i = columns_.Count() - 1; i >= 0; --i) {
        TField *f = columns_.Items(i)->Field();
        if (!f || std::find(fields.begin(), fields.end(), f) == fields.end())
          columns_.items_.erase(columns_.items_.begin() + i);
      }
      for (size_t i = 0; i < fields.size(); ++i) {
        int found = -1;
        for (int j = 0; j < columns_.Count(); ++j)
          if (columns_.Items(j)->Field() == fields[i]) found = j;
        std::unique_ptr<TColumn> c;
        if (found >= 0) {
          c = columns_.Extract(found);
        } else {
          c = std::make_unique<TPassthroughColumn>(&columns_);
          c->SetField(fields[i]);
        }
        columns_.Insert(static_cast<int>(i), std::move(c));
      }
      if (columns_.Count() == 0 && (!ds || ds->FieldCount() == 0))
        columns_.Insert(0, std::make_unique<TPassthroughColumn>(&columns_));
    } else {
      for (int i = 0; i < columns_.Count(); ++i) {
        TColumn *c = columns_.Items(i);
        c->field_ = ds && !c->FieldName().empty() ? ds->FindField(c->FieldName()) : nullptr;
      }
    }

    int old_col = Col();
    SetColCount(columns_.Count() + indicator_offset_);
    SetFixedCols(indicator_offset_);
    title_offset_ = (db_options_ & dgTitles) ? 1 : 0;
    if (RowCount() < title_offset_ + 1) SetRowCount(title_offset_ + 1);
    SetFixedRows(title_offset_);
    int line = (db_options_ & dgRowLines) ? GridLineWidth() : 0;
    SetDefaultRowHeight(FontTextHeight(Font()) + 3 + line);
    if (title_offset_) SetRowHeights(0, TitleHeight());
    applying_widths_ = true;
    if (indicator_offset_) SetColWidths(0, kIndicatorWidth);
    for (int i = 0; i < columns_.Count(); ++i) {
      SetColWidths(i + indicator_offset_, columns_.Items(i)->Width());
      SetTabStops(i + indicator_offset_, !columns_.Items(i)->ReadOnly());
    }
    applying_widths_ = false;
    if (old_col >= indicator_offset_ && old_col < ColCount()) SetCol(old_col);
    UpdateRowCount();
    UpdateActive();
    UpdateScrollRange();
  } catch (...) {
    applying_widths_ = false;
    --in_layout_;
    throw;
  }
  --in_layout_;
  Invalidate();
}

int TCustomDBGrid::VisibleDataRows() const {
  return std::max(1, VisibleRowCount());
}

void TCustomDBGrid::UpdateRowCount() {
  if (updating_rows_) return;
  updating_rows_ = true;
  try {
    TDataSet *ds = DataSet();
    if (ds && ds->RecordCount() > 0 && Parent()) {
      // Measure how many data rows fit: every row below the title at the
      // default height, far more rows than can show.
      SetRowCount(1000);
      int fit = std::max(1, VisibleRowCount());
      link_.SetBufferCount(fit);
      SetRowCount(std::max(link_.RecordCount(), 1) + title_offset_);
      UpdateActive();
    } else {
      SetRowCount(title_offset_ + 1);
    }
  } catch (...) {
    updating_rows_ = false;
    throw;
  }
  updating_rows_ = false;
}

void TCustomDBGrid::UpdateActive() {
  if (!link_.Active()) return;
  int row = link_.ActiveRecord() + title_offset_;
  if (row < RowCount() && row != Row()) {
    InvalidateCell(0, Row());
    MoveCurrent(Col(), row, false);
    InvalidateCell(0, row);
    InvalidateEditor();
  }
}

bool TCustomDBGrid::VertBarNeeded() const {
  return link_.Active() && (ScrollBars() == ssVertical || ScrollBars() == ssBoth);
}

void TCustomDBGrid::SyncVertBar() {
  SetVertScrollRange(0, 4, 1);
  SetVertScrollPos(std::max(0, thumb_pos_));
}

void TCustomDBGrid::UpdateScrollBar() {
  TDataSet *ds = DataSet();
  if (!ds) {
    thumb_pos_ = -1;
    return;
  }
  int pos = ds->BOF() ? 0 : ds->Eof() ? 4 : 2;
  if (pos == thumb_pos_) return;
  thumb_pos_ = pos;
  SetVertScrollPos(pos);
}

// ---- link reactions ----

void TCustomDBGrid::LinkActive(bool active) {
  if (!active) HideEditor();
  ClearSelection();
  thumb_pos_ = -1;
  LayoutChanged();
  UpdateScrollBar();
  UpdateScrollRange();
  if (active && (db_options_ & dgAlwaysShowEditor)) ShowEditor();
}

void TCustomDBGrid::DataChanged() {
  UpdateRowCount();
  UpdateScrollBar();
  UpdateActive();
  InvalidateEditor();
  Invalidate();
}

void TCustomDBGrid::Scrolled(int distance) {
  int old_row = Row();
  InvalidateRow(old_row);
  UpdateScrollBar();
  UpdateActive();
  if (distance != 0) {
    HideEditor();
    if (std::abs(distance) > VisibleRowCount()) {
      Invalidate();
    } else {
      int step = DefaultRowHeight() + ((db_options_ & dgRowLines) ? GridLineWidth() : 0);
      ScrollDataRows(distance * step);
      // The old current record moved with the pixels; its row and the new
      // current one are drawn again.
      InvalidateRow(old_row - distance);
      InvalidateRow(Row());
      if (indicator_offset_) {
        InvalidateCell(0, old_row - distance);
        InvalidateCell(0, Row());
      }
    }
  }
  if (db_options_ & dgAlwaysShowEditor) ShowEditor();
}

void TCustomDBGrid::RecordChanged(TField *field) {
  if (field) {
    for (int i = 0; i < columns_.Count(); ++i)
      if (columns_.Items(i)->Field() == field) InvalidateCol(i + indicator_offset_);
  } else {
    Invalidate();
  }
  TField *selected = SelectedField();
  if (selected && (!field || field == selected) && EditorMode() && InplaceEditor() &&
      selected->Text() != InplaceEditor()->Text())
    InvalidateEditor();
}

void TCustomDBGrid::EditingChanged() {
  if (indicator_offset_) InvalidateCell(0, Row());
}

void TCustomDBGrid::UpdateData() {
  TField *f = SelectedField();
  if (f && InplaceEditor() && InplaceEditor()->Modified()) f->SetText(edit_text_);
}

void TCustomDBGrid::FocusField(TField **field) {
  if (!field || !*field) return;
  for (int i = 0; i < columns_.Count(); ++i)
    if (columns_.Items(i)->Field() == *field) {
      SetCol(i + indicator_offset_);
      *field = nullptr;
      return;
    }
}

// ---- the editor ----

bool TCustomDBGrid::CanEditShow() {
  if (read_only_ || !link_.Active() || in_layout_ > 0) return false;
  TColumn *c = ColumnOfCol(Col());
  if (!c || !c->Field()) return false;
  return TCustomGrid::CanEditShow();
}

bool TCustomDBGrid::CanEditModify() {
  if (read_only_ || !link_.Active() || link_.ReadOnly()) return false;
  TColumn *c = ColumnOfCol(Col());
  if (!c || c->ReadOnly() || !c->Field() || !c->Field()->CanModify()) return false;
  TDataSet *ds = link_.DataSet();
  if (!ds || !ds->CanModify()) return false;
  return link_.Edit();
}

std::string TCustomDBGrid::GetEditText(int col, int row) {
  (void)row;
  TColumn *c = ColumnOfCol(col);
  edit_text_ = c && c->Field() ? c->Field()->Text() : std::string();
  return edit_text_;
}

void TCustomDBGrid::SetEditText(int col, int row, const std::string &text) {
  (void)col;
  (void)row;
  edit_text_ = text;
  link_.SetModified();
  InvalidateCell(col, row);
}

bool TCustomDBGrid::SelectCell(int col, int row) {
  (void)row;
  return col >= indicator_offset_;
}

void TCustomDBGrid::DoExit() {
  // Leaving the grid writes what the editor holds, as leaving a field
  // would.
  if (link_.Active() && link_.Modified()) Guarded([&] { link_.UpdateRecord(); });
  // An untouched new record is not left behind.
  TDataSet *ds = DataSet();
  if (ds && (db_options_ & dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified())
    Guarded([&] { ds->Cancel(); });
  TCustomGrid::DoExit();
}

// ---- columns by the mouse ----

void TCustomDBGrid::ColumnMoved(int from, int to) {
  int f = from - indicator_offset_, t = to - indicator_offset_;
  if (f < 0 || t < 0 || f >= columns_.Count() || t >= columns_.Count()) return;
  ++in_layout_;
  try {
    auto c = columns_.Extract(f);
    TColumn *moved = columns_.Insert(t, std::move(c));
    // A default column moves its field too.
    if (moved->IsDefault() && moved->Field()) {
      TField *target = link_.Fields().size() > static_cast<size_t>(t)
                           ? link_.Fields()[static_cast<size_t>(t)]
                           : nullptr;
      if (target && target != moved->Field()) moved->Field()->SetIndex(target->Index());
    }
  } catch (...) {
    --in_layout_;
    throw;
  }
  --in_layout_;
  TCustomGrid::ColumnMoved(from, to);
  LayoutChanged();
}

void TCustomDBGrid::ColWidthsChanged() {
  TCustomGrid::ColWidthsChanged();
  if (applying_widths_ || in_layout_ > 0) return;
  for (int i = 0; i < columns_.Count(); ++i) {
    TColumn *c = columns_.Items(i);
    int w = ColWidths(i + indicator_offset_);
    if (w != c->Width()) {
      c->width_ = w;
      c->width_set_ = true;
    }
  }
}

// ---- moving the dataset ----

void TCustomDBGrid::MoveBy(int distance) {
  if (TDataSet *ds = DataSet()) ds->MoveBy(distance);
}

void TCustomDBGrid::ScrollCommand(bool vertical, TScrollCode code, int pos) {
  if (!vertical) return TCustomGrid::ScrollCommand(vertical, code, pos);
  TDataSet *ds = DataSet();
  if (!ds) return;
  int page = VisibleDataRows();
  switch (code) {
  case scLineUp:
    ds->MoveBy(-(link_.ActiveRecord() + 1));
    break;
  case scLineDown:
    ds->MoveBy(link_.RecordCount() - link_.ActiveRecord());
    break;
  case scPageUp:
    ds->MoveBy(-page);
    break;
  case scPageDown:
    ds->MoveBy(page);
    break;
  case scPosition:
    switch (pos) {
    case 0:
      ds->First();
      break;
    case 1:
      ds->MoveBy(-page);
      break;
    case 3:
      ds->MoveBy(page);
      break;
    case 4:
      ds->Last();
      break;
    default:
      break;
    }
    break;
  case scTop:
    ds->First();
    break;
  case scBottom:
    ds->Last();
    break;
  default:
    break;
  }
}

// ---- keys ----

bool TCustomDBGrid::AcquireFocus() {
  if (!Focused() && CanFocus()) SetFocus();
  return true;
}

void TCustomDBGrid::KeyUp_(bool ctrl, bool extend) {
  TDataSet *ds = DataSet();
  if (ctrl) {
    ds->MoveBy(-link_.ActiveRecord());
    return;
  }
  if (extend && (db_options_ & dgMultiSelect)) SetCurrentRowSelected(true);
  if (ds->State() == dsInsert && !ds->Modified() &&
      link_.ActiveRecord() == link_.RecordCount() - 1 && ds->Eof())
    ds->Cancel();
  else
    ds->MoveBy(-1);
  if (extend && (db_options_ & dgMultiSelect)) SetCurrentRowSelected(true);
}

void TCustomDBGrid::KeyDown_(bool ctrl, bool extend) {
  TDataSet *ds = DataSet();
  if (ctrl) {
    ds->MoveBy(link_.BufferCount() - link_.ActiveRecord() - 1);
    return;
  }
  if (extend && (db_options_ & dgMultiSelect)) SetCurrentRowSelected(true);
  if (ds->State() == dsInsert && !ds->Modified()) {
    bool at_end = link_.ActiveRecord() == link_.RecordCount() - 1 && ds->Eof();
    if (!at_end) ds->Cancel();
  } else {
    ds->MoveBy(1);
    if (ds->Eof() && ds->CanModify() && !read_only_ && (db_options_ & dgEditing)) ds->Append();
  }
  if (extend && (db_options_ & dgMultiSelect)) SetCurrentRowSelected(true);
}

void TCustomDBGrid::DeleteRecords() {
  TDataSet *ds = DataSet();
  if (read_only_ || !ds->CanModify() || ds->RecordCount() == 0) return;
  bool many = SelectedCount() > 1;
  if (db_options_ & dgConfirmDelete) {
    const char *text = many ? "Delete all selected records?" : "Delete record?";
    if (Application->MessageBox(text, "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  if (SelectedCount() > 0 && (db_options_ & dgMultiSelect)) {
    std::vector<std::string> marks(selected_.begin(), selected_.end());
    ds->DisableControls();
    try {
      for (const auto &m : marks) {
        ds->SetBookmark(m);
        ds->Delete();
        selected_.erase(m);
      }
    } catch (...) {
      ds->EnableControls();
      throw;
    }
    ds->EnableControls();
    selected_.clear();
  } else {
    ds->Delete();
  }
}

void TCustomDBGrid::KeyDown(Word &key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift); // OnKeyDown first
  if (key == 0) return;
  TDataSet *ds = DataSet();
  if (!ds) return;
  bool ctrl = shift & ssCtrl;
  bool multi = db_options_ & dgMultiSelect;
  bool row_select = db_options_ & dgRowSelect;
  int first_col = indicator_offset_, last_col = ColCount() - 1;
  // Moves made by keys clear a multi-selection; Shift+Up/Down extends it.
  bool extend = (shift & ssShift) && (key == VK_UP || key == VK_DOWN);
  auto moves = [&] {
    if (multi && !extend) ClearSelection();
  };
  switch (key) {
  case VK_PRIOR:
    moves();
    if (ctrl)
      ds->MoveBy(-link_.ActiveRecord());
    else
      ds->MoveBy(-VisibleDataRows());
    break;
  case VK_NEXT:
    moves();
    if (ctrl)
      ds->MoveBy(link_.BufferCount() - link_.ActiveRecord() - 1);
    else
      ds->MoveBy(VisibleDataRows());
    break;
  case VK_UP:
    moves();
    KeyUp_(ctrl, extend);
    break;
  case VK_DOWN:
    moves();
    KeyDown_(ctrl, extend);
    break;
  case VK_HOME:
    moves();
    if (ctrl || Col() == first_col || row_select)
      ds->First();
    else
      SetCol(first_col);
    break;
  case VK_END:
    moves();
    if (ctrl || Col() == last_col || row_select)
      ds->Last();
    else
      SetCol(last_col);
    break;
  case VK_LEFT:
    if (ctrl) {
      SetCol(first_col);
    } else if (row_select) {
      moves();
      ds->MoveBy(-1);
    } else if (Col() > first_col) {
      SetCol(Col() - 1);
    }
    break;
  case VK_RIGHT:
    if (ctrl) {
      SetCol(last_col);
    } else if (row_select) {
      moves();
      ds->MoveBy(1);
    } else if (Col() < last_col) {
      SetCol(Col() + 1);
    }
    break;
  case VK_DELETE:
    if (!ctrl) return;
    DeleteRecords();
    break;
  case VK_TAB: {
    if (shift & ssAlt) return;
    if (!(db_options_ & dgTabs)) return;
    bool back = shift & ssShift;
    int col = Col();
    for (;;) {
      col += back ? -1 : 1;
      if (col > last_col) {
        moves();
        KeyDown_(false, false);
        col = first_col;
        if (TabStops(col) || col == Col()) break;
        continue;
      }
      if (col < first_col) {
        moves();
        KeyUp_(false, false);
        col = last_col;
        if (TabStops(col) || col == Col()) break;
        continue;
      }
      if (TabStops(col) || col == Col()) break;
    }
    SetCol(col);
    break;
  }
  case VK_ESCAPE:
    link_.Reset();
    InvalidateEditor();
    if (!(db_options_ & dgAlwaysShowEditor)) HideEditor();
    break;
  case VK_INSERT:
    if (ctrl) return;
    if (ds->CanModify() && !read_only_ && (db_options_ & dgEditing)) ds->Insert();
    break;
  case VK_F2:
    ShowEditor();
    break;
  case VK_RETURN:
    if (EditorMode()) {
      if (link_.Modified()) link_.UpdateRecord();
      if (!(db_options_ & dgAlwaysShowEditor)) HideEditor();
    } else {
      ShowEditor();
    }
    break;
  default:
    return;
  }
  key = 0;
}

void TCustomDBGrid::KeyPress(char32_t &key) {
  TControl::KeyPress(key);
  if (key == 0) return;
  if (!link_.Active() || EditorMode()) return;
  if (key >= 0x20 && key != 0x7F && (db_options_ & dgEditing) && CanEditShow()) {
    // Typing opens the editor with the key, when the cell may change.
    if (CanEditModify()) ShowEditorChar(key);
    key = 0;
  }
}

void TCustomDBGrid::Resize() {
  TCustomGrid::Resize();
  if (in_layout_ == 0 && link_.Active()) {
    UpdateRowCount();
    UpdateScrollBar();
    Invalidate();
  }
}

// ---- mouse ----

void TCustomDBGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGridCoord cell = MouseCoord(x, y);
  bool data_cell = cell.X >= 0 && cell.Y >= title_offset_;
  TDataSet *ds = DataSet();
  if (button != mbLeft || !data_cell || !ds || GridState() != gsNormal) {
    TCustomGrid::MouseDown(button, shift, x, y);
    return;
  }
  AcquireFocus();
  TControl::MouseDown(button, shift, x, y);
  bool was_current = cell.Y == Row() && cell.X == Col();
  HideEditor();
  if (cell.Y != Row()) ds->MoveBy(cell.Y - Row());
  if (cell.X >= indicator_offset_) MoveColRow(cell.X, Row(), true);
  if (db_options_ & dgMultiSelect) {
    if (shift & ssCtrl) {
      SetCurrentRowSelected(!CurrentRowSelected());
    } else {
      ClearSelection();
      SetCurrentRowSelected(true);
    }
  }
  if ((was_current && cell.X >= indicator_offset_) || (db_options_ & dgAlwaysShowEditor))
    ShowEditor();
}

// ---- multi-selection ----

std::string TCustomDBGrid::RowBookmark(int data_row) const {
  TDataSet *ds = DataSet();
  if (!ds || data_row < 0 || data_row >= link_.RecordCount()) return {};
  ActiveRecordSwap swap(const_cast<TGridDataLink &>(link_), data_row);
  return ds->Bookmark();
}

bool TCustomDBGrid::CurrentRowSelected() const {
  TDataSet *ds = DataSet();
  if (!ds) return false;
  std::string bm = ds->Bookmark();
  return !bm.empty() && selected_.count(bm) > 0;
}

void TCustomDBGrid::SetCurrentRowSelected(bool on) {
  TDataSet *ds = DataSet();
  if (!ds) return;
  std::string bm = ds->Bookmark();
  if (bm.empty()) return;
  if (on)
    selected_.insert(bm);
  else
    selected_.erase(bm);
  InvalidateRow(Row());
}

void TCustomDBGrid::ClearSelection() {
  if (selected_.empty()) return;
  selected_.clear();
  Invalidate();
}

// ---- drawing ----

void TCustomDBGrid::WriteText(const TRect &rect, const std::string &text, TAlignment alignment,
                              int dx) {
  TCanvas *c = Canvas();
  int x;
  switch (alignment) {
  case taRightJustify:
    x = rect.Right - c->TextWidth(text) - 3;
    break;
  case taCenter:
    x = rect.Left + (rect.Width() - c->TextWidth(text)) / 2;
    break;
  default:
    x = rect.Left + dx;
    break;
  }
  c->TextRect(rect, x, rect.Top + 2, text);
}

void TCustomDBGrid::DrawIndicator(const TRect &rect, int row) {
  TCanvas *c = Canvas();
  c->Brush().SetColor(FixedColor());
  c->FillRect(rect);
  TDataSet *ds = DataSet();
  if (!ds || row - title_offset_ != link_.ActiveRecord() || link_.RecordCount() == 0) return;
  int which = kArrow;
  if (ds->State() == dsEdit) which = kEdit;
  if (ds->State() == dsInsert) which = kInsert;
  const TBitmap &b = indicators_[which];
  c->Draw(rect.Right - b.Width() - 1, rect.Top + (rect.Height() - b.Height()) / 2, b);
}

void TCustomDBGrid::DrawCell(int col, int row, const TRect &rect, TGridDrawState state) {
  TCanvas *c = Canvas();
  bool raised =
      (db_options_ & (dgColLines | dgRowLines)) == (dgColLines | dgRowLines) && (state & gdFixed);
  int inset = raised ? 1 : 2;
  if (col < indicator_offset_) {
    if (row >= title_offset_)
      DrawIndicator(rect, row);
    else {
      c->Brush().SetColor(FixedColor());
      c->FillRect(rect);
    }
    if (raised) DrawEdge(rect, true);
    return;
  }
  TColumn *column = ColumnOfCol(col);
  if (row < title_offset_) {
    TColumnTitle *title = column ? column->Title() : nullptr;
    c->Font().Assign(title ? &title->Font() : &title_font_);
    c->Brush().SetColor(title ? title->Color() : FixedColor());
    WriteText(rect, title ? title->Caption() : std::string(),
              title ? title->Alignment() : taLeftJustify, inset);
    if (raised) DrawEdge(rect, true);
    return;
  }
  TDataSet *ds = DataSet();
  int data_row = row - title_offset_;
  if (!ds || !column) {
    c->Brush().SetColor(Color());
    c->FillRect(rect);
    return;
  }
  c->Font().Assign(&column->Font());
  c->Brush().SetColor(column->Color());
  if (data_row >= link_.RecordCount()) {
    c->FillRect(rect);
    return;
  }
  ActiveRecordSwap swap(link_, data_row);
  bool current = row == Row() && (col == Col() || (db_options_ & dgRowSelect));
  bool highlight;
  if (db_options_ & dgMultiSelect)
    highlight = !selected_.empty() && selected_.count(ds->Bookmark()) > 0;
  else
    highlight = current && (Focused() || (db_options_ & dgAlwaysShowSelection)) &&
                (!EditorMode() || (db_options_ & dgRowSelect));
  TGridDrawState draw_state = state & ~(gdSelected | gdFocused);
  if (highlight) {
    draw_state |= gdSelected;
    c->Brush().SetColor(clHighlight);
    c->Font().SetColor(clHighlightText);
  }
  if (current && Focused()) draw_state |= gdFocused;
  TField *field = column->Field();
  if (default_drawing_) {
    std::string text = field ? field->DisplayText() : std::string();
    WriteText(rect, text, column->Alignment(), 2);
  }
  if (column->IsDefault() && OnDrawDataCell) OnDrawDataCell(this, rect, field, draw_state);
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, col - indicator_offset_, column, draw_state);
  if (current && !(db_options_ & dgRowSelect) && !EditorMode() &&
      (Focused() || (db_options_ & dgAlwaysShowSelection)))
    c->DrawFocusRect(rect);
}
