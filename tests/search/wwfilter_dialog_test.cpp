// The filter dialog component and its window on the sample catalogue:
// criteria entered in the window narrow the rows through the table's record
// filter, beside the table's own filter text; Cancel, ClearFilter, invalid
// bounds, the summary and the refusals.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/field.h"
#include "search/wwfilter_dialog.h"
#include "search/wwfilter_dlg.h"
#include "search/wwintl.h"
#include "support/modal.h"
#include "tests/search/boxes.h"
#include "tests/search/search_env.h"
#include "ui/buttons.h"

namespace {

using Rows = std::vector<std::string>;

Rows Titles(TDataSet *t) {
  Rows titles;
  for (t->First(); !t->Eof(); t->Next())
    titles.push_back(Title(t));
  t->First();
  return titles;
}

// A table, its data source and a filter dialog set up as the catalogue
// window sets up its own.
struct FilterRig {
  std::unique_ptr<TwwTable> table = OpenCatalogue();
  std::unique_ptr<TwwDataSource> source = std::make_unique<TwwDataSource>(nullptr);
  std::unique_ptr<TwwFilterDialog> dialog = std::make_unique<TwwFilterDialog>(nullptr);
  FilterRig() {
    source->SetDataSet(table.get());
    dialog->SetDataSource(source.get());
    dialog->SetCaption("Custom Filter");
    dialog->SetDefaultField("KEYWORDS");
  }
  ~FilterRig() {
    dialog.reset();
    source.reset();
  }
};

// Runs Execute; `act` gets the window once it is up and must close it.
bool RunWindow(TwwFilterDialog &dialog, const std::function<void(TwwFilterDlg *)> &act) {
  bool result = false;
  const bool driven = DriveModal([&] { result = dialog.Execute(); },
                                 [&](QWidget *w) {
                                   auto *window =
                                       dynamic_cast<TwwFilterDlg *>(TControl::FromWidget(w));
                                   ASSERT_NE(window, nullptr) << "the filter window is up";
                                   act(window);
                                 });
  EXPECT_TRUE(driven) << "the window appeared and was closed by the test";
  return result;
}

void Select(TwwFilterDlg *w, const std::string &field) {
  const int index = w->FieldsListBox->IndexOf(field);
  ASSERT_GE(index, 0) << field;
  w->FieldsListBox->SetItemIndex(index);
  w->FieldsListBoxClick(w->FieldsListBox);
}

TwwFieldInfo Criterion(const std::string &field, TwwFilterMatchType match,
                       const std::string &value) {
  TwwFieldInfo info;
  info.DisplayName = field;
  info.MatchType = match;
  info.FilterValue = value;
  return info;
}

} // namespace

TEST(FilterDialogTest, WindowOpensOnKeywordsWithTheCatalogueDefaults) {
  FilterRig rig;
  bool seen = false;
  EXPECT_FALSE(RunWindow(*rig.dialog, [&](TwwFilterDlg *w) {
    seen = true;
    EXPECT_EQ(w->Caption(), "Custom Filter");
    Rows fields;
    for (int i = 0; i < w->FieldsListBox->Count(); ++i)
      fields.push_back(w->FieldsListBox->Items(i));
    EXPECT_EQ(fields, (Rows{"CATEGORY", "TITLE", "KEYWORDS"})) << "the blob is not offered";
    EXPECT_EQ(w->FieldsListBox->Items(w->FieldsListBox->ItemIndex()), "KEYWORDS");
    EXPECT_EQ(w->FieldCriteria->Caption(), "KEYWORDS");
    EXPECT_EQ(w->SelectNotebook->PageIndex(), 0);
    EXPECT_EQ(w->ValueRangeTabSet->TabIndex(), 0);
    EXPECT_EQ(w->MatchTypeGroup->ItemIndex(), 1) << "start match";
    EXPECT_FALSE(w->CaseSensitive->Checked());
    EXPECT_FALSE(w->Nonmatching->Visible());
    EXPECT_FALSE(w->ClearSearchButton->Enabled());
    // A small integer field opens on the range page.
    Select(w, "CATEGORY");
    EXPECT_EQ(w->SelectNotebook->PageIndex(), 1);
    EXPECT_EQ(w->FieldCriteria->Caption(), "CATEGORY");
    w->CancelBtn->Click();
  }));
  EXPECT_TRUE(seen);
}

