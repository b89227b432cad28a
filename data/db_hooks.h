// The ways the dataset layer reaches the user besides the exception handler
// and the screen cursor of base/: the program installs hooks at start-up
// that show the password and login dialogs and run the database-wait
// timer, and sfxcat installs terminal prompts. Without a hook nothing is
// shown and a prompt counts as cancelled.
#pragma once

#include <functional>
#include <string>

class TSession;

// Asks the user for table passwords on behalf of a session; the prompt adds
// what was typed to the session itself. True when the caller should retry.
using TPasswordPrompt = std::function<bool(TSession *session)>;
// Asks for a user name and password for a database login. On true both
// texts hold the reply; on false they are left unchanged.
using TLoginPrompt = std::function<bool(const std::string &database_name, std::string &user_name,
                                        std::string &password)>;
// A one-shot-or-repeating timer driven by the program's event loop: start
// gives an id (0 when no timer could be made), stop ends it.
using TTimerStart = std::function<int(int interval_ms, std::function<void()> on_timer)>;
using TTimerStop = std::function<void(int id)>;

struct TDbHooks {
  TPasswordPrompt password_prompt;
  TLoginPrompt login_prompt;
  TTimerStart start_timer;
  TTimerStop stop_timer;
};

// The installed hooks; the program and sfxcat fill in what they provide.
TDbHooks &DbHooks();

// The password prompt of a session: the installed hook, else false.
bool RunPasswordPrompt(TSession *session);
// The login prompt: the installed hook, else false (cancelled).
bool RunLoginPrompt(const std::string &database_name, std::string &user_name,
                    std::string &password);

// True on the thread that started the program (the one owning the windows).
bool IsMainThread();
