// The catalogue window and the about box, built for real: layout, tab
// order, captions, help contexts, the handlers' labels, help requests,
// start-up failures and the about box's default button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/glyphs.h"
#include "app/unit1.h"
#include "app/unit4.h"
#include "base/exception.h"
#include "platform/help/winhelp.h"
#include "search/wwfilter_dlg.h"
#include "search/wwsearch_dialog.h"
#include "support/modal.h"
#include "tests/app/catalogue_env.h"

namespace {

struct THelpSpy {
  std::vector<std::pair<unsigned, uintptr_t>> asked;
  THelpSpy() {
    Application->OnHelp = [this](unsigned cmd, uintptr_t data, bool &call) {
      asked.emplace_back(cmd, data);
      call = false;
      return true;
    };
  }
  ~THelpSpy() { Application->OnHelp = nullptr; }
};

// Runs Search, Lookup; `act` gets the lookup window once it is up (the
// default answers Cancel).
bool RunLookup(
    TForm1 *form, const std::function<void(TwwLookupDlg *)> &act = [](TwwLookupDlg *d) {
      d->CancelBtn->Click();
    }) {
  return DriveModal([&] { form->Lookup1->Click(); },
                    [&](QWidget *w) {
                      auto *d = dynamic_cast<TwwLookupDlg *>(TControl::FromWidget(w));
                      ASSERT_NE(d, nullptr) << "the lookup window comes up";
                      act(d);
                    });
}

// Runs Search, Custom Filter; `act` gets the filter window once it is up
// (the default answers Cancel).
bool RunCustomFilter(
    TForm1 *form, const std::function<void(TwwFilterDlg *)> &act = [](TwwFilterDlg *d) {
      d->CancelBtn->Click();
    }) {
  return DriveModal([&] { form->CustomFilter1->Click(); },
                    [&](QWidget *w) {
                      auto *d = dynamic_cast<TwwFilterDlg *>(TControl::FromWidget(w));
                      ASSERT_NE(d, nullptr) << "the filter window comes up";
                      act(d);
                    });
}

class Form1Test : public ::testing::Test {
protected:
  void SetUp() override {
    form = new TForm1(Application);
    form->DoCreate();
  }
  void TearDown() override { delete form; }
  TBitBtn *Button(const std::string &name) {
    return dynamic_cast<TBitBtn *>(form->FindComponent(name));
  }
  TForm1 *form = nullptr;
};

} // namespace

TEST_F(Form1Test, ComponentsStandAtTheirBoundsWithCaptionsAndHelpContexts) {
  EXPECT_EQ(form->Caption(), "Brenx Bonus Sound Effects Collection");
  EXPECT_EQ(form->Width(), 588);
  EXPECT_EQ(form->Height(), 440);
  EXPECT_EQ(form->Position(), poScreenCenter);
  EXPECT_EQ(form->Bevel1->BoundsRect(), Bounds(8, 8, 569, 377));
  EXPECT_EQ(form->Label1->Caption(), "Present category:");
  EXPECT_EQ(form->Label1->Left(), 104);
  EXPECT_EQ(form->Label1->Top(), 352);
  EXPECT_EQ(form->Label2->BoundsRect(), Bounds(192, 352, 113, 13));
  EXPECT_EQ(form->Label2->Color(), clRed);
  EXPECT_FALSE(form->Label2->ParentColor());
  for (const auto &c : TForm1::kCategories) {
    TBitBtn *b = Button(c.button);
    ASSERT_NE(b, nullptr) << c.button;
    EXPECT_EQ(b->BoundsRect(), Bounds(440, c.top, 121, 38)) << c.button;
    EXPECT_EQ(b->Caption(), c.caption);
    EXPECT_EQ(b->HelpContext(), 1000);
    EXPECT_EQ(b->Glyph().Width(), 32);
    EXPECT_EQ(b->Glyph().Height(), 32);
  }
  EXPECT_EQ(form->BitBtn9->BoundsRect(), Bounds(312, 336, 121, 38));
  EXPECT_EQ(form->BitBtn9->Caption(), "A&LL");
  EXPECT_EQ(form->BitBtn9->HelpContext(), 1100);
  EXPECT_TRUE(form->BitBtn9->Glyph().Empty());
  EXPECT_EQ(form->Label2->Caption(), "ALL Sound Effects") << "set by FormCreate";
}

