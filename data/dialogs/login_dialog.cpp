#include "data/dialogs/login_dialog.h"

#include <memory>

#include "ui/screen_metrics.h"

TLoginDialog::TLoginDialog(TComponent *owner) : TForm(owner) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption("Database Login");
  Font().SetName("MS Sans Serif");
  Font().SetHeight(-11);
  Font().SetColor(clBlack);
  SetClientWidth(ScaleDesign(273));
  SetClientHeight(ScaleDesign(147));

  Panel = new TPanel(this);
  Panel->SetName("Panel");
  Panel->SetParent(this);
  Panel->SetDesignBounds(8, 7, 257, 98);
  Panel->SetBevelInner(bvRaised);
  Panel->SetBevelOuter(bvLowered);
  Panel->SetTabOrder(2);

  auto label = [this](const char *name, const std::string &caption, int left, int top, int width,
                      int height) {
    auto *l = new TLabel(this);
    l->SetName(name);
    l->SetParent(Panel);
    l->SetDesignBounds(left, top, width, height);
    l->SetCaption(caption);
    return l;
  };
  Label3 = label("Label3", "Database:", 10, 6, 49, 13);
  DatabaseName = label("DatabaseName", "", 91, 6, 3, 13);
  DatabaseName->SetAutoSize(true);

  Bevel = new TBevel(this);
  Bevel->SetName("Bevel");
  Bevel->SetParent(Panel);
  Bevel->SetDesignBounds(1, 24, 254, 9);
  Bevel->SetShape(bsTopLine);

  Label1 = label("Label1", "&User Name:", 10, 39, 56, 13);
  UserName = new TEdit(this);
  UserName->SetName("UserName");
  UserName->SetParent(Panel);
  UserName->SetDesignBounds(88, 36, 153, 21);
  UserName->SetMaxLength(31);
  UserName->SetTabOrder(0);
  Label1->SetFocusControl(UserName);

  Label2 = label("Label2", "&Password:", 10, 67, 49, 13);
  Password = new TEdit(this);
  Password->SetName("Password");
  Password->SetParent(Panel);
  Password->SetDesignBounds(88, 64, 153, 21);
  Password->SetMaxLength(31);
  Password->SetPasswordChar(U'*');
  Password->SetTabOrder(1);
  Label2->SetFocusControl(Password);

  OKButton = new TButton(this);
  OKButton->SetName("OKButton");
  OKButton->SetParent(this);
  OKButton->SetDesignBounds(109, 114, 75, 25);
  OKButton->SetCaption("&OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(mrOk);
  OKButton->SetTabOrder(0);

  CancelButton = new TButton(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetDesignBounds(190, 114, 75, 25);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  CancelButton->SetTabOrder(1);

  SetActiveControl(Password);
}

bool LoginDialog(const std::string &database_name, std::string &user_name, std::string &password) {
  std::unique_ptr<TLoginDialog> dialog(new TLoginDialog(Application));
  dialog->DatabaseName->SetCaption(database_name);
  dialog->UserName->SetText(user_name);
  if (user_name.empty()) dialog->SetActiveControl(dialog->UserName);
  if (dialog->ShowModal() != mrOk) return false;
  user_name = dialog->UserName->Text();
  password = dialog->Password->Text();
  return true;
}
