// Panels, bevels, images, timers, radio groups, notebooks and tab sets.
#pragma once

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "base/strings.h"
#include "ui/controls.h"

class QTimer;

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// Draws a 3D frame of `width` pixels in r (top-left colour, bottom-right
// colour) and returns the rectangle inside it.
TRect Frame3D(TCanvas &canvas, TRect r, TColor top_color, TColor bottom_color, int width);

// A container with optional raised or lowered bevels and a centred caption.
class TPanel : public TCustomControl {
public:
  explicit TPanel(TComponent *owner);
  TPanelBevel BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TPanelBevel b);
  TPanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel b);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int w);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int w);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);

protected:
  void Paint() override;
  void CaptionChanged() override { Invalidate(); }

private:
  TPanelBevel bevel_inner_ = bvNone;
  TPanelBevel bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
  TAlignment alignment_ = taCenter;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
  explicit TBevel(TComponent *owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape s);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle s);

protected:
  void Paint() override;
  bool ConsumesMouse() const override { return false; }

private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

// Shows a picture: at the top left, centred, or stretched to the bounds.
class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent *owner);
  TPicture &Picture() { return picture_; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on);
  bool Center() const { return center_; }
  void SetCenter(bool on);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);

protected:
  void Paint() override;

private:
  void PictureChanged();
  TPicture picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool auto_size_ = false;
};

// Calls OnTimer every Interval milliseconds while Enabled (and OnTimer is
// assigned). Interval 0 stops it.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent *owner);
  ~TTimer() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  TNotifyEvent OnTimer;
  // Applies a changed OnTimer (starting or stopping the timer).
  void Update();

protected:
  virtual void Timer();

private:
  QTimer *timer_;
  bool enabled_ = true;
  int interval_ = 1000;
};

// A group box of radio buttons made from Items; ItemIndex is the checked one.
class TRadioGroup : public TWinControl {
public:
  explicit TRadioGroup(TComponent *owner);
  ~TRadioGroup() override;
  void SetItems(const TStringList &items);
  const TStringList &Items() const { return items_; }
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);
  int Columns() const { return columns_; }
  void SetColumns(int columns);

protected:
  void CaptionChanged() override;
  void Resize() override;

private:
  void Rebuild();
  void Arrange();
  TStringList items_;
  std::vector<class QRadioButton *> buttons_;
  int item_index_ = -1;
  int columns_ = 1;
  bool updating_ = false;
};

// Pages of controls, one shown at a time: put each page's controls on
// Page(i) (a panel without bevels) and switch with PageIndex.
class TNotebook : public TWinControl {
public:
  explicit TNotebook(TComponent *owner);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TPanel *Page(int index) const { return pages_.at(static_cast<size_t>(index)); }
  const std::string &PageName(int index) const { return names_.at(static_cast<size_t>(index)); }
  // Adds a page (owned by the notebook's owner) and returns it.
  TPanel *AddPage(const std::string &name);
  int PageIndex() const { return page_index_; }
  void SetPageIndex(int index);
  // Makes the page of that name current; false when there is none.
  bool SetActivePage(const std::string &name);
  TNotifyEvent OnPageChanged;

protected:
  void Resize() override;
  void Notification(TComponent *component, TOperation operation) override;

private:
  std::vector<TPanel *> pages_;
  std::vector<std::string> names_;
  int page_index_ = -1;
};

// A row of tabs under a notebook; TabIndex is the selected tab.
class TTabSet : public TWinControl {
public:
  explicit TTabSet(TComponent *owner);
  void SetTabs(const TStringList &tabs);
  TStringList Tabs() const;
  int TabIndex() const;
  void SetTabIndex(int index);
  // Called before a tab becomes the selected one; AllowChange false keeps
  // the old one.
  std::function<void(TObject *Sender, int NewTab, bool &AllowChange)> OnChange;

private:
  class QTabBar *bar_;
  bool updating_ = false;
};
