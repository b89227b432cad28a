// Closes every message box that appears while `run` runs, keeping their
// texts; other modal windows are left alone.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

inline std::vector<std::string> CloseBoxesWhile(const std::function<void()> &run) {
  std::vector<std::string> texts;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
      if (!box->isVisible()) return;
      texts.push_back(box->text().toStdString());
      box->done(0);
    }
  });
  poll.start();
  run();
  poll.stop();
  return texts;
}
