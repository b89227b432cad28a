#include "ui/extctrls.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <algorithm>

#include "base/exception.h"

namespace {
QString Q(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

TRect Frame3D(TCanvas &canvas, TRect r, TColor top_color, TColor bottom_color, int width) {
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetStyle(psSolid);
  // Each ring: top and left in one colour, bottom and right in the other.
  --r.Bottom;
  --r.Right;
  for (int i = 0; i < width; ++i) {
    canvas.Pen().SetColor(top_color);
    canvas.Polyline({{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}});
    canvas.Pen().SetColor(bottom_color);
    canvas.Polyline({{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}});
    r = InflateRect(r, -1, -1);
  }
  ++r.Bottom;
  ++r.Right;
  return r;
}

// ---- TPanel ----

TPanel::TPanel(TComponent *owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelInner(TPanelBevel b) {
  bevel_inner_ = b;
  Invalidate();
}
void TPanel::SetBevelOuter(TPanelBevel b) {
  bevel_outer_ = b;
  Invalidate();
}
void TPanel::SetBevelWidth(int w) {
  bevel_width_ = std::max(1, w);
  Invalidate();
}
void TPanel::SetBorderWidth(int w) {
  border_width_ = std::max(0, w);
  Invalidate();
}
void TPanel::SetAlignment(TAlignment a) {
  alignment_ = a;
  Invalidate();
}

void TPanel::Paint() {
  TCanvas &c = *Canvas();
  TRect r = ClientRect();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  auto bevel = [&](TPanelBevel b) {
    if (b == bvNone) return;
    TColor top = b == bvLowered ? clBtnShadow : clBtnHighlight;
    TColor bottom = b == bvLowered ? clBtnHighlight : clBtnShadow;
    r = Frame3D(c, r, top, bottom, bevel_width_);
  };
  bevel(bevel_outer_);
  r = Frame3D(c, r, Color(), Color(), border_width_);
  bevel(bevel_inner_);
  if (!Caption().empty()) {
    c.Brush().SetStyle(bsClear);
    c.Font().Assign(&Font());
    int tw = c.TextWidth(Caption());
    int th = c.TextHeight(Caption());
    int x = alignment_ == taLeftJustify    ? r.Left + 2
            : alignment_ == taRightJustify ? r.Right - tw - 2
                                           : r.Left + (r.Width() - tw) / 2;
    c.TextRect(r, x, r.Top + (r.Height() - th) / 2, Caption());
  }
  if (OnPaint) OnPaint(this);
}

// ---- TBevel ----

TBevel::TBevel(TComponent *owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape s) {
  shape_ = s;
  Invalidate();
}
void TBevel::SetStyle(TBevelStyle s) {
  style_ = s;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas &c = *Canvas();
  TColor c1 = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor c2 = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width(), h = Height();
  c.Pen().SetWidth(1);
  // A rectangle's lines: top and left in one colour, bottom and right in
  // the other (Right and Bottom drawn on).
  auto bevel_rect = [&](int l, int t, int r, int b, TColor tl, TColor br) {
    c.Pen().SetColor(tl);
    c.Polyline({{l, b}, {l, t}, {r, t}});
    c.Pen().SetColor(br);
    c.Polyline({{r, t}, {r, b}, {l, b}});
  };
  auto line = [&](int x1, int y1, int x2, int y2, TColor col) {
    c.Pen().SetColor(col);
    c.Polyline({{x1, y1}, {x2, y2}});
  };
  switch (shape_) {
  case bsBox:
    bevel_rect(0, 0, w - 1, h - 1, c1, c2);
    break;
  case bsFrame:
    // Etched: an inner ring in the second colour under an outer in the first.
    bevel_rect(1, 1, w - 1, h - 1, c2, c2);
    bevel_rect(0, 0, w - 2, h - 2, c1, c1);
    break;
  case bsTopLine:
    line(0, 0, w - 1, 0, c1);
    line(0, 1, w - 1, 1, c2);
    break;
  case bsBottomLine:
    line(0, h - 2, w - 1, h - 2, c1);
    line(0, h - 1, w - 1, h - 1, c2);
    break;
  case bsLeftLine:
    line(0, 0, 0, h - 1, c1);
    line(1, 0, 1, h - 1, c2);
    break;
  case bsRightLine:
    line(w - 2, 0, w - 2, h - 1, c1);
    line(w - 1, 0, w - 1, h - 1, c2);
    break;
  }
}

// ---- TImage ----

TImage::TImage(TComponent *owner) : TGraphicControl(owner) {
  picture_.OnChange = [this] { PictureChanged(); };
  SetBounds(0, 0, 105, 105);
}

void TImage::PictureChanged() {
  picture_.Bitmap().SetTransparent(transparent_);
  if (auto_size_ && !picture_.Bitmap().Empty())
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
  Invalidate();
}

void TImage::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}
void TImage::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}
void TImage::SetTransparent(bool on) {
  transparent_ = on;
  PictureChanged();
}
void TImage::SetAutoSize(bool on) {
  auto_size_ = on;
  PictureChanged();
}

void TImage::Paint() {
  const TBitmap &bmp = picture_.Bitmap();
  if (bmp.Empty()) return;
  if (stretch_) {
    Canvas()->StretchDraw(ClientRect(), bmp);
  } else if (center_) {
    Canvas()->Draw((Width() - bmp.Width()) / 2, (Height() - bmp.Height()) / 2, bmp);
  } else {
    Canvas()->Draw(0, 0, bmp);
  }
}

// ---- TTimer ----

TTimer::TTimer(TComponent *owner) : TComponent(owner), timer_(new QTimer) {
  QObject::connect(timer_, &QTimer::timeout, timer_, [this] {
    try {
      Timer();
    } catch (...) {
      HandleCurrentException(this);
    }
  });
  Update();
}

TTimer::~TTimer() {
  Destroying();
  timer_->stop();
  delete timer_;
}

void TTimer::SetEnabled(bool on) {
  enabled_ = on;
  Update();
}

void TTimer::SetInterval(int ms) {
  interval_ = std::max(0, ms);
  Update();
}

void TTimer::Update() {
  // Setting the interval or enabling restarts the count from now.
  timer_->stop();
  if (enabled_ && interval_ > 0 && OnTimer) timer_->start(interval_);
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

// ---- TRadioGroup ----

TRadioGroup::TRadioGroup(TComponent *owner) : TWinControl(owner, new QGroupBox) {
  // A group box whose radio buttons are laid out in columns.
  SetTabStop(false);
  SetBounds(0, 0, 185, 105);
}

TRadioGroup::~TRadioGroup() {
  Destroying();
}

void TRadioGroup::SetItems(const TStringList &items) {
  items_.Assign(&items);
  Rebuild();
}

void TRadioGroup::Rebuild() {
  for (QRadioButton *b : buttons_)
    delete b;
  buttons_.clear();
  updating_ = true;
  for (int i = 0; i < items_.Count(); ++i) {
    auto *b = new QRadioButton(Q(items_[i]), Widget());
    b->setFocusPolicy(Qt::StrongFocus);
    BridgeWidget(b);
    QObject::connect(b, &QRadioButton::toggled, b, [this, i](bool on) {
      if (!on || updating_) return;
      item_index_ = i;
      Guarded([&] { Click(); });
    });
    b->show();
    buttons_.push_back(b);
  }
  if (item_index_ >= items_.Count()) item_index_ = -1;
  if (item_index_ >= 0) buttons_[static_cast<size_t>(item_index_)]->setChecked(true);
  updating_ = false;
  Arrange();
}

void TRadioGroup::Arrange() {
  if (buttons_.empty()) return;
  int cols = std::max(1, columns_);
  int rows = (static_cast<int>(buttons_.size()) + cols - 1) / cols;
  int top = 16, left = 8;
  int col_w = std::max(1, (Width() - left - 4) / cols);
  int row_h = std::max(1, (Height() - top - 4) / std::max(1, rows));
  for (size_t i = 0; i < buttons_.size(); ++i) {
    int c = static_cast<int>(i) / rows, r = static_cast<int>(i) % rows;
    buttons_[i]->setGeometry(left + c * col_w, top + r * row_h, col_w - 2, std::min(row_h, 20));
  }
}

void TRadioGroup::Resize() {
  TWinControl::Resize();
  Arrange();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= items_.Count()) index = -1;
  item_index_ = index;
  updating_ = true;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    buttons_[i]->setAutoExclusive(false);
    buttons_[i]->setChecked(static_cast<int>(i) == index);
    buttons_[i]->setAutoExclusive(true);
  }
  updating_ = false;
}

