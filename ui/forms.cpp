#include "ui/forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFont>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <exception>

#include "base/app_hooks.h"
#include "base/exception.h"
#include "platform/help/winhelp.h"
#include "ui/menus.h"
#include "ui/screen_metrics.h"
#include "ui/stdctrls.h"

TApplication *Application = nullptr;
TScreen *Screen = nullptr;

namespace {

QString ToQString(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

int g_ppi_override = 0;
QApplication *g_own_qapp = nullptr;

} // namespace

int ScreenPixelsPerInch() {
  if (g_ppi_override > 0) return g_ppi_override;
  if (QScreen *s = QGuiApplication::primaryScreen())
    return std::max(1, int(std::lround(s->logicalDotsPerInch())));
  return 96;
}

void SetScreenPixelsPerInch(int ppi) {
  g_ppi_override = ppi;
}

int ScaleDesign(int value) {
  int ppi = ScreenPixelsPerInch();
  if (ppi == 96) return value;
  long long v = static_cast<long long>(value) * ppi;
  // Rounded down, also for negative values.
  return static_cast<int>(v >= 0 ? v / 96 : -((-v + 95) / 96));
}

Qt::CursorShape QtCursorShape(TCursor cursor) {
  switch (cursor) {
  case crNone:
    return Qt::BlankCursor;
  case crCross:
    return Qt::CrossCursor;
  case crIBeam:
    return Qt::IBeamCursor;
  case crSizeNESW:
    return Qt::SizeBDiagCursor;
  case crSizeNS:
    return Qt::SizeVerCursor;
  case crSizeNWSE:
    return Qt::SizeFDiagCursor;
  case crSizeWE:
    return Qt::SizeHorCursor;
  case crUpArrow:
    return Qt::UpArrowCursor;
  case crHourGlass:
    return Qt::WaitCursor;
  case crSQLWait:
    return Qt::BusyCursor;
  case crDrag:
  case crMultiDrag:
    return Qt::DragCopyCursor;
  case crNoDrop:
    return Qt::ForbiddenCursor;
  case crHSplit:
    return Qt::SplitHCursor;
  case crVSplit:
    return Qt::SplitVCursor;
  default:
    return Qt::ArrowCursor;
  }
}

void ReportPaintFailure(TObject *sender) {
  (void)sender;
  static bool pending = false;
  std::exception_ptr error = std::current_exception();
  // One report at a time: a paint that fails every time would otherwise
  // queue a message box per repaint.
  if (pending || !error || !qApp) return;
  pending = true;
  QTimer::singleShot(0, qApp, [error] {
    try {
      std::rethrow_exception(error);
    } catch (...) {
      HandleCurrentException(nullptr);
    }
    pending = false;
  });
}

// ---- the form's window ----

class TFormWindow : public QMainWindow {
public:
  explicit TFormWindow(TForm *form) : form_(form) {}
  void Detach() { form_ = nullptr; }
  bool closing_ = false;

protected:
  void closeEvent(QCloseEvent *e) override {
    if (!form_ || closing_) return QMainWindow::closeEvent(e);
    // The close box asks the form, which hides itself if it may close.
    e->ignore();
    form_->Guarded([&] { form_->Close(); });
  }
  void showEvent(QShowEvent *e) override {
    QMainWindow::showEvent(e);
    if (form_) form_->DoShow();
  }
  void hideEvent(QHideEvent *e) override {
    QMainWindow::hideEvent(e);
    if (form_) form_->DoHide();
  }
  void changeEvent(QEvent *e) override {
    QMainWindow::changeEvent(e);
    if (form_ && e->type() == QEvent::ActivationChange) form_->DoActivate(isActiveWindow());
  }
  bool focusNextPrevChild(bool next) override {
    if (!form_) return QMainWindow::focusNextPrevChild(next);
    form_->Guarded([&] { form_->SelectNext(form_->ActiveControl(), next, true); });
    return true;
  }
  void keyPressEvent(QKeyEvent *e) override {
    // Keys the focused control left alone: Enter and Escape work the
    // form's default and cancel buttons.
    if (form_) form_->HandleReturnOrEscape(e);
    if (!e->isAccepted()) QMainWindow::keyPressEvent(e);
  }

private:
  TForm *form_;
};

// ---- TForm ----

TForm::TForm(TComponent *owner)
    : TWinControl(owner, new TFormWindow(this)), window_(static_cast<TFormWindow *>(Widget())) {
  client_ = new QWidget;
  window_->setCentralWidget(client_);
  window_->setAttribute(Qt::WA_DeleteOnClose, false);
  SetVisible(false);
  Font().SetName("MS Sans Serif");
  Font().SetSize(8);
  SetColor(clBtnFace);
  SetParentColor(false);
  window_->setAutoFillBackground(true);
  SetBounds(0, 0, ScaleDesign(320), ScaleDesign(240));
  SetCaption(Name());
  if (Screen) Screen->forms_.push_back(this);
}

TForm::~TForm() {
  Destroying();
  if (OnDestroy) Guarded([&] { OnDestroy(this); });
  if (modal_loop_) modal_loop_->exit(0);
  if (Screen) std::erase(Screen->forms_, this);
  if (Application && Application->main_form_ == this) Application->main_form_ = nullptr;
  window_->Detach();
  DestroyComponents();
}

void TForm::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) Guarded([&] { OnCreate(this); });
}

