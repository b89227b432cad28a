// Controls: ownership and parenting, bounds scaling, painting through the
// canvas, mouse and key dispatch, fonts and colours, timers, messages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "base/exception.h"
#include "ui/buttons.h"
#include "ui/extctrls.h"
#include "ui/forms.h"
#include "ui/stdctrls.h"

namespace {

std::vector<std::string> g_log;

class TProbe : public TCustomControl {
public:
  explicit TProbe(TComponent *owner, std::string name = "probe") : TCustomControl(owner) {
    SetName(name);
    SetTabStop(true);
  }
  ~TProbe() override { g_log.push_back("free " + Name()); }
  std::function<void(TCanvas &)> draw;
  std::vector<std::string> events;
  bool wants_tabs = false;

protected:
  void Paint() override {
    TCustomControl::Paint();
    if (draw) draw(*Canvas());
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    events.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," +
                     std::to_string(y) + ((s & ssDouble) ? " double" : ""));
    TCustomControl::MouseDown(b, s, x, y);
  }
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
    events.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    TCustomControl::MouseUp(b, s, x, y);
  }
  void KeyDown(Word &key, TShiftState shift) override {
    TCustomControl::KeyDown(key, shift);
    events.push_back("keydown " + std::to_string(key) + ((shift & ssCtrl) ? " ctrl" : ""));
  }
  void KeyPress(char32_t &key) override {
    TCustomControl::KeyPress(key);
    events.push_back("keypress " + std::to_string(unsigned(key)));
  }
  bool WantTabs() const override { return wants_tabs; }
};

QImage Grab(TControl *c) {
  return c->Widget()->grab().toImage();
}
TColor At(const QImage &img, int x, int y) {
  QColor c = img.pixelColor(x, y);
  return RGB(c.red(), c.green(), c.blue());
}

void ShowActive(TForm *form) {
  form->Show();
  QApplication::setActiveWindow(form->Widget());
  QApplication::processEvents();
}

} // namespace

TEST(Controls, ParentFreesChildrenAndOwnerFreesOwnedLastFirst) {
  g_log.clear();
  auto *form = new TForm(nullptr);
  auto *a = new TProbe(form, "a");
  auto *b = new TProbe(form, "b");
  a->SetParent(form);
  b->SetParent(a);
  // A child owned by nobody is freed with its parent.
  auto *orphan = new TProbe(nullptr, "orphan");
  orphan->SetParent(b);
  EXPECT_EQ(form->ControlCount(), 1);
  EXPECT_EQ(a->ControlCount(), 1);
  EXPECT_EQ(orphan->Widget()->parentWidget(), b->Widget());
  delete form;
  // b goes first (last created); with it its child; then a.
  EXPECT_EQ(g_log, (std::vector<std::string>{"free b", "free orphan", "free a"}));
}

TEST(Controls, FreeingAChildDetachesItFromParentAndOwner) {
  TForm form(nullptr);
  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  auto *label = new TLabel(&form);
  label->SetParent(panel);
  QPointer<QWidget> w = label->Widget();
  delete label;
  EXPECT_EQ(panel->ControlCount(), 0);
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_TRUE(w.isNull());
  EXPECT_THROW(panel->SetParent(panel), Exception);
  auto *inner = new TPanel(&form);
  inner->SetParent(panel);
  EXPECT_THROW(panel->SetParent(inner), Exception) << "a control placed inside its own child";
}

TEST(Controls, DesignBoundsScaleWithPixelsPerInchRoundingDown) {
  TForm form(nullptr);
  auto *b = new TButton(&form);
  b->SetParent(&form);
  Screen->SetPixelsPerInch(144);
  b->SetDesignBounds(277, 15, 121, 37);
  EXPECT_EQ(b->BoundsRect(), Bounds(415, 22, 181, 55));
  Screen->SetPixelsPerInch(120);
  b->SetDesignBounds(1, 3, 5, 7); // 1.25, 3.75, 6.25, 8.75
  EXPECT_EQ(b->BoundsRect(), Bounds(1, 3, 6, 8));
  Screen->SetPixelsPerInch(96);
  b->SetDesignBounds(440, 16, 121, 38);
  EXPECT_EQ(b->BoundsRect(), Bounds(440, 16, 121, 38));
  EXPECT_EQ(b->Widget()->geometry(), QRect(440, 16, 121, 38));
}