void TRadioGroup::SetColumns(int columns) {
  columns_ = std::clamp(columns, 1, 16);
  Arrange();
}

void TRadioGroup::CaptionChanged() {
  static_cast<QGroupBox *>(Widget())->setTitle(Q(Caption()));
}

// ---- TNotebook ----

TNotebook::TNotebook(TComponent *owner) : TWinControl(owner, new QWidget) {
  SetBounds(0, 0, 150, 150);
}

TPanel *TNotebook::AddPage(const std::string &name) {
  auto *page = new TPanel(Owner() ? Owner() : this);
  page->SetBevelOuter(bvNone);
  page->SetParent(this);
  page->SetBounds(0, 0, Width(), Height());
  page->FreeNotification(this);
  pages_.push_back(page);
  names_.push_back(name);
  page->SetVisible(pages_.size() == 1);
  if (page_index_ < 0) page_index_ = 0;
  return page;
}

void TNotebook::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == page_index_) return;
  page_index_ = index;
  for (int i = 0; i < PageCount(); ++i)
    Page(i)->SetVisible(i == index);
  if (OnPageChanged) Guarded([&] { OnPageChanged(this); });
}

bool TNotebook::SetActivePage(const std::string &name) {
  for (int i = 0; i < PageCount(); ++i)
    if (names_[static_cast<size_t>(i)] == name) {
      SetPageIndex(i);
      return true;
    }
  return false;
}

