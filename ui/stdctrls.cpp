#include "ui/stdctrls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>

#include "base/exception.h"
#include "base/format.h"
#include "base/text.h"
#include "ui/forms.h"

namespace {
QString Q(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
std::string S(const QString &s) {
  return s.toStdString();
}

// The caption as shown: "&&" is a literal "&", a lone "&" marks the next
// letter and is not shown.
QString Displayed(const std::string &caption) {
  QString out;
  QString in = Q(caption);
  for (int i = 0; i < in.size(); ++i) {
    if (in[i] == '&' && i + 1 < in.size()) {
      ++i;
      out += in[i];
    } else if (in[i] != '&') {
      out += in[i];
    }
  }
  return out;
}
} // namespace

// ---- TLabel ----

TLabel::TLabel(TComponent *owner)
    : TControl(owner, new QLabel), label_(static_cast<QLabel *>(Widget())) {
  label_->setFocusPolicy(Qt::NoFocus);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setTextFormat(Qt::PlainText);
  label_->setContentsMargins(0, 0, 0, 0);
  label_->setMargin(0);
  label_->setIndent(0);
  SetBounds(0, 0, 65, 17);
}

void TLabel::ApplyText() {
  // Qt draws the "&" letter underlined only for a label with a buddy; the
  // others show the caption as it reads.
  label_->setText(show_accel_char_ && focus_control_ ? Q(Caption())
                  : show_accel_char_                 ? Displayed(Caption())
                                                     : Q(Caption()));
  AdjustSize();
}

bool TLabel::Accelerate() {
  if (!focus_control_ || !focus_control_->CanFocus()) return false;
  focus_control_->SetFocus();
  return true;
}

void TLabel::CaptionChanged() {
  ApplyText();
}

void TLabel::SetShowAccelChar(bool on) {
  show_accel_char_ = on;
  ApplyText();
}

void TLabel::FontChanged() {
  TControl::FontChanged();
  AdjustSize();
}

void TLabel::ColorChanged() {
  TControl::ColorChanged();
  if (transparent_) label_->setAutoFillBackground(false);
}

void TLabel::SetTransparent(bool on) {
  transparent_ = on;
  label_->setAutoFillBackground(!on && !ParentColor());
}

void TLabel::SetAutoSize(bool on) {
  auto_size_ = on;
  AdjustSize();
}

void TLabel::SetWordWrap(bool on) {
  word_wrap_ = on;
  label_->setWordWrap(on);
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Qt::Alignment a = alignment == taRightJustify ? Qt::AlignRight
                    : alignment == taCenter     ? Qt::AlignHCenter
                                                : Qt::AlignLeft;
  label_->setAlignment(a | Qt::AlignTop);
}

void TLabel::AdjustSize() {
  if (!auto_size_ || IsLoading()) return;
  QFontMetrics fm(Font().ToQFont());
  QString text = Displayed(Caption());
  if (word_wrap_) {
    QRect r = fm.boundingRect(QRect(0, 0, std::max(1, Width()), 100000),
                              Qt::TextWordWrap | Qt::AlignLeft, text);
    SetBounds(Left(), Top(), Width(), std::max(fm.height(), r.height()));
  } else {
    int w = 0;
    for (const QString &line : text.split('\n'))
      w = std::max(w, fm.horizontalAdvance(line));
    int lines = int(text.count('\n')) + 1;
    SetBounds(Left(), Top(), w, fm.height() * lines);
  }
}

void TLabel::SetFocusControl(TWinControl *control) {
  if (focus_control_) focus_control_->RemoveFreeNotification(this);
  focus_control_ = control;
  if (control) control->FreeNotification(this);
  label_->setBuddy(control ? control->Widget() : nullptr);
  ApplyText();
}

void TLabel::Notification(TComponent *component, TOperation operation) {
  TControl::Notification(component, operation);
  if (operation == opRemove && component == focus_control_) {
    focus_control_ = nullptr;
    label_->setBuddy(nullptr);
  }
}

// ---- TButton ----

TButton::TButton(TComponent *owner) : TButton(owner, new QPushButton) {}

TButton::TButton(TComponent *owner, QPushButton *button)
    : TWinControl(owner, button), button_(button) {
  Init();
}

void TButton::Init() {
  // Enter and Escape are the form's business (TForm), not Qt's.
  button_->setAutoDefault(false);
  button_->setDefault(false);
  SetTabStop(true);
  QObject::connect(button_, &QPushButton::clicked, button_, [this] { Guarded([&] { Click(); }); });
  SetBounds(0, 0, 75, 25);
}

void TButton::CaptionChanged() {
  button_->setText(Q(Caption()));
  // The accelerator is the form's to dispatch (after the menu bar's own),
  // not a Qt shortcut that would clash with a menu title's letter.
  button_->setShortcut(QKeySequence());
}

bool TButton::Accelerate() {
  if (!Visible() || !Enabled()) return false;
  Click();
  return true;
}

void TButton::SetDefault(bool on) {
  default_ = on;
  // Outside a QDialog this is only the look (and Enter on the focused
  // default button); the form itself routes Enter to the default button.
  button_->setDefault(on);
}

void TButton::Click() {
  // The form takes the result first, so that OnClick can still change it.
  if (modal_result_ != mrNone)
    if (TForm *form = GetParentForm()) form->SetModalResult(modal_result_);
  TWinControl::Click();
}

// ---- TEdit ----

TEdit::TEdit(TComponent *owner)
    : TWinControl(owner, new QLineEdit), edit_(static_cast<QLineEdit *>(Widget())) {
  SetTabStop(true);
  SetColor(clWindow);
  QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this](const QString &text) {
    if (updating_) return;
    QString shown = text;
    if (char_case_ == ecUpperCase) shown = text.toUpper();
    if (char_case_ == ecLowerCase) shown = text.toLower();
    if (shown != text) {
      int pos = edit_->cursorPosition();
      updating_ = true;
      edit_->setText(shown);
      edit_->setCursorPosition(pos);
      updating_ = false;
    }
    SetCaptionSilently(S(shown));
    modified_ = true;
    Guarded([&] { Change(); });
  });
  SetBounds(0, 0, 121, 24);
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

