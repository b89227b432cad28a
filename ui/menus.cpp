#include "ui/menus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

namespace {
const char *const kItemProperty = "bsfxMenuItem";
QString Q(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

TMenuItem::TMenuItem(TComponent *owner) : TComponent(owner), action_(new QAction) {
  action_->setProperty(kItemProperty, QVariant::fromValue(static_cast<void *>(this)));
  QObject::connect(action_, &QAction::triggered, action_, [this] {
    try {
      Click();
    } catch (...) {
      HandleCurrentException(this);
    }
  });
}

TMenuItem::~TMenuItem() {
  Destroying();
  // Sub-items go with their parent item.
  while (!items_.empty())
    delete items_.back();
  if (parent_) parent_->Remove(this);
  action_->setProperty(kItemProperty, QVariant());
  delete action_;
  delete submenu_.data();
}

TMenuItem *TMenuItem::FromAction(const QAction *action) {
  if (!action) return nullptr;
  QVariant v = action->property(kItemProperty);
  return v.isValid() ? static_cast<TMenuItem *>(v.value<void *>()) : nullptr;
}

void TMenuItem::SetCaption(const std::string &caption) {
  caption_ = caption;
  action_->setSeparator(caption == "-");
  action_->setText(Q(caption));
  if (submenu_) submenu_->setTitle(Q(caption));
}

void TMenuItem::SetEnabled(bool on) {
  enabled_ = on;
  action_->setEnabled(on);
}

void TMenuItem::SetVisible(bool on) {
  visible_ = on;
  action_->setVisible(on);
}

void TMenuItem::SetChecked(bool on) {
  checked_ = on;
  action_->setCheckable(on || action_->isCheckable());
  action_->setChecked(on);
}

void TMenuItem::SetShortCut(const std::string &shortcut) {
  shortcut_ = shortcut;
  action_->setShortcut(QKeySequence(Q(shortcut)));
}

int TMenuItem::MenuIndex() const {
  if (!parent_) return -1;
  auto &list = parent_->items_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

QWidget *TMenuItem::Container() {
  if (container_) return container_;
  if (!submenu_) {
    submenu_ = new QMenu;
    submenu_->setTitle(Q(caption_));
    QObject::connect(submenu_, &QMenu::aboutToShow, submenu_, [this] {
      try {
        Click();
      } catch (...) {
        HandleCurrentException(this);
      }
    });
    action_->setMenu(submenu_);
  }
  return submenu_;
}

void TMenuItem::Insert(int index, TMenuItem *item) {
  if (!item || item == this) return;
  for (TMenuItem *p = this; p; p = p->parent_)
    if (p == item) return;
  if (item->parent_) item->parent_->Remove(item);
  index = std::clamp(index, 0, Count());
  QAction *before = index < Count() ? items_[static_cast<size_t>(index)]->action_ : nullptr;
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Container()->insertAction(before, item->action_);
}

void TMenuItem::Remove(TMenuItem *item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  if (container_)
    container_->removeAction(item->action_);
  else if (submenu_)
    submenu_->removeAction(item->action_);
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

TMainMenu::TMainMenu(TComponent *owner) : TComponent(owner), root_(new TMenuItem(nullptr)) {}

TMainMenu::~TMainMenu() {
  Destroying();
  delete root_;
  delete bar_.data();
}

QMenuBar *TMainMenu::AttachBar() {
  if (!bar_) {
    bar_ = new QMenuBar;
    bar_->setNativeMenuBar(false);
    root_->container_ = bar_;
    for (TMenuItem *item : root_->items_)
      bar_->addAction(item->action_);
  }
  return bar_;
}

void TMainMenu::Detach() {
  if (bar_) bar_->setParent(nullptr);
  delete bar_.data();
}
