#include "data/dialogs/db_dialogs.h"

#include <QObject>
#include <QTimer>
#include <map>

#include "data/db_hooks.h"
#include "data/dialogs/login_dialog.h"
#include "data/dialogs/password_dialog.h"

namespace {

// The database-wait timers the sessions start, by id.
std::map<int, QTimer *> &WaitTimers() {
  static std::map<int, QTimer *> timers;
  return timers;
}

int StartTimer(int interval_ms, std::function<void()> on_timer) {
  static int last_id = 0;
  auto *timer = new QTimer;
  timer->setInterval(interval_ms);
  QObject::connect(timer, &QTimer::timeout, std::move(on_timer));
  WaitTimers()[++last_id] = timer;
  timer->start();
  return last_id;
}

void StopTimer(int id) {
  auto it = WaitTimers().find(id);
  if (it == WaitTimers().end()) return;
  it->second->stop();
  // The timer may be stopping itself from its own timeout.
  it->second->deleteLater();
  WaitTimers().erase(it);
}

} // namespace

void InstallDatabaseDialogs() {
  DbHooks().password_prompt = &PasswordDialog;
  DbHooks().login_prompt = &LoginDialog;
  DbHooks().start_timer = &StartTimer;
  DbHooks().stop_timer = &StopTimer;
}
