// The data-aware grid over a real engine table: layout and columns, the
// window of record buffers it asks for, its three-position scroll bar,
// keys, mouse presses, multi-selection and what it draws. Everything is
// driven through Qt events and the scroll bar's own actions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <cstdio>
#include <map>

#include "data/dataset.h"
#include "data/datasource.h"
#include "data/engine/engine_api.h"
#include "data/field.h"
#include "support/modal.h"
#include "tests/data/engine_table.h"
#include "ui/dbgrid.h"
#include "ui/forms.h"

namespace {

// The engine is started by the first test database; it is ended once at
// the end, as a program ends it, so that its helper thread is gone before
// the process exits.
class EngineEnd : public ::testing::Environment {
public:
  void TearDown() override { EngineExit(); }
};
const ::testing::Environment *const kEngineEnd = ::testing::AddGlobalTestEnvironment(new EngineEnd);

std::string TitleOf(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Sound %03d", i);
  return buf;
}

class DBGridTest : public ::testing::Test {
protected:
  void SetUp() override { Build(100, /*read_only=*/true); }
  void TearDown() override {
    delete form;
    delete source;
    delete ds;
  }

  void Build(int rows, bool read_only) {
    CreateCatalogue(db);
    hEngCursor c = db.OpenCursor("sounds.db");
    for (int i = 0; i < rows; ++i)
      AddRow(c, 100 * (1 + i % 9), TitleOf(i), "keywords of " + TitleOf(i));
    EngineCloseCursor(c);
    ds = new TTestDataSet(db, "sounds.db");
    ds->SetReadOnly(read_only);
    source = new TDataSource;
    source->SetDataSet(ds);
    form = new TForm(Application);
    form->SetBounds(0, 0, 900, 700);
    grid = new TDBGrid(form);
    grid->SetParent(form);
    grid->SetBounds(16, 16, 800, 200);
    grid->SetDataSource(source);
    form->Show();
    ds->Open();
    grid->SetFocus();
    QApplication::processEvents();
  }

  // Makes the grid exactly `rows` data rows high (wide enough for every
  // column, so no horizontal scroll bar).
  void ShowRows(int rows) {
    int h = 4 + grid->RowHeights(0) + 1 + rows * (grid->DefaultRowHeight() + 1);
    if (!grid->HorzScrollBar()->isHidden())
      h += QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    grid->SetBounds(16, 16, 860, h);
    QApplication::processEvents();
  }

  // Keys go where the user's would: the focused widget (the grid, or its
  // editor while that is open).
  void Key(int qt_key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    if (!QApplication::focusWidget()) {
      // A closed message box leaves no window active.
      QApplication::setActiveWindow(form->Widget());
      grid->SetFocus();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(qt_key), mods);
  }
  void ClickRow(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    TRect r = grid->CellRect(1, row);
    QTest::mouseClick(grid->Widget(), Qt::LeftButton, mods, QPoint(r.Left + 4, r.Top + 3));
  }
  std::string Current() { return ds->FieldByName("TITLE")->AsString(); }
  int Visible() { return grid->DataLink()->BufferCount(); }
  void Bar(QAbstractSlider::SliderAction action) { grid->VertScrollBar()->triggerAction(action); }
  // Every TITLE text the grid draws, by grid row.
  std::map<int, std::string> DrawnTitles() {
    std::map<int, std::string> seen;
    grid->OnDrawColumnCell = [&](TObject *, const TRect &r, int, TColumn *column, TGridDrawState) {
      if (column->FieldName() == "TITLE")
        seen[grid->MouseCoord(r.Left + 1, r.Top + 1).Y] = column->Field()->DisplayText();
    };
    grid->Widget()->repaint();
    grid->OnDrawColumnCell = nullptr;
    return seen;
  }