TEST_F(Form1Test, FormCreateOpensBothTablesOfTheCatalogue) {
  ASSERT_TRUE(form->wwTable1->Active());
  ASSERT_TRUE(form->wwTable2->Active());
  EXPECT_TRUE(form->wwTable1->ReadOnly());
  EXPECT_FALSE(form->wwTable1->CanModify());
  // wwTable1 shows its four declared fields, wwTable2 fields of its own.
  ASSERT_EQ(form->wwTable1->FieldCount(), 4);
  EXPECT_EQ(form->wwTable1->Fields(0), form->wwTable1CATEGORY);
  EXPECT_EQ(form->wwTable1->Fields(1), form->wwTable1TITLE);
  EXPECT_EQ(form->wwTable1->Fields(2), form->wwTable1KEYWORDS);
  EXPECT_EQ(form->wwTable1->Fields(3), form->wwTable1WAV);
  EXPECT_EQ(form->wwTable1TITLE->Size(), 24);
  EXPECT_EQ(form->wwTable1WAV->BlobType(), ftBlob);
  EXPECT_EQ(form->wwTable2->FieldCount(), 4);
  EXPECT_NE(form->wwTable2->FieldByName("TITLE"), form->wwTable1TITLE);
  // Primary-key order, unfiltered: every row.
  EXPECT_EQ(form->wwTable1TITLE->AsString(), "Anvil");
  EXPECT_EQ(form->wwTable1CATEGORY->AsInteger(), 500);
  EXPECT_FALSE(form->wwTable1->Filtered());
  // Both tables share one connection to the alias.
  EXPECT_EQ(form->wwTable1->Database(), form->wwTable2->Database());
  EXPECT_EQ(form->wwTable1->Database()->RefCount(), 2);
}

TEST(Startup, ATableThatCannotOpenIsShownAndTheRestOfFormCreateSkipped) {
  Application->SetTitle("Brenx Bonus Sound Effects");
  TForm1 *form = new TForm1(Application);
  form->wwTable1->SetTableName("missing.db");
  TBoxSeen seen;
  EXPECT_TRUE(DriveModal([&] { form->DoCreate(); }, ReadAndClose(seen)));
  EXPECT_EQ(seen.caption, "Brenx Bonus Sound Effects");
  EXPECT_NE(seen.text.find("missing.db"), std::string::npos) << seen.text;
  EXPECT_EQ(seen.text.back(), '.');
  EXPECT_FALSE(form->wwTable1->Active());
  EXPECT_FALSE(form->wwTable2->Active()) << "the steps after the failure are skipped";
  EXPECT_EQ(form->Label2->Caption(), "Label2");
  // The custom filter refuses to run on the closed table.
  TBoxSeen refused;
  EXPECT_TRUE(DriveModal([&] { form->CustomFilter1->Click(); }, ReadAndClose(refused)));
  EXPECT_EQ(refused.text,
            "Dataset must be active to perform local filtering (FilterMethod=fdByFilter).");
  EXPECT_EQ(refused.icon, QMessageBox::Critical);
  EXPECT_EQ(form->Label2->Caption(), "User entered filter");
  delete form;
}

TEST(Startup, AFieldThatNoLongerFitsIsShown) {
  TForm1 *form = new TForm1(Application);
  form->wwTable1TITLE->SetSize(30);
  TBoxSeen seen;
  EXPECT_TRUE(DriveModal([&] { form->DoCreate(); }, ReadAndClose(seen)));
  EXPECT_EQ(seen.text, "Field 'TITLE' is not of the expected type.");
  EXPECT_FALSE(form->wwTable1->Active());
  delete form;
}

TEST_F(Form1Test, TabOrderFollowsComponentNumbersWithMachinesLast) {
  // The buttons are the window's last tab stops, BitBtn1 ... BitBtn10 (the
  // player bar and the grid come before them once they are on the window).
  const std::vector<TWinControl *> &tabs = form->TabList();
  ASSERT_GE(tabs.size(), 10u);
  size_t first = tabs.size() - 10;
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(tabs[first + size_t(n - 1)], Button("BitBtn" + std::to_string(n))) << n;
    EXPECT_EQ(Button("BitBtn" + std::to_string(n))->TabOrder(), int(first) + n - 1);
  }
  form->Show();
  QApplication::setActiveWindow(form->Widget());
  form->BitBtn4->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form->BitBtn5->Focused()) << "Household is followed by Nature, not Machines";
  form->BitBtn9->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(form->BitBtn10->Focused());
}

