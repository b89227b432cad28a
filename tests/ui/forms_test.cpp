// Forms and the application: modal results, default and cancel buttons,
// OnCreate failures, the top-level exception handler, menus and help.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "base/exception.h"
#include "support/modal.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/menus.h"
#include "ui/stdctrls.h"

namespace {

class TAskForm : public TForm {
public:
  explicit TAskForm(TComponent *owner) : TForm(owner) {
    SetBorderStyle(bsDialog);
    SetCaption("Ask");
    SetClientWidth(200);
    SetClientHeight(80);
    Edit = new TEdit(this);
    Edit->SetParent(this);
    Yes = new TButton(this);
    Yes->SetParent(this);
    Yes->SetCaption("&Yes");
    Yes->SetDefault(true);
    Yes->SetModalResult(mrYes);
    Yes->SetBounds(10, 40, 75, 25);
    No = new TButton(this);
    No->SetParent(this);
    No->SetCaption("&No");
    No->SetCancel(true);
    No->SetModalResult(mrNo);
    No->SetBounds(100, 40, 75, 25);
  }
  TEdit *Edit;
  TButton *Yes;
  TButton *No;
};

// Records help requests instead of opening the viewer.
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

} // namespace

TEST(Forms, ModalFormEndsWithTheClickedButtonsResult) {
  TAskForm form(Application);
  int result = -1;
  EXPECT_TRUE(DriveModal([&] { result = form.ShowModal(); },
                         [&](QWidget *w) {
                           EXPECT_EQ(TControl::FromWidget(w), &form);
                           QTest::mouseClick(form.No->Widget(), Qt::LeftButton);
                         }));
  EXPECT_EQ(result, mrNo);
  EXPECT_FALSE(form.Visible());
}

