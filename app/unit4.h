// The about box: the program's icon, name, version and a word about the
// sounds, closed with OK.
#pragma once

#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/stdctrls.h"

class TAboutBox1 : public TForm {
public:
  explicit TAboutBox1(TComponent *owner);

  TPanel *Panel1;
  TImage *ProgramIcon;
  TLabel *ProductName;
  TLabel *Version;
  TLabel *Copyright;
  TLabel *Comments;
  TButton *OKButton;
};