  TestDatabase db;
  TTestDataSet *ds = nullptr;
  TDataSource *source = nullptr;
  TForm *form = nullptr;
  TDBGrid *grid = nullptr;
};

TEST_F(DBGridTest, DefaultColumnsFollowTheFieldsAndTheirDisplayWidths) {
  EXPECT_EQ(grid->Options(), 3325u);
  ASSERT_EQ(grid->Columns()->Count(), 4);
  EXPECT_EQ(grid->Columns()->State(), csDefault);
  EXPECT_EQ(grid->ColCount(), 5) << "four columns and the indicator";
  EXPECT_EQ(grid->FixedCols(), 1);
  EXPECT_EQ(grid->ColWidths(0), 11);
  QFontMetrics fm(grid->Font().ToQFont());
  TField *title = ds->FieldByName("TITLE");
  EXPECT_EQ(grid->ColWidths(2), fm.horizontalAdvance("0") * title->DisplayWidth() + 4);
  // A short field gets at least its caption's width.
  TField *cat = ds->FieldByName("CATEGORY");
  int by_digits = fm.horizontalAdvance("0") * cat->DisplayWidth() + 4;
  EXPECT_EQ(grid->ColWidths(1), std::max(by_digits, fm.horizontalAdvance("CATEGORY") + 4));
  EXPECT_EQ(grid->DefaultRowHeight(), fm.height() + 3 + 1);
  EXPECT_EQ(grid->RowHeights(0), fm.height() + 4);

  // A hidden field loses its column; the title caption passes to the field.
  ds->FieldByName("WAV")->SetVisible(false);
  EXPECT_EQ(grid->Columns()->Count(), 3);
  grid->Columns()->Items(0)->Title()->SetCaption("Category");
  EXPECT_EQ(cat->DisplayLabel(), "Category");

  // Row selection takes editing away.
  grid->SetOptions(grid->Options() | dgRowSelect);
  EXPECT_EQ(grid->Options() & (dgEditing | dgAlwaysShowEditor), 0u);
  grid->SetOptions(grid->Options() & ~dgIndicator & ~dgTitles);
  EXPECT_EQ(grid->FixedCols(), 0);
  EXPECT_EQ(grid->FixedRows(), 0);
  EXPECT_EQ(grid->ColCount(), 3);
}

TEST_F(DBGridTest, PersistentColumnsKeepTheirWidthsAndFindTheirFields) {
  grid->Columns()->BeginUpdate();
  TColumn *t = grid->Columns()->Add();
  t->SetFieldName("TITLE");
  t->SetWidth(110);
  TColumn *k = grid->Columns()->Add();
  k->SetFieldName("KEYWORDS");
  k->SetWidth(375);
  grid->Columns()->EndUpdate();
  EXPECT_EQ(grid->Columns()->State(), csCustomized);
  ASSERT_EQ(grid->ColCount(), 3);
  EXPECT_EQ(grid->ColWidths(1), 110);
  EXPECT_EQ(grid->ColWidths(2), 375);
  EXPECT_EQ(t->Field(), ds->FieldByName("TITLE"));
  ds->FieldByName("TITLE")->SetDisplayWidth(3);
  ds->Close();
  ds->Open();
  EXPECT_EQ(grid->ColWidths(1), 110) << "the field's display width does not matter";
  EXPECT_EQ(grid->ColWidths(2), 375);
  EXPECT_EQ(t->Field(), ds->FieldByName("TITLE")) << "looked up again after reopening";
}

TEST_F(DBGridTest, BufferCountIsTheRowsThatFitAndFollowsResizing) {
  ShowRows(20);
  EXPECT_EQ(Visible(), 20);
  EXPECT_EQ(ds->BufferCount(), 20);
  EXPECT_EQ(grid->RowCount(), 21);
  ShowRows(7);
  EXPECT_EQ(Visible(), 7);
  EXPECT_EQ(grid->RowCount(), 8);
  // A little short of one more row still gives 7.
  grid->SetHeight(grid->Height() + grid->DefaultRowHeight());
  QApplication::processEvents();
  EXPECT_EQ(Visible(), 7);
  grid->SetHeight(grid->Height() + 1);
  QApplication::processEvents();
  EXPECT_EQ(Visible(), 8);
}

TEST_F(DBGridTest, ScrollBarLinesMoveToJustBeyondTheVisibleRows) {
  ShowRows(20);
  ds->First();
  ds->MoveBy(25); // record 25
  ds->MoveBy(-(grid->DataLink()->ActiveRecord() - 2));
  ASSERT_EQ(grid->DataLink()->ActiveRecord(), 2) << "the third visible row";
  std::string start = Current();
  int start_index = std::stoi(start.substr(6));
  Bar(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Current(), TitleOf(start_index + 18));
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), 19) << "the new bottom row";
  int now = start_index + 18;
  Bar(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(Current(), TitleOf(now - 20)) << "just above the top visible row";
  Bar(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(Current(), TitleOf(now));
  Bar(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(Current(), TitleOf(99));
  Bar(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(Current(), TitleOf(0));
}

TEST_F(DBGridTest, ThumbShowsOnlyTopMiddleAndBottom) {
  QScrollBar *bar = grid->VertScrollBar();
  ASSERT_FALSE(bar->isHidden());
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 4);
  ds->First();
  EXPECT_EQ(bar->value(), 0);
  ds->Next();
  EXPECT_EQ(bar->value(), 2);
  ds->MoveBy(60);
  EXPECT_EQ(bar->value(), 2);
  ds->Last();
  EXPECT_EQ(bar->value(), 4);
  ds->Prior();
  EXPECT_EQ(bar->value(), 2);
  // A thumb dropped at 1 or 3 moves a page; dragging itself moves nothing.
  ShowRows(10);
  ds->First();
  ds->MoveBy(50);
  std::string before = Current();
  bar->setSliderDown(true);
  bar->setSliderPosition(3);
  EXPECT_EQ(Current(), before);
  bar->setSliderDown(false);
  EXPECT_EQ(Current(), TitleOf(std::stoi(before.substr(6)) + 10));
  EXPECT_EQ(bar->value(), 2) << "the thumb goes back to the middle";
  bar->setSliderDown(true);
  bar->setSliderPosition(0);
  bar->setSliderDown(false);
  EXPECT_EQ(Current(), TitleOf(0));
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(DBGridTest, PagingKeysAndTheEdgesOfTheData) {
  ShowRows(10);
  ds->First();
  Key(Qt::Key_PageDown);
  EXPECT_EQ(Current(), TitleOf(10));
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Current(), TitleOf(0));
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), 9) << "the bottom visible row";
  Key(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), 0) << "the top visible row";
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Current(), TitleOf(99));
  EXPECT_EQ(grid->Row(), 10) << "the last record on the bottom row";
  Key(Qt::Key_Down);
  EXPECT_EQ(Current(), TitleOf(99)) << "Down at the last record of a read-only table";
  EXPECT_EQ(ds->State(), dsBrowse);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Current(), TitleOf(0));
  Key(Qt::Key_Up);
  EXPECT_EQ(Current(), TitleOf(0));
  EXPECT_EQ(grid->Row(), 1);

  // Home and End go to the first and last column first, then to the
  // first and last record.
  grid->SetCol(2);
  Key(Qt::Key_Home);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(Current(), TitleOf(0));
  Key(Qt::Key_End);
  EXPECT_EQ(grid->Col(), 4);
  EXPECT_EQ(Current(), TitleOf(0));
  Key(Qt::Key_End);
  EXPECT_EQ(Current(), TitleOf(99));
  Key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(grid->Col(), 1);
  Key(Qt::Key_Home);
  EXPECT_EQ(Current(), TitleOf(0));
}