TEST(Forms, EnterClicksTheDefaultButtonAndEscapeTheCancelButton) {
  TAskForm form(Application);
  int result = -1;
  auto press = [&](Qt::Key key) {
    return [&form, key](QWidget *) {
      form.Edit->SetFocus();
      // A modal window that is not active yet has no focus widget.
      QWidget *target = QApplication::focusWidget();
      QTest::keyClick(target ? target : form.Edit->Widget(), key);
    };
  };
  EXPECT_TRUE(DriveModal([&] { result = form.ShowModal(); }, press(Qt::Key_Return)));
  EXPECT_EQ(result, mrYes);
  EXPECT_TRUE(DriveModal([&] { result = form.ShowModal(); }, press(Qt::Key_Escape)));
  EXPECT_EQ(result, mrNo);
  // Enter on a focused button other than the default clicks that button.
  EXPECT_TRUE(DriveModal([&] { result = form.ShowModal(); },
                         [&](QWidget *) {
                           form.No->SetFocus();
                           QTest::keyClick(form.No->Widget(), Qt::Key_Return);
                         }));
  EXPECT_EQ(result, mrNo);
  // The close box counts as Cancel, and OnCloseQuery can refuse it.
  int asked = 0;
  form.OnCloseQuery = [&](TObject *, bool &can) { can = ++asked > 1; };
  EXPECT_TRUE(DriveModal([&] { result = form.ShowModal(); },
                         [&](QWidget *w) {
                           w->close();
                           EXPECT_TRUE(form.Visible());
                           w->close();
                         }));
  EXPECT_EQ(result, mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST(Forms, ModalFormCentresOnTheScreen) {
  TAskForm form(Application);
  form.SetPosition(poScreenCenter);
  form.SetBounds(0, 0, 300, 200);
  TRect seen;
  DriveModal([&] { form.ShowModal(); },
             [&](QWidget *) {
               seen = form.BoundsRect();
               form.SetModalResult(mrOk);
             });
  EXPECT_EQ(seen.Left, (Screen->Width() - 300) / 2);
  EXPECT_EQ(seen.Top, (Screen->Height() - 200) / 2);
}

TEST(Forms, ReleaseFreesTheFormAfterPendingEvents) {
  auto *form = new TAskForm(Application);
  QPointer<QWidget> w = form->Widget();
  form->Release();
  EXPECT_FALSE(w.isNull()) << "not at once";
  QApplication::processEvents();
  EXPECT_TRUE(w.isNull());
}

TEST(Application, HandlerShowsMessageWithFullStopAndTitleAndAbortIsSilent) {
  Application->SetTitle("Brenx Bonus Sound Effects");
  TForm form(Application);
  auto *b = new TButton(&form);
  b->SetParent(&form);
  b->OnClick = [](TObject *) { throw Exception("Table does not exist"); };
  form.Show();
  TBoxSeen seen;
  EXPECT_TRUE(
      DriveModal([&] { QTest::mouseClick(b->Widget(), Qt::LeftButton); }, ReadAndClose(seen)));
  EXPECT_EQ(seen.caption, "Brenx Bonus Sound Effects");
  EXPECT_EQ(seen.text, "Table does not exist.");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  // The loop goes on: the button still works.
  b->OnClick = [](TObject *) { Abort(); };
  TBoxSeen none;
  EXPECT_FALSE(
      DriveModal([&] { QTest::mouseClick(b->Widget(), Qt::LeftButton); }, ReadAndClose(none), 300));
  EXPECT_FALSE(none.seen);
  // Any std::exception is shown the same way; so is the dataset layer's hook.
  TBoxSeen other;
  DriveModal([&] { ApplicationHandleException(std::runtime_error("disk full")); },
             ReadAndClose(other));
  EXPECT_EQ(other.text, "disk full.");
}

TEST(Application, ExceptionsEscapingRawQtHandlersReachTheHandlerToo) {
  std::vector<std::string> shown;
  Application->OnException = [&](TObject *, const std::exception &e) { shown.push_back(e.what()); };
  QTimer::singleShot(0, [] { throw Exception("late failure"); });
  QTest::qWait(20);
  Application->OnException = nullptr;
  EXPECT_EQ(shown, std::vector<std::string>{"late failure"});
}

TEST(Application, OnCreateFailureIsShownAndTheFormStillMade) {
  struct TFailing : TForm {
    explicit TFailing(TComponent *owner) : TForm(owner) {
      OnCreate = [this](TObject *) {
        steps.push_back(1);
        throw Exception("Cannot open table");
        steps.push_back(2);
      };
    }
    std::vector<int> steps;
  };
  TFailing *form = nullptr;
  TBoxSeen seen;
  EXPECT_TRUE(DriveModal(
      [&] {
        form = new TFailing(Application);
        form->DoCreate();
      },
      ReadAndClose(seen)));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(seen.text, "Cannot open table.");
  EXPECT_EQ(form->steps, std::vector<int>{1});
  form->Show();
  EXPECT_TRUE(form->Showing());
  delete form;
}

TEST(Application, MessageBoxAnswersWithTheButtonChosen) {
  int answer = 0;
  DriveModal(
      [&] { answer = Application->MessageBox("Delete?", "Confirm", MB_YESNO | MB_ICONQUESTION); },
      [](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        box->button(QMessageBox::No)->click();
      });
  EXPECT_EQ(answer, IDNO);
  DriveModal(
      [&] { answer = Application->MessageBox("Go on?", "Confirm", MB_OKCANCEL | MB_DEFBUTTON2); },
      [](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
        box->defaultButton()->click();
      });
  EXPECT_EQ(answer, IDCANCEL);
}

TEST(Menus, ItemsShowCaptionsAndClickRunsTheirHandler) {
  TForm form(Application);
  auto *menu = new TMainMenu(&form);
  auto *file = new TMenuItem(&form);
  file->SetCaption("&File");
  auto *save = new TMenuItem(&form);
  save->SetCaption("&Save");
  auto *sep = new TMenuItem(&form);
  sep->SetCaption("-");
  menu->Items()->Add(file);
  file->Add(save);
  file->Add(sep);
  form.SetMenu(menu);
  int clicks = 0;
  save->OnClick = [&](TObject *s) {
    EXPECT_EQ(s, save);
    ++clicks;
  };
  auto *bar = qobject_cast<QMenuBar *>(static_cast<QMainWindow *>(form.Widget())->menuWidget());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 1);
  EXPECT_EQ(bar->actions()[0]->text(), "&File");
  EXPECT_TRUE(sep->Action()->isSeparator());
  save->Action()->trigger();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(save->Parent(), file);
  EXPECT_EQ(save->MenuIndex(), 0);
  delete save;
  EXPECT_EQ(file->Count(), 1);
  // The client area is what is left under the menu bar.
  form.SetClientHeight(200);
  form.Show();
  EXPECT_EQ(form.ClientHeight(), 200);
  EXPECT_EQ(static_cast<QMainWindow *>(form.Widget())->centralWidget()->height(), 200);
}

TEST(Help, F1AsksForTheNearestNonZeroContextOfTheFocusedControl) {
  THelpSpy spy;
  TForm form(Application);
  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetHelpContext(1200);
  auto *edit = new TEdit(&form);
  edit->SetParent(panel);
  auto *own = new TEdit(&form);
  own->SetParent(panel);
  own->SetHelpContext(1300);
  auto *bare = new TEdit(&form);
  bare->SetParent(&form);
  form.Show();
  QApplication::setActiveWindow(form.Widget());
  edit->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  own->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  bare->SetFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
  EXPECT_EQ(spy.asked, (std::vector<std::pair<unsigned, uintptr_t>>{{HELP_CONTEXT, 1200},
                                                                    {HELP_CONTEXT, 1300}}));
}

TEST(Help, F1OnAHighlightedMenuItemAsksForItsContext) {
  THelpSpy spy;
  TForm form(Application);
  auto *menu = new TMainMenu(&form);
  auto *file = new TMenuItem(&form);
  file->SetCaption("&File");
  auto *save = new TMenuItem(&form);
  save->SetCaption("&Save");
  save->SetHelpContext(1800);
  menu->Items()->Add(file);
  file->Add(save);
  form.SetMenu(menu);
  form.Show();
  QMenu *popup = file->Action()->menu();
  ASSERT_NE(popup, nullptr);
  popup->popup(QPoint(0, 0));
  QApplication::processEvents();
  popup->setActiveAction(save->Action());
  QTest::keyClick(popup, Qt::Key_F1);
  EXPECT_EQ(spy.asked, (std::vector<std::pair<unsigned, uintptr_t>>{{HELP_CONTEXT, 1800}}));
  EXPECT_FALSE(popup->isVisible());
}
