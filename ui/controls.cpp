#include "ui/controls.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <unordered_map>

#include "base/exception.h"
#include "ui/forms.h"
#include "ui/screen_metrics.h"

namespace {

const char *const kControlProperty = "bsfxControl";

std::unordered_map<HWND, TWinControl *> &HandleMap() {
  static std::unordered_map<HWND, TWinControl *> map;
  return map;
}
HWND g_next_handle = 0x10000;

TShiftState ShiftFromModifiers(Qt::KeyboardModifiers mods) {
  TShiftState s = 0;
  if (mods & Qt::ShiftModifier) s |= ssShift;
  if (mods & Qt::AltModifier) s |= ssAlt;
  if (mods & Qt::ControlModifier) s |= ssCtrl;
  return s;
}

TShiftState ShiftFromButtons(Qt::MouseButtons buttons) {
  TShiftState s = 0;
  if (buttons & Qt::LeftButton) s |= ssLeft;
  if (buttons & Qt::RightButton) s |= ssRight;
  if (buttons & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

bool ToMouseButton(Qt::MouseButton b, TMouseButton &out) {
  switch (b) {
  case Qt::LeftButton:
    out = mbLeft;
    return true;
  case Qt::RightButton:
    out = mbRight;
    return true;
  case Qt::MiddleButton:
    out = mbMiddle;
    return true;
  default:
    return false;
  }
}

QString ToQString(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

struct KeyPair {
  int qt;
  Word vk;
};
const KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},          {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR},    {Qt::Key_Return, VK_RETURN},    {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},    {Qt::Key_Control, VK_CONTROL},  {Qt::Key_Alt, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},    {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},    {Qt::Key_PageUp, VK_PRIOR},     {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},        {Qt::Key_Home, VK_HOME},        {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},      {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Delete, VK_DELETE},    {Qt::Key_Asterisk, VK_MULTIPLY},
    {Qt::Key_Plus, VK_ADD},       {Qt::Key_Minus, 0xBD},          {Qt::Key_Slash, 0xBF},
    {Qt::Key_Period, 0xBE},       {Qt::Key_Comma, 0xBC},          {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Equal, 0xBB},        {Qt::Key_QuoteLeft, 0xC0},      {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},    {Qt::Key_BracketRight, 0xDD},   {Qt::Key_Apostrophe, 0xDE},
};

Word VirtualKeyOf(const QKeyEvent *e) {
  int k = e->key();
  if (e->modifiers() & Qt::KeypadModifier) {
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return Word(VK_NUMPAD0 + (k - Qt::Key_0));
    switch (k) {
    case Qt::Key_Plus:
      return VK_ADD;
    case Qt::Key_Minus:
      return VK_SUBTRACT;
    case Qt::Key_Asterisk:
      return VK_MULTIPLY;
    case Qt::Key_Slash:
      return VK_DIVIDE;
    case Qt::Key_Period:
      return VK_DECIMAL;
    default:
      break;
    }
  }
  return VirtualKeyFromQt(k);
}

} // namespace

Word VirtualKeyFromQt(int k) {
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return Word('A' + (k - Qt::Key_A));
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return Word('0' + (k - Qt::Key_0));
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return Word(VK_F1 + (k - Qt::Key_F1));
  for (const auto &p : kKeys)
    if (p.qt == k) return p.vk;
  return 0;
}

int QtKeyFromVirtualKey(Word vk) {
  if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
  if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
  if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + (vk - VK_F1);
  for (const auto &p : kKeys)
    if (p.vk == vk) return p.qt;
  return 0;
}

// Watches a control's widgets and turns Qt events into the control's
// mouse, key, focus and size calls.
class TControlBridge : public QObject {
public:
  explicit TControlBridge(TControl *control) : control_(control) {}
  bool eventFilter(QObject *obj, QEvent *ev) override;

private:
  bool Mouse(QWidget *w, QMouseEvent *e);
  bool Key(QWidget *w, QKeyEvent *e);
  TControl *control_;
};

bool TControlBridge::eventFilter(QObject *obj, QEvent *ev) {
  auto *w = qobject_cast<QWidget *>(obj);
  if (!w || !control_->widget_) return false;
  switch (ev->type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseMove:
    return Mouse(w, static_cast<QMouseEvent *>(ev));
  case QEvent::KeyPress:
  case QEvent::KeyRelease:
    return Key(w, static_cast<QKeyEvent *>(ev));
  case QEvent::FocusIn:
    control_->Guarded([&] { control_->DoEnter(); });
    return false;
  case QEvent::FocusOut:
    control_->Guarded([&] { control_->DoExit(); });
    return false;
  case QEvent::Resize:
    if (w == control_->widget_ && !control_->IsDestroying()) {
      QSize s = w->size();
      if (s.width() != control_->width_ || s.height() != control_->height_) {
        control_->width_ = s.width();
        control_->height_ = s.height();
      }
      control_->Guarded([&] { control_->Resize(); });
    }
    return false;
  case QEvent::Move:
    if (w == control_->widget_ && !w->isWindow()) {
      control_->left_ = w->x();
      control_->top_ = w->y();
    }
    return false;
  default:
    if (ev->type() >= QEvent::User && w == control_->widget_) {
      bool handled = false;
      control_->Guarded([&] { handled = control_->CustomEvent(ev); });
      return handled;
    }
    return false;
  }
}

bool TControlBridge::Mouse(QWidget *w, QMouseEvent *e) {
  TControl *c = control_;
  if (!c->enabled_) return false;
  QPoint pos = e->position().toPoint();
  if (w != c->widget_ && c->widget_->isAncestorOf(w)) pos = w->mapTo(c->widget_, pos);
  TShiftState shift = ShiftFromModifiers(e->modifiers()) | ShiftFromButtons(e->buttons());
  TMouseButton button;
  switch (e->type()) {
  case QEvent::MouseButtonPress:
    if (!ToMouseButton(e->button(), button)) return false;
    if (button == mbLeft) c->pressed_ = true;
    c->Guarded([&] { c->MouseDown(button, shift, pos.x(), pos.y()); });
    break;
  case QEvent::MouseButtonDblClick:
    if (!ToMouseButton(e->button(), button)) return false;
    if (button == mbLeft) c->pressed_ = true;
    c->Guarded([&] {
      c->MouseDown(button, shift | ssDouble, pos.x(), pos.y());
      if (button == mbLeft) c->DblClick();
    });
    break;
  case QEvent::MouseButtonRelease: {
    if (!ToMouseButton(e->button(), button)) return false;
    bool was_pressed = c->pressed_ && button == mbLeft;
    if (button == mbLeft) c->pressed_ = false;
    c->Guarded([&] { c->MouseUp(button, shift, pos.x(), pos.y()); });
    // Controls without a click of their own click on a release over them.
    if (was_pressed && c->ConsumesMouse() && c->widget_ && c->widget_->rect().contains(pos))
      c->Guarded([&] { c->Click(); });
    break;
  }
  case QEvent::MouseMove:
    c->Guarded([&] { c->MouseMove(shift, pos.x(), pos.y()); });
    break;
  default:
    return false;
  }
  if (c->ConsumesMouse()) {
    e->accept();
    return true;
  }
  return false;
}

bool TControlBridge::Key(QWidget *w, QKeyEvent *e) {
  TControl *c = control_;
  // Keys reach the control with the focus only; events travelling up to
  // parents after the focused widget ignored them are the parents' own
  // business (the form's default and cancel buttons).
  QWidget *focus = QApplication::focusWidget();
  if (focus ? w != focus : !w->isWindow()) return false;
  Word key = VirtualKeyOf(e);
  TShiftState shift = ShiftFromModifiers(e->modifiers());
  if (key == VK_TAB && !c->WantTabs()) return false;
  TForm *form = c->GetParentForm();
  bool preview = form && form != c && form->KeyPreview();
  if (e->type() == QEvent::KeyRelease) {
    if (key == 0) return false;
    if (preview) form->Guarded([&] { form->KeyUp(key, shift); });
    if (key != 0) c->Guarded([&] { c->KeyUp(key, shift); });
    return key == 0;
  }
  if (key != 0) {
    if (preview) form->Guarded([&] { form->KeyDown(key, shift); });
    if (key != 0) c->Guarded([&] { c->KeyDown(key, shift); });
    if (key == 0) {
      e->accept();
      return true;
    }
  }
  QString text = e->text();
  if (!text.isEmpty() && text.at(0).unicode() != 0x7F) {
    char32_t ch = text.toUcs4().value(0);
    if (preview) form->Guarded([&] { form->KeyPress(ch); });
    if (ch != 0) c->Guarded([&] { c->KeyPress(ch); });
    if (ch == 0) {
      e->accept();
      return true;
    }
  }
  // A control that asked for Tab keeps it from moving the focus.
  if (VirtualKeyOf(e) == VK_TAB) {
    e->accept();
    return true;
  }
  return false;
}

// The widget of self-painting controls.
class TPaintWidget : public QWidget {
public:
  using QWidget::QWidget;
  std::function<void(QPainter &, const TRect &)> paint;

protected:
  void paintEvent(QPaintEvent *e) override {
    if (!paint) return;
    QPainter painter(this);
    QRect r = e->rect();
    paint(painter, Rect(r.left(), r.top(), r.right() + 1, r.bottom() + 1));
  }
};

// ---- TControl ----

TControl::TControl(TComponent *owner, QWidget *widget) : TComponent(owner), widget_(widget) {
  widget_->setProperty(kControlProperty, QVariant::fromValue(static_cast<void *>(this)));
  bridge_ = new TControlBridge(this);
  widget_->installEventFilter(bridge_);
  width_ = widget_->width();
  height_ = widget_->height();
  font_.OnChange = [this] {
    if (!applying_font_) parent_font_ = false;
    FontChanged();
  };
  FontChanged();
}

TControl::~TControl() {
  Destroying();
  if (widget_) {
    widget_->removeEventFilter(bridge_);
    widget_->setProperty(kControlProperty, QVariant());
  }
  if (parent_) parent_->RemoveControl(this);
  delete widget_.data();
  delete bridge_;
}

TControl *TControl::FromWidget(const QWidget *widget) {
  for (const QWidget *w = widget; w; w = w->parentWidget()) {
    QVariant v = w->property(kControlProperty);
    if (v.isValid()) return static_cast<TControl *>(v.value<void *>());
  }
  return nullptr;
}

void TControl::BridgeWidget(QWidget *inner) {
  inner->installEventFilter(bridge_);
}

void TControl::SetParent(TWinControl *parent) {
  if (parent == parent_) return;
  if (parent == this) throw Exception("A control cannot be its own parent");
  for (TWinControl *p = parent; p; p = p->Parent())
    if (p == this) throw Exception("A control cannot be placed inside itself");
  if (parent_) parent_->RemoveControl(this);
  parent_ = nullptr;
  if (!widget_) return;
  if (parent) {
    widget_->setParent(parent->ClientWidget());
    parent->InsertControl(this);
    parent_ = parent;
    widget_->setGeometry(left_, top_, width_, height_);
    if (parent_font_) ParentFontChanged();
    if (parent_color_) ParentColorChanged();
    widget_->setVisible(visible_);
  } else {
    widget_->hide();
    widget_->setParent(nullptr);
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged();
}

void TControl::BoundsChanged() {
  if (widget_) widget_->setGeometry(left_, top_, width_, height_);
}

void TControl::SetDesignBounds(int left, int top, int width, int height) {
  SetBounds(ScaleDesign(left), ScaleDesign(top), ScaleDesign(width), ScaleDesign(height));
}

int TControl::ClientWidth() const {
  return width_;
}
int TControl::ClientHeight() const {
  return height_;
}

TPoint TControl::ClientToScreen(TPoint p) const {
  QWidget *w = ClientWidget();
  if (!w) return p;
  QPoint g = w->mapToGlobal(QPoint(p.X, p.Y));
  return {g.x(), g.y()};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  QWidget *w = ClientWidget();
  if (!w) return p;
  QPoint l = w->mapFromGlobal(QPoint(p.X, p.Y));
  return {l.x(), l.y()};
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (widget_ && parent_) widget_->setVisible(visible);
}

bool TControl::Showing() const {
  return widget_ && widget_->isVisible();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (widget_) widget_->setEnabled(enabled);
}

void TControl::SetCaption(const std::string &caption) {
  if (caption == caption_) return;
  caption_ = caption;
  CaptionChanged();
}

void TControl::CaptionChanged() {}

void TControl::SetHint(const std::string &hint) {
  hint_ = hint;
  if (widget_) widget_->setToolTip(ToQString(hint));
}

void TControl::SetParentFont(bool on) {
  parent_font_ = on;
  if (on) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || !parent_) return;
  applying_font_ = true;
  font_.Assign(&parent_->Font());
  applying_font_ = false;
}

void TControl::FontChanged() {
  if (!widget_) return;
  widget_->setFont(font_.ToQFont());
  ApplyPalette();
  if (auto *win = dynamic_cast<TWinControl *>(this))
    for (TControl *child : win->controls_)
      child->ParentFontChanged();
}

void TControl::SetColor(TColor color) {
  parent_color_ = false;
  if (color == color_) return;
  color_ = color;
  ColorChanged();
}

void TControl::SetParentColor(bool on) {
  parent_color_ = on;
  if (on)
    ParentColorChanged();
  else
    ApplyPalette();
}

void TControl::ParentColorChanged() {
  if (!parent_color_ || !parent_) return;
  if (color_ != parent_->Color()) {
    color_ = parent_->Color();
    ColorChanged();
  } else {
    ApplyPalette();
  }
}

void TControl::ColorChanged() {
  ApplyPalette();
  if (auto *win = dynamic_cast<TWinControl *>(this))
    for (TControl *child : win->controls_)
      child->ParentColorChanged();
}

void TControl::ApplyPalette() {
  if (!widget_) return;
  QPalette pal = widget_->palette();
  QColor text = ToQColor(font_.Color());
  pal.setColor(QPalette::Window, ToQColor(color_));
  pal.setColor(QPalette::WindowText, text);
  pal.setColor(QPalette::ButtonText, text);
  pal.setColor(QPalette::Text, text);
  widget_->setPalette(pal);
  // A control of its own colour fills its background; one that takes its
  // parent's colour lets the parent show through.
  if (!dynamic_cast<TForm *>(this)) widget_->setAutoFillBackground(!parent_color_);
}

void TControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  if (!widget_) return;
  if (cursor == crDefault)
    widget_->unsetCursor();
  else
    widget_->setCursor(QtCursorShape(cursor));
}

