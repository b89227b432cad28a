// The password dialog as the session shows it when a protected table
// refuses to open: one showing per refused attempt, until OK with the right
// password or Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "data/db_hooks.h"
#include "data/dialogs/db_dialogs.h"
#include "data/dialogs/password_dialog.h"
#include "data/session.h"
#include "locked_table.h"
#include "support/modal.h"
#include "tests/data/table_fixture.h"

namespace {

QLineEdit *LineEdit(TEdit *edit) {
  return static_cast<QLineEdit *>(edit->Widget());
}

void Type(TEdit *edit, const char *text) {
  QTest::keyClicks(LineEdit(edit), text);
}

// The dataset dialog the framework shows modally.
template <class T> T *FormOf(QWidget *w) {
  return dynamic_cast<T *>(TControl::FromWidget(w));
}

} // namespace

TEST(PasswordDialog, AddThenOkOpensTheProtectedTable) {
  TempFolder folder;
  MakeLockedTable(folder.Path());
  int shown = 0;
  // First attempt: a wrong password and OK; second: Add the right one, OK.
  std::function<void(QWidget *)> act = [&](QWidget *w) {
    auto *d = FormOf<TPasswordDialog>(w);
    ASSERT_NE(d, nullptr);
    ++shown;
    if (shown == 1) {
      Type(d->Edit, "seal");
      d->OKButton->Click();
    } else {
      Type(d->Edit, "walrus");
      d->AddButton->Click();
      d->OKButton->Click();
    }
  };
  // Each refused attempt shows the dialog once; drive every showing.
  DbHooks().password_prompt = [&](TSession *session) {
    bool ok = false;
    EXPECT_TRUE(DriveModal([&] { ok = PasswordDialog(session); }, act));
    return ok;
  };
  const int result = OpenLockedTable(folder.Path());
  DbHooks().password_prompt = nullptr;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(shown, 2);
}

TEST(PasswordDialog, CancelRaisesThePasswordErrorButAddedPasswordsStay) {
  TempFolder folder;
  MakeLockedTable(folder.Path());
  InstallDatabaseDialogs();
  int result = 0;
  DriveModal([&] { result = OpenLockedTable(folder.Path()); },
             [](QWidget *w) {
               auto *d = FormOf<TPasswordDialog>(w);
               ASSERT_NE(d, nullptr);
               Type(d->Edit, "walrus");
               d->AddButton->Click();
               Type(d->Edit, "typed but cancelled");
               d->CancelButton->Click();
             });
  EXPECT_EQ(result, DBENG_ERR_NEEDPASSWORD);
  DbHooks().password_prompt = nullptr;
  EXPECT_EQ(OpenLockedTable(folder.Path()), 0) << "\"walrus\" stayed in the session";
}