TEST_F(Form1Test, BoundsScaleWithThePixelsPerInch) {
  Screen->SetPixelsPerInch(144);
  auto *big = new TForm1(Application);
  Screen->SetPixelsPerInch(96);
  EXPECT_EQ(big->Width(), 882);
  EXPECT_EQ(big->Height(), 660);
  EXPECT_EQ(big->BitBtn2->BoundsRect(), Bounds(660, 84, 181, 57));
  EXPECT_EQ(big->Bevel1->BoundsRect(), Bounds(12, 12, 853, 565)); // 569*1.5 = 853.5
  delete big;
}

TEST_F(Form1Test, WindowIsCentredOnTheScreenWhenShown) {
  form->Show();
  EXPECT_EQ(form->Left(), (Screen->Width() - 588) / 2);
  EXPECT_EQ(form->Top(), (Screen->Height() - 440) / 2);
  // Left and Top place the window's frame (where a window manager draws
  // one); the size is the window's own.
  EXPECT_EQ(form->Widget()->pos(), QPoint(form->Left(), form->Top()));
  EXPECT_EQ(form->Widget()->size(), QSize(588, 440));
}

TEST_F(Form1Test, MenuCaptionsAndHelpContexts) {
  struct Row {
    TMenuItem *item;
    TMenuItem *menu;
    const char *caption;
    int help;
  };
  std::vector<Row> rows = {{form->Save1, form->File1, "&Save", 1800},
                           {form->Exit1, form->File1, "E&xit", 1900},
                           {form->CustomFilter1, form->Search1, "&Custom Filter", 1400},
                           {form->Lookup1, form->Search1, "&Lookup", 1500},
                           {form->Contents1, form->Help1, "&Contents", 1600},
                           {form->About1, form->Help1, "&About", 0}};
  for (const Row &r : rows) {
    EXPECT_EQ(r.item->Caption(), r.caption);
    EXPECT_EQ(r.item->HelpContext(), r.help) << r.caption;
    EXPECT_EQ(r.item->Parent(), r.menu) << r.caption;
    EXPECT_TRUE(r.item->ShortCut().empty());
  }
  TMenuItem *root = form->MainMenu1->Items();
  ASSERT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Items(0)->Caption(), "&File");
  EXPECT_EQ(root->Items(1)->Caption(), "&Search");
  EXPECT_EQ(root->Items(2)->Caption(), "&Help");
  EXPECT_EQ(form->Menu(), form->MainMenu1);
}

TEST_F(Form1Test, HandlersSetThePresentCategory) {
  for (int i = 0; i < 9; ++i) {
    const auto &c = TForm1::kCategories[i];
    Button(c.button)->Click();
    EXPECT_EQ(form->Label2->Caption(), c.label);
  }
  form->BitBtn3->Click();
  EXPECT_EQ(form->Label2->Caption(), "Explosions and guns");
  form->BitBtn9->Click();
  EXPECT_EQ(form->Label2->Caption(), "ALL Sound Effects");
  EXPECT_TRUE(RunLookup(form));
  EXPECT_EQ(form->Label2->Caption(), "ALL Soundeffects");
  EXPECT_TRUE(RunCustomFilter(form));
  EXPECT_EQ(form->Label2->Caption(), "User entered filter");
  // By keyboard: Alt and the button's letter.
  form->Show();
  QApplication::setActiveWindow(form->Widget());
  form->BitBtn1->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
  EXPECT_EQ(form->Label2->Caption(), "Machines");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(form->Label2->Caption(), "Pot Luck");
}

namespace {

// The titles of the rows the browsed table shows, in cursor order; the
// table is left on its first row.
std::vector<std::string> Titles(TForm1 *form) {
  std::vector<std::string> titles;
  TTable *t = form->wwTable1;
  for (t->First(); !t->Eof(); t->Next())
    titles.push_back(form->wwTable1TITLE->AsString());
  t->First();
  return titles;
}

using Rows = std::vector<std::string>;

} // namespace

