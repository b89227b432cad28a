// The catalogue window's grid over a catalogue-shaped table: where it
// stands, its two columns of the window's own, and the rows it shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>

#include "app/unit1.h"
#include "data/field.h"
#include "tests/app/catalogue_env.h"

TEST(CatalogueGrid, StandsInTheWindowWithTheTitleAndKeywordsColumns) {
  auto *form = new TForm1(Application);
  form->DoCreate();
  TDBGrid *grid = form->DBGrid1;
  EXPECT_EQ(grid->BoundsRect(), Bounds(16, 16, 409, 313));
  EXPECT_EQ(grid->HelpContext(), 1300);
  EXPECT_EQ(grid->DataSource(), form->wwDataSource1);
  EXPECT_TRUE(grid->TitleFont() == form->Font());
  const auto &tabs = form->TabList();
  auto at = [&](TWinControl *w) { return std::find(tabs.begin(), tabs.end(), w) - tabs.begin(); };
  EXPECT_LT(at(grid), at(form->BitBtn1)) << "the grid comes before the buttons";

  form->Show();
  QApplication::processEvents();
  TTable *table = form->wwTable1;
  ASSERT_TRUE(table->Active());
  ASSERT_EQ(grid->Columns()->Count(), 2);
  EXPECT_EQ(grid->Columns()->Items(0)->Field(), form->wwTable1TITLE);
  EXPECT_EQ(grid->Columns()->Items(1)->Field(), form->wwTable1KEYWORDS);
  EXPECT_EQ(grid->ColWidths(1), 110);
  EXPECT_EQ(grid->ColWidths(2), 375);
  // As many buffers as data rows fit below the title, however few records.
  int fit = (grid->ClientHeight() - (grid->RowHeights(0) + 1)) / (grid->DefaultRowHeight() + 1);
  EXPECT_EQ(grid->DataLink()->BufferCount(), fit);

  auto shown = [&] {
    std::vector<std::string> titles;
    grid->OnDrawColumnCell = [&](TObject *, const TRect &, int, TColumn *column, TGridDrawState) {
      if (column->FieldName() == "TITLE") titles.push_back(column->Field()->DisplayText());
    };
    grid->Widget()->repaint();
    grid->OnDrawColumnCell = nullptr;
    return titles;
  };
  // Added out of order: the grid shows them in TITLE order.
  EXPECT_EQ(grid->RowCount(), 11);
  EXPECT_EQ(shown(),
            (std::vector<std::string>{"Anvil", "Boing", "Cat meow", "Cow moo", "Dog barking",
                                      "Drill", "Laugh", "Rain", "Thunder", "Zap"}));
  // A category button narrows the rows on screen.
  form->BitBtn6->Click();
  QApplication::processEvents();
  EXPECT_EQ(shown(), (std::vector<std::string>{"Laugh"}));
  // A category with no rows: the title row and one empty row.
  form->BitBtn3->Click();
  QApplication::processEvents();
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_TRUE(shown().empty());
  form->BitBtn9->Click();
  QApplication::processEvents();
  EXPECT_EQ(shown().size(), 10u);
  delete form;
}