TEST_F(DBGridTest, KeyDownHandlerComesFirstAndCanSwallowTheKey) {
  ds->First();
  grid->OnKeyDown = [](TObject *, Word &key, TShiftState) {
    if (key == VK_DOWN) key = 0;
  };
  Key(Qt::Key_Down);
  EXPECT_EQ(Current(), TitleOf(0));
  grid->OnKeyDown = nullptr;
  Key(Qt::Key_Down);
  EXPECT_EQ(Current(), TitleOf(1));
}

TEST_F(DBGridTest, APressOnAnotherRowMovesTheDatasetByTheDifference) {
  ShowRows(10);
  ds->First();
  ds->MoveBy(40);
  ds->MoveBy(-(grid->DataLink()->ActiveRecord() - 4));
  std::string top = TitleOf(std::stoi(Current().substr(6)) - 4);
  ClickRow(8);
  EXPECT_EQ(Current(), TitleOf(std::stoi(top.substr(6)) + 7));
  EXPECT_EQ(grid->Row(), 8);
  ClickRow(2);
  EXPECT_EQ(Current(), TitleOf(std::stoi(top.substr(6)) + 1));
  TRect r = grid->CellRect(3, 5);
  QTest::mouseClick(grid->Widget(), Qt::LeftButton, {}, QPoint(r.Left + 3, r.Top + 3));
  EXPECT_EQ(grid->Col(), 3) << "the pressed column becomes the selected one";
  EXPECT_EQ(grid->SelectedField(), ds->FieldByName("KEYWORDS"));
}

