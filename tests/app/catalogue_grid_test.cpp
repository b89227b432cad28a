// The catalogue window's grid over a catalogue-shaped table: where it
// stands, its two columns of the window's own, and the rows it shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>

#include "app/unit1.h"
#include "data/engine/engine_api.h"
#include "data/field.h"
#include "tests/data/engine_table.h"

namespace {

class EngineEnd : public ::testing::Environment {
public:
  void TearDown() override { EngineExit(); }
};
const ::testing::Environment *const kEngineEnd = ::testing::AddGlobalTestEnvironment(new EngineEnd);

TEST(CatalogueGrid, StandsInTheWindowWithTheTitleAndKeywordsColumns) {
  TestDatabase db;
  CreateCatalogue(db);
  hEngCursor c = db.OpenCursor("sounds.db");
  // Added out of order: the grid shows them in TITLE order.
  for (const char *t : {"Thunder", "Anvil", "Dog barking", "Rain", "Cat meow"})
    AddRow(c, 100, t, std::string("keywords of ") + t);
  EngineCloseCursor(c);
  TTestDataSet table(db, "sounds.db");
  table.SetReadOnly(true);

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

  form->wwDataSource1->SetDataSet(&table);
  form->Show();
  table.Open();
  QApplication::processEvents();
  ASSERT_EQ(grid->Columns()->Count(), 2);
  EXPECT_EQ(grid->Columns()->Items(0)->Field(), table.FieldByName("TITLE"));
  EXPECT_EQ(grid->Columns()->Items(1)->Field(), table.FieldByName("KEYWORDS"));
  EXPECT_EQ(grid->ColWidths(1), 110);
  EXPECT_EQ(grid->ColWidths(2), 375);
  // As many buffers as data rows fit below the title, however few records.
  int fit = (grid->ClientHeight() - (grid->RowHeights(0) + 1)) / (grid->DefaultRowHeight() + 1);
  EXPECT_EQ(grid->DataLink()->BufferCount(), fit);
  EXPECT_EQ(grid->RowCount(), 6);

  std::vector<std::string> shown;
  grid->OnDrawColumnCell = [&](TObject *, const TRect &, int, TColumn *column, TGridDrawState) {
    if (column->FieldName() == "TITLE") shown.push_back(column->Field()->DisplayText());
  };
  grid->Widget()->repaint();
  grid->OnDrawColumnCell = nullptr;
  EXPECT_EQ(shown,
            (std::vector<std::string>{"Anvil", "Cat meow", "Dog barking", "Rain", "Thunder"}));
  delete form;
}

} // namespace
