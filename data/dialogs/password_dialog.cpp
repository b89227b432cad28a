#include "data/dialogs/password_dialog.h"

#include <memory>

#include "ui/screen_metrics.h"

#include "data/session.h"

namespace {

// Form settings both database dialogs share.
void SetUpDialogForm(TForm *form, const std::string &caption, int width, int height) {
  form->SetBorderStyle(bsDialog);
  form->SetPosition(poScreenCenter);
  form->SetCaption(caption);
  form->Font().SetName("MS Sans Serif");
  form->Font().SetHeight(-11);
  form->Font().SetColor(clBlack);
  form->SetClientWidth(ScaleDesign(width));
  form->SetClientHeight(ScaleDesign(height));
}

TButton *MakeButton(TForm *form, TWinControl *parent, const std::string &caption, int left, int top,
                    int width, int height, int tab_order) {
  auto *b = new TButton(form);
  b->SetParent(parent);
  b->SetDesignBounds(left, top, width, height);
  b->SetCaption(caption);
  b->SetTabOrder(tab_order);
  return b;
}

} // namespace

TPasswordDialog::TPasswordDialog(TComponent *owner, TSession *session)
    : TForm(owner), session_(session) {
  SetUpDialogForm(this, "Enter password", 273, 132);

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetParent(this);
  GroupBox1->SetDesignBounds(8, 8, 257, 81);
  GroupBox1->SetCaption("Password");
  GroupBox1->SetTabOrder(0);

  Edit = new TEdit(this);
  Edit->SetName("Edit");
  Edit->SetParent(GroupBox1);
  Edit->SetDesignBounds(16, 18, 225, 20);
  Edit->SetPasswordChar(U'*');
  Edit->SetTabOrder(0);
  Edit->OnChange = [this](TObject *sender) { EditChange(sender); };

  AddButton = MakeButton(this, GroupBox1, "&Add", 16, 46, 65, 25, 1);
  AddButton->SetName("AddButton");
  AddButton->SetEnabled(false);
  AddButton->OnClick = [this](TObject *sender) { AddButtonClick(sender); };

  RemoveButton = MakeButton(this, GroupBox1, "&Remove", 88, 46, 65, 25, 2);
  RemoveButton->SetName("RemoveButton");
  RemoveButton->SetEnabled(false);
  RemoveButton->OnClick = [this](TObject *sender) { RemoveButtonClick(sender); };

  RemoveAllButton = MakeButton(this, GroupBox1, "Re&move all", 160, 46, 81, 25, 3);
  RemoveAllButton->SetName("RemoveAllButton");
  RemoveAllButton->OnClick = [this](TObject *sender) { RemoveAllButtonClick(sender); };

  OKButton = MakeButton(this, this, "&OK", 109, 98, 75, 25, 1);
  OKButton->SetName("OKButton");
  OKButton->SetDefault(true);
  OKButton->SetEnabled(false);
  // The result is set by OKButtonClick once the password went in, so that a
  // failing AddPassword leaves the dialog open.
  OKButton->OnClick = [this](TObject *sender) { OKButtonClick(sender); };

  CancelButton = MakeButton(this, this, "Cancel", 190, 98, 75, 25, 2);
  CancelButton->SetName("CancelButton");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);

  SetActiveControl(Edit);
}

void TPasswordDialog::EditChange(TObject *) {
  const bool has_text = !Edit->Text().empty();
  AddButton->SetEnabled(has_text);
  RemoveButton->SetEnabled(has_text);
  OKButton->SetEnabled(has_text || added_);
}

void TPasswordDialog::AddButtonClick(TObject *) {
  session_->AddPassword(Edit->Text());
  added_ = true;
  Edit->Clear();
  EditChange(Edit);
  if (Edit->CanFocus()) Edit->SetFocus();
}

void TPasswordDialog::RemoveButtonClick(TObject *) {
  session_->RemovePassword(Edit->Text());
  Edit->Clear();
  EditChange(Edit);
  if (Edit->CanFocus()) Edit->SetFocus();
}

void TPasswordDialog::RemoveAllButtonClick(TObject *) {
  session_->RemoveAllPasswords();
  if (Edit->CanFocus()) Edit->SetFocus();
}

void TPasswordDialog::OKButtonClick(TObject *) {
  session_->AddPassword(Edit->Text());
  SetModalResult(mrOk);
}

bool PasswordDialog(TSession *session) {
  std::unique_ptr<TPasswordDialog> dialog(new TPasswordDialog(Application, session));
  return dialog->ShowModal() == mrOk;
}