TEST(FilterDialogTest, KeywordCriterionNarrowsTheRowsAndCancelKeepsThem) {
  FilterRig rig;
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    w->FilterValueEdit->SetText("rain or storm");
    w->OKBtn->Click();
  }));
  // Start match: "storm nature loud" begins with a term, "water rain
  // nature" does not.
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Thunder"}));
  ASSERT_EQ(rig.dialog->FieldInfos().size(), 1u);
  const TwwFieldInfo &info = rig.dialog->FieldInfos()[0];
  EXPECT_EQ(info.FieldName, "KEYWORDS");
  EXPECT_EQ(info.MatchType, fdMatchStart);
  EXPECT_EQ(info.FilterValue, "rain or storm");
  EXPECT_FALSE(info.CaseSensitive);

  // The window opens again on the searched fields with the criterion.
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    EXPECT_EQ(w->FieldTabSet->TabIndex(), 1);
    EXPECT_EQ(w->FieldsListBox->Count(), 1);
    EXPECT_EQ(w->FilterValueEdit->Text(), "rain or storm");
    EXPECT_TRUE(w->ClearSearchButton->Enabled());
    w->MatchTypeGroup->SetItemIndex(2); // anywhere
    w->OKBtn->Click();
  }));
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Rain", "Thunder"}));

  // Cancel changes nothing, whatever was typed.
  EXPECT_FALSE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    w->FilterValueEdit->SetText("dog");
    w->CancelBtn->Click();
  }));
  EXPECT_EQ(rig.dialog->FieldInfos()[0].FilterValue, "rain or storm");
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Rain", "Thunder"}));
}

TEST(FilterDialogTest, CriteriaCombineWithTheTablesOwnFilterAndClearFilterLetsAllThrough) {
  FilterRig rig;
  rig.table->SetFilter("CATEGORY=100");
  rig.table->SetFiltered(true);
  EXPECT_EQ(Titles(rig.table.get()).size(), 3u);
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    w->FilterValueEdit->SetText("cat or cow");
    w->OKBtn->Click();
  }));
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Cat meow", "Cow moo"}));
  EXPECT_TRUE(rig.table->Filtered()) << "the component leaves Filtered alone";

  // ClearFilter forgets the criteria; the next refresh (a new filter text)
  // shows every row the text admits.
  rig.dialog->ClearFilter();
  EXPECT_TRUE(rig.dialog->FieldInfos().empty());
  rig.table->SetFilter("CATEGORY=500");
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Anvil", "Drill"}));
  rig.table->SetFiltered(false);
  EXPECT_EQ(Titles(rig.table.get()).size(), 10u);
}

TEST(FilterDialogTest, SeveralCriteriaMustAllHoldAndRangesUseTypedValues) {
  FilterRig rig;
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    Select(w, "CATEGORY");
    w->MinValueEdit->SetText("100");
    w->MaxValueEdit->SetText("500");
    Select(w, "KEYWORDS");
    w->MatchTypeGroup->SetItemIndex(2);
    w->FilterValueEdit->SetText("animal or machine");
    w->OKBtn->Click();
  }));
  ASSERT_EQ(rig.dialog->FieldInfos().size(), 2u);
  EXPECT_EQ(rig.dialog->FieldInfos()[0].MatchType, fdMatchRange);
  EXPECT_EQ(Titles(rig.table.get()),
            (Rows{"Anvil", "Cat meow", "Cow moo", "Dog barking", "Drill"}));

  // Non-matching records of a value criterion.
  rig.dialog->FieldInfos()[1].NonMatching = true;
  rig.dialog->ApplyFilter();
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Boing"}));
}