QWidget *TForm::ClientWidget() const {
  return client_;
}

int TForm::MenuHeight() const {
  if (!menu_ || !window_->menuWidget()) return 0;
  QWidget *bar = window_->menuWidget();
  return bar->isVisible() ? bar->height() : bar->sizeHint().height();
}

void TForm::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
}

void TForm::BoundsChanged() {
  window_->resize(Width(), Height());
  window_->move(Left(), Top());
  if (border_style_ == bsDialog || border_style_ == bsSingle)
    window_->setFixedSize(Width(), Height());
}

int TForm::ClientWidth() const {
  return Width();
}
int TForm::ClientHeight() const {
  return std::max(0, Height() - MenuHeight());
}
void TForm::SetClientWidth(int w) {
  SetWidth(w);
}
void TForm::SetClientHeight(int h) {
  SetHeight(h + MenuHeight());
}

void TForm::CaptionChanged() {
  window_->setWindowTitle(ToQString(Caption()));
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  border_style_ = style;
  ApplyBorder();
}

void TForm::ApplyBorder() {
  Qt::WindowFlags flags = Qt::Window;
  switch (border_style_) {
  case bsNone:
    flags |= Qt::FramelessWindowHint;
    break;
  case bsDialog:
    flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
            Qt::WindowCloseButtonHint;
    break;
  case bsToolWindow:
  case bsSizeToolWin:
    flags = Qt::Tool;
    break;
  default:
    break;
  }
  bool shown = window_->isVisible();
  window_->setWindowFlags(flags);
  if (border_style_ == bsDialog || border_style_ == bsSingle || border_style_ == bsToolWindow)
    window_->setFixedSize(Width(), Height());
  else
    window_->setMinimumSize(0, 0), window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (shown) window_->show();
}

void TForm::SetMenu(TMainMenu *menu) {
  if (menu == menu_) return;
  if (menu_) {
    menu_->Detach();
    menu_->RemoveFreeNotification(this);
  }
  menu_ = menu;
  if (menu_) {
    menu_->FreeNotification(this);
    window_->setMenuBar(menu_->AttachBar());
  }
}

void TForm::Notification(TComponent *component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == menu_) menu_ = nullptr;
  if (component == pending_active_) pending_active_ = nullptr;
}

void TForm::SetVisible(bool visible) {
  if (visible == TControl::Visible() && visible == window_->isVisible()) return;
  visible_ = visible;
  if (visible) {
    if (!placed_) PlaceOnScreen();
    window_->show();
    if (QGuiApplication::platformName() != "offscreen") window_->raise();
    window_->activateWindow();
  } else {
    window_->hide();
  }
}