TEST_F(Form1Test, CategoryButtonsNarrowTheRowsAndAllShowsThemAgain) {
  const Rows all{"Anvil", "Boing", "Cat meow", "Cow moo", "Dog barking",
                 "Drill", "Laugh", "Rain",     "Thunder", "Zap"};
  EXPECT_EQ(Titles(form), all) << "unfiltered at start-up";
  EXPECT_EQ(form->wwDataSource1->DataSet(), form->wwTable1);

  form->BitBtn1->Click();
  EXPECT_EQ(form->wwTable1->Filter(), "CATEGORY=100");
  EXPECT_TRUE(form->wwTable1->Filtered());
  EXPECT_EQ(Titles(form), (Rows{"Cat meow", "Cow moo", "Dog barking"}));

  // The same button again: same rows, back on the first one.
  form->wwTable1->Last();
  form->BitBtn1->Click();
  EXPECT_EQ(form->wwTable1TITLE->AsString(), "Cat meow");
  EXPECT_EQ(Titles(form), (Rows{"Cat meow", "Cow moo", "Dog barking"}));

  form->BitBtn10->Click();
  EXPECT_EQ(Titles(form), (Rows{"Anvil", "Drill"}));
  EXPECT_EQ(form->Label2->Caption(), "Machines");

  // No row of that category: an empty table, the label still follows.
  form->BitBtn3->Click();
  EXPECT_TRUE(form->wwTable1->Eof() && form->wwTable1->BOF());
  EXPECT_EQ(form->Label2->Caption(), "Explosions and guns");

  // "A&LL" keeps the text but switches filtering off.
  form->BitBtn9->Click();
  EXPECT_EQ(form->wwTable1->Filter(), "CATEGORY=300");
  EXPECT_FALSE(form->wwTable1->Filtered());
  EXPECT_EQ(Titles(form), all);

  // Lookup switches the category filter off as well; the next category
  // button filters again.
  form->BitBtn5->Click();
  EXPECT_EQ(Titles(form), (Rows{"Rain", "Thunder"}));
  EXPECT_TRUE(RunLookup(form));
  EXPECT_EQ(form->Label2->Caption(), "ALL Soundeffects");
  EXPECT_EQ(form->wwTable1->Filter(), "CATEGORY=600");
  EXPECT_EQ(Titles(form), all);
  form->BitBtn5->Click();
  EXPECT_EQ(Titles(form), (Rows{"Rain", "Thunder"}));
}

TEST_F(Form1Test, CustomFilterNarrowsTheRowsBesideTheCategoryUntilACategoryButton) {
  const Rows all{"Anvil", "Boing", "Cat meow", "Cow moo", "Dog barking",
                 "Drill", "Laugh", "Rain",     "Thunder", "Zap"};
  // The window opens with the catalogue's settings.
  EXPECT_TRUE(RunCustomFilter(form, [](TwwFilterDlg *d) {
    EXPECT_EQ(d->Caption(), "Custom Filter");
    EXPECT_EQ(d->FieldCriteria->Caption(), "KEYWORDS");
    EXPECT_EQ(d->MatchTypeGroup->ItemIndex(), 1) << "start match";
    d->FilterValueEdit->SetText("rain or storm");
    d->MatchTypeGroup->SetItemIndex(2); // anywhere
    d->OKBtn->Click();
  }));
  EXPECT_EQ(form->Label2->Caption(), "User entered filter");
  EXPECT_EQ(Titles(form), (Rows{"Rain", "Thunder"}));
  EXPECT_FALSE(form->wwTable1->Filtered()) << "the custom filter leaves Filtered alone";
  EXPECT_EQ(form->wwTable1->Filter(), "");

  // A&LL forgets the criteria and shows every row again.
  form->BitBtn9->Click();
  EXPECT_TRUE(form->wwFilterDialog1->FieldInfos().empty());
  EXPECT_EQ(Titles(form), all);

  // Within a category a row must pass both.
  form->BitBtn1->Click();
  EXPECT_TRUE(RunCustomFilter(form, [](TwwFilterDlg *d) {
    d->FilterValueEdit->SetText("cat or cow");
    d->OKBtn->Click();
  }));
  EXPECT_EQ(Titles(form), (Rows{"Cat meow", "Cow moo"}));
  EXPECT_TRUE(form->wwTable1->Filtered());
  EXPECT_EQ(form->wwTable1->Filter(), "CATEGORY=100");

  // Cancel leaves the rows as they are; the label still changes.
  form->Label2->SetCaption("Animals");
  EXPECT_TRUE(RunCustomFilter(form, [](TwwFilterDlg *d) {
    d->FilterValueEdit->SetText("dog");
    d->CancelBtn->Click();
  }));
  EXPECT_EQ(form->Label2->Caption(), "User entered filter");
  EXPECT_EQ(Titles(form), (Rows{"Cat meow", "Cow moo"}));

  // Lookup switches the category off, but the criteria still hold.
  EXPECT_TRUE(RunLookup(form));
  EXPECT_EQ(Titles(form), (Rows{"Cat meow", "Cow moo"}));

  // The same category button again clears the criteria: the whole
  // category shows.
  form->BitBtn1->Click();
  EXPECT_TRUE(form->wwFilterDialog1->FieldInfos().empty());
  EXPECT_EQ(Titles(form), (Rows{"Cat meow", "Cow moo", "Dog barking"}));
  EXPECT_EQ(form->Label2->Caption(), "Animals");
}

