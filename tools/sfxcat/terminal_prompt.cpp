#include "tools/sfxcat/terminal_prompt.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "data/db_hooks.h"
#include "data/session.h"

namespace sfxcat {
namespace {

// Reads one line from standard input; with `hidden` the terminal does not
// echo what is typed. False at the end of input.
bool ReadLine(std::string &line, bool hidden) {
  termios saved{};
  const bool restore = hidden && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool ok = static_cast<bool>(std::getline(std::cin, line));
  if (restore) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ok;
}

bool PasswordPrompt(TSession *session) {
  if (!isatty(STDIN_FILENO)) return false;
  std::cerr << "Enter password: " << std::flush;
  std::string password;
  if (!ReadLine(password, true) || password.empty()) return false;
  session->AddPassword(password);
  return true;
}

bool LoginPrompt(const std::string &database, std::string &user, std::string &password) {
  if (!isatty(STDIN_FILENO)) return false;
  std::cerr << "Database: " << database << "\n";
  std::string name = user, secret;
  std::cerr << "User name" << (user.empty() ? "" : " [" + user + "]") << ": " << std::flush;
  std::string typed;
  if (!ReadLine(typed, false)) return false;
  if (!typed.empty()) name = typed;
  std::cerr << "Password: " << std::flush;
  if (!ReadLine(secret, true)) return false;
  user = name;
  password = secret;
  return true;
}

} // namespace

void InstallTerminalPrompts() {
  DbHooks().password_prompt = &PasswordPrompt;
  DbHooks().login_prompt = &LoginPrompt;
}

} // namespace sfxcat
