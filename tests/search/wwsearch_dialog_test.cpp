// The search dialog run for real on the sample catalogue: the search as
// the user types, OK and Cancel, the keys, the layout, the index selector
// and the messages for settings it cannot work with.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include "base/exception.h"
#include "data/field.h"
#include "search/wwsearch_dialog.h"
#include "support/modal.h"
#include "tests/search/boxes.h"
#include "tests/search/search_env.h"

namespace {

TwwLookupDlg *DialogOf(QWidget *w) {
  return dynamic_cast<TwwLookupDlg *>(TControl::FromWidget(w));
}

// The keys go to the window's focused control: the window is made active
// and the search edit focused, as once the user sees it.
void FocusEdit(TwwLookupDlg *d) {
  QApplication::setActiveWindow(d->Widget());
  d->wwIncrementalSearch1->SetFocus();
  EXPECT_TRUE(WaitFor([&] { return d->wwIncrementalSearch1->Focused(); }));
}

// Types into the search edit and waits for the search the typing started.
void Type(TwwLookupDlg *d, const char *text) {
  FocusEdit(d);
  QTest::keyClicks(d->wwIncrementalSearch1->Widget(), text);
  EXPECT_TRUE(WaitFor([&] { return !d->wwIncrementalSearch1->SearchPending(); }));
}

class SearchDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    search = OpenCatalogue();
    shadow = OpenCatalogue();
    dialog = std::make_unique<TwwSearchDialog>(nullptr);
    dialog->SetSearchTable(search.get());
    dialog->SetShadowSearchTable(shadow.get());
    dialog->SetSelected([] {
      TStringList l;
      l.Add("KEYWORDS\t240\tKEYWORDS");
      l.Add("TITLE\t24\tTITLE");
      return l;
    }());
    dialog->SetMaxHeight(209);
    ASSERT_TRUE(search->FindKey({TVariant("Rain")}));
  }
  // Runs the dialog with `act` on its window; false when no window came.
  bool Run(const std::function<void(TwwLookupDlg *)> &act) {
    return DriveModal([&] { result = dialog->Execute(); },
                      [&](QWidget *w) {
                        TwwLookupDlg *d = DialogOf(w);
                        ASSERT_NE(d, nullptr);
                        FocusEdit(d);
                        act(d);
                      });
  }
  std::unique_ptr<TwwTable> search, shadow;
  std::unique_ptr<TwwSearchDialog> dialog;
  bool result = false;
};

} // namespace

TEST_F(SearchDialogTest, TypingFindsTheTitleAndOkMovesTheShownTable) {
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    EXPECT_EQ(d->Caption(), "Search");
    EXPECT_EQ(Title(shadow.get()), "Rain") << "the shadow starts on the shown row";
    EXPECT_EQ(d->wwIncrementalSearch1->SearchField(), "TITLE");
    EXPECT_EQ(d->wwIncrementalSearch1->SearchDelay(), 166) << "a local database";
    QTest::keyClicks(d->wwIncrementalSearch1->Widget(), "Dr");
    EXPECT_TRUE(d->wwIncrementalSearch1->SearchPending());
    EXPECT_EQ(Title(shadow.get()), "Rain") << "nothing moves before the timer";
    EXPECT_TRUE(WaitFor([&] { return !d->wwIncrementalSearch1->SearchPending(); }));
    EXPECT_EQ(Title(shadow.get()), "Drill");
    EXPECT_EQ(Title(search.get()), "Rain") << "the shown table waits for OK";
    // Keys that move the grid reach it while the edit keeps the focus.
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Down);
    EXPECT_EQ(Title(shadow.get()), "Laugh");
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Up);
    EXPECT_EQ(Title(shadow.get()), "Drill");
    d->OKBtn->Click();
  }));
  EXPECT_TRUE(result);
  EXPECT_EQ(Title(search.get()), "Drill");
}

TEST_F(SearchDialogTest, CancelAndEscapeLeaveTheShownTableWhereItWas) {
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    Type(d, "Th");
    EXPECT_EQ(Title(shadow.get()), "Thunder");
    d->CancelBtn->Click();
  }));
  EXPECT_FALSE(result);
  EXPECT_EQ(Title(search.get()), "Rain");

  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    Type(d, "Z");
    EXPECT_EQ(Title(shadow.get()), "Zap");
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Escape);
  }));
  EXPECT_FALSE(result);
  EXPECT_EQ(Title(search.get()), "Rain");
}