namespace {

// Types into the lookup window's search edit (focused first, as the user
// sees it) without waiting for the search.
void TypeInto(TwwLookupDlg *d, const char *text) {
  QApplication::setActiveWindow(d->Widget());
  d->wwIncrementalSearch1->SetFocus();
  EXPECT_TRUE(QTest::qWaitFor([&] { return d->wwIncrementalSearch1->Focused(); }));
  QTest::keyClicks(d->wwIncrementalSearch1->Widget(), text);
}

} // namespace

TEST_F(Form1Test, LookupSearchesAsYouTypeAndOkMakesTheRowCurrent) {
  form->Show();
  // A category in force: the lookup switches it off, which brings the
  // browsed table to its first row, and the shadow starts there.
  form->BitBtn5->Click();
  form->wwTable1->Last();
  ASSERT_EQ(form->wwTable1TITLE->AsString(), "Thunder");
  EXPECT_TRUE(RunLookup(form, [&](TwwLookupDlg *d) {
    EXPECT_EQ(d->Caption(), "Search");
    EXPECT_EQ(d->DataSet(), form->wwTable2);
    EXPECT_FALSE(form->wwTable1->Filtered());
    EXPECT_EQ(form->wwTable1TITLE->AsString(), "Anvil");
    EXPECT_EQ(form->wwTable2->FieldByName("TITLE")->AsString(), "Anvil");
    EXPECT_EQ(d->wwIncrementalSearch1->SearchField(), "TITLE");
    EXPECT_EQ(d->wwDBGrid1->Options(),
              dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                  dgRowSelect | dgAlwaysShowSelection | dgConfirmDelete | dgPerfectRowFit);
    EXPECT_EQ(d->wwDBGrid1->Color(), clWhite);
    EXPECT_LE(d->wwDBGrid1->Height(), 209);
    ASSERT_EQ(d->wwDBGrid1->Columns()->Count(), 2);
    EXPECT_EQ(d->wwDBGrid1->Columns()->Items(0)->Title()->Caption(), "TITLE");
    EXPECT_EQ(d->wwDBGrid1->Columns()->Items(1)->Title()->Caption(), "KEYWORDS");
    TypeInto(d, "Dr");
    EXPECT_EQ(d->wwIncrementalSearch1->Text(), "Dr");
    EXPECT_TRUE(d->wwIncrementalSearch1->SearchPending());
    // OK at once: the search still waiting for its timer runs first.
    d->OKBtn->Click();
  }));
  EXPECT_EQ(form->wwTable2->FieldByName("TITLE")->AsString(), "Drill");
  EXPECT_EQ(form->wwTable1TITLE->AsString(), "Drill");
  EXPECT_EQ(form->Label2->Caption(), "ALL Soundeffects");
  EXPECT_EQ(Titles(form).size(), 10u);
  // The window's own grid keeps its two columns.
  ASSERT_EQ(form->DBGrid1->Columns()->Count(), 2);
  EXPECT_EQ(form->DBGrid1->Columns()->Items(0)->Field(), form->wwTable1TITLE);

  // Cancel leaves the row where the lookup found it, whatever the search
  // found.
  EXPECT_TRUE(RunLookup(form, [&](TwwLookupDlg *d) {
    EXPECT_EQ(form->wwTable2->FieldByName("TITLE")->AsString(), "Anvil");
    TypeInto(d, "Z");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !d->wwIncrementalSearch1->SearchPending(); }));
    EXPECT_EQ(form->wwTable2->FieldByName("TITLE")->AsString(), "Zap");
    d->CancelBtn->Click();
  }));
  EXPECT_EQ(form->wwTable1TITLE->AsString(), "Anvil");
}