bool TControl::MouseCapture() const {
  return widget_ && QWidget::mouseGrabber() == widget_;
}

void TControl::SetMouseCapture(bool on) {
  if (!widget_) return;
  // Qt captures the mouse for the pressed widget by itself while a button
  // is down; an explicit grab is needed only outside a press.
  if (on && !pressed_)
    widget_->grabMouse();
  else if (!on && QWidget::mouseGrabber() == widget_)
    widget_->releaseMouse();
}

void TControl::Invalidate() {
  if (widget_) widget_->update();
}

void TControl::Repaint() {
  if (widget_) widget_->repaint();
}

void TControl::Update() {
  if (widget_) widget_->repaint();
}

void TControl::BringToFront() {
  if (widget_) widget_->raise();
  if (parent_) {
    auto &list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
  }
}

void TControl::SendToBack() {
  if (widget_) widget_->lower();
  if (parent_) {
    auto &list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
  }
}

TForm *TControl::GetParentForm() const {
  const TControl *c = this;
  while (c->parent_)
    c = c->parent_;
  return dynamic_cast<TForm *>(const_cast<TControl *>(c));
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::KeyDown(Word &key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TControl::KeyPress(char32_t &key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
void TControl::KeyUp(Word &key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TControl::Resize() {
  if (OnResize) OnResize(this);
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent *owner, QWidget *widget) : TControl(owner, widget) {
  handle_ = g_next_handle++;
  HandleMap()[handle_] = this;
  widget->setFocusPolicy(Qt::NoFocus);
}

TWinControl::~TWinControl() {
  Destroying();
  HandleMap().erase(handle_);
  // Owned components go first, last created first, while this control's
  // widget still stands; then any children owned elsewhere.
  DestroyComponents();
  while (!controls_.empty()) {
    TControl *c = controls_.back();
    delete c;
  }
}

void TWinControl::InsertControl(TControl *control) {
  controls_.push_back(control);
  if (auto *win = dynamic_cast<TWinControl *>(control)) {
    tab_list_.push_back(win);
    ApplyTabOrder();
  }
}

void TWinControl::RemoveControl(TControl *control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  tab_list_.erase(std::remove(tab_list_.begin(), tab_list_.end(), control), tab_list_.end());
  control->parent_ = nullptr;
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  auto &list = Parent()->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!Parent()) return;
  auto &list = Parent()->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
  Parent()->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder() {
  // Qt's own chain follows ours, so that Qt's focus moves (and the
  // accessibility tools) agree with TabOrder.
  QWidget *prev = nullptr;
  for (TWinControl *c : tab_list_) {
    if (!c->Widget()) continue;
    if (prev) QWidget::setTabOrder(prev, c->Widget());
    prev = c->Widget();
  }
}

void TWinControl::SetTabStop(bool on) {
  tab_stop_ = on;
  if (Widget()) Widget()->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TWinControl::Focused() const {
  if (!Widget()) return false;
  QWidget *f = QApplication::focusWidget();
  return f && (f == Widget() || Widget()->isAncestorOf(f)) && TControl::FromWidget(f) == this;
}

bool TWinControl::CanFocus() const {
  for (const TControl *c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  TForm *form = GetParentForm();
  return form != nullptr && (form == this || form->Visible());
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw Exception("Cannot focus a disabled or invisible window");
  if (TForm *form = GetParentForm(); form && form != this) form->SetActiveControl(this);
  if (Widget()) Widget()->setFocus(Qt::OtherFocusReason);
}

TWinControl *TWinControl::FindNextControl(TWinControl *current, bool forward,
                                          bool check_tab_stop) const {
  // Every focusable descendant, depth first in tab order.
  std::vector<TWinControl *> all;
  std::function<void(const TWinControl *)> walk = [&](const TWinControl *w) {
    for (TWinControl *c : w->tab_list_) {
      if (!c->Visible() || !c->Enabled()) continue;
      if (c->Widget() && c->Widget()->focusPolicy() != Qt::NoFocus &&
          (!check_tab_stop || c->TabStop()))
        all.push_back(c);
      walk(c);
    }
  };
  walk(this);
  if (all.empty()) return nullptr;
  auto it = std::find(all.begin(), all.end(), current);
  if (it == all.end()) return forward ? all.front() : all.back();
  size_t i = static_cast<size_t>(it - all.begin());
  size_t n = all.size();
  return all[forward ? (i + 1) % n : (i + n - 1) % n];
}

void TWinControl::SelectNext(TWinControl *current, bool forward, bool check_tab_stop) {
  TWinControl *next = FindNextControl(current, forward, check_tab_stop);
  if (next && next->CanFocus()) next->SetFocus();
}

TWinControl *TWinControl::FindControl(HWND handle) {
  auto it = HandleMap().find(handle);
  return it == HandleMap().end() ? nullptr : it->second;
}

intptr_t TWinControl::Perform(unsigned msg, uintptr_t wparam, intptr_t lparam) {
  TMessage m{msg, wparam, lparam, 0};
  WndProc(m);
  return m.Result;
}

void TWinControl::WndProc(TMessage &message) {
  (void)message;
}

bool PostMessage(HWND handle, unsigned msg, uintptr_t wparam, intptr_t lparam) {
  if (!TWinControl::FindControl(handle) || !qApp) return false;
  QMetaObject::invokeMethod(
      qApp,
      [=] {
        // The window may have gone while the message waited.
        if (TWinControl *c = TWinControl::FindControl(handle)) {
          try {
            c->Perform(msg, wparam, lparam);
          } catch (...) {
            HandleCurrentException(c);
          }
        }
      },
      Qt::QueuedConnection);
  return true;
}

intptr_t SendMessage(HWND handle, unsigned msg, uintptr_t wparam, intptr_t lparam) {
  TWinControl *c = TWinControl::FindControl(handle);
  return c ? c->Perform(msg, wparam, lparam) : 0;
}

// ---- self-painting controls ----

TCustomControl::TCustomControl(TComponent *owner) : TWinControl(owner, new TPaintWidget) {
  auto *w = static_cast<TPaintWidget *>(Widget());
  w->setAttribute(Qt::WA_OpaquePaintEvent);
  w->setMouseTracking(true);
  w->paint = [this](QPainter &p, const TRect &clip) { PaintNow(p, clip); };
  SetTabStop(false);
}

void TCustomControl::PaintNow(QPainter &painter, const TRect &clip) {
  canvas_.Font().Assign(&Font());
  canvas_.BeginPaint(&painter, clip);
  try {
    Paint();
  } catch (...) {
    canvas_.EndPaint();
    ReportPaintFailure(this);
    return;
  }
  canvas_.EndPaint();
}

void TCustomControl::Paint() {
  canvas_.Brush().SetColor(Color());
  canvas_.Brush().SetStyle(bsSolid);
  canvas_.FillRect(ClientRect());
  if (OnPaint) OnPaint(this);
}

TGraphicControl::TGraphicControl(TComponent *owner) : TControl(owner, new TPaintWidget) {
  auto *w = static_cast<TPaintWidget *>(Widget());
  w->setMouseTracking(true);
  w->setFocusPolicy(Qt::NoFocus);
  w->paint = [this](QPainter &p, const TRect &clip) { PaintNow(p, clip); };
}

void TGraphicControl::PaintNow(QPainter &painter, const TRect &clip) {
  canvas_.Font().Assign(&Font());
  canvas_.BeginPaint(&painter, clip);
  try {
    Paint();
  } catch (...) {
    canvas_.EndPaint();
    ReportPaintFailure(this);
    return;
  }
  canvas_.EndPaint();
}

void TGraphicControl::Paint() {}

TPaintBox::TPaintBox(TComponent *owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint() {
  if (OnPaint) OnPaint(this);
}