TEST_F(SearchDialogTest, EnterEndsWithOkAndRunsAPendingSearchFirst) {
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    QTest::keyClicks(d->wwIncrementalSearch1->Widget(), "co");
    EXPECT_TRUE(d->wwIncrementalSearch1->SearchPending());
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Return);
  }));
  EXPECT_TRUE(result);
  EXPECT_EQ(Title(search.get()), "Cow moo") << "dictionary order: letters before case";

  // OK pressed before the timer fired.
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    QTest::keyClicks(d->wwIncrementalSearch1->Widget(), "Bo");
    d->OKBtn->Click();
  }));
  EXPECT_TRUE(result);
  EXPECT_EQ(Title(search.get()), "Boing");
}

TEST_F(SearchDialogTest, TextWithNoMatchLeavesTheShadowOnTheNearestRow) {
  bool match = true;
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    d->wwIncrementalSearch1->OnAfterSearch = [&](TwwIncrementalSearch *, bool found) {
      match = found;
    };
    Type(d, "Dz");
    EXPECT_FALSE(match);
    EXPECT_EQ(Title(shadow.get()), "Laugh");
    Type(d, "");
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Backspace);
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Backspace);
    EXPECT_TRUE(WaitFor([&] { return !d->wwIncrementalSearch1->SearchPending(); }));
    EXPECT_TRUE(match) << "an empty text matches the first row";
    EXPECT_EQ(Title(shadow.get()), "Anvil");
    d->CancelBtn->Click();
  }));
}

TEST_F(SearchDialogTest, LayoutOfTheCatalogueSettings) {
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    TwwDBGrid *grid = d->wwDBGrid1;
    // The index field's column goes first.
    ASSERT_EQ(grid->Columns()->Count(), 2);
    EXPECT_EQ(grid->Columns()->Items(0)->Field()->FieldName(), "TITLE");
    EXPECT_EQ(grid->Columns()->Items(1)->Field()->FieldName(), "KEYWORDS");
    // KEYWORDS alone is 240 characters wide: the grid takes what the screen
    // allows and scrolls sideways.
    EXPECT_EQ(grid->Width(), Screen->Width() - 40);
    EXPECT_TRUE(grid->ShowHorzScrollBar());
    EXPECT_LE(grid->Height(), 209);
    EXPECT_GT(grid->Height(), 209 - grid->DefaultRowHeight() - 1);
    EXPECT_EQ(d->ClientWidth(), grid->Width() + 16);
    EXPECT_EQ(d->wwIncrementalSearch1->Width(), grid->Width());
    EXPECT_TRUE(d->wwIncrementalSearch1->Focused());
    EXPECT_EQ(d->SearchCharacterLabel->Caption(), "&Search Characters");
    // OK and Cancel below everything, Cancel right of OK.
    EXPECT_TRUE(d->wwKeyCombo1->Visible());
    EXPECT_GT(d->wwKeyCombo1->Top(), grid->Top() + grid->Height());
    EXPECT_GT(d->OKBtn->Top(), d->wwKeyCombo1->Top());
    EXPECT_EQ(d->CancelBtn->Left() - d->OKBtn->Left(), d->OKBtn->Width() + 13);
    EXPECT_LE(d->CancelBtn->Left() + d->CancelBtn->Width(), d->ClientWidth());
    EXPECT_EQ(d->ClientHeight(), d->OKBtn->Top() + d->OKBtn->Height() + 9);
    EXPECT_EQ(d->StatusHeader->Visible(), false);
    d->CancelBtn->Click();
  }));
}