TEST_F(Form1Test, TheViewerFollowsTheCurrentRowIntoThePlayerBar) {
  TPDBMultiMedia *viewer = form->PDBMultiMedia1;
  EXPECT_FALSE(viewer->Visible());
  EXPECT_EQ(viewer->BoundsRect(), Bounds(136, 0, 41, 33));
  EXPECT_EQ(viewer->DataField(), "WAV");
  EXPECT_EQ(viewer->DataSource(), form->wwDataSource1);
  EXPECT_EQ(viewer->MediaPlayer(), form->PDBMediaPlayer1);
  EXPECT_EQ(viewer->Field(), form->wwTable1WAV);
  EXPECT_EQ(form->PDBMediaPlayer1->Display(), viewer);
  EXPECT_FALSE(viewer->AutoPlayMultiMedia());
  // The folder named in the settings does not exist here: the sounds go to
  // a private folder instead.
  EXPECT_NE(viewer->PathForTempFile(), "C:\\/");

  form->Show();
  ASSERT_TRUE(form->wwTable1->FindKey({TVariant("Dog barking")}));
  QApplication::processEvents();
  EXPECT_TRUE(form->PDBMediaPlayer1->Opened()) << "moving to a row loads its sound";
  EXPECT_TRUE(form->PDBMediaPlayer1->AutoButtons() & ButtonBit(btPlay));
  EXPECT_FALSE(form->PDBMediaPlayer1->AutoButtons() & ButtonBit(btPause));
  // Play, as the bar's button does: Play gives way to Pause and Stop until
  // the sound (a tenth of a second) has ended.
  TPDBMediaPlayer *bar = form->PDBMediaPlayer1;
  QTest::mouseClick(bar->Widget(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(bar->ButtonLeft(btPlay) + 14, 15));
  EXPECT_FALSE(bar->AutoButtons() & ButtonBit(btPlay));
  EXPECT_TRUE(bar->AutoButtons() & ButtonBit(btStop));
  QElapsedTimer waited;
  waited.start();
  while (!(bar->AutoButtons() & ButtonBit(btPlay)) && waited.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(bar->AutoButtons() & ButtonBit(btPlay)) << "the end of the sound enables Play";
  EXPECT_EQ(bar->Mode(), mpStopped);

  form->wwTable1->Next();
  QApplication::processEvents();
  EXPECT_EQ(form->wwTable1TITLE->AsString(), "Drill");
  EXPECT_FALSE(form->PDBMediaPlayer1->Opened()) << "a row without a sound leaves the bar closed";
  EXPECT_EQ(form->PDBMediaPlayer1->AutoButtons(), 0);
}

namespace {

// Runs File, Save and answers the save dialog with `name` (or cancels it
// when `name` is empty).
bool SaveAs(TForm1 *form, const std::string &name) {
  return DriveModal([&] { form->Save1->Click(); },
                    [&](QWidget *w) {
                      auto *dialog = qobject_cast<QFileDialog *>(w);
                      ASSERT_NE(dialog, nullptr);
                      if (name.empty()) {
                        dialog->reject();
                        return;
                      }
                      dialog->selectFile(QString::fromStdString(name));
                      QMetaObject::invokeMethod(dialog, "accept");
                    });
}

std::string FileBytes(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST_F(Form1Test, FileSaveWritesTheCurrentRowsSoundByteForByte) {
  EXPECT_EQ(form->SaveDialog1->DefaultExt(), "wav");
  EXPECT_EQ(form->SaveDialog1->Filter(), "Wav|*.wav|All types|*.*");
  TempFolder out;
  form->Show();

  ASSERT_TRUE(form->wwTable1->FindKey({TVariant("Dog barking")}));
  // A name without an extension gets ".wav".
  ASSERT_TRUE(SaveAs(form, out.Path() + "/dog"));
  EXPECT_EQ(FileBytes(out.Path() + "/dog.wav"), CatalogueWavBytes());
  // Any other extension is kept, and the same bytes go out.
  ASSERT_TRUE(SaveAs(form, out.Path() + "/dog.snd"));
  EXPECT_EQ(FileBytes(out.Path() + "/dog.snd"), CatalogueWavBytes());

  // An existing file is replaced by a row without a sound: empty.
  ASSERT_TRUE(form->wwTable1->FindKey({TVariant("Drill")}));
  ASSERT_TRUE(SaveAs(form, out.Path() + "/dog.wav"));
  ASSERT_TRUE(std::filesystem::exists(out.Path() + "/dog.wav"));
  EXPECT_EQ(std::filesystem::file_size(out.Path() + "/dog.wav"), 0u);

  // No current row at all: an empty file too.
  form->BitBtn3->Click();
  ASSERT_TRUE(SaveAs(form, out.Path() + "/none.wav"));
  ASSERT_TRUE(std::filesystem::exists(out.Path() + "/none.wav"));
  EXPECT_EQ(std::filesystem::file_size(out.Path() + "/none.wav"), 0u);

  // Cancelled: nothing written.
  ASSERT_TRUE(SaveAs(form, ""));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()),
                          std::filesystem::directory_iterator()),
            3);
}

TEST_F(Form1Test, AFileThatCannotBeCreatedIsNamedInTheMessage) {
  form->Show();
  ASSERT_TRUE(form->wwTable1->FindKey({TVariant("Dog barking")}));
  const std::string target = "/nonexistent-folder-of-the-test/dog.wav";
  std::string message;
  DriveModal([&] { message = MessageOf([&] { form->Save1->Click(); }); },
             [&](QWidget *w) {
               if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
                 dialog->selectFile(QString::fromStdString(target));
                 QMetaObject::invokeMethod(dialog, "accept");
               }
             });
  // The dialog may have made the name its own; the message names the file
  // it chose.
  EXPECT_NE(form->SaveDialog1->FileName().find("nonexistent-folder-of-the-test/dog.wav"),
            std::string::npos);
  EXPECT_EQ(message, "Cannot create file " + form->SaveDialog1->FileName());
  EXPECT_EQ(form->wwTable1TITLE->AsString(), "Dog barking") << "nothing else changes";
}