void TForm::PlaceOnScreen() {
  placed_ = true;
  if (position_ == poScreenCenter && Screen) {
    int left = (Screen->Width() - Width()) / 2;
    int top = (Screen->Height() - Height()) / 2;
    SetBounds(left, top, Width(), Height());
  }
  window_->resize(Width(), Height());
  window_->move(Left(), Top());
}

void TForm::DoShow() {
  if (pending_active_) {
    TWinControl *c = pending_active_;
    pending_active_ = nullptr;
    if (c->CanFocus() && c->Widget()) c->Widget()->setFocus(Qt::OtherFocusReason);
  } else if (!QApplication::focusWidget() || !window_->isAncestorOf(QApplication::focusWidget())) {
    if (TWinControl *first = FindNextControl(nullptr, true, true))
      if (first->Widget()) first->Widget()->setFocus(Qt::TabFocusReason);
  }
  if (OnShow) Guarded([&] { OnShow(this); });
}

void TForm::DoHide() {
  if (OnHide) Guarded([&] { OnHide(this); });
}

void TForm::DoActivate(bool active) {
  if (active && OnActivate) Guarded([&] { OnActivate(this); });
  if (!active && OnDeactivate) Guarded([&] { OnDeactivate(this); });
}

bool TForm::Active() const {
  return window_->isActiveWindow();
}

TWinControl *TForm::ActiveControl() const {
  QWidget *f = window_->focusWidget();
  if (!f || !window_->isAncestorOf(f)) return pending_active_;
  return dynamic_cast<TWinControl *>(TControl::FromWidget(f));
}

void TForm::SetActiveControl(TWinControl *control) {
  if (control && control->GetParentForm() != this)
    throw Exception("The control is not on this form");
  if (window_->isVisible() && control && control->CanFocus()) {
    if (control->Widget()) control->Widget()->setFocus(Qt::OtherFocusReason);
    pending_active_ = nullptr;
  } else {
    if (pending_active_) pending_active_->RemoveFreeNotification(this);
    pending_active_ = control;
    if (control) control->FreeNotification(this);
  }
}

TButton *TForm::DefaultButton() const {
  std::function<TButton *(const TWinControl *)> find = [&](const TWinControl *w) -> TButton * {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl *c = w->Controls(i);
      if (!c->Visible() || !c->Enabled()) continue;
      if (auto *b = dynamic_cast<TButton *>(c); b && b->Default()) return b;
      if (auto *win = dynamic_cast<TWinControl *>(c))
        if (TButton *b = find(win)) return b;
    }
    return nullptr;
  };
  return find(this);
}

TButton *TForm::CancelButton() const {
  std::function<TButton *(const TWinControl *)> find = [&](const TWinControl *w) -> TButton * {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl *c = w->Controls(i);
      if (!c->Visible() || !c->Enabled()) continue;
      if (auto *b = dynamic_cast<TButton *>(c); b && b->Cancel()) return b;
      if (auto *win = dynamic_cast<TWinControl *>(c))
        if (TButton *b = find(win)) return b;
    }
    return nullptr;
  };
  return find(this);
}

void TForm::HandleReturnOrEscape(QKeyEvent *e) {
  if (e->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) return;
  TButton *target = nullptr;
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    // A focused button takes Enter itself; otherwise the default button.
    target = dynamic_cast<TButton *>(ActiveControl());
    if (!target) target = DefaultButton();
  } else if (e->key() == Qt::Key_Escape) {
    target = CancelButton();
  }
  if (!target) return;
  e->accept();
  target->Guarded([&] { target->Click(); });
}

namespace {
// The letter after a lone "&" in a caption, upper-cased; 0 when none.
char32_t AccelOf(const std::string &caption) {
  QString text = QString::fromUtf8(caption.data(), qsizetype(caption.size()));
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return text.mid(i + 1, 1).toUpper().toUcs4().value(0);
  }
  return 0;
}
} // namespace