TEST_F(SearchDialogTest, TheIndexSelectorSwitchesTheSearchToKeywords) {
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    TwwKeyCombo *combo = d->wwKeyCombo1;
    ASSERT_EQ(combo->Count(), 2) << "CATEGORY has no column";
    EXPECT_EQ(combo->Items(0), "TITLE");
    EXPECT_EQ(combo->Items(1), "KEYWORDS");
    EXPECT_EQ(combo->ItemIndex(), 0);
    Type(d, "Ra");
    combo->SetItemIndex(1);
    combo->ChooseItem("KEYWORDS");
    d->wwKeyCombo1Change(combo);
    EXPECT_EQ(shadow->IndexName(), "KEYWORDS");
    EXPECT_EQ(Title(shadow.get()), "Rain") << "the row stays";
    EXPECT_EQ(d->wwIncrementalSearch1->Text(), "");
    EXPECT_EQ(d->wwIncrementalSearch1->SearchField(), "KEYWORDS");
    EXPECT_EQ(d->wwDBGrid1->Columns()->Items(0)->Field()->FieldName(), "KEYWORDS");
    Type(d, "me");
    EXPECT_EQ(Title(shadow.get()), "Anvil") << "metal machine hit";
    d->wwIncrementalSearch1->SelectAll(); // typing replaces the text
    Type(d, "DOG");
    EXPECT_EQ(d->wwIncrementalSearch1->Text(), "DOG");
    EXPECT_EQ(Title(shadow.get()), "Dog barking");
    d->OKBtn->Click();
  }));
  EXPECT_EQ(Title(search.get()), "Dog barking");
}

TEST_F(SearchDialogTest, AnEmptyShadowLeavesTheShownTableUnmoved) {
  shadow->SetOnFilter([](TwwTable *, bool &accept) { accept = false; });
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    Type(d, "A");
    d->OKBtn->Click();
  }));
  EXPECT_TRUE(result);
  EXPECT_EQ(Title(search.get()), "Rain");
}

TEST_F(SearchDialogTest, SettingsItCannotWorkWithGiveMessagesAndNoWindow) {
  auto expect_message = [&](const std::string &text) {
    bool ran = true;
    std::vector<std::string> texts = CloseBoxesWhile([&] { ran = dialog->Execute(); });
    EXPECT_FALSE(ran);
    EXPECT_EQ(texts, std::vector<std::string>{text});
  };
  dialog->SetShadowSearchTable(search.get());
  expect_message(wwmsg::kSameSearchAndShadow);

  auto other = OpenCatalogue("empty.db");
  dialog->SetShadowSearchTable(other.get());
  expect_message(wwmsg::kDifferentPhysicalTables);

  dialog->SetShadowSearchTable(shadow.get());
  shadow->Close();
  expect_message(wwmsg::kSearchTableNotActive);
  shadow->Open();
  search->Close();
  expect_message(wwmsg::kSearchTableNotActive);
  search->Open();

  TwwTable nameless(nullptr);
  dialog->SetSearchTable(nullptr);
  dialog->SetShadowSearchTable(&nameless);
  expect_message(wwmsg::kUnableToOpen);

  // A table freed while set is forgotten.
  auto gone = std::make_unique<TwwTable>(nullptr);
  dialog->SetShadowSearchTable(gone.get());
  gone.reset();
  EXPECT_EQ(dialog->ShadowSearchTable(), nullptr);

  TwwLookupDialog lookup(nullptr);
  bool ran = true;
  EXPECT_EQ(CloseBoxesWhile([&] { ran = lookup.Execute(); }),
            std::vector<std::string>{wwmsg::kNoLookupTable});
  EXPECT_FALSE(ran);
}

TEST(LookupDialogTest, APlainTableCannotBeSearchedAsYouType) {
  TTable plain(nullptr);
  plain.SetDatabaseName("sound");
  plain.SetTableName("bonussfx.db");
  plain.Open();
  TwwLookupDialog lookup(nullptr);
  lookup.SetLookupTable(&plain);
  EXPECT_EQ(lookup.Caption(), "Lookup");
  // Message boxes are read and closed as they come; the dialog gets one
  // letter typed, then Cancel once the search ran.
  bool ran = true, typed = false, keyboard_hidden = false;
  TwwLookupDlg *seen = nullptr;
  std::vector<std::string> texts = CloseBoxesWhile([&] {
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      TwwLookupDlg *d = DialogOf(QApplication::activeModalWidget());
      if (!d || !d->Widget()->isVisible()) return;
      seen = d;
      if (!typed) {
        typed = true;
        keyboard_hidden = !d->wwKeyCombo1->Visible();
        FocusEdit(d);
        QTest::keyClicks(d->wwIncrementalSearch1->Widget(), "D");
      } else if (!d->wwIncrementalSearch1->SearchPending()) {
        d->CancelBtn->Click();
      }
    });
    poll.start();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
      if (seen) seen->SetModalResult(mrCancel);
    });
    watchdog.start(5000);
    ran = lookup.Execute();
  });
  EXPECT_TRUE(typed);
  EXPECT_TRUE(keyboard_hidden) << "no index selector without an enhanced table";
  EXPECT_FALSE(ran);
  EXPECT_NE(std::find(texts.begin(), texts.end(), wwmsg::kPlainTableSearch), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), wwmsg::kEnhancedDataSetOnly), texts.end());
}

