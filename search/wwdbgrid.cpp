#include "search/wwdbgrid.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMetaObject>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cstdlib>

#include "data/dataset.h"
#include "data/field.h"
#include "search/wwtable.h"
#include "ui/dialogs.h"

namespace {

int TextWidthIn(const TFont &font, const std::string &text) {
  return QFontMetrics(font.ToQFont()).horizontalAdvance(QString::fromUtf8(text.c_str()));
}

std::vector<std::string> SplitAt(const std::string &text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(sep, start);
    if (end == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

} // namespace

TwwSelectedLine ParseSelectedLine(const std::string &line) {
  std::vector<std::string> parts = SplitAt(line, '\t');
  TwwSelectedLine result;
  result.field_name = parts[0];
  if (parts.size() > 1) result.display_width = std::atoi(parts[1].c_str());
  if (parts.size() > 2) result.title = parts[2];
  return result;
}

TwwDBGrid::TwwDBGrid(TComponent *owner) : TCustomDBGrid(owner) {
  TCustomDBGrid::SetOptions(kDefaultwwDBGridOptions);
}

void TwwDBGrid::SetOptions(TwwDBGridOptions options) {
  if (options & dgMultiSelect) multi_select_options_ = msoAutoUnselect | msoShiftSelect;
  TCustomDBGrid::SetOptions(options);
}

void TwwDBGrid::SetSelected(const TStringList &lines) {
  selected_.Assign(&lines);
  if (DataLink()->Active()) ApplySelected();
}

void TwwDBGrid::SetUseTFields(bool on) {
  if (on == use_tfields_) return;
  use_tfields_ = on;
  if (on) Columns()->RebuildColumns();
  if (DataLink()->Active()) ApplySelected();
}

void TwwDBGrid::SetTitleAlignment(TAlignment alignment) {
  title_alignment_ = alignment;
  ApplyColumnWidths();
}

void TwwDBGrid::SetShowHorzScrollBar(bool on) {
  show_horz_scroll_bar_ = on;
  SetScrollBars(on ? ssBoth : ssVertical);
}

int TwwDBGrid::ColumnWidthFor(int display_width, const std::string &title) const {
  int width = display_width * TextWidthIn(Font(), "0") + 4;
  if (Options() & dgTitles) {
    TFont &title_font = const_cast<TwwDBGrid *>(this)->TitleFont();
    int widest = 0;
    for (const std::string &line : SplitAt(title, '~'))
      widest = std::max(widest, TextWidthIn(title_font, line));
    width = std::max(width, widest + 4);
  }
  return width;
}

void TwwDBGrid::ApplySelected() {
  TDataSet *ds = DataSet();
  if (!ds || selected_.Count() == 0 || applying_) return;
  applying_ = true;
  try {
    if (use_tfields_) {
      ds->DisableControls();
      try {
        for (int i = 0; i < ds->FieldCount(); ++i)
          ds->Fields(i)->SetVisible(false);
        for (int i = 0; i < selected_.Count(); ++i) {
          TwwSelectedLine line = ParseSelectedLine(selected_[i]);
          TField *field = ds->FindField(line.field_name);
          if (!field) continue;
          field->SetDisplayWidth(line.display_width);
          field->SetDisplayLabel(line.title);
          field->SetIndex(std::min(i, ds->FieldCount() - 1));
          field->SetVisible(true);
        }
      } catch (...) {
        ds->EnableControls();
        throw;
      }
      ds->EnableControls();
      if (Columns()->State() != csDefault) Columns()->RebuildColumns();
      LayoutChanged();
    } else {
      Columns()->BeginUpdate();
      Columns()->Clear();
      for (int i = 0; i < selected_.Count(); ++i) {
        TwwSelectedLine line = ParseSelectedLine(selected_[i]);
        // A line whose field the dataset lacks gives no column.
        if (!ds->FindField(line.field_name)) continue;
        TColumn *column = Columns()->Add();
        column->SetFieldName(line.field_name);
        column->Title()->SetCaption(line.title);
        column->SetWidth(ColumnWidthFor(line.display_width, line.title));
      }
      Columns()->EndUpdate();
    }
    ApplyColumnWidths();
  } catch (...) {
    applying_ = false;
    throw;
  }
  applying_ = false;
}

void TwwDBGrid::ApplyColumnWidths() {
  for (int i = 0; i < Columns()->Count(); ++i) {
    TColumn *column = Columns()->Items(i);
    if (column->Title()->Alignment() != title_alignment_)
      column->Title()->SetAlignment(title_alignment_);
    TField *field = column->Field();
    bool read_only = field && (field->ReadOnly() || (field->Calculated() && !edit_calculated_));
    column->SetReadOnly(read_only);
  }
}

void TwwDBGrid::LinkActive(bool active) {
  TDataSet *ds = active ? DataLink()->DataSet() : nullptr;
  if (ds && !dynamic_cast<TwwTable *>(ds)) {
    // Shown once the data event that activated the link is over; then the
    // grid lets go of the data source.
    TCustomDBGrid::LinkActive(false);
    QMetaObject::invokeMethod(
        Widget(),
        [this] {
          MessageDlg(wwmsg::kEnhancedDataSetOnly, mtInformation, mbOK, 0);
          SetDataSource(nullptr);
        },
        Qt::QueuedConnection);
    return;
  }
  TCustomDBGrid::LinkActive(active);
  if (ds && selected_.Count() > 0) {
    bool has_calculated = false;
    for (int i = 0; i < ds->FieldCount(); ++i)
      has_calculated = has_calculated || ds->Fields(i)->Calculated();
    if (!has_calculated) ApplySelected();
  }
  ApplyColumnWidths();
}

TField *TwwDBGrid::FieldAt(int x, int y) const {
  TGridCoord cell = MouseCoord(x, y);
  int index = cell.X - IndicatorOffset();
  if (index < 0 || index >= const_cast<TwwDBGrid *>(this)->Columns()->Count()) return nullptr;
  return const_cast<TwwDBGrid *>(this)->Columns()->Items(index)->Field();
}

bool TwwDBGrid::IsBlobCell(int x, int y) const {
  TGridCoord cell = MouseCoord(x, y);
  if (cell.Y < TitleOffset()) return false;
  TField *field = FieldAt(x, y);
  return field && field->IsBlob();
}

int TwwDBGrid::ColumnsTotalWidth() const {
  int total = 0;
  const int line = (Options() & dgColLines) ? GridLineWidth() : 0;
  for (int c = 0; c < ColCount(); ++c)
    total += ColWidths(c) + line;
  return total;
}

void TwwDBGrid::FitHeight() {
  const int line = (Options() & dgRowLines) ? GridLineWidth() : 0;
  const int title = TitleOffset() ? RowHeights(0) + line : 0;
  const int row = DefaultRowHeight();
  // The bar counts once it is not hidden, shown on screen or not yet.
  const bool hbar = HorzScrollBar() && !HorzScrollBar()->isHidden();
  const int bar = hbar ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
  // Whole rows inside the cell area (within the border, above the bar).
  const int rows = std::max(1, (ClientHeight() - title) / (row + line));
  const int last_top = title + (rows - 1) * (row + line);
  const int end = last_top + row + 1 + 4 + bar;
  if (Height() < end + row) SetHeight(end);
}