TEST_F(Form1Test, F1AsksForTheTopicOfTheFocusedButtonOrHighlightedItem) {
  THelpSpy spy;
  form->Show();
  QApplication::setActiveWindow(form->Widget());
  form->BitBtn10->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  form->BitBtn9->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  QMenu *file = form->File1->Action()->menu();
  ASSERT_NE(file, nullptr);
  file->popup(QPoint(0, 0));
  file->setActiveAction(form->Exit1->Action());
  QTest::keyClick(file, Qt::Key_F1);
  QMenu *help = form->Help1->Action()->menu();
  help->popup(QPoint(0, 0));
  help->setActiveAction(form->About1->Action());
  QTest::keyClick(help, Qt::Key_F1); // About has no topic: nothing asked
  help->close();
  form->Contents1->Click();
  EXPECT_EQ(
      spy.asked,
      (std::vector<std::pair<unsigned, uintptr_t>>{
          {HELP_CONTEXT, 1000}, {HELP_CONTEXT, 1100}, {HELP_CONTEXT, 1900}, {HELP_CONTENTS, 0}}));
}

TEST(AboutBox, LaidOutWithOKAsTheDefaultButton) {
  TAboutBox1 box(Application);
  EXPECT_EQ(box.Caption(), "About Brenx Bonus Sound Effects");
  EXPECT_EQ(box.BorderStyle(), bsDialog);
  EXPECT_EQ(box.ClientWidth(), 298);
  EXPECT_EQ(box.ClientHeight(), 213);
  EXPECT_EQ(box.Position(), poScreenCenter);
  EXPECT_EQ(box.Panel1->BoundsRect(), Bounds(8, 8, 281, 161));
  EXPECT_EQ(box.Panel1->BevelInner(), bvRaised);
  EXPECT_EQ(box.Panel1->BevelOuter(), bvLowered);
  EXPECT_EQ(box.ProgramIcon->Parent(), box.Panel1);
  EXPECT_TRUE(box.ProgramIcon->Stretch());
  EXPECT_EQ(box.ProductName->Caption(), "Brenx Bonus Sound Effects");
  EXPECT_EQ(box.Version->Caption(), "Version 3");
  EXPECT_EQ(box.Comments->BoundsRect(), Bounds(8, 104, 265, 39));
  EXPECT_TRUE(box.Comments->WordWrap());
  EXPECT_EQ(box.OKButton->BoundsRect(), Bounds(111, 180, 75, 25));
  EXPECT_EQ(box.OKButton->Caption(), "OK");
  EXPECT_EQ(box.DefaultButton(), box.OKButton);
  EXPECT_EQ(box.OKButton->ModalResult(), mrOk);
  // Enter, wherever the focus is, ends it with OK.
  int result = -1;
  EXPECT_TRUE(DriveModal([&] { result = box.ShowModal(); },
                         [](QWidget *w) {
                           QWidget *target =
                               QApplication::focusWidget() ? QApplication::focusWidget() : w;
                           QTest::keyClick(target, Qt::Key_Return);
                         }));
  EXPECT_EQ(result, mrOk);
}

TEST(AboutBox, HelpAboutShowsItModallyAndReleasesIt) {
  TForm1 form(Application);
  int boxes_before = Screen->FormCount();
  std::string caption;
  EXPECT_TRUE(DriveModal(
      [&] { form.About1->Click(); },
      [&](QWidget *w) {
        caption = w->windowTitle().toStdString();
        QTest::mouseClick(static_cast<TAboutBox1 *>(TControl::FromWidget(w))->OKButton->Widget(),
                          Qt::LeftButton);
      }));
  EXPECT_EQ(caption, "About Brenx Bonus Sound Effects");
  EXPECT_EQ(Screen->FormCount(), boxes_before + 1) << "released later, not at once";
  QApplication::processEvents();
  EXPECT_EQ(Screen->FormCount(), boxes_before);
}