TEST_F(SearchDialogTest, LettersTypedTogetherStartOneSearch) {
  int searches = 0;
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    d->wwIncrementalSearch1->OnAfterSearch = [&](TwwIncrementalSearch *, bool) { ++searches; };
    Type(d, "Cow");
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(d->wwIncrementalSearch1->LastSearchedText(), "Cow");
    EXPECT_EQ(Title(shadow.get()), "Cow moo");
    // A key that changes nothing starts nothing.
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Shift);
    EXPECT_FALSE(d->wwIncrementalSearch1->SearchPending());
    d->CancelBtn->Click();
  }));
  EXPECT_EQ(searches, 1);
}

TEST_F(SearchDialogTest, ADoubleClickOnTheGridEndsWithOk) {
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    Type(d, "Ca");
    TwwDBGrid *grid = d->wwDBGrid1;
    const TRect cell = grid->CellRect(1, grid->Row());
    QTest::mouseDClick(grid->Widget(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(cell.Left + 3, cell.Top + 3));
  }));
  EXPECT_TRUE(result);
  EXPECT_EQ(Title(search.get()), "Cat meow");
}

TEST_F(SearchDialogTest, NarrowSearchShowsOnlyTheRowsThatStartWithTheText) {
  shadow->SetNarrowSearch(true);
  shadow->SetRange({TVariant("Z")}, {TVariant("Zz")});
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    EXPECT_EQ(Title(shadow.get()), "Rain") << "the old range went before the window opened";
    Type(d, "C");
    std::vector<std::string> rows;
    for (shadow->First(); !shadow->Eof(); shadow->Next())
      rows.push_back(Title(shadow.get()));
    EXPECT_EQ(rows, (std::vector<std::string>{"Cat meow", "Cow moo"}));
    shadow->Last();
    d->OKBtn->Click();
  }));
  EXPECT_EQ(Title(search.get()), "Cow moo");
}

TEST_F(SearchDialogTest, AStatusHeaderShowsTheTableAndThePosition) {
  dialog->SetOptions(opShowOKCancel | opShowStatusBar);
  dialog->SetUserButton1Caption("&Add");
  TDataSet *seen = nullptr;
  dialog->OnUserButton1Click = [&](TObject *, TDataSet *table) { seen = table; };
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    EXPECT_TRUE(d->StatusHeader->Visible());
    EXPECT_FALSE(d->wwKeyCombo1->Visible());
    EXPECT_EQ(d->StatusTableName->Caption(), "bonussfx.db");
    EXPECT_EQ(d->StatusPosition->Caption(), "Rec # 8 of 10");
    Type(d, "B");
    EXPECT_EQ(d->StatusPosition->Caption(), "Rec # 2 of 10");
    EXPECT_TRUE(d->UserButton1->Visible());
    EXPECT_FALSE(d->UserButton2->Visible());
    d->UserButton1->Click();
    d->CancelBtn->Click();
  }));
  EXPECT_EQ(seen, shadow.get());
}

TEST_F(SearchDialogTest, ARowHiddenFromTheShownTableIsReported) {
  // The shown table hides Zap; the shadow can still find it.
  search->SetOnFilter([](TwwTable *t, bool &accept) { accept = Title(t) != "Zap"; });
  ASSERT_TRUE(search->FindKey({TVariant("Rain")}));
  std::vector<std::string> texts;
  texts = CloseBoxesWhile([&] {
    EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
      Type(d, "Z");
      EXPECT_EQ(Title(shadow.get()), "Zap");
      d->OKBtn->Click();
    }));
  });
  EXPECT_TRUE(result);
  EXPECT_EQ(texts, std::vector<std::string>{wwmsg::kChosenRecordFiltered});
  EXPECT_EQ(Title(search.get()), "Rain");
  // A row the filter lets through is reached as usual.
  texts = CloseBoxesWhile([&] {
    EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
      Type(d, "Th");
      d->OKBtn->Click();
    }));
  });
  EXPECT_TRUE(texts.empty());
  EXPECT_EQ(Title(search.get()), "Thunder");
}