void TEdit::CaptionChanged() {
  QString text = Q(Caption());
  if (char_case_ == ecUpperCase) text = text.toUpper();
  if (char_case_ == ecLowerCase) text = text.toLower();
  if (max_length_ > 0 && text.size() > max_length_) text.truncate(max_length_);
  SetCaptionSilently(S(text));
  updating_ = true;
  edit_->setText(text);
  updating_ = false;
  modified_ = false;
  Guarded([&] { Change(); });
}

void TEdit::ColorChanged() {
  TWinControl::ColorChanged();
  QPalette pal = edit_->palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  edit_->setPalette(pal);
  edit_->setAutoFillBackground(false);
}

void TEdit::SetMaxLength(int length) {
  max_length_ = std::max(0, length);
  edit_->setMaxLength(max_length_ > 0 ? max_length_ : 32767);
}

void TEdit::SetCharCase(TEditCharCase c) {
  char_case_ = c;
  CaptionChanged();
}

void TEdit::SetReadOnly(bool on) {
  read_only_ = on;
  edit_->setReadOnly(on);
}

void TEdit::SetPasswordChar(char32_t c) {
  password_char_ = c;
  edit_->setEchoMode(c ? QLineEdit::Password : QLineEdit::Normal);
}

int TEdit::SelStart() const {
  return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
}
void TEdit::SetSelStart(int start) {
  edit_->setCursorPosition(start);
}
int TEdit::SelLength() const {
  return int(edit_->selectedText().size());
}
void TEdit::SetSelLength(int length) {
  edit_->setSelection(SelStart(), length);
}
std::string TEdit::SelText() const {
  return S(edit_->selectedText());
}
void TEdit::SelectAll() {
  edit_->selectAll();
}

// ---- TCheckBox, TRadioButton ----

