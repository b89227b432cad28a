#include "ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "ui/forms.h"

namespace {

QString Q(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::vector<std::string> Split(const std::string &s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

} // namespace

std::string TOpenDialog::QtNameFilters(const std::string &filter) {
  if (filter.empty()) return {};
  std::vector<std::string> parts = Split(filter, '|');
  std::string out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns = parts[i + 1];
    for (char &c : patterns)
      if (c == ';') c = ' ';
    if (!out.empty()) out += ";;";
    out += parts[i] + " (" + patterns + ")";
  }
  return out;
}

bool TOpenDialog::Execute() {
  return Run(false);
}

bool TSaveDialog::Execute() {
  return Run(true);
}

bool TOpenDialog::Run(bool save) {
  QFileDialog dialog(QApplication::activeWindow(), Q(title_));
  // Qt's own dialog, so that it looks and behaves the same everywhere
  // (and tests can drive it).
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save || !(options_ & ofFileMustExist) ? QFileDialog::AnyFile
                                                           : QFileDialog::ExistingFile);
  if (save && !(options_ & ofOverwritePrompt))
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!default_ext_.empty()) dialog.setDefaultSuffix(Q(default_ext_));
  QStringList filters = Q(QtNameFilters(filter_)).split(";;", Qt::SkipEmptyParts);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    int index = std::clamp(filter_index_, 1, int(filters.size())) - 1;
    dialog.selectNameFilter(filters[index]);
  }
  QFileInfo current(Q(file_name_));
  if (!initial_dir_.empty())
    dialog.setDirectory(Q(initial_dir_));
  else if (!file_name_.empty() && current.dir().exists())
    dialog.setDirectory(current.dir());
  if (!file_name_.empty()) dialog.selectFile(current.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  file_name_ = dialog.selectedFiles().first().toStdString();
  filter_index_ = std::max(1, int(filters.indexOf(dialog.selectedNameFilter())) + 1);
  return true;
}

int MessageDlg(const std::string &message, TMsgDlgType type, TMsgDlgButtons buttons,
               int help_context) {
  static const char *const kCaptions[] = {"Warning", "Error", "Information", "Confirm", ""};
  QMessageBox box(QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                    : QApplication::activeWindow());
  std::string caption = kCaptions[type];
  if (type == mtCustom && Application) caption = Application->Title();
  box.setWindowTitle(Q(caption));
  box.setText(Q(message));
  box.setTextFormat(Qt::PlainText);
  static const QMessageBox::Icon kIcons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                             QMessageBox::Information, QMessageBox::Question,
                                             QMessageBox::NoIcon};
  box.setIcon(kIcons[type]);
  struct Choice {
    TMsgDlgButtons flag;
    QMessageBox::StandardButton button;
    int result;
  };
  static const Choice kChoices[] = {
      {mbYes, QMessageBox::Yes, mrYes},
      {mbNo, QMessageBox::No, mrNo},
      {mbOK, QMessageBox::Ok, mrOk},
      {mbCancel, QMessageBox::Cancel, mrCancel},
      {mbAbort, QMessageBox::Abort, mrAbort},
      {mbRetry, QMessageBox::Retry, mrRetry},
      {mbIgnore, QMessageBox::Ignore, mrIgnore},
      {mbAll, QMessageBox::YesToAll, mrAll},
      {mbHelp, QMessageBox::Help, mrNone},
  };
  if (!(buttons & ~mbHelp)) buttons |= mbOK;
  for (const Choice &c : kChoices)
    if (buttons & c.flag) box.addButton(c.button);
  // Help asks for the topic and shows the question again.
  QAbstractButton *help = box.button(QMessageBox::Help);
  while (true) {
    box.exec();
    if (!help || box.clickedButton() != help) break;
    if (Application && help_context != 0) Application->HelpContext(help_context);
  }
  QAbstractButton *clicked = box.clickedButton();
  for (const Choice &c : kChoices)
    if (clicked && box.standardButton(clicked) == c.button && c.flag != mbHelp) return c.result;
  return (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : mrCancel;
}

void ShowMessage(const std::string &message) {
  MessageDlg(message, mtCustom, mbOK, 0);
}
