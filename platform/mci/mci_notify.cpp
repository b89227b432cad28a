#include "platform/mci/mci_notify.h"

#include <QCoreApplication>
#include <QPointer>

#include <map>
#include <mutex>

namespace {

struct WindowRegistry {
  std::mutex lock;
  std::map<MCIHWND, QPointer<QObject>> windows;
  // Handles are never reused, so a notice meant for a window that has gone
  // cannot reach a newer one.
  MCIHWND next = 0x1000;
};

WindowRegistry &Registry() {
  static WindowRegistry registry;
  return registry;
}

} // namespace

MciNotifyEvent::MciNotifyEvent(std::uint16_t code, MCIDEVICEID device)
    : QEvent(EventType()), code_(code), device_(device) {}

QEvent::Type MciNotifyEvent::EventType() {
  static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

MCIHWND MciRegisterWindow(QObject *target) {
  if (!target) return 0;
  auto &r = Registry();
  std::lock_guard guard(r.lock);
  MCIHWND handle = r.next++;
  r.windows[handle] = target;
  return handle;
}

void MciUnregisterWindow(MCIHWND handle) {
  auto &r = Registry();
  std::lock_guard guard(r.lock);
  r.windows.erase(handle);
}

QObject *MciWindowObject(MCIHWND handle) {
  auto &r = Registry();
  std::lock_guard guard(r.lock);
  auto it = r.windows.find(handle);
  if (it == r.windows.end()) return nullptr;
  if (it->second.isNull()) {
    r.windows.erase(it);
    return nullptr;
  }
  return it->second.data();
}

void MciPostNotify(MCIHWND handle, std::uint16_t code, MCIDEVICEID device) {
  if (handle == 0) return;
  QObject *target = MciWindowObject(handle);
  if (!target) return;
  QCoreApplication::postEvent(target, new MciNotifyEvent(code, device));
}