TEST(FilterDialogTest, InvalidTextInATypedFieldKeepsTheWindowOpen) {
  FilterRig rig;
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    Select(w, "CATEGORY");
    w->MinValueEdit->SetText("1x");
    // Neither another field, nor OK, takes the text.
    Select(w, "TITLE");
    EXPECT_EQ(w->FieldsListBox->Items(w->FieldsListBox->ItemIndex()), "CATEGORY");
    EXPECT_EQ(w->SelectNotebook->PageIndex(), 1);
    w->OKBtn->Click();
    EXPECT_TRUE(w->Visible()) << "OK refused";
    EXPECT_EQ(w->MinValueEdit->SelText(), "1x") << "the bad text is selected";
    EXPECT_TRUE(w->WorkingList().empty());

    // Values: only the or-word splits; the null-word passes.
    w->MinValueEdit->SetText("");
    w->ValueRangeTabSet->SetTabIndex(0);
    w->FilterValueEdit->SetText("5 and 7");
    EXPECT_FALSE(w->CommitAndLoad(false));
    w->FilterValueEdit->SetText("null or 7");
    EXPECT_TRUE(w->CommitAndLoad(false));
    w->FilterValueEdit->SetText("5 or 7");
    w->OKBtn->Click();
  }));
  ASSERT_EQ(rig.dialog->FieldInfos().size(), 1u);
  EXPECT_EQ(rig.dialog->FieldInfos()[0].FilterValue, "5 or 7");
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Anvil", "Drill", "Laugh"}));
}

TEST(FilterDialogTest, SwitchingPagesTurnsOrDropsTheCriterion) {
  FilterRig rig;
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    w->FilterValueEdit->SetText("dog");
    // To the range page with empty bounds: the value criterion goes.
    w->ValueRangeTabSet->SetTabIndex(1);
    EXPECT_TRUE(w->WorkingList().empty());
    // A bound typed, then back to the value page with the value empty:
    // nothing is stored either.
    w->MinValueEdit->SetText("M");
    w->FilterValueEdit->SetText("");
    w->ValueRangeTabSet->SetTabIndex(0);
    EXPECT_TRUE(w->WorkingList().empty());
    // A range on a string field counts from "M" upward by character codes.
    w->ValueRangeTabSet->SetTabIndex(1);
    w->MinValueEdit->SetText("m");
    w->OKBtn->Click();
  }));
  ASSERT_EQ(rig.dialog->FieldInfos().size(), 1u);
  EXPECT_EQ(rig.dialog->FieldInfos()[0].MatchType, fdMatchRange);
  // Every keyword text begins with a lower-case letter from "m" on.
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Anvil", "Drill", "Laugh", "Rain", "Thunder"}));
}

TEST(FilterDialogTest, SummaryAndNewSearch) {
  FilterRig rig;
  TwwFieldInfo not_pets = Criterion("KEYWORDS", fdMatchStart, "dog or cat");
  not_pets.NonMatching = true;
  TwwFieldInfo range;
  range.DisplayName = "CATEGORY";
  range.MatchType = fdMatchRange;
  range.MinValue = "100";
  range.MaxValue = "500";
  EXPECT_EQ(SummaryValueText(not_pets, {}), "NOT (dog or cat)");
  EXPECT_EQ(SummaryValueText(Criterion("KEYWORDS", fdMatchStart, "dog"), {}), "dog");
  EXPECT_EQ(SummaryValueText(range, {}), ">=100, <=500");
  range.MaxValue.clear();
  EXPECT_EQ(SummaryValueText(range, {}), ">=100");
  EXPECT_EQ(SummarySearchText(not_pets), "Partial Match at Beginning");
  EXPECT_EQ(SummarySearchText(range), "By Range");

  EXPECT_FALSE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    // Without criteria the summary is refused with a message, and so is
    // the searched-fields tab.
    auto boxes = CloseBoxesWhile([&] { w->ViewButton->Click(); });
    EXPECT_EQ(boxes, (std::vector<std::string>{"You have not selected any search criteria"}));
    boxes = CloseBoxesWhile([&] { w->FieldTabSet->SetTabIndex(1); });
    EXPECT_EQ(boxes, (std::vector<std::string>{"You have not selected any search criteria"}));
    EXPECT_EQ(w->FieldTabSet->TabIndex(), 0);

    // With a criterion the summary window lists it.
    w->FilterValueEdit->SetText("dog or cat");
    std::vector<std::string> cells;
    DriveModal([&] { w->ViewButton->Click(); },
               [&](QWidget *v) {
                 auto *view = dynamic_cast<TwwFilterDialogView *>(TControl::FromWidget(v));
                 ASSERT_NE(view, nullptr);
                 for (int c = 0; c < 3; ++c)
                   cells.push_back(view->StringGrid1->Cells(c, 1));
                 EXPECT_EQ(view->StringGrid1->Cells(0, 0), "Field");
                 view->OKBtn->Click();
               });
    EXPECT_EQ(cells,
              (std::vector<std::string>{"KEYWORDS", "Partial Match at Beginning", "dog or cat"}));
    // New Search drops every criterion.
    w->ClearSearchButton->Click();
    EXPECT_TRUE(w->WorkingList().empty());
    EXPECT_EQ(w->FilterValueEdit->Text(), "");
    EXPECT_TRUE(w->Modified());
    w->CancelBtn->Click();
  }));
}