void TNotebook::Resize() {
  TWinControl::Resize();
  for (TPanel *p : pages_)
    p->SetBounds(0, 0, Width(), Height());
}

void TNotebook::Notification(TComponent *component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  for (size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i] == component) {
      pages_.erase(pages_.begin() + static_cast<long>(i));
      names_.erase(names_.begin() + static_cast<long>(i));
      if (page_index_ >= PageCount()) page_index_ = PageCount() - 1;
      break;
    }
}

// ---- TTabSet ----

TTabSet::TTabSet(TComponent *owner)
    : TWinControl(owner, new QTabBar), bar_(static_cast<QTabBar *>(Widget())) {
  SetTabStop(true);
  bar_->setShape(QTabBar::RoundedSouth);
  bar_->setDrawBase(true);
  bar_->setExpanding(false);
  QObject::connect(bar_, &QTabBar::currentChanged, bar_, [this](int index) {
    if (updating_) return;
    bool allow = true;
    Guarded([&] {
      if (OnChange) OnChange(this, index, allow);
    });
    if (!allow) {
      updating_ = true;
      bar_->setCurrentIndex(bar_->property("bsfxTab").toInt());
      updating_ = false;
      return;
    }
    bar_->setProperty("bsfxTab", index);
    Guarded([&] { Click(); });
  });
  SetBounds(0, 0, 185, 21);
}

void TTabSet::SetTabs(const TStringList &tabs) {
  updating_ = true;
  while (bar_->count() > 0)
    bar_->removeTab(0);
  for (const auto &t : tabs.Items())
    bar_->addTab(Q(t));
  bar_->setProperty("bsfxTab", bar_->currentIndex());
  updating_ = false;
}

TStringList TTabSet::Tabs() const {
  TStringList out;
  for (int i = 0; i < bar_->count(); ++i)
    out.Add(bar_->tabText(i).toStdString());
  return out;
}

int TTabSet::TabIndex() const {
  return bar_->currentIndex();
}

void TTabSet::SetTabIndex(int index) {
  if (index < -1 || index >= bar_->count()) return;
  bar_->setCurrentIndex(index);
}
