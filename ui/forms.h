// Forms, the application object and the screen.
//
// A form is a top-level window: the program's main window or a modal
// dialog. Subclass TForm, build the components in the constructor (owned by
// the form, parented to it or to a panel on it), assign the handlers, and
// create it with Application->CreateForm (which runs OnCreate) or with new
// and a ShowModal:
//
//   class TMyDialog : public TForm {
//   public:
//     explicit TMyDialog(TComponent *owner) : TForm(owner) {
//       SetBorderStyle(bsDialog);
//       SetCaption("Settings");
//       SetClientWidth(300); SetClientHeight(120);
//       OK = new TButton(this); OK->SetParent(this);
//       OK->SetCaption("OK"); OK->SetDefault(true); OK->SetModalResult(mrOk);
//     }
//     TButton *OK;
//   };
//   TMyDialog d(Application);   // or new + Release
//   if (d.ShowModal() == mrOk) ...
#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/screen_metrics.h"

class QMainWindow;
class QKeyEvent;
class TMainMenu;
class TButton;
class TFormWindow;

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

class TForm : public TWinControl {
public:
  explicit TForm(TComponent *owner);
  ~TForm() override;

  // Runs OnCreate once (Application->CreateForm calls it; a form made with
  // new may call it at the end of its constructor). An exception in OnCreate
  // goes to the application's handler and the form stays usable.
  void DoCreate();

  void SetBounds(int left, int top, int width, int height) override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientWidth(int w) override;
  void SetClientHeight(int h) override;
  void SetVisible(bool visible) override;
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Asks OnCloseQuery, then OnClose; a modal form ends its ShowModal with
  // mrCancel, the main form ends the program, others hide (or are freed).
  void Close();
  bool CloseQuery();
  // Shows the form as a modal dialog and returns its ModalResult once a
  // button (or Close) set it.
  int ShowModal();
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result);
  bool Modal() const { return modal_; }
  // Frees the form once the events already queued for it are handled.
  void Release();

  bool KeyPreview() const { return key_preview_; }
  void SetKeyPreview(bool on) { key_preview_ = on; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);
  TMainMenu *Menu() const { return menu_; }
  void SetMenu(TMainMenu *menu);
  // The focused control inside the form (or the one to focus when shown).
  TWinControl *ActiveControl() const;
  void SetActiveControl(TWinControl *control);
  bool Active() const;
  // The first visible, enabled Default (or Cancel) button, or null.
  TButton *DefaultButton() const;
  TButton *CancelButton() const;
  // Alt and a letter: the first visible, enabled control in tab order whose
  // caption marks that letter with "&" acts on it. True when one did.
  bool DispatchAccelerator(char32_t letter);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

protected:
  QWidget *ClientWidget() const override;
  void CaptionChanged() override;
  void BoundsChanged() override;
  void Notification(TComponent *component, TOperation operation) override;

private:
  friend class TFormWindow;
  friend class TControlBridge;
  friend class TApplication;
  void DoShow();
  void DoHide();
  void DoActivate(bool active);
  void PlaceOnScreen();
  void ApplyBorder();
  void HandleReturnOrEscape(QKeyEvent *event);
  int MenuHeight() const;

  TFormWindow *window_;
  QWidget *client_;
  TMainMenu *menu_ = nullptr;
  TWinControl *pending_active_ = nullptr;
  bool created_ = false;
  bool modal_ = false;
  bool placed_ = false;
  bool key_preview_ = false;
  int modal_result_ = mrNone;
  TPosition position_ = poDesigned;
  TFormBorderStyle border_style_ = bsSizeable;
  class QEventLoop *modal_loop_ = nullptr;
};

class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;

  void Initialize();
  const std::string &Title() const { return title_; }
  void SetTitle(const std::string &title);
  const std::string &HelpFile() const { return help_file_; }
  void SetHelpFile(const std::string &file) { help_file_ = file; }
  // The help file's full path: as given when absolute, else found beside
  // the program, then in the current folder.
  std::string HelpFilePath() const;
  TForm *MainForm() const { return main_form_; }
  bool ShowMainForm() const { return show_main_form_; }
  void SetShowMainForm(bool on) { show_main_form_ = on; }

  // Makes a form owned by the application; the first becomes the main
  // form. `ref` is set before OnCreate runs.
  template <class T> void CreateForm(T *&ref) {
    T *form = new T(this);
    ref = form;
    if (!main_form_) main_form_ = form;
    form->DoCreate();
  }
  // Shows the main form and runs the message loop until it closes or
  // Terminate is called.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles the events waiting now, and returns.
  void ProcessMessages();

  // The top-level exception handler: call inside a catch block. EAbort is
  // silent; others go to OnException when assigned, else ShowException.
  void HandleException(TObject *sender);
  // Shows (or hands to OnException) an exception already caught.
  void Dispatch(TObject *sender, const std::exception &e);
  // A message box with the error icon, the title as caption and the
  // message followed by ".".
  void ShowException(const std::exception &e);
  // A message box with the MB_ flags' buttons and icon; returns the ID of
  // the button chosen (IDCANCEL when closed otherwise, if there is one).
  int MessageBox(const std::string &text, const std::string &caption, unsigned flags);

  // Help requests: a topic of the help file, or any help command.
  bool HelpContext(int context);
  bool HelpCommand(unsigned command, uintptr_t data);

  std::function<void(TObject *Sender, const std::exception &E)> OnException;
  // Called before the help viewer; set CallHelp false to keep it from
  // being asked. Returns the result to report.
  std::function<bool(unsigned Command, uintptr_t Data, bool &CallHelp)> OnHelp;

private:
  std::string title_;
  std::string help_file_;
  TForm *main_form_ = nullptr;
  bool terminated_ = false;
  bool running_ = false;
  bool show_main_form_ = true;
  class QObject *key_filter_ = nullptr;
  friend class TForm;
};

class TScreen : public TComponent {
public:
  TScreen();
  int PixelsPerInch() const;
  // Overrides the screen's own value (for tests of scaled layouts).
  void SetPixelsPerInch(int ppi);
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TForm *Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
  TForm *ActiveForm() const;
  TWinControl *ActiveControl() const;

private:
  friend class TForm;
  std::vector<TForm *> forms_;
  TCursor cursor_ = crDefault;
};

extern TApplication *Application;
extern TScreen *Screen;

// Makes the Qt application (unless one exists), Application and Screen,
// with the framework's fonts, style and colours. Call once at start-up.
void InitFramework(int &argc, char **argv);
// Frees Application (and with it every form), Screen, and the Qt
// application if InitFramework made it.
void DoneFramework();

// A Qt cursor shape for a cursor number.
Qt::CursorShape QtCursorShape(TCursor cursor);
// Inside a catch block of a paint: shows the exception once the paint is
// over (a message box cannot open in the middle of painting).
void ReportPaintFailure(TObject *sender);