TCheckBox::TCheckBox(TComponent *owner)
    : TWinControl(owner, new QCheckBox), box_(static_cast<QCheckBox *>(Widget())) {
  SetTabStop(true);
  QObject::connect(box_, &QCheckBox::stateChanged, box_, [this](int) {
    if (!updating_) Guarded([&] { Click(); });
  });
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::CaptionChanged() {
  box_->setText(Q(Caption()));
  box_->setShortcut(QKeySequence());
}

bool TCheckBox::Accelerate() {
  if (!Visible() || !Enabled()) return false;
  SetFocus();
  SetChecked(!Checked());
  return true;
}
bool TCheckBox::Checked() const {
  return box_->checkState() == Qt::Checked;
}
void TCheckBox::SetChecked(bool on) {
  SetState(on ? cbChecked : cbUnchecked);
}
TCheckBoxState TCheckBox::State() const {
  switch (box_->checkState()) {
  case Qt::Checked:
    return cbChecked;
  case Qt::PartiallyChecked:
    return cbGrayed;
  default:
    return cbUnchecked;
  }
}
void TCheckBox::SetState(TCheckBoxState state) {
  Qt::CheckState s = state == cbChecked  ? Qt::Checked
                     : state == cbGrayed ? Qt::PartiallyChecked
                                         : Qt::Unchecked;
  if (s == box_->checkState()) return;
  if (state == cbGrayed) box_->setTristate(true);
  // A change of state clicks, also when made by the program.
  box_->setCheckState(s);
}
bool TCheckBox::AllowGrayed() const {
  return box_->isTristate();
}
void TCheckBox::SetAllowGrayed(bool on) {
  box_->setTristate(on);
}

TRadioButton::TRadioButton(TComponent *owner)
    : TWinControl(owner, new QRadioButton), radio_(static_cast<QRadioButton *>(Widget())) {
  SetTabStop(true);
  QObject::connect(radio_, &QRadioButton::toggled, radio_, [this](bool on) {
    if (on && !updating_) Guarded([&] { Click(); });
  });
  SetBounds(0, 0, 113, 17);
}
void TRadioButton::CaptionChanged() {
  radio_->setText(Q(Caption()));
  radio_->setShortcut(QKeySequence());
}

bool TRadioButton::Accelerate() {
  if (!Visible() || !Enabled()) return false;
  SetFocus();
  SetChecked(true);
  return true;
}
bool TRadioButton::Checked() const {
  return radio_->isChecked();
}
void TRadioButton::SetChecked(bool on) {
  radio_->setChecked(on);
}

// ---- TGroupBox ----

TGroupBox::TGroupBox(TComponent *owner)
    : TWinControl(owner, new QGroupBox), group_(static_cast<QGroupBox *>(Widget())) {
  SetBounds(0, 0, 185, 105);
}
void TGroupBox::CaptionChanged() {
  group_->setTitle(Q(Caption()));
}

// ---- TListBox ----

TListBox::TListBox(TComponent *owner)
    : TWinControl(owner, new QListWidget), list_(static_cast<QListWidget *>(Widget())) {
  SetTabStop(true);
  SetColor(clWindow);
  BridgeWidget(list_->viewport());
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(true);
  QObject::connect(list_, &QListWidget::currentRowChanged, list_, [this](int) {
    if (!updating_) Guarded([&] { Click(); });
  });
  SetBounds(0, 0, 121, 97);
}

void TListBox::ColorChanged() {
  TWinControl::ColorChanged();
  QPalette pal = list_->palette();
  pal.setColor(QPalette::Base, ToQColor(Color()));
  list_->setPalette(pal);
}

int TListBox::Count() const {
  return list_->count();
}
std::string TListBox::Items(int index) const {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", {index}));
  return S(list_->item(index)->text());
}
int TListBox::AddItem(const std::string &text) {
  updating_ = true;
  list_->addItem(Q(text));
  if (sorted_) list_->sortItems();
  updating_ = false;
  return IndexOf(text);
}
void TListBox::InsertItem(int index, const std::string &text) {
  updating_ = true;
  list_->insertItem(std::clamp(index, 0, Count()), Q(text));
  updating_ = false;
}
void TListBox::DeleteItem(int index) {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", {index}));
  updating_ = true;
  delete list_->takeItem(index);
  updating_ = false;
}
void TListBox::SetItemText(int index, const std::string &text) {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", {index}));
  list_->item(index)->setText(Q(text));
}
void TListBox::Clear() {
  updating_ = true;
  list_->clear();
  updating_ = false;
}
void TListBox::SetItems(const TStringList &items) {
  updating_ = true;
  list_->clear();
  for (const auto &s : items.Items())
    list_->addItem(Q(s));
  if (sorted_) list_->sortItems();
  updating_ = false;
}
TStringList TListBox::ItemList() const {
  TStringList out;
  for (int i = 0; i < Count(); ++i)
    out.Add(S(list_->item(i)->text()));
  return out;
}
int TListBox::IndexOf(const std::string &text) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(S(list_->item(i)->text()), text)) return i;
  return -1;
}
int TListBox::ItemIndex() const {
  return list_->currentRow();
}
void TListBox::SetItemIndex(int index) {
  updating_ = true;
  list_->setCurrentRow(index >= 0 && index < Count() ? index : -1);
  if (index < 0) list_->clearSelection();
  updating_ = false;
}
void TListBox::SetSorted(bool on) {
  sorted_ = on;
  if (on) list_->sortItems();
}
bool TListBox::MultiSelect() const {
  return list_->selectionMode() == QAbstractItemView::ExtendedSelection;
}
void TListBox::SetMultiSelect(bool on) {
  list_->setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                             : QAbstractItemView::SingleSelection);
}
bool TListBox::Selected(int index) const {
  return index >= 0 && index < Count() && list_->item(index)->isSelected();
}
void TListBox::SetSelected(int index, bool on) {
  if (index >= 0 && index < Count()) list_->item(index)->setSelected(on);
}
int TListBox::TopIndex() const {
  QListWidgetItem *item = list_->itemAt(2, 2);
  return item ? list_->row(item) : 0;
}
int TListBox::ItemHeight() const {
  return Count() > 0 ? list_->visualItemRect(list_->item(0)).height()
                     : QFontMetrics(Font().ToQFont()).height();
}

