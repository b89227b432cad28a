// Menus: a main menu (the form's menu bar) made of menu items. A "&" in a
// caption marks the accelerator letter; the caption "-" is a separator.
//
//   auto *menu = new TMainMenu(form);
//   auto *file = new TMenuItem(form); file->SetCaption("&File");
//   menu->Items()->Add(file);
//   auto *exit = new TMenuItem(form); exit->SetCaption("E&xit");
//   exit->OnClick = [form](TObject *) { form->Close(); };
//   file->Add(exit);
//   form->SetMenu(menu);
#pragma once

#include <QPointer>
#include <string>
#include <vector>

#include "ui/types.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent *owner);
  ~TMenuItem() override;

  const std::string &Caption() const { return caption_; }
  void SetCaption(const std::string &caption);
  int HelpContext() const { return help_context_; }
  void SetHelpContext(int context) { help_context_ = context; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  bool Checked() const { return checked_; }
  void SetChecked(bool on);
  // A key combination such as "Ctrl+S"; empty for none.
  const std::string &ShortCut() const { return shortcut_; }
  void SetShortCut(const std::string &shortcut);

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem *Items(int index) const { return items_.at(static_cast<size_t>(index)); }
  TMenuItem *Parent() const { return parent_; }
  int MenuIndex() const;
  void Add(TMenuItem *item) { Insert(Count(), item); }
  void Insert(int index, TMenuItem *item);
  void Remove(TMenuItem *item);

  // Runs OnClick (what choosing the item does).
  virtual void Click();
  TNotifyEvent OnClick;

  QAction *Action() const { return action_; }
  // The item shown by a Qt action, or null.
  static TMenuItem *FromAction(const QAction *action);

private:
  friend class TMainMenu;
  QWidget *Container();

  std::string caption_;
  std::string shortcut_;
  int help_context_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  QAction *action_;
  QPointer<QMenu> submenu_;
  QPointer<QWidget> container_;
  std::vector<TMenuItem *> items_;
  TMenuItem *parent_ = nullptr;
};

class TMainMenu : public TComponent {
public:
  explicit TMainMenu(TComponent *owner);
  ~TMainMenu() override;
  // The invisible root whose items are the menu bar's titles.
  TMenuItem *Items() const { return root_; }
  // The menu bar showing the items (made on first use; the form takes it).
  QMenuBar *AttachBar();
  void Detach();

private:
  TMenuItem *root_;
  QPointer<QMenuBar> bar_;
};