bool TForm::DispatchAccelerator(char32_t letter) {
  QString l = QString::fromUcs4(&letter, 1).toUpper();
  char32_t upper = l.toUcs4().value(0);
  std::function<bool(TWinControl *)> walk = [&](TWinControl *w) -> bool {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl *c = w->Controls(i);
      if (!c->Visible()) continue;
      if (c->Enabled() && AccelOf(c->Caption()) == upper && c->Accelerate()) return true;
      if (auto *win = dynamic_cast<TWinControl *>(c); win && win->Enabled() && walk(win))
        return true;
    }
    return false;
  };
  return walk(this);
}

bool TForm::CloseQuery() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(this, can_close);
  return can_close;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  bool is_main = Application && Application->MainForm() == this;
  TCloseAction action = modal_ ? caHide : is_main ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (modal_) {
    if (modal_result_ == mrNone) SetModalResult(mrCancel);
    return;
  }
  if (is_main) {
    Hide();
    Application->Terminate();
    return;
  }
  if (action == caMinimize)
    window_->showMinimized();
  else
    Hide();
  if (action == caFree) Release();
}

void TForm::SetModalResult(int result) {
  modal_result_ = result;
  if (modal_ && result != mrNone && modal_loop_) modal_loop_->exit(result);
}

int TForm::ShowModal() {
  if (modal_ || window_->isVisible()) throw Exception("Cannot make a visible window modal");
  modal_result_ = mrNone;
  modal_ = true;
  QEventLoop loop;
  modal_loop_ = &loop;
  window_->setWindowModality(Qt::ApplicationModal);
  SetVisible(true);
  // A handler that set the result before the loop starts ends it at once.
  if (modal_result_ == mrNone && !(Application && Application->Terminated())) loop.exec();
  modal_loop_ = nullptr;
  modal_ = false;
  // The close box and Alt+F4 count as Cancel; so does a terminating program.
  if (modal_result_ == mrNone) modal_result_ = mrCancel;
  SetVisible(false);
  window_->setWindowModality(Qt::NonModal);
  return modal_result_;
}

void TForm::Release() {
  // Queued behind the events already waiting; dropped if the form is freed
  // some other way first (the window is the call's context object).
  QMetaObject::invokeMethod(
      window_, [this] { delete this; }, Qt::QueuedConnection);
}

// ---- TApplication ----

namespace {

// Keys for the whole program. F1 anywhere: the highlighted menu item's
// topic, or the focused control's (the nearest enclosing control with a
// non-zero number). Alt and a letter that no menu title took: the active
// form's control with that accelerator.
class THelpKeyFilter : public QObject {
public:
  bool Accelerator(QObject *obj, QKeyEvent *ke) {
    if ((ke->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) !=
        Qt::AltModifier)
      return false;
    if (QApplication::activePopupWidget()) return false;
    // Once per key press: the same event travels up to the parents.
    QWidget *focus = QApplication::focusWidget();
    auto *w = qobject_cast<QWidget *>(obj);
    if (!w || (focus ? w != focus : !w->isWindow())) return false;
    QString text = ke->text();
    char32_t letter = 0;
    if (ke->key() >= Qt::Key_A && ke->key() <= Qt::Key_Z)
      letter = U'A' + char32_t(ke->key() - Qt::Key_A);
    else if (ke->key() >= Qt::Key_0 && ke->key() <= Qt::Key_9)
      letter = U'0' + char32_t(ke->key() - Qt::Key_0);
    else if (!text.isEmpty())
      letter = text.toUcs4().value(0);
    if (letter == 0) return false;
    auto *form = dynamic_cast<TForm *>(TControl::FromWidget(w->window()));
    if (!form) return false;
    bool done = false;
    try {
      done = form->DispatchAccelerator(letter);
    } catch (...) {
      HandleCurrentException(form);
      done = true;
    }
    return done;
  }

