#include "data/db_hooks.h"

#include <thread>

namespace {
// Captured during static initialisation, which runs on the program's first
// thread before main.
const std::thread::id g_main_thread = std::this_thread::get_id();
} // namespace

TDbHooks &DbHooks() {
  static TDbHooks hooks;
  return hooks;
}

bool RunPasswordPrompt(TSession *session) {
  auto &hook = DbHooks().password_prompt;
  return hook ? hook(session) : false;
}

bool RunLoginPrompt(const std::string &database_name, std::string &user_name,
                    std::string &password) {
  auto &hook = DbHooks().login_prompt;
  return hook ? hook(database_name, user_name, password) : false;
}

bool IsMainThread() {
  return std::this_thread::get_id() == g_main_thread;
}
