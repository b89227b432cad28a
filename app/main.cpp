// bonussfx: the catalogue browser's start-up.
#include <cstdio>
#include <cstdlib>

#include "app/unit1.h"
#include "data/dialogs/db_dialogs.h"
#include "data/session.h"
#include "ui/forms.h"

int main(int argc, char **argv) {
  // 1. Every unit's initialisation: the framework over Qt (fonts, style,
  //    Application, Screen) and the rest by their static initialisers.
  InitFramework(argc, argv);
  // The dataset layer asks for passwords and logins through its dialogs.
  InstallDatabaseDialogs();
  // 2-4. The application object, its title and help file.
  Application->Initialize();
  Application->SetTitle("Brenx Bonus Sound Effects");
  Application->SetHelpFile("sfx.hlp");
  // 5. The catalogue window, the main window; its OnCreate runs here.
  Application->CreateForm(Form1);
  // 6. The message loop, until the main window closes.
  Application->Run();
  // 7. Program end: the windows and components are freed (their clean-up
  //    runs), then the process ends without the static destructors, which
  //    the sound output's library does not always survive.
  DoneFramework();
  // The engine is ended while its library is whole (the tables closed with
  // the window above).
  DoneSessions();
  std::fflush(nullptr);
  std::_Exit(EXIT_SUCCESS);
}
