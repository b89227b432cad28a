// The password dialog: shown when a table refuses to open for lack of a
// password and its session has no OnPassword handler. Passwords typed here
// go to the session itself.
#pragma once

#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/stdctrls.h"

class TSession;

class TPasswordDialog : public TForm {
public:
  TPasswordDialog(TComponent *owner, TSession *session);

  TGroupBox *GroupBox1;
  TEdit *Edit;
  TButton *AddButton;
  TButton *RemoveButton;
  TButton *RemoveAllButton;
  TButton *OKButton;
  TButton *CancelButton;

  void EditChange(TObject *Sender);
  void AddButtonClick(TObject *Sender);
  void RemoveButtonClick(TObject *Sender);
  void RemoveAllButtonClick(TObject *Sender);
  void OKButtonClick(TObject *Sender);

  TSession *Session() const { return session_; }
  // True once a password was added with Add.
  bool Added() const { return added_; }

private:
  TSession *session_;
  bool added_ = false;
};

// Shows the password dialog for `session` modally; true when it closed with
// OK (the caller then tries again with the passwords the session now holds).
bool PasswordDialog(TSession *session);
