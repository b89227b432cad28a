// Controls: TControl (a visible component with bounds, caption, font,
// colour, help context and mouse/keyboard events), TWinControl (a control
// that holds child controls, takes the focus and has a window handle),
// TCustomControl and TGraphicControl (controls that paint themselves on a
// TCanvas).
//
// Each control is a thin layer over one QWidget, made in the constructor and
// freed with the control. A control's children are freed with it; owned
// components are freed with their owner, last created first.
//
// Writing a control of your own:
//
//   class TDial : public TCustomControl {
//   public:
//     explicit TDial(TComponent *owner) : TCustomControl(owner) {
//       SetTabStop(true);                  // takes the focus with Tab and clicks
//       SetBounds(0, 0, 64, 64);
//     }
//   protected:
//     void Paint() override {             // draw everything on Canvas()
//       Canvas()->Brush().SetColor(Color());
//       Canvas()->FillRect(ClientRect());
//       Canvas()->TextOut(4, 4, Caption());
//     }
//     void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
//       TCustomControl::MouseDown(b, s, x, y);   // keeps OnMouseDown working
//       SetMouseCapture(true);
//       Invalidate();                            // repaint later
//     }
//     void KeyDown(Word &key, TShiftState shift) override {
//       TCustomControl::KeyDown(key, shift);     // OnKeyDown first
//       if (key == VK_LEFT) { ...; key = 0; }    // 0: handled, goes no further
//     }
//   };
//
//   auto *dial = new TDial(form);   // the form owns it and frees it
//   dial->SetParent(form);          // shown inside the form
//
// Override the protected virtuals (Paint, MouseDown/MouseMove/MouseUp,
// DblClick, Click, KeyDown/KeyPress/KeyUp, DoEnter/DoExit, Resize, WndProc)
// and call the inherited one to keep the On... events. Exceptions raised by
// handlers are caught at the event's edge and go to Application's handler.
// Want the Tab key? Override WantTabs. Override WantArrows to keep arrows
// from moving the focus between buttons of a form.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "ui/graphics.h"
#include "ui/types.h"

class QWidget;
class QEvent;
class TWinControl;
class TForm;
class TControlBridge;

class TControl : public TComponent {
public:
  ~TControl() override;

  // The Qt widget this control is drawn as.
  QWidget *Widget() const { return widget_; }
  // The control that shows a widget (or its nearest ancestor's), or null.
  static TControl *FromWidget(const QWidget *widget);

  TWinControl *Parent() const { return parent_; }
  virtual void SetParent(TWinControl *parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  // Bounds given at 96 pixels per inch, scaled to the screen (rounded down).
  void SetDesignBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  virtual int ClientWidth() const;
  virtual int ClientHeight() const;
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  virtual void SetClientWidth(int w) { SetWidth(w); }
  virtual void SetClientHeight(int h) { SetHeight(h); }
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to a shown window too.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  const std::string &Text() const { return caption_; }
  void SetText(const std::string &text) { SetCaption(text); }

  int HelpContext() const { return help_context_; }
  void SetHelpContext(int context) { help_context_ = context; }
  const std::string &Hint() const { return hint_; }
  void SetHint(const std::string &hint);

  TFont &Font() { return font_; }
  const TFont &Font() const { return font_; }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool on);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool on);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);

  bool MouseCapture() const;
  void SetMouseCapture(bool on);

  // Repaints later (Invalidate) or now (Repaint, Refresh, Update).
  void Invalidate();
  void Repaint();
  void Refresh() { Repaint(); }
  void Update();
  void BringToFront();
  void SendToBack();

  // The form this control sits on, or null.
  TForm *GetParentForm() const;

  // Runs the control's click (OnClick, and for buttons their modal result).
  virtual void Click();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TNotifyEvent OnResize;

