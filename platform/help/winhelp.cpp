#include "platform/help/winhelp.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <optional>

#include "base/exception.h"
#include "platform/help/helpfile.h"

namespace {

QString Q(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

const char *const kHelpOnHelpHtml =
    "<h2>Using help</h2><p>The list on the left holds every topic of the help file; "
    "click one to read it. Underlined words lead to other topics. Press F1 in the "
    "program to open the topic of the control or menu item you are on.</p>";

class THelpWindow : public QWidget {
public:
  THelpWindow() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    auto *split = new QSplitter(this);
    list_ = new QListWidget(split);
    text_ = new QTextBrowser(split);
    text_->setOpenLinks(false);
    split->setStretchFactor(1, 3);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(split);
    resize(560, 400);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
      if (!updating_ && row >= 0 && row < int(file_.Topics().size()))
        ShowTopic(file_.Topics()[size_t(row)].Context);
    });
    connect(text_, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
      QString s = url.toString();
      if (s.startsWith("topic:")) ShowTopic(s.mid(6).toInt());
    });
  }

  void SetFile(const std::string &path, THelpFile file) {
    path_ = path;
    file_ = std::move(file);
    setWindowTitle(
        Q(file_.Title().empty() ? QFileInfo(Q(path)).fileName().toStdString() : file_.Title()));
    updating_ = true;
    list_->clear();
    for (const auto &t : file_.Topics())
      list_->addItem(Q(t.Title));
    updating_ = false;
  }

  bool ShowTopic(int context) {
    const THelpTopic *topic = file_.Find(context);
    if (!topic) return false;
    topic_ = context;
    text_->setHtml(Q(file_.TopicHtml(*topic)));
    updating_ = true;
    for (size_t i = 0; i < file_.Topics().size(); ++i)
      if (file_.Topics()[i].Context == context) list_->setCurrentRow(int(i));
    updating_ = false;
    return true;
  }

  void ShowHelpOnHelp() {
    topic_ = -1;
    text_->setHtml(kHelpOnHelpHtml);
  }

  const THelpFile &File() const { return file_; }
  const std::string &Path() const { return path_; }
  int Topic() const { return topic_; }

private:
  QListWidget *list_;
  QTextBrowser *text_;
  THelpFile file_ = THelpFile::Parse(".topic 0 Help\n", "");
  std::string path_;
  int topic_ = -1;
  bool updating_ = false;
};

QPointer<THelpWindow> g_window;

void Complain(const QString &text) {
  QMessageBox box(QMessageBox::Warning, "Help", text, QMessageBox::Ok);
  box.exec();
}

} // namespace

bool WinHelp(const std::string &file, unsigned command, uintptr_t data) {
  if (command == kHelpQuit) {
    CloseHelpViewer();
    return true;
  }
  std::optional<THelpFile> help;
  try {
    help = THelpFile::Load(file);
  } catch (const std::exception &e) {
    Complain(QString("Cannot show help: %1.").arg(Q(e.what())));
    return false;
  }
  if (!g_window) g_window = new THelpWindow;
  g_window->SetFile(file, std::move(*help));
  bool ok = true;
  switch (command) {
  case kHelpContext:
    if (!g_window->ShowTopic(int(data))) {
      g_window->ShowTopic(g_window->File().ContentsContext());
      ok = false;
    }
    break;
  case kHelpOnHelp:
    g_window->ShowHelpOnHelp();
    break;
  default:
    g_window->ShowTopic(g_window->File().ContentsContext());
    break;
  }
  g_window->show();
  g_window->raise();
  g_window->activateWindow();
  if (!ok)
    Complain(QString("The help file %1 has no topic %2.")
                 .arg(QFileInfo(Q(file)).fileName())
                 .arg(qulonglong(data)));
  return ok;
}

int HelpViewerTopic() {
  return g_window && g_window->isVisible() ? g_window->Topic() : -1;
}

std::string HelpViewerFile() {
  return g_window ? g_window->Path() : std::string();
}

void CloseHelpViewer() {
  if (g_window) g_window->close();
}
