// The plain grid and the string grid: geometry, moving the current cell
// with keys and the mouse, column sizing and moving, the in-place editor
// and horizontal scrolling, driven through Qt events as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "ui/forms.h"
#include "ui/grid.h"

namespace {

class GridTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = new TForm(Application);
    form->SetBounds(0, 0, 500, 400);
    grid = new TStringGrid(form);
    grid->SetParent(form);
    grid->SetBounds(10, 10, 300, 200);
    grid->SetColCount(6);
    grid->SetRowCount(20);
    form->Show();
    grid->SetFocus();
    QApplication::processEvents();
  }
  void TearDown() override { delete form; }

  void Key(int qt_key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : grid->Widget();
    QTest::keyClick(target, Qt::Key(qt_key), mods);
  }
  void Click(int x, int y) {
    QTest::mouseClick(grid->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
  }
  QImage Grab() { return grid->Widget()->grab().toImage(); }

  TForm *form = nullptr;
  TStringGrid *grid = nullptr;
};

TEST_F(GridTest, CellRectsFollowWidthsLinesAndScrolling) {
  // 2 px border, then the fixed column (64) and its line (1).
  EXPECT_EQ(grid->CellRect(0, 0), Bounds(2, 2, 64, 24));
  EXPECT_EQ(grid->CellRect(1, 1), Bounds(2 + 65, 2 + 25, 64, 24));
  grid->SetColWidths(1, 30);
  EXPECT_EQ(grid->CellRect(2, 1).Left, 2 + 65 + 31);
  EXPECT_EQ(grid->MouseCoord(2 + 65 + 31 + 5, 2 + 25 + 3), (TGridCoord{2, 1}));
  EXPECT_EQ(grid->MouseCoord(0, 0), (TGridCoord{-1, -1}));

  grid->SetTopRow(5);
  EXPECT_TRUE(grid->CellRect(1, 1).IsEmpty());
  EXPECT_EQ(grid->CellRect(1, 5).Top, 2 + 25);
  EXPECT_EQ(grid->MouseCoord(80, 2 + 25 + 2).Y, 5);
  // Rows shown whole: the client height less the fixed row, in 25 px steps.
  EXPECT_EQ(grid->VisibleRowCount(), (grid->ClientHeight() - 25) / 25);
}

TEST_F(GridTest, KeysMoveTheCurrentCellWithinTheGrid) {
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
  Key(Qt::Key_Down);
  Key(Qt::Key_Right);
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(grid->Col(), 2);
  Key(Qt::Key_Home);
  EXPECT_EQ(grid->Col(), 1);
  Key(Qt::Key_End);
  EXPECT_EQ(grid->Col(), 5);
  Key(Qt::Key_Right);
  EXPECT_EQ(grid->Col(), 5) << "the last column stays current";
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid->Row(), 19);
  EXPECT_GE(grid->TopRow() + grid->VisibleRowCount() - 1, 19) << "scrolled into view";
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->TopRow(), 1);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(grid->Row(), 1 + grid->VisibleRowCount());
  Key(Qt::Key_Up);
  Key(Qt::Key_Up, Qt::ControlModifier);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(grid->Row(), 1);
  Key(Qt::Key_Up);
  EXPECT_EQ(grid->Row(), 1) << "fixed rows never become current";
}

TEST_F(GridTest, TabWrapsToTheNextRowOnlyWithTabs) {
  grid->SetOptions(grid->Options() | goTabs);
  grid->SetCol(5);
  Key(Qt::Key_Tab);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 2);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(grid->Col(), 5);
  EXPECT_EQ(grid->Row(), 1);
  grid->SetTabStops(2, false);
  grid->SetCol(1);
  Key(Qt::Key_Tab);
  EXPECT_EQ(grid->Col(), 3) << "a column without a tab stop is skipped";
}

TEST_F(GridTest, SelectCellCanRefuseAMove) {
  grid->OnSelectCell = [](TObject *, int col, int, bool &ok) { ok = col != 2; };
  Key(Qt::Key_Right);
  EXPECT_EQ(grid->Col(), 1);
  TRect r = grid->CellRect(3, 2);
  Click(r.Left + 3, r.Top + 3);
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 2);
}