  bool eventFilter(QObject *obj, QEvent *ev) override {
    if (ev->type() != QEvent::KeyPress) return false;
    auto *ke = static_cast<QKeyEvent *>(ev);
    if (ke->key() == Qt::Key_F1 && (ke->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
      return false;
    if (!Application) return false;
    if (ke->key() != Qt::Key_F1) return Accelerator(obj, ke);
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
      TMenuItem *item = TMenuItem::FromAction(menu->activeAction());
      int context = 0;
      for (TMenuItem *i = item; i && context == 0; i = i->Parent())
        context = i->HelpContext();
      while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
      if (context != 0) Application->HelpContext(context);
      return true;
    }
    auto *w = qobject_cast<QWidget *>(obj);
    QWidget *focus = QApplication::focusWidget();
    if (focus && w != focus) return false;
    if (!focus) focus = w;
    TControl *control = TControl::FromWidget(focus);
    if (!control) return false;
    int context = 0;
    for (TControl *c = control; c && context == 0; c = c->Parent())
      context = c->HelpContext();
    if (context != 0) {
      try {
        Application->HelpContext(context);
      } catch (...) {
        HandleCurrentException(control);
      }
    }
    return true;
  }
};

} // namespace

TApplication::TApplication() : TComponent(nullptr) {
  if (!Application) Application = this;
  key_filter_ = new THelpKeyFilter;
  if (qApp) qApp->installEventFilter(key_filter_);
  // The dataset layer, and every event edge of the framework, reach the
  // user through this handler.
  SetApplicationExceptionHandler([](const std::exception &e) {
    if (Application)
      Application->Dispatch(nullptr, e);
    else
      std::fprintf(stderr, "%s.\n", e.what());
  });
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
  if (qApp) qApp->removeEventFilter(key_filter_);
  delete key_filter_;
  SetApplicationExceptionHandler(nullptr);
  if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
  terminated_ = false;
}

void TApplication::SetTitle(const std::string &title) {
  title_ = title;
  if (qApp) QGuiApplication::setApplicationDisplayName(ToQString(title));
}

std::string TApplication::HelpFilePath() const {
  if (help_file_.empty()) return {};
  QString name = ToQString(help_file_);
  if (QFileInfo(name).isAbsolute()) return help_file_;
  QStringList dirs{QCoreApplication::applicationDirPath(), QDir::currentPath()};
  for (const QString &dir : dirs) {
    QString path = QDir(dir).filePath(name);
    if (QFileInfo::exists(path)) return path.toStdString();
  }
  return QDir(QCoreApplication::applicationDirPath()).filePath(name).toStdString();
}

void TApplication::Run() {
  if (terminated_) return;
  if (main_form_ && show_main_form_) main_form_->Show();
  QApplication::setQuitOnLastWindowClosed(false);
  if (terminated_) return;
  running_ = true;
  QApplication::exec();
  running_ = false;
}

void TApplication::Terminate() {
  terminated_ = true;
  // Qt's exit also stops every event loop started later (modal dialogs,
  // message boxes) until the main loop runs again: only ask for it while
  // the main loop runs; before that Run sees the flag.
  if (running_) QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleException(TObject *sender) {
  std::exception_ptr error = std::current_exception();
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort &) {
  } catch (const std::exception &e) {
    Dispatch(sender, e);
  } catch (...) {
    Dispatch(sender, Exception("Unknown error"));
  }
}

void TApplication::Dispatch(TObject *sender, const std::exception &e) {
  if (dynamic_cast<const EAbort *>(&e)) return;
  try {
    if (OnException)
      OnException(sender, e);
    else
      ShowException(e);
  } catch (const std::exception &failure) {
    // The handler itself failed: nowhere left to show it but the terminal.
    std::fprintf(stderr, "%s.\n", failure.what());
  } catch (...) {
    std::fprintf(stderr, "Unknown error.\n");
  }
}

void TApplication::ShowException(const std::exception &e) {
  const std::string text = std::string(e.what()) + ".";
  // Also on standard error, so that a session log keeps what the user saw.
  std::fprintf(stderr, "%s: %s\n", title_.c_str(), text.c_str());
  std::fflush(stderr);
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string &text, const std::string &caption, unsigned flags) {
  QWidget *parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  QMessageBox box(parent);
  box.setWindowTitle(ToQString(caption));
  box.setText(ToQString(text));
  box.setTextFormat(Qt::PlainText);
  switch (flags & 0xF0) {
  case MB_ICONSTOP:
    box.setIcon(QMessageBox::Critical);
    break;
  case MB_ICONQUESTION:
    box.setIcon(QMessageBox::Question);
    break;
  case MB_ICONWARNING:
    box.setIcon(QMessageBox::Warning);
    break;
  case MB_ICONINFORMATION:
    box.setIcon(QMessageBox::Information);
    break;
  default:
    break;
  }
  struct Choice {
    QMessageBox::StandardButton button;
    int id;
  };
  std::vector<Choice> choices;
  switch (flags & 0x0F) {
  case MB_OKCANCEL:
    choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    break;
  case MB_ABORTRETRYIGNORE:
    choices = {{QMessageBox::Abort, IDABORT},
               {QMessageBox::Retry, IDRETRY},
               {QMessageBox::Ignore, IDIGNORE}};
    break;
  case MB_YESNOCANCEL:
    choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    break;
  case MB_YESNO:
    choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    break;
  case MB_RETRYCANCEL:
    choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    break;
  default:
    choices = {{QMessageBox::Ok, IDOK}};
    break;
  }
  QMessageBox::StandardButtons set;
  for (auto &c : choices)
    set |= c.button;
  box.setStandardButtons(set);
  size_t def = (flags >> 8) & 0x3;
  if (def >= choices.size()) def = 0;
  box.setDefaultButton(choices[def].button);
  // The busy cursor must not hide the question.
  bool busy = QGuiApplication::overrideCursor() != nullptr;
  if (busy) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  if (busy) QGuiApplication::restoreOverrideCursor();
  QAbstractButton *clicked = box.clickedButton();
  for (auto &c : choices)
    if (clicked && box.standardButton(clicked) == c.button) return c.id;
  // Closed without a button: Cancel if there is one, else the only answer.
  for (auto &c : choices)
    if (c.id == IDCANCEL) return IDCANCEL;
  return choices.size() == 1 ? choices[0].id : IDCANCEL;
}

bool TApplication::HelpContext(int context) {
  return HelpCommand(HELP_CONTEXT, uintptr_t(context));
}

bool TApplication::HelpCommand(unsigned command, uintptr_t data) {
  bool call_help = true;
  bool result = false;
  if (OnHelp) result = OnHelp(command, data, call_help);
  if (!call_help) return result;
  std::string file = HelpFilePath();
  if (file.empty()) return false;
  return WinHelp(file, command, data);
}

// ---- TScreen ----

TScreen::TScreen() : TComponent(nullptr) {
  if (!Screen) Screen = this;
  CursorHooks().Get = [] { return Screen ? Screen->Cursor() : crDefault; };
  CursorHooks().Set = [](TCursor c) {
    if (Screen) Screen->SetCursor(c);
  };
}

int TScreen::PixelsPerInch() const {
  return ScreenPixelsPerInch();
}
void TScreen::SetPixelsPerInch(int ppi) {
  SetScreenPixelsPerInch(ppi);
}

int TScreen::Width() const {
  QScreen *s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
  QScreen *s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 0;
}

TRect TScreen::WorkAreaRect() const {
  QScreen *s = QGuiApplication::primaryScreen();
  if (!s) return {};
  QRect r = s->availableGeometry();
  return Bounds(r.x(), r.y(), r.width(), r.height());
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  if (!qApp) return;
  if (cursor == crDefault) {
    while (QGuiApplication::overrideCursor())
      QGuiApplication::restoreOverrideCursor();
  } else if (QGuiApplication::overrideCursor()) {
    QGuiApplication::changeOverrideCursor(QtCursorShape(cursor));
  } else {
    QGuiApplication::setOverrideCursor(QtCursorShape(cursor));
  }
}

TForm *TScreen::ActiveForm() const {
  QWidget *w = QApplication::activeWindow();
  return w ? dynamic_cast<TForm *>(TControl::FromWidget(w)) : nullptr;
}

TWinControl *TScreen::ActiveControl() const {
  QWidget *f = QApplication::focusWidget();
  return f ? dynamic_cast<TWinControl *>(TControl::FromWidget(f)) : nullptr;
}

// ---- start-up ----

namespace {
// The last line of the top-level handler: an exception that escapes an
// event handler not wrapped by the framework (a raw Qt connection, a
// queued call) is shown here and the loop goes on, instead of unwinding
// out of the event loop.
class TQtApplication : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject *receiver, QEvent *event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      HandleCurrentException(nullptr);
      return false;
    }
  }
};
} // namespace