// ---- TComboBox ----

TComboBox::TComboBox(TComponent *owner)
    : TWinControl(owner, new QComboBox), combo_(static_cast<QComboBox *>(Widget())) {
  SetTabStop(true);
  combo_->setEditable(true);
  combo_->setInsertPolicy(QComboBox::NoInsert);
  if (combo_->lineEdit()) BridgeWidget(combo_->lineEdit());
  QObject::connect(combo_, &QComboBox::currentTextChanged, combo_, [this](const QString &text) {
    SetCaptionSilently(S(text));
    if (!updating_) Guarded([&] { Change(); });
  });
  QObject::connect(combo_, QOverload<int>::of(&QComboBox::activated), combo_, [this](int) {
    if (!updating_) Guarded([&] { Click(); });
  });
  SetBounds(0, 0, 145, 24);
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::SetStyle(TComboBoxStyle style) {
  style_ = style;
  combo_->setEditable(style != csDropDownList);
  if (combo_->lineEdit()) {
    combo_->setInsertPolicy(QComboBox::NoInsert);
    BridgeWidget(combo_->lineEdit());
  }
}

void TComboBox::CaptionChanged() {
  updating_ = true;
  int i = combo_->findText(Q(Caption()));
  if (combo_->isEditable())
    combo_->setEditText(Q(Caption()));
  else
    combo_->setCurrentIndex(i);
  updating_ = false;
}

int TComboBox::Count() const {
  return combo_->count();
}
std::string TComboBox::Items(int index) const {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", {index}));
  return S(combo_->itemText(index));
}
int TComboBox::AddItem(const std::string &text) {
  updating_ = true;
  QString keep = combo_->currentText();
  combo_->addItem(Q(text));
  if (sorted_) combo_->model()->sort(0);
  if (combo_->isEditable()) combo_->setEditText(keep);
  updating_ = false;
  return IndexOf(text);
}
void TComboBox::InsertItem(int index, const std::string &text) {
  updating_ = true;
  combo_->insertItem(std::clamp(index, 0, Count()), Q(text));
  updating_ = false;
}
void TComboBox::DeleteItem(int index) {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", {index}));
  updating_ = true;
  combo_->removeItem(index);
  updating_ = false;
}
void TComboBox::Clear() {
  updating_ = true;
  combo_->clear();
  updating_ = false;
}
void TComboBox::SetItems(const TStringList &items) {
  updating_ = true;
  QString keep = combo_->currentText();
  combo_->clear();
  for (const auto &s : items.Items())
    combo_->addItem(Q(s));
  if (sorted_) combo_->model()->sort(0);
  if (combo_->isEditable())
    combo_->setEditText(keep);
  else
    combo_->setCurrentIndex(-1);
  updating_ = false;
}
int TComboBox::IndexOf(const std::string &text) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(S(combo_->itemText(i)), text)) return i;
  return -1;
}
int TComboBox::ItemIndex() const {
  int i = combo_->currentIndex();
  if (i >= 0 && combo_->isEditable() && combo_->currentText() != combo_->itemText(i)) return -1;
  return i;
}
void TComboBox::SetItemIndex(int index) {
  updating_ = true;
  combo_->setCurrentIndex(index >= 0 && index < Count() ? index : -1);
  if (index < 0 && combo_->isEditable()) combo_->setEditText(QString());
  SetCaptionSilently(S(combo_->currentText()));
  updating_ = false;
}
void TComboBox::SetSorted(bool on) {
  sorted_ = on;
  if (on) combo_->model()->sort(0);
}
void TComboBox::SetDropDownCount(int count) {
  drop_down_count_ = std::max(1, count);
  combo_->setMaxVisibleItems(drop_down_count_);
}
bool TComboBox::DroppedDown() const {
  return combo_->view() && combo_->view()->isVisible();
}
void TComboBox::SetDroppedDown(bool on) {
  if (on) {
    if (OnDropDown) Guarded([&] { OnDropDown(this); });
    combo_->showPopup();
  } else {
    combo_->hidePopup();
  }
}

