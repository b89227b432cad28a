// Completion notices as Qt events.
//
// A window that wants notices registers a QObject and puts the handle value it
// gets back into a record's callback field. A device posts an MciNotifyEvent
// to that object with QCoreApplication::postEvent, so the notice is delivered
// on the object's thread by its event loop. Notices for a handle that has been
// unregistered in the meantime are dropped.
#pragma once

#include "platform/mci/mci.h"

#include <QEvent>

class QObject;

class MciNotifyEvent : public QEvent {
public:
  MciNotifyEvent(std::uint16_t code, MCIDEVICEID device);
  // The event type, registered once with Qt.
  static QEvent::Type EventType();

  std::uint16_t Code() const { return code_; }   // MCI_NOTIFY_SUCCESSFUL, ...
  MCIDEVICEID Device() const { return device_; } // the device that posted it

private:
  std::uint16_t code_;
  MCIDEVICEID device_;
};

// Registers `target` as a callback window; returns its handle (never 0).
MCIHWND MciRegisterWindow(QObject *target);
// Forgets a handle; later notices to it are dropped.
void MciUnregisterWindow(MCIHWND handle);
// The object of a handle, or null.
QObject *MciWindowObject(MCIHWND handle);
// Posts a notice to a handle's object (nothing when the handle is 0 or unknown).
void MciPostNotify(MCIHWND handle, std::uint16_t code, MCIDEVICEID device);
