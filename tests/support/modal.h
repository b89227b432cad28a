// Driving modal windows from a test: `open` shows a modal window (a message
// box, a dialog form) and returns once it is closed; meanwhile `act` is
// called with the modal window as soon as it is up, to read and close it.
// A watchdog closes whatever is still modal after `timeout_ms`, so a broken
// test fails instead of hanging.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

// Returns false when no modal window appeared, or the watchdog had to act.
inline bool DriveModal(const std::function<void()> &open, const std::function<void(QWidget *)> &act,
                       int timeout_ms = 5000) {
  bool acted = false, timed_out = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget *w = QApplication::activeModalWidget();
    if (!w || acted || !w->isVisible()) return;
    acted = true;
    act(w);
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    timed_out = true;
    while (QWidget *w = QApplication::activeModalWidget()) {
      if (auto *d = qobject_cast<QDialog *>(w))
        d->done(QDialog::Rejected);
      else
        w->close();
      QApplication::processEvents();
      if (QApplication::activeModalWidget() == w) break;
    }
  });
  poll.start();
  watchdog.start(timeout_ms);
  open();
  poll.stop();
  watchdog.stop();
  return acted && !timed_out;
}

// Text and caption of a message box, and a way to press one of its buttons.
struct TBoxSeen {
  std::string caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool seen = false;
};

inline std::function<void(QWidget *)> ReadAndClose(TBoxSeen &seen) {
  return [&seen](QWidget *w) {
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
      seen.seen = true;
      seen.caption = box->windowTitle().toStdString();
      seen.text = box->text().toStdString();
      seen.icon = box->icon();
      box->done(0);
    }
  };
}