TEST(FilterDialogTest, RefusesToRunOnAClosedTable) {
  FilterRig rig;
  rig.table->Close();
  std::vector<std::string> boxes;
  bool result = true;
  boxes = CloseBoxesWhile([&] { result = rig.dialog->Execute(); });
  EXPECT_FALSE(result);
  EXPECT_EQ(boxes,
            (std::vector<std::string>{
                "Dataset must be active to perform local filtering (FilterMethod=fdByFilter)."}));

  // Without a data source there is nothing to run, and nothing to say.
  TwwFilterDialog lone(nullptr);
  boxes = CloseBoxesWhile([&] { result = lone.Execute(); });
  EXPECT_FALSE(result);
  EXPECT_TRUE(boxes.empty());
}

TEST(FilterDialogTest, SettingsWarnAndKeepTheirRules) {
  FilterRig rig;
  // A table takes only fdByFilter.
  auto boxes = CloseBoxesWhile([&] { rig.dialog->SetFilterMethod(fdByQueryModify); });
  EXPECT_EQ(rig.dialog->FilterMethod(), fdByFilter);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("Only fdByFilter is supported"), std::string::npos);

  // Operator words are trimmed; duplicates bring a warning but stay.
  TwwFieldOperators *ops = rig.dialog->FieldOperators();
  boxes = CloseBoxesWhile([&] { ops->SetOrChar("  either "); });
  EXPECT_EQ(ops->OrChar(), "either");
  EXPECT_TRUE(boxes.empty());
  boxes = CloseBoxesWhile([&] { ops->SetAndChar("EITHER"); });
  EXPECT_EQ(ops->AndChar(), "EITHER");
  EXPECT_EQ(boxes, (std::vector<std::string>{"Operators do not have a unique value."}));

  // Equal or- and and-words: Execute warns and still runs.
  CloseBoxesWhile([&] { ops->SetAndChar("either"); });
  std::vector<std::string> seen;
  bool opened = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget *w = QApplication::activeModalWidget();
    if (!w || !w->isVisible()) return;
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
      seen.push_back(box->text().toStdString());
      box->done(0);
    } else if (auto *window = dynamic_cast<TwwFilterDlg *>(TControl::FromWidget(w))) {
      opened = true;
      window->CancelBtn->Click();
    }
  });
  poll.start();
  EXPECT_FALSE(rig.dialog->Execute());
  poll.stop();
  EXPECT_TRUE(opened);
  EXPECT_EQ(seen, (std::vector<std::string>{"And and Or Operators have the same value."}));
}