TEST(KeyComboTest, AllIndexesByNameAndTheTablesItRefuses) {
  auto table = OpenCatalogue();
  TwwDataSource source(nullptr);
  source.SetDataSet(table.get());
  TForm form(nullptr);
  auto *combo = new TwwKeyCombo(&form);
  combo->SetName("KeyCombo1");
  combo->SetParent(&form);
  combo->SetDataSource(&source);
  combo->SetShowAllIndexes(true);
  combo->Fill();
  std::vector<std::string> items;
  for (int i = 0; i < combo->Count(); ++i)
    items.push_back(combo->Items(i));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(combo->Items(combo->ItemIndex()), "PrimaryKey") << "the current index";
  EXPECT_NE(std::find(items.begin(), items.end(), "CATEGORY"), items.end());
  ASSERT_TRUE(table->FindKey({TVariant("Laugh")}));
  combo->ChooseItem("CATEGORY");
  EXPECT_EQ(table->IndexName(), "CATEGORY");
  EXPECT_EQ(Title(table.get()), "Laugh") << "the record stays";
  combo->ChooseItem("PrimaryKey");
  EXPECT_EQ(table->IndexName(), "");
  EXPECT_EQ(Title(table.get()), "Laugh");

  // By field label: only indexes whose field is shown.
  combo->SetShowAllIndexes(false);
  table->FieldByName("CATEGORY")->SetVisible(false);
  table->FieldByName("KEYWORDS")->SetDisplayLabel("Key~words");
  combo->Fill();
  ASSERT_EQ(combo->Count(), 2);
  EXPECT_EQ(combo->Items(0), "TITLE");
  EXPECT_EQ(combo->Items(1), "Key words");

  // A detail table is refused when the list is filled.
  auto master = OpenCatalogue();
  TwwDataSource master_source(nullptr);
  master_source.SetDataSet(master.get());
  TwwTable detail(nullptr);
  detail.SetDatabaseName("sound");
  detail.SetTableName("bonussfx.db");
  detail.SetMasterSource(&master_source);
  TwwDataSource detail_source(nullptr);
  detail_source.SetDataSet(&detail);
  combo->SetDataSource(&detail_source);
  EXPECT_EQ(CloseBoxesWhile([&] { combo->Fill(); }),
            std::vector<std::string>{"TwwKeyCombo: Data Source can not be a child table.\r\n"
                                     "Component KeyCombo1 has a MasterSource defined."});
  EXPECT_EQ(combo->Count(), 0);

  // A dataset that is no table at all.
  TDataSet plain(nullptr);
  TDataSource plain_source(nullptr);
  plain_source.SetDataSet(&plain);
  EXPECT_EQ(CloseBoxesWhile([&] { combo->SetDataSource(&plain_source); }),
            std::vector<std::string>{wwmsg::kKeyComboNeedsTable});
  EXPECT_EQ(combo->DataSource(), &detail_source) << "refused";
}

TEST_F(SearchDialogTest, TheInitHandlerCanShowMatchesAndChangeTheLimits) {
  int searches = 0;
  dialog->OnInitDialog = [&](TwwLookupDlg *d) {
    d->wwIncrementalSearch1->SetShowMatchText(true);
    d->wwIncrementalSearch1->OnAfterSearch = [&](TwwIncrementalSearch *, bool) { ++searches; };
    d->SetMaxHeight(120);
    d->SetMaxWidth(300);
  };
  bool closed = false;
  dialog->OnCloseDialog = [&](TwwLookupDlg *) { closed = true; };
  EXPECT_TRUE(Run([&](TwwLookupDlg *d) {
    EXPECT_LE(d->wwDBGrid1->Height(), 120);
    EXPECT_EQ(d->wwDBGrid1->Width(), 300);
    Type(d, "dr");
    EXPECT_EQ(d->wwIncrementalSearch1->Text(), "Drill") << "the match shows";
    EXPECT_EQ(d->wwIncrementalSearch1->SelStart(), 2);
    EXPECT_EQ(d->wwIncrementalSearch1->SelLength(), 3);
    // Erasing the shown part searches nothing.
    QTest::keyClick(d->wwIncrementalSearch1->Widget(), Qt::Key_Backspace);
    EXPECT_FALSE(d->wwIncrementalSearch1->SearchPending());
    EXPECT_EQ(searches, 1);
    d->Close();
  }));
  EXPECT_FALSE(result);
  EXPECT_TRUE(closed) << "closing asks the close handler";
}
