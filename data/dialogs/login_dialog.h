// The login dialog: shown when a database of a driver other than "STANDARD"
// is opened with LoginPrompt set and no OnLogin handler.
#pragma once

#include <string>

#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/stdctrls.h"

class TLoginDialog : public TForm {
public:
  explicit TLoginDialog(TComponent *owner);

  TPanel *Panel;
  TLabel *Label3;
  TLabel *DatabaseName;
  TBevel *Bevel;
  TLabel *Label1;
  TEdit *UserName;
  TLabel *Label2;
  TEdit *Password;
  TButton *OKButton;
  TButton *CancelButton;
};

// Asks for a user name and password to log in to `database_name`. On OK
// the two texts hold the reply and the result is true; otherwise both are
// left unchanged.
bool LoginDialog(const std::string &database_name, std::string &user_name, std::string &password);
