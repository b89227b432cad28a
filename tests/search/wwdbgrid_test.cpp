// The enhanced grid: columns from the selected-field lines, their widths,
// the height fitting and the refusal of plain tables.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QScrollBar>

#include "data/field.h"
#include "search/wwdbgrid.h"
#include "tests/search/boxes.h"
#include "tests/search/search_env.h"
#include "ui/forms.h"

namespace {

int TextWidth(const TFont &font, const std::string &text) {
  return QFontMetrics(font.ToQFont()).horizontalAdvance(QString::fromStdString(text));
}

TStringList Lines(std::initializer_list<const char *> lines) {
  TStringList list;
  for (const char *l : lines)
    list.Add(l);
  return list;
}

class WwDBGridTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 900, 400);
    grid = new TwwDBGrid(form.get());
    grid->SetParent(form.get());
    grid->SetBounds(8, 8, 800, 209);
    table = OpenCatalogue();
    source = std::make_unique<TwwDataSource>(nullptr);
    source->SetDataSet(table.get());
  }
  std::vector<std::string> ColumnFields() {
    std::vector<std::string> names;
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      names.push_back(grid->Columns()->Items(i)->Field()
                          ? grid->Columns()->Items(i)->Field()->FieldName()
                          : std::string("(none)"));
    return names;
  }
  std::unique_ptr<TForm> form;
  TwwDBGrid *grid = nullptr;
  std::unique_ptr<TwwTable> table;
  std::unique_ptr<TwwDataSource> source;
};

} // namespace

TEST_F(WwDBGridTest, SelectedLinesGoToTheFieldsAndGiveTheColumns) {
  grid->SetSelected(Lines({"KEYWORDS\t240\tKEYWORDS", "NOPE\t5\tMissing", "TITLE\t24\tName"}));
  grid->SetDataSource(source.get());
  EXPECT_EQ(ColumnFields(), (std::vector<std::string>{"KEYWORDS", "TITLE"}));
  EXPECT_FALSE(table->FieldByName("CATEGORY")->Visible());
  EXPECT_FALSE(table->FieldByName("WAV")->Visible());
  TField *title = table->FieldByName("TITLE");
  EXPECT_EQ(title->DisplayWidth(), 24);
  EXPECT_EQ(title->DisplayLabel(), "Name");
  EXPECT_EQ(title->Index(), 2) << "the missing line's position stays unused";
  EXPECT_EQ(table->FieldByName("KEYWORDS")->Index(), 0);

  const int zero = TextWidth(grid->Font(), "0");
  const int expected = std::max(24 * zero + 4, TextWidth(grid->TitleFont(), "Name") + 4);
  EXPECT_EQ(grid->ColWidths(2), expected);
  EXPECT_EQ(grid->ColWidths(1), 240 * zero + 4);

  // A new list while linked rebuilds the columns.
  grid->SetSelected(Lines({"TITLE\t10\tTITLE"}));
  EXPECT_EQ(ColumnFields(), (std::vector<std::string>{"TITLE"}));
  EXPECT_FALSE(table->FieldByName("KEYWORDS")->Visible());
}

TEST_F(WwDBGridTest, WithoutFieldObjectsTheGridMakesItsOwnColumns) {
  grid->SetUseTFields(false);
  grid->SetSelected(Lines({"TITLE\t2\tA long title~x", "NOPE\t5\tMissing", "CATEGORY\t6\tCat"}));
  grid->SetDataSource(source.get());
  EXPECT_EQ(ColumnFields(), (std::vector<std::string>{"TITLE", "CATEGORY"}));
  EXPECT_TRUE(table->FieldByName("WAV")->Visible()) << "the fields are left alone";
  EXPECT_EQ(grid->Columns()->Items(0)->Width(), TextWidth(grid->TitleFont(), "A long title") + 4)
      << "a two-line title is as wide as its wider line";
  EXPECT_EQ(grid->ColumnWidthFor(30, "a~b"), 30 * TextWidth(grid->Font(), "0") + 4);
}

TEST_F(WwDBGridTest, HeightEndsBelowTheLastWholeRow) {
  grid->SetDataSource(source.get());
  grid->SetHeight(209);
  grid->FitHeight();
  const int fitted = grid->Height();
  const int step = grid->DefaultRowHeight() + grid->GridLineWidth();
  EXPECT_LE(fitted, 209);
  EXPECT_GT(fitted, 209 - step);
  grid->FitHeight();
  EXPECT_EQ(grid->Height(), fitted) << "a fitted grid stays as it is";
  // A grid too short for one row grows to show it whole.
  grid->SetHeight(grid->RowHeights(0) + 3);
  grid->FitHeight();
  EXPECT_GT(grid->Height(), grid->RowHeights(0) + step);
}

TEST_F(WwDBGridTest, APlainTableIsRefusedWithAMessage) {
  TTable plain(nullptr);
  plain.SetDatabaseName("sound");
  plain.SetTableName("bonussfx.db");
  plain.Open();
  TDataSource plain_source(nullptr);
  plain_source.SetDataSet(&plain);
  std::vector<std::string> texts = CloseBoxesWhile([&] {
    grid->SetDataSource(&plain_source);
    WaitFor([&] { return grid->DataSource() == nullptr; });
  });
  EXPECT_EQ(texts, (std::vector<std::string>{wwmsg::kEnhancedDataSetOnly}));
  EXPECT_EQ(grid->DataSource(), nullptr);
}
