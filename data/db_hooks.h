// The ways the dataset layer reaches the user. The layer itself never opens a
// window: the program installs hooks at start-up that show the password and
// login dialogs and the busy cursors, and sfxcat installs terminal prompts.
// Without a hook nothing is shown and the prompt counts as cancelled.
#pragma once

#include <functional>
#include <string>

class TSession;
class Exception;

// Asks the user for table passwords on behalf of a session; the prompt adds
// what was typed to the session itself. True when the caller should retry.
using TPasswordPrompt = std::function<bool(TSession *session)>;
// Asks for a user name and password for a database login. On true both
// texts hold the reply; on false they are left unchanged.
using TLoginPrompt = std::function<bool(const std::string &database_name, std::string &user_name,
                                        std::string &password)>;
// Sets the screen's cursor: 0 default, -11 hourglass, -17 database wait.
using TCursorHook = std::function<void(int cursor)>;
// Shows an exception the way the application's top-level handler does.
using TExceptionHook = std::function<void(const Exception &e)>;
// A one-shot-or-repeating timer driven by the program's event loop: start
// gives an id (0 when no timer could be made), stop ends it.
using TTimerStart = std::function<int(int interval_ms, std::function<void()> on_timer)>;
using TTimerStop = std::function<void(int id)>;

struct TDbHooks {
  TPasswordPrompt password_prompt;
  TLoginPrompt login_prompt;
  TCursorHook set_cursor;
  TExceptionHook handle_exception;
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