TEST(Startup, AFailingCreationStepIsShownAndTheWindowStillMade) {
  // A catalogue window whose first creation step fails (as an engine that
  // cannot open the table does): the rest of FormCreate is skipped.
  struct TFailingForm1 : TForm1 {
    explicit TFailingForm1(TComponent *owner) : TForm1(owner) {
      OnCreate = [this](TObject *s) {
        throw Exception("Table does not exist");
        FormCreate(s);
      };
    }
  };
  Application->SetTitle("Brenx Bonus Sound Effects");
  TFailingForm1 *form = nullptr;
  TBoxSeen seen;
  EXPECT_TRUE(DriveModal(
      [&] {
        form = new TFailingForm1(Application);
        form->DoCreate();
      },
      ReadAndClose(seen)));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(seen.caption, "Brenx Bonus Sound Effects");
  EXPECT_EQ(seen.text, "Table does not exist.");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(form->Label2->Caption(), "Label2");
  form->Show();
  EXPECT_TRUE(form->Showing());
  delete form;
}

TEST(Startup, ExitClosesTheMainWindowAndEndsTheLoop) {
  TForm1 *main_form = nullptr;
  Application->CreateForm(main_form);
  ASSERT_EQ(Application->MainForm(), main_form);
  main_form->Show();
  main_form->Exit1->Click();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(main_form->Visible());
  delete main_form;
  EXPECT_EQ(Application->MainForm(), nullptr);
  Application->Initialize();
}

TEST(Pictures, SixteenColourPicturesOnAnOliveBackgroundAllDifferent) {
  std::set<QByteArray> seen;
  std::set<QRgb> allowed(SixteenColours().begin(), SixteenColours().end());
  for (int i = cpAnimals; i <= cpPotLuck; ++i) {
    QImage img = CategoryPicture(static_cast<TCategoryPicture>(i));
    ASSERT_EQ(img.size(), QSize(32, 32));
    EXPECT_LE(img.colorCount(), 16);
    EXPECT_EQ(img.pixelColor(0, 31), QColor(128, 128, 0)) << "transparent corner";
    int drawn = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        EXPECT_TRUE(allowed.count(img.pixel(x, y) | 0xFF000000u));
        drawn += img.pixelColor(x, y) != QColor(128, 128, 0);
      }
    EXPECT_GT(drawn, 150) << "picture " << i << " has something in it";
    seen.insert(QByteArray(reinterpret_cast<const char *>(img.constBits()), img.sizeInBytes()));
  }
  EXPECT_EQ(seen.size(), 9u);
}

TEST(HelpViewer, ShowsTheTopicAskedForAndTheContents) {
  std::string saved = Application->HelpFile();
  Application->SetHelpFile(BSFX_SOURCE_DIR "/resources/sfx.hlp");
  EXPECT_TRUE(Application->HelpContext(1300));
  EXPECT_EQ(HelpViewerTopic(), 1300);
  EXPECT_TRUE(Application->HelpCommand(HELP_CONTENTS, 0));
  EXPECT_EQ(HelpViewerTopic(), 1600);
  // An unknown topic is reported, and the contents shown instead.
  TBoxSeen seen;
  bool ok = true;
  EXPECT_TRUE(DriveModal([&] { ok = Application->HelpContext(4242); }, ReadAndClose(seen)));
  EXPECT_FALSE(ok);
  EXPECT_EQ(seen.text, "The help file sfx.hlp has no topic 4242.");
  EXPECT_EQ(HelpViewerTopic(), 1600);
  Application->HelpCommand(HELP_QUIT, 0);
  EXPECT_EQ(HelpViewerTopic(), -1);
  // A help file that is not there: said so, nothing shown.
  Application->SetHelpFile("/nonexistent/sfx.hlp");
  TBoxSeen missing;
  EXPECT_TRUE(DriveModal([&] { ok = Application->HelpContext(1000); }, ReadAndClose(missing)));
  EXPECT_FALSE(ok);
  EXPECT_EQ(missing.text, "Cannot show help: Cannot open file /nonexistent/sfx.hlp.");
  EXPECT_EQ(HelpViewerTopic(), -1);
  Application->SetHelpFile(saved);
}