TEST(FilterDialogTest, AFreedComponentLeavesNoDanglingTestOnTheTable) {
  FilterRig rig;
  rig.dialog->FieldInfos().push_back(Criterion("KEYWORDS", fdMatchStart, "dog"));
  rig.dialog->ApplyFilter();
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Dog barking"}));
  rig.dialog.reset();
  EXPECT_FALSE(rig.table->OnFilter());
  EXPECT_EQ(Titles(rig.table.get()).size(), 10u);
}

TEST(FilterDialogTest, OKWithoutChangesLeavesTheRowsAlone) {
  FilterRig rig;
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    w->FilterValueEdit->SetText("c");
    w->OKBtn->Click();
  }));
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Boing", "Cat meow", "Cow moo"}));
  rig.table->Next();
  // Unchanged: no re-reading, so the current row stays.
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) { w->OKBtn->Click(); }));
  EXPECT_EQ(Title(rig.table.get()), "Cat meow");
  // Changed: the rows are read again from the first.
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    w->FilterValueEdit->SetText("c or d");
    w->OKBtn->Click();
  }));
  EXPECT_EQ(Title(rig.table.get()), "Boing");
  EXPECT_EQ(Titles(rig.table.get()), (Rows{"Boing", "Cat meow", "Cow moo", "Dog barking"}));
}

TEST(FilterDialogTest, FieldOrderAndSelectedFieldsShapeTheList) {
  FilterRig rig;
  auto listed = [&] {
    Rows fields;
    RunWindow(*rig.dialog, [&](TwwFilterDlg *w) {
      for (int i = 0; i < w->FieldsListBox->Count(); ++i)
        fields.push_back(w->FieldsListBox->Items(i));
      w->CancelBtn->Click();
    });
    return fields;
  };
  rig.dialog->SetSortBy(fdSortByFieldName);
  EXPECT_EQ(listed(), (Rows{"CATEGORY", "KEYWORDS", "TITLE"}));
  rig.dialog->SetSortBy(fdSortByFieldNo);
  rig.dialog->SelectedFields()->Add("KEYWORDS;extra");
  rig.dialog->SelectedFields()->Add("WAV");
  rig.dialog->SelectedFields()->Add("TITLE");
  rig.dialog->SelectedFields()->Add("NOSUCH");
  EXPECT_EQ(listed(), (Rows{"KEYWORDS", "TITLE"})) << "the blob and unknown names are left out";
}

TEST(FilterDialogTest, KeysWalkTheFieldsAndDeleteDropsASearchedField) {
  FilterRig rig;
  EXPECT_TRUE(RunWindow(*rig.dialog, [](TwwFilterDlg *w) {
    // The keys walk the fields from the value editor (the list, when it has
    // the focus, moves by itself). Where the window manager put the focus
    // first does not matter here.
    QApplication::setActiveWindow(w->Widget());
    w->FilterValueEdit->SetFocus();
    QApplication::processEvents();
    if (w->FieldsListBox->Focused()) {
      w->CancelBtn->Click();
      GTEST_SKIP() << "the focus cannot be moved on this platform";
    }
    w->FilterValueEdit->SetText("dog");
    Word key = VK_UP;
    w->FormKeyDown(w, key, 0);
    EXPECT_EQ(key, 0) << "the key is taken";
    EXPECT_EQ(w->FieldCriteria->Caption(), "TITLE");
    ASSERT_EQ(w->WorkingList().size(), 1u) << "KEYWORDS was stored on leaving it";
    w->FilterValueEdit->SetText("D");
    key = VK_PRIOR;
    w->FormKeyDown(w, key, 0);
    EXPECT_EQ(w->FieldCriteria->Caption(), "CATEGORY");
    EXPECT_EQ(w->SelectNotebook->PageIndex(), 1);
    ASSERT_EQ(w->WorkingList().size(), 2u);

    // On the searched tab, Delete in the list drops the selected field.
    w->FieldTabSet->SetTabIndex(1);
    ASSERT_EQ(w->FieldsListBox->Count(), 2);
    QApplication::setActiveWindow(w->Widget());
    w->FieldsListBox->SetFocus();
    QApplication::processEvents();
    if (!w->FieldsListBox->Focused()) {
      w->CancelBtn->Click();
      GTEST_SKIP() << "no keyboard focus on this platform";
    }
    key = VK_DELETE;
    w->FormKeyDown(w, key, 0);
    EXPECT_EQ(w->WorkingList().size(), 1u);
    EXPECT_EQ(w->FieldsListBox->Count(), 1);
    w->OKBtn->Click();
  }));
}

