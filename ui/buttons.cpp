#include "ui/buttons.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include "ui/forms.h"

TBitBtn::TBitBtn(TComponent *owner) : TButton(owner) {}

void TBitBtn::SetGlyph(const TBitmap &bitmap) {
  glyph_.Assign(&bitmap);
  GlyphChanged();
}

void TBitBtn::SetNumGlyphs(int n) {
  num_glyphs_ = std::clamp(n, 1, 4);
  GlyphChanged();
}

void TBitBtn::GlyphChanged() {
  QPushButton *b = Button();
  if (glyph_.Empty()) {
    b->setIcon(QIcon());
    return;
  }
  glyph_.SetTransparent(true);
  QImage all = glyph_.Masked();
  int w = all.width() / num_glyphs_;
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(all.copy(0, 0, w, all.height())), QIcon::Normal);
  if (num_glyphs_ >= 2)
    icon.addPixmap(QPixmap::fromImage(all.copy(w, 0, w, all.height())), QIcon::Disabled);
  b->setIcon(icon);
  b->setIconSize(QSize(w, all.height()));
}

void TBitBtn::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  Button()->setLayoutDirection(layout == blGlyphRight ? Qt::RightToLeft : Qt::LeftToRight);
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  kind_ = kind;
  if (kind == bkCustom) return;
  struct KindInfo {
    const char *caption;
    int result;
    bool is_default, is_cancel;
  };
  static const KindInfo kInfo[] = {
      {"", mrNone, false, false},        {"OK", mrOk, true, false},
      {"Cancel", mrCancel, false, true}, {"&Help", mrNone, false, false},
      {"&Yes", mrYes, true, false},      {"&No", mrNo, false, true},
      {"&Close", mrNone, false, false},  {"Abort", mrAbort, false, false},
      {"&Retry", mrRetry, false, false}, {"&Ignore", mrIgnore, false, false},
      {"&All", mrAll, false, false},
  };
  const KindInfo &info = kInfo[kind];
  SetCaption(info.caption);
  SetModalResult(info.result);
  SetDefault(info.is_default);
  SetCancel(info.is_cancel);
  DrawKindGlyph(kind, glyph_);
  num_glyphs_ = 1;
  GlyphChanged();
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    if (TForm *form = GetParentForm()) {
      TButton::Click();
      form->Close();
      return;
    }
  }
  if (kind_ == bkHelp && Application) {
    int context = 0;
    for (TControl *c = this; c && context == 0; c = c->Parent())
      context = c->HelpContext();
    TButton::Click();
    if (context != 0) Application->HelpContext(context);
    return;
  }
  TButton::Click();
}

void DrawKindGlyph(TBitBtnKind kind, TBitmap &bitmap) {
  QImage img(18, 18, QImage::Format_RGB32);
  img.fill(ToQColor(clOlive));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  auto pen = [&](TColor c, int w) {
    QPen pn(ToQColor(c), w);
    pn.setCapStyle(Qt::SquareCap);
    p.setPen(pn);
  };
  switch (kind) {
  case bkOK:
  case bkYes:
  case bkAll:
    pen(clGreen, 3);
    p.drawLine(3, 9, 7, 13);
    p.drawLine(7, 13, 14, 4);
    if (kind == bkAll) {
      pen(clGreen, 2);
      p.drawLine(10, 13, 16, 6);
    }
    break;
  case bkCancel:
  case bkAbort:
    pen(clRed, 3);
    p.drawLine(4, 4, 13, 13);
    p.drawLine(13, 4, 4, 13);
    break;
  case bkNo:
    pen(clRed, 2);
    p.drawEllipse(3, 3, 11, 11);
    p.drawLine(5, 13, 13, 5);
    break;
  case bkHelp: {
    QFont f("Liberation Sans");
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    p.setPen(ToQColor(clBlue));
    p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, "?");
    break;
  }
  case bkClose:
    p.fillRect(4, 2, 10, 14, ToQColor(clMaroon));
    p.fillRect(11, 8, 2, 2, ToQColor(clYellow));
    break;
  case bkRetry:
    pen(clGreen, 2);
    p.drawArc(3, 3, 12, 12, 30 * 16, 300 * 16);
    p.drawLine(14, 3, 14, 7);
    p.drawLine(14, 7, 10, 7);
    break;
  case bkIgnore:
    pen(clBlack, 2);
    p.drawLine(3, 9, 14, 9);
    p.drawLine(10, 5, 14, 9);
    p.drawLine(10, 13, 14, 9);
    break;
  default:
    break;
  }
  p.end();
  bitmap.LoadFromImage(img);
  bitmap.SetTransparent(true);
}