TEST_F(DBGridTest, AReadOnlyTableIsNeverChangedByTheGrid) {
  ds->First();
  Key(Qt::Key_Insert);
  EXPECT_EQ(ds->State(), dsBrowse);
  TBoxSeen box;
  bool asked =
      DriveModal([&] { Key(Qt::Key_Delete, Qt::ControlModifier); }, ReadAndClose(box), 300);
  EXPECT_FALSE(asked) << "no confirmation: there is nothing the grid may delete";
  grid->SetCol(2);
  QTest::keyClicks(grid->Widget(), "zz");
  Key(Qt::Key_F2);
  if (grid->InplaceEditor()) QTest::keyClicks(grid->InplaceEditor()->Widget(), "zz");
  Key(Qt::Key_Return);
  Key(Qt::Key_Down);
  ds->First();
  EXPECT_EQ(Current(), TitleOf(0));
  EXPECT_EQ(ds->State(), dsBrowse);
  int count = 0;
  for (ds->First(); !ds->Eof(); ds->Next())
    ++count;
  EXPECT_EQ(count, 100);
}

TEST_F(DBGridTest, NoRowsLeaveTheTitleAndOneEmptyRow) {
  ShowRows(10);
  ds->SetOnFilterRecord([](TDataSet *, bool &accept) { accept = false; });
  ds->SetFiltered(true);
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->VertScrollBar()->value(), 0) << "the thumb at the top";
  Key(Qt::Key_Down);
  Key(Qt::Key_PageDown);
  EXPECT_TRUE(DrawnTitles().empty()) << "the empty row shows nothing";
  ds->SetFiltered(false);
  EXPECT_EQ(grid->RowCount(), 11);
}

TEST_F(DBGridTest, RowsShowTheDatasetWindowAndScrollWithIt) {
  ShowRows(5);
  ds->First();
  auto seen = DrawnTitles();
  ASSERT_EQ(seen.size(), 5u);
  for (int r = 1; r <= 5; ++r)
    EXPECT_EQ(seen[r], TitleOf(r - 1));
  for (int i = 0; i < 5; ++i)
    Key(Qt::Key_Down); // the fifth goes past the bottom edge
  EXPECT_EQ(Current(), TitleOf(5));
  EXPECT_EQ(grid->Row(), 5);
  seen = DrawnTitles();
  for (int r = 1; r <= 5; ++r)
    EXPECT_EQ(seen[r], TitleOf(r)) << "row " << r;
  // After the paint the active record is the current one again.
  EXPECT_EQ(Current(), TitleOf(5));
}

TEST_F(DBGridTest, IndicatorArrowOnTheCurrentRow) {
  ShowRows(5);
  ds->First();
  ds->Next();
  QImage img = grid->Widget()->grab().toImage();
  auto dark_in = [&](int row) {
    TRect r = grid->CellRect(0, row);
    int n = 0;
    for (int x = r.Left; x < r.Right; ++x)
      for (int y = r.Top; y < r.Bottom; ++y)
        if (img.pixelColor(x, y).lightness() < 40) ++n;
    return n;
  };
  EXPECT_GT(dark_in(2), 8);
  EXPECT_EQ(dark_in(1), 0);
  EXPECT_EQ(dark_in(3), 0);
}

