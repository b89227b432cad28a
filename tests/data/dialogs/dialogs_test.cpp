// The password and login dialogs, driven the way a user drives them: typing
// into the edits and pressing the buttons while they run modally.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "data/dialogs/db_dialogs.h"
#include "data/dialogs/login_dialog.h"
#include "data/dialogs/password_dialog.h"
#include "data/session.h"
#include "support/modal.h"
#include "tests/data/table_fixture.h"

namespace {

QLineEdit *LineEdit(TEdit *edit) {
  return static_cast<QLineEdit *>(edit->Widget());
}

void Type(TEdit *edit, const char *text) {
  QTest::keyClicks(LineEdit(edit), text);
}

void Backspace(TEdit *edit) {
  QTest::keyClick(LineEdit(edit), Qt::Key_Backspace);
}

// The dataset dialog the framework shows modally.
template <class T> T *FormOf(QWidget *w) {
  return dynamic_cast<T *>(TControl::FromWidget(w));
}

struct Buttons {
  bool add, remove, remove_all, ok, cancel;
  bool operator==(const Buttons &o) const {
    return add == o.add && remove == o.remove && remove_all == o.remove_all && ok == o.ok &&
           cancel == o.cancel;
  }
};

Buttons EnabledButtons(const TPasswordDialog &d) {
  return {d.AddButton->Enabled(), d.RemoveButton->Enabled(), d.RemoveAllButton->Enabled(),
          d.OKButton->Enabled(), d.CancelButton->Enabled()};
}

} // namespace

TEST(PasswordDialog, ButtonsFollowTheTextTyped) {
  TPasswordDialog d(Application, Session);
  EXPECT_EQ(d.Caption(), "Enter password");
  EXPECT_EQ(EnabledButtons(d), (Buttons{false, false, true, false, true}));
  Type(d.Edit, "w");
  EXPECT_EQ(EnabledButtons(d), (Buttons{true, true, true, true, true}));
  EXPECT_EQ(LineEdit(d.Edit)->echoMode(), QLineEdit::Password);
  Backspace(d.Edit);
  EXPECT_EQ(EnabledButtons(d), (Buttons{false, false, true, false, true}));
  Type(d.Edit, "walrus");
  d.AddButton->Click();
  EXPECT_TRUE(d.Added());
  EXPECT_EQ(d.Edit->Text(), "");
  EXPECT_EQ(EnabledButtons(d), (Buttons{false, false, true, true, true}))
      << "after Add, OK stays enabled with an empty edit";
  Type(d.Edit, "x");
  Backspace(d.Edit);
  EXPECT_TRUE(d.OKButton->Enabled());
}

TEST(LoginDialog, FocusStartsWhereTheUserMustType) {
  std::string user, password;
  DriveModal([&] { EXPECT_FALSE(LoginDialog("server", user, password)); },
             [](QWidget *w) {
               auto *d = FormOf<TLoginDialog>(w);
               ASSERT_NE(d, nullptr);
               EXPECT_EQ(d->Caption(), "Database Login");
               EXPECT_EQ(d->DatabaseName->Caption(), "server");
               EXPECT_EQ(d->ActiveControl(), d->UserName);
               d->CancelButton->Click();
             });
  user = "guest";
  DriveModal([&] { EXPECT_TRUE(LoginDialog("server", user, password)); },
             [](QWidget *w) {
               auto *d = FormOf<TLoginDialog>(w);
               ASSERT_NE(d, nullptr);
               EXPECT_EQ(d->ActiveControl(), d->Password);
               EXPECT_EQ(d->UserName->Text(), "guest");
               Type(d->Password, "0123456789012345678901234567890123456789");
               d->OKButton->Click();
             });
  EXPECT_EQ(user, "guest");
  EXPECT_EQ(password, "0123456789012345678901234567890") << "31 characters at most";
}
