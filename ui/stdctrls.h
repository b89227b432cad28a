// Standard controls: labels, push buttons, edits, check boxes, radio
// buttons, group boxes, list boxes and combo boxes.
#pragma once

#include <string>

#include "base/strings.h"
#include "ui/controls.h"

class QLabel;
class QPushButton;
class QLineEdit;
class QCheckBox;
class QRadioButton;
class QGroupBox;
class QListWidget;
class QComboBox;

// A text on the form. A "&" in the caption marks an accelerator: Alt and
// that letter focus FocusControl. With AutoSize (the default) the label
// takes the size of its text.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent *owner);
  TWinControl *FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl *control);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool on);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool on);

protected:
  void CaptionChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  bool ConsumesMouse() const override { return true; }
  void Notification(TComponent *component, TOperation operation) override;
  bool Accelerate() override;

private:
  void AdjustSize();
  void ApplyText();
  QLabel *label_;
  TWinControl *focus_control_ = nullptr;
  bool auto_size_ = true;
  bool word_wrap_ = false;
  bool transparent_ = false;
  bool show_accel_char_ = true;
  TAlignment alignment_ = taLeftJustify;
};

// A push button. Default: Enter on the form clicks it (unless another button
// has the focus); Cancel: Escape clicks it; a ModalResult other than mrNone
// is given to the form when clicked, which ends a modal form.
class TButton : public TWinControl {
public:
  explicit TButton(TComponent *owner);
  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on) { cancel_ = on; }
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }
  void Click() override;

protected:
  explicit TButton(TComponent *owner, QPushButton *button);
  void CaptionChanged() override;
  bool Accelerate() override;
  QPushButton *Button() const { return button_; }

private:
  void Init();
  QPushButton *button_;
  bool default_ = false;
  bool cancel_ = false;
  int modal_result_ = mrNone;
};

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// A one-line text editor. Text is the caption; OnChange follows every edit.
class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent *owner);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int length);
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase c);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool on);
  char32_t PasswordChar() const { return password_char_; }
  void SetPasswordChar(char32_t c);
  bool Modified() const { return modified_; }
  void SetModified(bool on) { modified_ = on; }
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  std::string SelText() const;
  void SelectAll();
  void Clear() { SetText(""); }
  TNotifyEvent OnChange;

protected:
  virtual void Change();
  void CaptionChanged() override;
  void ColorChanged() override;

private:
  QLineEdit *edit_;
  int max_length_ = 0;
  TEditCharCase char_case_ = ecNormal;
  bool read_only_ = false;
  bool modified_ = false;
  bool updating_ = false;
  char32_t password_char_ = 0;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent *owner);
  bool Checked() const;
  void SetChecked(bool on);
  TCheckBoxState State() const;
  void SetState(TCheckBoxState state);
  bool AllowGrayed() const;
  void SetAllowGrayed(bool on);

protected:
  void CaptionChanged() override;
  bool Accelerate() override;

private:
  QCheckBox *box_;
  bool updating_ = false;
};

class TRadioButton : public TWinControl {
public:
  explicit TRadioButton(TComponent *owner);
  bool Checked() const;
  void SetChecked(bool on);

protected:
  void CaptionChanged() override;
  bool Accelerate() override;

private:
  QRadioButton *radio_;
  bool updating_ = false;
};

// A framed box with a caption that groups other controls.
class TGroupBox : public TWinControl {
public:
  explicit TGroupBox(TComponent *owner);

protected:
  void CaptionChanged() override;
  bool ConsumesMouse() const override { return true; }

private:
  QGroupBox *group_;
};

// A list of texts; ItemIndex is the selected line (-1: none).
class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent *owner);
  int Count() const;
  std::string Items(int index) const;
  int AddItem(const std::string &text);
  void InsertItem(int index, const std::string &text);
  void DeleteItem(int index);
  void SetItemText(int index, const std::string &text);
  void Clear();
  // Replaces every item with the list's lines.
  void SetItems(const TStringList &items);
  TStringList ItemList() const;
  int IndexOf(const std::string &text) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  bool MultiSelect() const;
  void SetMultiSelect(bool on);
  bool Selected(int index) const;
  void SetSelected(int index, bool on);
  int TopIndex() const;
  int ItemHeight() const;

protected:
  void ColorChanged() override;

private:
  QListWidget *list_;
  bool sorted_ = false;
  bool updating_ = false;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

// An edit with a drop-down list.
class TComboBox : public TWinControl {
public:
  explicit TComboBox(TComponent *owner);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle style);
  int Count() const;
  std::string Items(int index) const;
  int AddItem(const std::string &text);
  void InsertItem(int index, const std::string &text);
  void DeleteItem(int index);
  void Clear();
  void SetItems(const TStringList &items);
  int IndexOf(const std::string &text) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int count);
  bool DroppedDown() const;
  void SetDroppedDown(bool on);
  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;

protected:
  void CaptionChanged() override;
  virtual void Change();

private:
  QComboBox *combo_;
  TComboBoxStyle style_ = csDropDown;
  bool sorted_ = false;
  bool updating_ = false;
  int drop_down_count_ = 8;
};

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
// ScrollCode says what the user did; ScrollPos is the position it leads to,
// which the handler may change (the bar then shows the handler's value).
using TScrollEvent = std::function<void(TObject *Sender, TScrollCode ScrollCode, int &ScrollPos)>;

class QScrollBar;

// A scroll bar of its own (not a window's).
class TScrollBar : public TWinControl {
public:
  explicit TScrollBar(TComponent *owner);
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind kind);
  int Min() const;
  int Max() const;
  void SetParams(int position, int min, int max);
  int Position() const;
  // Setting the position does not run OnScroll; it runs OnChange.
  void SetPosition(int position);
  int SmallChange() const;
  void SetSmallChange(int change);
  int LargeChange() const;
  void SetLargeChange(int change);
  TScrollEvent OnScroll;
  TNotifyEvent OnChange;

protected:
  // Runs OnScroll; by default moves the bar to ScrollPos afterwards.
  virtual void Scroll(TScrollCode code, int &pos);

private:
  QScrollBar *bar_;
  TScrollBarKind kind_ = sbHorizontal;
  bool updating_ = false;
};