TEST(Controls, TabOrderMovesAndTabKeyFollowsIt) {
  TForm form(nullptr);
  auto *p1 = new TProbe(&form, "p1");
  auto *p2 = new TProbe(&form, "p2");
  auto *p3 = new TProbe(&form, "p3");
  for (auto *p : {p1, p2, p3})
    p->SetParent(&form);
  EXPECT_EQ(p3->TabOrder(), 2);
  p3->SetTabOrder(0);
  EXPECT_EQ(p3->TabOrder(), 0);
  EXPECT_EQ(p1->TabOrder(), 1);
  EXPECT_EQ(p2->TabOrder(), 2);
  p2->SetTabOrder(99); // clamped to the end
  EXPECT_EQ(p2->TabOrder(), 2);
  ShowActive(&form);
  p3->SetFocus();
  EXPECT_TRUE(p3->Focused());
  QTest::keyClick(p3->Widget(), Qt::Key_Tab);
  EXPECT_TRUE(p1->Focused());
  QTest::keyClick(p1->Widget(), Qt::Key_Tab);
  EXPECT_TRUE(p2->Focused());
  QTest::keyClick(p2->Widget(), Qt::Key_Tab);
  EXPECT_TRUE(p3->Focused()) << "Tab wraps to the first";
  QTest::keyClick(p3->Widget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(p2->Focused());
  // Invisible and disabled controls are skipped.
  p3->SetEnabled(false);
  QTest::keyClick(p2->Widget(), Qt::Key_Tab);
  EXPECT_TRUE(p1->Focused());
  // A control that wants tabs gets the Tab key instead.
  p1->wants_tabs = true;
  QTest::keyClick(p1->Widget(), Qt::Key_Tab);
  EXPECT_TRUE(p1->Focused());
  EXPECT_EQ(p1->events.back(), "keypress 9");
}

TEST(Controls, CanvasDrawsRectanglesAndLinesWithoutTheirFarEdge) {
  TForm form(nullptr);
  auto *p = new TProbe(&form);
  p->SetParent(&form);
  p->SetBounds(0, 0, 40, 30);
  p->SetColor(clWhite);
  p->draw = [](TCanvas &c) {
    c.Brush().SetColor(clRed);
    c.Pen().SetColor(clBlue);
    c.Rectangle(2, 2, 10, 8); // blue outline 2..9 x 2..7, red inside
    c.Pen().SetColor(clBlack);
    c.MoveTo(12, 20);
    c.LineTo(20, 20); // 12..19
    c.Brush().SetColor(clLime);
    c.FillRect(Rect(30, 0, 32, 2));
  };
  form.Show();
  QImage img = Grab(p);
  EXPECT_EQ(At(img, 2, 2), clBlue);
  EXPECT_EQ(At(img, 9, 7), clBlue);
  EXPECT_EQ(At(img, 10, 8), clWhite);
  EXPECT_EQ(At(img, 5, 5), clRed);
  EXPECT_EQ(At(img, 12, 20), clBlack);
  EXPECT_EQ(At(img, 19, 20), clBlack);
  EXPECT_EQ(At(img, 20, 20), clWhite) << "LineTo leaves out its end point";
  EXPECT_EQ(At(img, 31, 1), clLime);
  EXPECT_EQ(At(img, 32, 2), clWhite);
}

TEST(Controls, CanvasTextAndTransparentBitmaps) {
  TForm form(nullptr);
  auto *p = new TProbe(&form);
  p->SetParent(&form);
  p->SetBounds(0, 0, 60, 40);
  p->SetColor(clWhite);
  TBitmap bmp;
  bmp.SetSize(4, 4);
  {
    TCanvas &bc = bmp.Canvas();
    bc.Brush().SetColor(clOlive);
    bc.FillRect(Rect(0, 0, 4, 4));
    bc.Brush().SetColor(clNavy);
    bc.FillRect(Rect(1, 1, 3, 3));
  }
  bmp.SetTransparent(true);
  EXPECT_EQ(bmp.TransparentColor(), clOlive) << "the bottom-left pixel";
  int text_w = 0;
  p->draw = [&](TCanvas &c) {
    c.Draw(40, 0, bmp);
    c.Brush().SetColor(clYellow);
    c.TextOut(0, 20, "Wg");
    text_w = c.PenPos().X;
  };
  form.Show();
  QImage img = Grab(p);
  EXPECT_EQ(At(img, 40, 0), clWhite) << "olive left out";
  EXPECT_EQ(At(img, 41, 1), clNavy);
  EXPECT_EQ(text_w, p->Canvas()->TextWidth("Wg"));
  EXPECT_GT(text_w, 0);
  // The text cell is filled with the brush: its top-left pixel is yellow.
  EXPECT_EQ(At(img, 0, 20), clYellow);
  EXPECT_EQ(p->Canvas()->TextHeight("Wg"), QFontMetrics(p->Font().ToQFont()).height());
}

TEST(Controls, MouseReachesTheControlWithClientCoordinatesAndClicks) {
  TForm form(nullptr);
  auto *p = new TProbe(&form);
  p->SetParent(&form);
  p->SetBounds(10, 10, 50, 50);
  int clicks = 0;
  p->OnClick = [&](TObject *s) {
    EXPECT_EQ(s, p);
    ++clicks;
  };
  ShowActive(&form);
  QTest::mouseClick(p->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  ASSERT_GE(p->events.size(), 2u);
  EXPECT_EQ(p->events[0], "down 0 5,7");
  EXPECT_EQ(p->events[1], "up 0 5,7");
  EXPECT_EQ(clicks, 1);
  p->events.clear();
  QTest::mouseDClick(p->Widget(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_NE(std::find(p->events.begin(), p->events.end(), "down 0 3,3 double"), p->events.end());
  // A disabled control gets nothing.
  p->SetEnabled(false);
  p->events.clear();
  QTest::mouseClick(p->Widget(), Qt::LeftButton, {}, QPoint(5, 7));
  EXPECT_TRUE(p->events.empty());
}

TEST(Controls, KeysArriveAsVirtualKeysAndZeroSwallowsThem) {
  TForm form(nullptr);
  auto *p = new TProbe(&form);
  p->SetParent(&form);
  ShowActive(&form);
  p->SetFocus();
  QTest::keyClick(p->Widget(), Qt::Key_Down);
  QTest::keyClick(p->Widget(), Qt::Key_X);
  EXPECT_EQ(p->events, (std::vector<std::string>{"keydown 40", "keydown 88", "keypress 120"}));
  p->events.clear();
  QTest::keyClick(p->Widget(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_NE(std::find(p->events.begin(), p->events.end(), "keydown 65 ctrl"), p->events.end());
  p->events.clear();
  p->OnKeyDown = [](TObject *, Word &key, TShiftState) {
    if (key == 'Q') key = 0;
  };
  QTest::keyClick(p->Widget(), Qt::Key_Q);
  EXPECT_EQ(p->events, (std::vector<std::string>{"keydown 0"}))
      << "no KeyPress after a swallowed key";
  // With KeyPreview the form sees the key first and can take it.
  p->events.clear();
  form.SetKeyPreview(true);
  std::vector<Word> form_keys;
  form.OnKeyDown = [&](TObject *, Word &key, TShiftState) {
    form_keys.push_back(key);
    if (key == VK_F5) key = 0;
  };
  QTest::keyClick(p->Widget(), Qt::Key_F5);
  QTest::keyClick(p->Widget(), Qt::Key_F6);
  EXPECT_EQ(form_keys, (std::vector<Word>{VK_F5, Word(VK_F5 + 1)}));
  EXPECT_EQ(p->events, (std::vector<std::string>{"keydown 117"}));
}

TEST(Controls, ParentFontAndColourFollowTheParentUntilSet) {
  TForm form(nullptr);
  auto *panel = new TPanel(&form);
  panel->SetParent(&form);
  auto *label = new TLabel(&form);
  label->SetParent(panel);
  form.Font().SetHeight(-15);
  EXPECT_EQ(label->Font().Height(), -15);
  EXPECT_TRUE(label->ParentFont());
  label->Font().SetStyle(fsBold);
  EXPECT_FALSE(label->ParentFont());
  form.Font().SetHeight(-20);
  EXPECT_EQ(label->Font().Height(), -15) << "a font of its own stays";
  EXPECT_EQ(panel->Font().Height(), -20);
  EXPECT_EQ(label->Widget()->font().pixelSize(), 15);
  form.SetColor(clAqua);
  EXPECT_EQ(panel->Color(), clAqua);
  label->SetColor(clRed);
  EXPECT_FALSE(label->ParentColor());
  form.SetColor(clWhite);
  EXPECT_EQ(label->Color(), clRed);
  EXPECT_EQ(panel->Color(), clWhite);
}

TEST(Controls, FontSizeAndHeightConvertAtThePixelsPerInch) {
  TFont f;
  f.SetSize(8);
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  Screen->SetPixelsPerInch(144);
  f.SetSize(8);
  EXPECT_EQ(f.Height(), -16);
  Screen->SetPixelsPerInch(96);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
}

TEST(Controls, TimerFiresWhileEnabledAndReportsFailures) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(10);
  timer.OnTimer = [&](TObject *) { ++ticks; };
  timer.Update();
  (void)QTest::qWaitFor([&] { return ticks >= 2; }, 2000);
  EXPECT_GE(ticks, 2);
  timer.SetEnabled(false);
  int stopped_at = ticks;
  QTest::qWait(50);
  EXPECT_EQ(ticks, stopped_at);
  // A failing handler goes to the application's handler, and the timer
  // keeps running.
  std::vector<std::string> shown;
  Application->OnException = [&](TObject *, const std::exception &e) { shown.push_back(e.what()); };
  timer.OnTimer = [&](TObject *) {
    ++ticks;
    throw Exception("tick failed");
  };
  timer.SetEnabled(true);
  (void)QTest::qWaitFor([&] { return shown.size() >= 2; }, 2000);
  Application->OnException = nullptr;
  timer.SetEnabled(false);
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[0], "tick failed");
}

namespace {
class TMailbox : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<unsigned> got;

protected:
  void WndProc(TMessage &m) override {
    got.push_back(m.Msg);
    m.Result = 42;
  }
};
} // namespace

TEST(Controls, PostedMessagesArriveLaterAndNeverAtAFreedWindow) {
  auto *box = new TMailbox(nullptr);
  HWND h = box->Handle();
  EXPECT_EQ(TWinControl::FindControl(h), box);
  EXPECT_EQ(SendMessage(h, WM_USER + 1, 0, 0), 42);
  EXPECT_TRUE(PostMessage(h, WM_USER + 2, 0, 0));
  EXPECT_EQ(box->got, (std::vector<unsigned>{WM_USER + 1}));
  QApplication::processEvents();
  EXPECT_EQ(box->got, (std::vector<unsigned>{WM_USER + 1, WM_USER + 2}));
  EXPECT_TRUE(PostMessage(h, WM_USER + 3, 0, 0));
  delete box; // before the message is delivered
  QApplication::processEvents();
  EXPECT_EQ(TWinControl::FindControl(h), nullptr);
  EXPECT_FALSE(PostMessage(h, WM_USER + 4, 0, 0));
  auto *other = new TMailbox(nullptr);
  EXPECT_NE(other->Handle(), h) << "handles are not reused";
  delete other;
}

TEST(Controls, ScreenCursorHookSetsAndRestoresTheOverrideCursor) {
  EXPECT_EQ(ScreenCursor(), crDefault);
  {
    TCursorSaver busy(crSQLWait);
    EXPECT_EQ(Screen->Cursor(), crSQLWait);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Controls, EditListAndComboKeepTheirTexts) {
  TForm form(nullptr);
  auto *edit = new TEdit(&form);
  edit->SetParent(&form);
  int changes = 0;
  edit->OnChange = [&](TObject *) { ++changes; };
  edit->SetCharCase(ecUpperCase);
  changes = 0;
  ShowActive(&form);
  edit->SetFocus();
  QTest::keyClicks(edit->Widget(), "dog");
  EXPECT_EQ(edit->Text(), "DOG");
  EXPECT_EQ(changes, 3);
  EXPECT_TRUE(edit->Modified());
  edit->SetMaxLength(2);
  edit->SetText("walrus");
  EXPECT_EQ(edit->Text(), "WA");

  auto *list = new TListBox(&form);
  list->SetParent(&form);
  TStringList items;
  items.SetText("b\na\nc\n");
  list->SetItems(items);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(list->ItemIndex(), -1);
  list->SetItemIndex(2);
  EXPECT_EQ(list->Items(list->ItemIndex()), "c");
  EXPECT_THROW(list->Items(3), Exception);
  list->SetSorted(true);
  EXPECT_EQ(list->Items(0), "a");

  auto *combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->SetStyle(csDropDownList);
  combo->SetItems(items);
  combo->SetItemIndex(1);
  EXPECT_EQ(combo->Text(), "a");
  EXPECT_EQ(combo->IndexOf("C"), 2);
}

TEST(Controls, ScrollBarReportsScrollCodesAndTheHandlerDecidesThePosition) {
  TForm form(nullptr);
  auto *bar = new TScrollBar(&form);
  bar->SetParent(&form);
  bar->SetKind(sbVertical);
  bar->SetBounds(0, 0, 16, 200);
  bar->SetParams(2, 0, 4);
  std::vector<TScrollCode> codes;
  bar->OnScroll = [&](TObject *, TScrollCode code, int &pos) {
    codes.push_back(code);
    pos = 2; // a bar that always comes back to the middle
  };
  form.Show();
  QTest::mouseClick(bar->Widget(), Qt::LeftButton, {}, QPoint(8, 195)); // the down arrow
  QTest::mouseClick(bar->Widget(), Qt::LeftButton, {}, QPoint(8, 5));   // the up arrow
  EXPECT_EQ(codes, (std::vector<TScrollCode>{scLineDown, scLineUp}));
  EXPECT_EQ(bar->Position(), 2);
  EXPECT_THROW(bar->SetParams(0, 5, 1), Exception);
  bar->SetPosition(99);
  EXPECT_EQ(bar->Position(), 4) << "clamped";
}