// ---- TScrollBar ----

TScrollBar::TScrollBar(TComponent *owner)
    : TWinControl(owner, new QScrollBar(Qt::Horizontal)),
      bar_(static_cast<QScrollBar *>(Widget())) {
  SetTabStop(true);
  bar_->setRange(0, 100);
  bar_->setSingleStep(1);
  bar_->setPageStep(1);
  // User actions become scroll codes; the handler may change the target.
  QObject::connect(bar_, &QAbstractSlider::actionTriggered, bar_, [this](int action) {
    if (updating_) return;
    TScrollCode code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      code = scLineUp;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      code = scLineDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = scPageUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = scPageDown;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = scTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = scBottom;
      break;
    case QAbstractSlider::SliderMove:
      code = scTrack;
      break;
    default:
      return;
    }
    int pos = bar_->sliderPosition();
    Guarded([&] { Scroll(code, pos); });
    bar_->setSliderPosition(std::clamp(pos, bar_->minimum(), bar_->maximum()));
  });
  QObject::connect(bar_, &QAbstractSlider::sliderReleased, bar_, [this] {
    int pos = bar_->sliderPosition();
    Guarded([&] {
      Scroll(scPosition, pos);
      Scroll(scEndScroll, pos);
    });
  });
  QObject::connect(bar_, &QAbstractSlider::valueChanged, bar_, [this](int) {
    if (OnChange) Guarded([&] { OnChange(this); });
  });
  SetBounds(0, 0, 121, 16);
}

void TScrollBar::Scroll(TScrollCode code, int &pos) {
  if (OnScroll) OnScroll(this, code, pos);
}

void TScrollBar::SetKind(TScrollBarKind kind) {
  kind_ = kind;
  bar_->setOrientation(kind == sbVertical ? Qt::Vertical : Qt::Horizontal);
}

int TScrollBar::Min() const {
  return bar_->minimum();
}
int TScrollBar::Max() const {
  return bar_->maximum();
}
int TScrollBar::Position() const {
  return bar_->value();
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (max < min) throw Exception("Scroll bar property out of range");
  bar_->setRange(min, max);
  SetPosition(position);
}

void TScrollBar::SetPosition(int position) {
  updating_ = true;
  bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
  updating_ = false;
}

int TScrollBar::SmallChange() const {
  return bar_->singleStep();
}
void TScrollBar::SetSmallChange(int change) {
  bar_->setSingleStep(std::max(1, change));
}
int TScrollBar::LargeChange() const {
  return bar_->pageStep();
}
void TScrollBar::SetLargeChange(int change) {
  bar_->setPageStep(std::max(1, change));
}