TEST(FilterDialogTest, BlobTextsAreReadFromTheCandidateRecord) {
  const std::string sound = std::string("RIFF\0\0\0\0WAVE", 12);
  auto writer = std::make_unique<TTable>(nullptr);
  writer->SetDatabaseName("sound");
  writer->SetTableName("bonussfx.db");
  writer->Open();
  ASSERT_TRUE(writer->FindKey({TVariant("Rain")}));
  writer->Edit();
  writer->FieldByName("WAV")->SetAsString(sound);
  writer->Post();
  {
    FilterRig rig;
    TwwFieldInfo has_sound = Criterion("WAV", fdMatchStart, "null");
    has_sound.NonMatching = true;
    rig.dialog->FieldInfos().push_back(has_sound);
    rig.dialog->ApplyFilter();
    EXPECT_EQ(Titles(rig.table.get()), (Rows{"Rain"}));
    rig.dialog->FieldInfos()[0] = Criterion("WAV", fdMatchStart, "riff");
    rig.dialog->ApplyFilter();
    EXPECT_EQ(Titles(rig.table.get()), (Rows{"Rain"}));
  }
  ASSERT_TRUE(writer->FindKey({TVariant("Rain")}));
  writer->Edit();
  writer->FieldByName("WAV")->Clear();
  writer->Post();
}

TEST(FilterDialogTest, KeyRangesNarrowTheCandidatesWithoutLosingRows) {
  FilterRig rig;
  TwwTable *t = rig.table.get();
  rig.dialog->SetFilterOptimization(fdUseAllIndexes);
  const int calls = t->RangeCallCount();

  // A start match ignoring case goes to the case-insensitive KEYWORDS index.
  rig.dialog->FieldInfos().push_back(Criterion("KEYWORDS", fdMatchStart, "MA"));
  rig.dialog->ApplyFilter();
  EXPECT_EQ(t->IndexName(), "KEYWORDS");
  EXPECT_GT(t->RangeCallCount(), calls);
  EXPECT_EQ(Titles(t), (Rows{"Drill"}));

  // A range on a small integer field uses the CATEGORY index, bounds
  // included.
  TwwFieldInfo range;
  range.DisplayName = "CATEGORY";
  range.MatchType = fdMatchRange;
  range.MinValue = "500";
  range.MaxValue = "600";
  rig.dialog->FieldInfos() = {range};
  rig.dialog->ApplyFilter();
  EXPECT_EQ(t->IndexName(), "CATEGORY");
  Rows rows = Titles(t);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (Rows{"Anvil", "Drill", "Rain", "Thunder"}));
  range.MaxValue.clear();
  rig.dialog->FieldInfos() = {range};
  rig.dialog->ApplyFilter();
  EXPECT_EQ(Titles(t).size(), 6u) << "from 500 upward";

  // Criteria an index cannot answer exactly set no range, and the rows
  // stay right: a text range by character codes, an exact match ignoring
  // case on the case-sensitive title index.
  TwwFieldInfo titles;
  titles.DisplayName = "TITLE";
  titles.MatchType = fdMatchRange;
  titles.MinValue = "M";
  rig.dialog->SetFilterOptimization(fdUseActiveIndex);
  t->SetIndexName("");
  rig.dialog->FieldInfos() = {titles};
  int before = t->RangeCallCount();
  rig.dialog->ApplyFilter();
  EXPECT_EQ(Titles(t), (Rows{"Rain", "Thunder", "Zap"}));
  rig.dialog->FieldInfos() = {Criterion("TITLE", fdMatchExact, "dog BARKING")};
  rig.dialog->ApplyFilter();
  EXPECT_EQ(Titles(t), (Rows{"Dog barking"}));
  EXPECT_LE(t->RangeCallCount() - before, 1) << "only the earlier range was cancelled";

  // A case-sensitive exact match may use the title index.
  rig.dialog->FieldInfos() = {Criterion("TITLE", fdMatchExact, "Zap")};
  rig.dialog->FieldInfos().front().CaseSensitive = true;
  before = t->RangeCallCount();
  rig.dialog->ApplyFilter();
  EXPECT_GT(t->RangeCallCount(), before);
  EXPECT_EQ(Titles(t), (Rows{"Zap"}));
  // No criteria: the range goes and every row shows.
  rig.dialog->ClearFilter();
  rig.dialog->ApplyFilter();
  EXPECT_EQ(Titles(t).size(), 10u);
}