TEST_F(GridTest, DraggingATitleBorderSizesTheColumnAndDraggingATitleMovesIt) {
  grid->SetOptions(grid->Options() | goColSizing | goColMoving);
  grid->SetCells(1, 1, "one");
  grid->SetCells(2, 1, "two");
  TRect r = grid->CellRect(1, 0);
  int border = r.Right; // the line right of column 1
  QTest::mousePress(grid->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(border, r.Top + 5));
  QTest::mouseMove(grid->Widget(), QPoint(border + 40, r.Top + 5));
  QTest::mouseRelease(grid->Widget(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(border + 40, r.Top + 5));
  EXPECT_EQ(grid->ColWidths(1), 64 + 40);

  TRect t1 = grid->CellRect(1, 0), t2 = grid->CellRect(2, 0);
  QTest::mousePress(grid->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(t1.Left + 10, 8));
  QTest::mouseMove(grid->Widget(), QPoint(t2.Left + 10, 8));
  QTest::mouseRelease(grid->Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(t2.Left + 10, 8));
  EXPECT_EQ(grid->Cells(1, 1), "two");
  EXPECT_EQ(grid->Cells(2, 1), "one");
  EXPECT_EQ(grid->ColWidths(2), 104) << "the width travels with the column";
}

TEST_F(GridTest, TheEditorWritesTheCellAndEscapeHidesIt) {
  grid->SetOptions(grid->Options() | goEditing);
  grid->SetCells(1, 1, "old");
  Key(Qt::Key_F2);
  ASSERT_TRUE(grid->EditorMode());
  ASSERT_NE(grid->InplaceEditor(), nullptr);
  EXPECT_EQ(grid->InplaceEditor()->Text(), "old");
  EXPECT_EQ(grid->InplaceEditor()->BoundsRect(), grid->CellRect(1, 1));
  Key(Qt::Key_End);
  QTest::keyClicks(QApplication::focusWidget(), "er");
  EXPECT_EQ(grid->Cells(1, 1), "older");
  Key(Qt::Key_Down);
  EXPECT_FALSE(grid->EditorMode()) << "moving away closes the editor";
  EXPECT_EQ(grid->Row(), 2);
  QTest::keyClicks(grid->Widget(), "x");
  EXPECT_TRUE(grid->EditorMode()) << "typing opens the editor";
  EXPECT_EQ(grid->Cells(1, 2), "x");
  Key(Qt::Key_Escape);
  EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridTest, WithoutEditingTypingChangesNothing) {
  grid->SetCells(1, 1, "kept");
  QTest::keyClicks(grid->Widget(), "abc");
  Key(Qt::Key_F2);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_EQ(grid->Cells(1, 1), "kept");
}

TEST_F(GridTest, HorizontalScrollBarScrollsColumns) {
  grid->SetColCount(12);
  QScrollBar *bar = grid->HorzScrollBar();
  ASSERT_FALSE(bar->isHidden());
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(grid->LeftCol(), 2);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(grid->LeftCol(), 12 - grid->VisibleColCount());
  EXPECT_EQ(bar->value(), grid->LeftCol());
  Key(Qt::Key_Home);
  EXPECT_EQ(grid->LeftCol(), 1) << "the current cell is scrolled into view";
}

TEST_F(GridTest, PaintingShowsTextLinesAndHighlight) {
  grid->SetCells(1, 2, "Wg");
  grid->SetRow(2);
  QImage img = Grab();
  TRect cur = grid->CellRect(1, 2);
  // The current cell is highlighted (the focus rectangle sits on its edge).
  EXPECT_EQ(img.pixelColor(cur.Left + cur.Width() - 4, cur.Top + cur.Height() / 2),
            QColor(0, 0, 0x80));
  TRect other = grid->CellRect(2, 3);
  EXPECT_EQ(img.pixelColor(other.Left + 5, other.Top + 5), QColor(Qt::white));
  // A silver line right of a data cell, a black one right of a fixed one.
  EXPECT_EQ(img.pixelColor(other.Right, other.Top + 5), QColor(0xC0, 0xC0, 0xC0));
  TRect fixed = grid->CellRect(0, 3);
  EXPECT_EQ(img.pixelColor(fixed.Right, fixed.Top + 5), QColor(Qt::black));
  // Some text pixels in the cell with "Wg".
  bool dark = false;
  for (int x = cur.Left + 2; x < cur.Left + 20; ++x)
    for (int y = cur.Top + 2; y < cur.Bottom - 2; ++y)
      if (img.pixelColor(x, y).lightness() > 200) dark = true;
  EXPECT_TRUE(dark) << "white text on the highlight";
}

} // namespace