class WritableDBGridTest : public DBGridTest {
protected:
  void SetUp() override {
    Build(30, /*read_only=*/false);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    ShowRows(10);
    ds->First();
  }
  int Count() {
    int n = 0;
    for (ds->First(); !ds->Eof(); ds->Next())
      ++n;
    return n;
  }
};

TEST_F(WritableDBGridTest, CtrlPressTogglesShiftArrowExtendsAndMovesClear) {
  ClickRow(2);
  EXPECT_EQ(grid->SelectedCount(), 1);
  ClickRow(4, Qt::ControlModifier);
  EXPECT_EQ(grid->SelectedCount(), 2);
  ClickRow(4, Qt::ControlModifier);
  EXPECT_EQ(grid->SelectedCount(), 1);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(grid->SelectedCount(), 4) << "the first row and rows 4 to 6";
  EXPECT_TRUE(grid->CurrentRowSelected());
  Key(Qt::Key_Down);
  EXPECT_EQ(grid->SelectedCount(), 0);
  grid->SetOptions(grid->Options() & ~dgMultiSelect);
  EXPECT_EQ(grid->SelectedCount(), 0);
}

TEST_F(WritableDBGridTest, DeletingSelectedRecordsAsksFirst) {
  ClickRow(1);
  ClickRow(3, Qt::ControlModifier);
  ClickRow(5, Qt::ControlModifier);
  TBoxSeen box;
  auto answer = [&](QMessageBox::StandardButton b) {
    return [&, b](QWidget *w) {
      auto *m = qobject_cast<QMessageBox *>(w);
      if (!m) return;
      box.seen = true;
      box.text = m->text().toStdString();
      m->button(b)->click();
    };
  };
  ASSERT_TRUE(
      DriveModal([&] { Key(Qt::Key_Delete, Qt::ControlModifier); }, answer(QMessageBox::No)));
  EXPECT_EQ(box.text, "Delete all selected records?");
  EXPECT_EQ(Count(), 30) << "No keeps every record";
  ds->First();
  ClickRow(1);
  ClickRow(3, Qt::ControlModifier);
  ClickRow(5, Qt::ControlModifier);
  ASSERT_TRUE(
      DriveModal([&] { Key(Qt::Key_Delete, Qt::ControlModifier); }, answer(QMessageBox::Yes)));
  EXPECT_EQ(Count(), 27);
  ds->First();
  for (const char *gone : {"Sound 000", "Sound 002", "Sound 004"})
    EXPECT_FALSE(ds->Locate("TITLE", TVariant(std::string(gone)), 0)) << gone;
  ds->First();
  ASSERT_TRUE(
      DriveModal([&] { Key(Qt::Key_Delete, Qt::ControlModifier); }, answer(QMessageBox::Yes)));
  EXPECT_EQ(box.text, "Delete record?");
  EXPECT_EQ(Count(), 26);
}

TEST_F(WritableDBGridTest, EditingThroughTheEditorAndAppendingAtTheEnd) {
  grid->SetOptions(grid->Options() & ~dgMultiSelect);
  grid->SetCol(3);                       // KEYWORDS
  QTest::keyClicks(grid->Widget(), "n"); // opens the editor with the key
  QTest::keyClicks(QApplication::focusWidget(), "ew words");
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(ds->State(), dsEdit);
  Key(Qt::Key_Return);
  EXPECT_EQ(ds->FieldByName("KEYWORDS")->AsString(), "new words");
  Key(Qt::Key_Down);
  EXPECT_EQ(ds->State(), dsBrowse) << "moving posts the edit";
  ds->First();
  EXPECT_EQ(ds->FieldByName("KEYWORDS")->AsString(), "new words");
  Key(Qt::Key_End, Qt::ControlModifier);
  Key(Qt::Key_Down);
  EXPECT_EQ(ds->State(), dsInsert) << "Down past the last record appends";
  Key(Qt::Key_Up);
  EXPECT_EQ(ds->State(), dsBrowse) << "an untouched new record is cancelled";
  EXPECT_EQ(Count(), 30);
}

} // namespace