protected:
  // `widget` becomes this control's; the control frees it.
  TControl(TComponent *owner, QWidget *widget);

  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void DblClick();
  virtual void KeyDown(Word &key, TShiftState shift);
  virtual void KeyPress(char32_t &key);
  virtual void KeyUp(Word &key, TShiftState shift);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void Resize();
  virtual bool WantTabs() const { return false; }
  virtual bool WantArrows() const { return true; }
  // Mouse presses and releases stop at this control (not passed to the
  // widget's own handling); true for controls that draw themselves.
  virtual bool ConsumesMouse() const { return false; }
  // The caption's "&" letter was typed with Alt: act as if chosen (click,
  // or focus the control a label names). False when it cannot.
  virtual bool Accelerate() { return false; }
  // Events of the program's own types (QEvent::User and up) that reach the
  // control's widget, such as notices posted to it; true when handled.
  virtual bool CustomEvent(QEvent *event) {
    (void)event;
    return false;
  }

  // Called after the property changed, to show it on the widget.
  virtual void CaptionChanged();
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void BoundsChanged();
  // The widget that children and the client area live in.
  virtual QWidget *ClientWidget() const { return widget_; }
  // Watches another widget of the control (an inner editor, a viewport)
  // for mouse, key and focus events too.
  void BridgeWidget(QWidget *inner);
  // Sets the caption without calling CaptionChanged (when the widget
  // itself changed the text).
  void SetCaptionSilently(const std::string &caption) { caption_ = caption; }
  void ParentFontChanged();
  void ParentColorChanged();
  // Runs fn; an exception goes to the application's handler.
  template <class F> void Guarded(F &&fn) {
    try {
      fn();
    } catch (...) {
      HandleCurrentException(this);
    }
  }

private:
  friend class TWinControl;
  friend class TControlBridge;
  friend class TForm;
  void ApplyPalette();

  QPointer<QWidget> widget_;
  TControlBridge *bridge_ = nullptr;
  TWinControl *parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string hint_;
  int help_context_ = 0;
  TFont font_;
  bool parent_font_ = true;
  bool applying_font_ = false;
  TColor color_ = clBtnFace;
  bool parent_color_ = true;
  TCursor cursor_ = crDefault;
  bool pressed_ = false;
};

class TWinControl : public TControl {
public:
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl *Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }

  // Position among the parent's focusable children (Tab order); setting
  // moves the control there and shifts the others. -1 without a parent.
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool on);
  // The children that take part in tabbing, in tab order.
  const std::vector<TWinControl *> &TabList() const { return tab_list_; }

  bool Focused() const;
  // Showing and enabled, with every parent enabled.
  virtual bool CanFocus() const;
  // Gives the keyboard focus to this control (raises if it cannot take it).
  virtual void SetFocus();
  // The next control after `current` in tab order (depth first), wrapping.
  TWinControl *FindNextControl(TWinControl *current, bool forward, bool check_tab_stop) const;
  void SelectNext(TWinControl *current, bool forward, bool check_tab_stop);

  // A window handle for messages (PostMessage/SendMessage); stays valid
  // while the control lives and is never reused.
  HWND Handle() const { return handle_; }
  static TWinControl *FindControl(HWND handle);
  // Delivers a message now.
  intptr_t Perform(unsigned msg, uintptr_t wparam, intptr_t lparam);

protected:
  TWinControl(TComponent *owner, QWidget *widget);
  // Receives messages sent or posted to Handle(). The base does nothing.
  virtual void WndProc(TMessage &message);
  void ApplyTabOrder();

private:
  friend class TControl;
  friend class TForm;
  void InsertControl(TControl *control);
  void RemoveControl(TControl *control);

  std::vector<TControl *> controls_;
  std::vector<TWinControl *> tab_list_;
  bool tab_stop_ = false;
  HWND handle_ = 0;
};

// Posts a message to a window; delivered after the events already queued.
// False when no control has that handle.
bool PostMessage(HWND handle, unsigned msg, uintptr_t wparam, intptr_t lparam);
intptr_t SendMessage(HWND handle, unsigned msg, uintptr_t wparam, intptr_t lparam);

// A windowed control that paints itself: override Paint and draw on Canvas().
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent *owner);
  TCanvas *Canvas() { return &canvas_; }
  TNotifyEvent OnPaint;

protected:
  // Draws the control; the base fills the client area with Color and then
  // calls OnPaint.
  virtual void Paint();
  bool ConsumesMouse() const override { return true; }

private:
  friend class TPaintWidget;
  void PaintNow(QPainter &painter, const TRect &clip);
  TCanvas canvas_;
};

// A control without focus or children that paints itself (bevels, images,
// paint boxes).
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent *owner);
  TCanvas *Canvas() { return &canvas_; }

protected:
  virtual void Paint();
  bool ConsumesMouse() const override { return true; }

private:
  friend class TPaintWidget;
  void PaintNow(QPainter &painter, const TRect &clip);
  TCanvas canvas_;
};

// A graphic control that leaves its painting to OnPaint.
class TPaintBox : public TGraphicControl {
public:
  explicit TPaintBox(TComponent *owner);
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};

// The Qt key of a key event as a virtual key code and shift state.
Word VirtualKeyFromQt(int qt_key);
int QtKeyFromVirtualKey(Word vk);