TEST(FilterDialogTest, TextsOptionsAndTheInitEventShapeTheWindow) {
  FilterRig rig;
  TwwFilterDlg *initialised = nullptr;
  rig.dialog->OnInitDialog = [&](TwwFilterDlg *w) { initialised = w; };
  rig.dialog->SetOptions(fdShowOKCancel | fdShowNonMatching | fdCaseSensitive);
  {
    // Texts a program connects take the place of the defaults.
    TwwIntl mine(nullptr);
    mine.FilterDialog()->BtnNewSearch = "&Neue Suche";
    mine.FilterDialog()->FieldValueLabel = "&Wert";
    mine.SetOKCancelBitmapped(false);
    mine.SetConnected(true);
    RunWindow(*rig.dialog, [&](TwwFilterDlg *w) {
      EXPECT_EQ(initialised, w);
      EXPECT_EQ(w->ClearSearchButton->Caption(), "&Neue Suche");
      EXPECT_EQ(w->FieldValueLbl->Caption(), "&Wert");
      EXPECT_EQ(dynamic_cast<TBitBtn *>(w->OKBtn), nullptr) << "plain buttons";
      EXPECT_EQ(w->OKBtn->Height(), 24 * Screen->PixelsPerInch() / 96);
      // Options: no case box, tabs, order choice or summary; the
      // non-matching box shows at the panel's top.
      EXPECT_FALSE(w->CaseSensitive->Visible());
      EXPECT_FALSE(w->ValueRangeTabSet->Visible());
      EXPECT_FALSE(w->FieldOrder->Visible());
      EXPECT_FALSE(w->ViewButton->Visible());
      EXPECT_TRUE(w->Nonmatching->Visible());
      EXPECT_EQ(w->Nonmatching->Top(), 5 * Screen->PixelsPerInch() / 96);
      EXPECT_TRUE(w->CaseSensitive->Checked()) << "fdCaseSensitive ticks it for a new field";
      w->CancelBtn->Click();
    });
  }
  TwwIntl defaults(nullptr);
  defaults.SetConnected(true);
  EXPECT_EQ(wwInternational()->FilterDialog()->BtnNewSearch, "&New Search");
}

TEST(FilterDialogTest, APlainTableTakesTheTestWhileItIsFiltered) {
  TTable table(nullptr);
  table.SetDatabaseName("sound");
  table.SetTableName("bonussfx.db");
  table.Open();
  TDataSource source(nullptr);
  source.SetDataSet(&table);
  {
    TwwFilterDialog dialog(nullptr);
    dialog.SetDataSource(&source);
    dialog.FieldInfos().push_back(Criterion("KEYWORDS", fdMatchAny, "animal"));
    dialog.ApplyFilter();
    EXPECT_EQ(Titles(&table).size(), 10u) << "not filtered yet";
    table.SetFiltered(true);
    EXPECT_EQ(Titles(&table), (Rows{"Cat meow", "Cow moo", "Dog barking"}));
  }
  EXPECT_FALSE(table.OnFilterRecord()) << "the freed component took its test back";
  table.SetFiltered(false);
  EXPECT_EQ(Titles(&table).size(), 10u);
}