void InitFramework(int &argc, char **argv) {
  if (!qApp) {
    g_own_qapp = new TQtApplication(argc, argv);
  }
  // The window fonts of the catalogue, mapped to metric-compatible faces.
  QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
  QFont::insertSubstitution("MS Shell Dlg", "Liberation Sans");
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QFont::insertSubstitution("SYSTEM", "Liberation Sans");
  QFont::insertSubstitution("System", "Liberation Sans");
  QFont::insertSubstitution("Times New Roman", "Liberation Serif");
  QFont::insertSubstitution("Courier New", "Liberation Mono");
  if (QStyle *style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
  QPalette pal;
  pal.setColor(QPalette::Window, ToQColor(clBtnFace));
  pal.setColor(QPalette::Button, ToQColor(clBtnFace));
  pal.setColor(QPalette::Base, ToQColor(clWindow));
  pal.setColor(QPalette::AlternateBase, ToQColor(clBtnFace));
  pal.setColor(QPalette::WindowText, ToQColor(clWindowText));
  pal.setColor(QPalette::Text, ToQColor(clWindowText));
  pal.setColor(QPalette::ButtonText, ToQColor(clBtnText));
  pal.setColor(QPalette::Highlight, ToQColor(clHighlight));
  pal.setColor(QPalette::HighlightedText, ToQColor(clHighlightText));
  pal.setColor(QPalette::Light, ToQColor(clBtnHighlight));
  pal.setColor(QPalette::Midlight, ToQColor(cl3DLight));
  pal.setColor(QPalette::Mid, ToQColor(clBtnShadow));
  pal.setColor(QPalette::Dark, ToQColor(clBtnShadow));
  pal.setColor(QPalette::Shadow, ToQColor(cl3DDkShadow));
  pal.setColor(QPalette::ToolTipBase, ToQColor(clInfoBk));
  pal.setColor(QPalette::ToolTipText, ToQColor(clInfoText));
  pal.setColor(QPalette::Disabled, QPalette::WindowText, ToQColor(clGrayText));
  pal.setColor(QPalette::Disabled, QPalette::Text, ToQColor(clGrayText));
  pal.setColor(QPalette::Disabled, QPalette::ButtonText, ToQColor(clGrayText));
  QApplication::setPalette(pal);
  QFont font("MS Sans Serif");
  font.setPixelSize(std::max(1, ScaleDesign(11)));
  QApplication::setFont(font);
  QApplication::setQuitOnLastWindowClosed(false);
  if (!Screen) new TScreen;
  if (!Application) new TApplication;
}

void DoneFramework() {
  delete Application;
  delete Screen;
  Screen = nullptr;
  CursorHooks().Get = nullptr;
  CursorHooks().Set = nullptr;
  delete g_own_qapp;
  g_own_qapp = nullptr;
}
