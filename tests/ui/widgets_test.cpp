// Buttons by kind, labels and their accelerators, notebooks and tab sets,
// radio groups, and the save dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "support/modal.h"
#include "ui/buttons.h"
#include "ui/dialogs.h"
#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/stdctrls.h"

TEST(Widgets, BitBtnKindsSetCaptionResultAndDefault) {
  TForm form(nullptr);
  auto *ok = new TBitBtn(&form);
  ok->SetParent(&form);
  ok->SetKind(bkOK);
  EXPECT_EQ(ok->Caption(), "OK");
  EXPECT_EQ(ok->ModalResult(), mrOk);
  EXPECT_TRUE(ok->Default());
  EXPECT_FALSE(ok->Glyph().Empty());
  auto *cancel = new TBitBtn(&form);
  cancel->SetParent(&form);
  cancel->SetKind(bkCancel);
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(form.DefaultButton(), ok);
  EXPECT_EQ(form.CancelButton(), cancel);
  // Two glyphs side by side: the button shows the left half.
  TBitmap two;
  two.SetSize(20, 10);
  cancel->SetGlyph(two);
  cancel->SetNumGlyphs(2);
  EXPECT_EQ(static_cast<QPushButton *>(cancel->Widget())->iconSize(), QSize(10, 10));
}

TEST(Widgets, LabelSizesToItsTextAndItsLetterFocusesItsControl) {
  TForm form(nullptr);
  auto *label = new TLabel(&form);
  label->SetParent(&form);
  label->SetCaption("&Name:");
  QFontMetrics fm(label->Font().ToQFont());
  EXPECT_EQ(label->Width(), fm.horizontalAdvance("Name:")) << "the & takes no room";
  EXPECT_EQ(label->Height(), fm.height());
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetTop(30);
  auto *other = new TEdit(&form);
  other->SetParent(&form);
  other->SetTop(60);
  label->SetFocusControl(edit);
  form.Show();
  QApplication::setActiveWindow(form.Widget());
  other->SetFocus();
  EXPECT_TRUE(form.DispatchAccelerator(U'n'));
  EXPECT_TRUE(edit->Focused());
  EXPECT_FALSE(form.DispatchAccelerator(U'z'));
  delete edit;
  EXPECT_EQ(label->FocusControl(), nullptr) << "told when its control goes";
}

TEST(Widgets, NotebookShowsOnePageAndTabSetCanRefuseAChange) {
  TForm form(nullptr);
  auto *book = new TNotebook(&form);
  book->SetParent(&form);
  TPanel *values = book->AddPage("Values");
  TPanel *ranges = book->AddPage("Ranges");
  EXPECT_EQ(book->PageIndex(), 0);
  EXPECT_TRUE(values->Visible());
  EXPECT_FALSE(ranges->Visible());
  EXPECT_TRUE(book->SetActivePage("Ranges"));
  EXPECT_FALSE(values->Visible());
  EXPECT_TRUE(ranges->Visible());
  EXPECT_FALSE(book->SetActivePage("Nothing"));

  auto *tabs = new TTabSet(&form);
  tabs->SetParent(&form);
  TStringList names;
  names.SetText("Values\nRanges\n");
  tabs->SetTabs(names);
  bool allow = false;
  std::vector<int> asked;
  tabs->OnChange = [&](TObject *, int tab, bool &ok) {
    asked.push_back(tab);
    ok = allow;
  };
  tabs->SetTabIndex(1);
  EXPECT_EQ(tabs->TabIndex(), 0) << "refused";
  allow = true;
  tabs->SetTabIndex(1);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(asked, (std::vector<int>{1, 1}));
}

TEST(Widgets, RadioGroupChecksOneItem) {
  TForm form(nullptr);
  auto *group = new TRadioGroup(&form);
  group->SetParent(&form);
  TStringList items;
  items.SetText("Match start\nMatch any\nExact\n");
  group->SetItems(items);
  int clicks = 0;
  group->OnClick = [&](TObject *) { ++clicks; };
  group->SetItemIndex(2);
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_EQ(clicks, 0) << "setting by program is not a click";
  group->SetItemIndex(7);
  EXPECT_EQ(group->ItemIndex(), -1);
}

TEST(Widgets, SaveDialogAddsTheDefaultExtensionToATypedName) {
  EXPECT_EQ(TOpenDialog::QtNameFilters("Wav|*.wav|All types|*.*"), "Wav (*.wav);;All types (*.*)");
  QTemporaryDir dir;
  TSaveDialog save(nullptr);
  save.SetDefaultExt("wav");
  save.SetFilter("Wav|*.wav|All types|*.*");
  save.SetInitialDir(dir.path().toStdString());
  bool chosen = false;
  EXPECT_TRUE(DriveModal([&] { chosen = save.Execute(); },
                         [](QWidget *w) {
                           auto *dialog = qobject_cast<QFileDialog *>(w);
                           ASSERT_NE(dialog, nullptr);
                           auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
                           ASSERT_NE(name, nullptr);
                           name->setText("boom");
                           QMetaObject::invokeMethod(dialog, "accept");
                         }));
  EXPECT_TRUE(chosen);
  EXPECT_EQ(save.FileName(), QDir(dir.path()).filePath("boom.wav").toStdString());
  // Cancel leaves the name as it was.
  EXPECT_TRUE(DriveModal([&] { chosen = save.Execute(); },
                         [](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); }));
  EXPECT_FALSE(chosen);
  EXPECT_EQ(save.FileName(), QDir(dir.path()).filePath("boom.wav").toStdString());
}
