#include "ui/graphics.h"

#include <QBuffer>
#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cstdlib>

#include "base/exception.h"
#include "base/format.h"
#include "ui/screen_metrics.h"

namespace {

// The fixed system colour scheme (grey faces, white windows, navy highlight).
constexpr TColor kSystemColors[] = {
    0xC0C0C0, // scroll bar
    0x808000, // background
    0x800000, // active caption
    0x808080, // inactive caption
    0xC0C0C0, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xC0C0C0, // active border
    0xC0C0C0, // inactive border
    0x808080, // application work space
    0x800000, // highlight
    0xFFFFFF, // highlight text
    0xC0C0C0, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xC0C0C0, // inactive caption text
    0xFFFFFF, // button highlight
    0x000000, // 3D dark shadow
    0xDFDFDF, // 3D light
    0x000000, // info text
    0xE1FFFF, // info background
};

QString ToQString(const std::string &s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

TColor ColorToRGB(TColor color) {
  if (color & clSystemColor) {
    unsigned index = color & 0xFF;
    if (index < sizeof kSystemColors / sizeof kSystemColors[0]) return kSystemColors[index];
    return clBlack;
  }
  return color & 0xFFFFFF;
}

QColor ToQColor(TColor color) {
  TColor rgb = ColorToRGB(color);
  return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

TRect IntersectRect(const TRect &a, const TRect &b) {
  TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
  if (r.IsEmpty()) return {};
  return r;
}

// ---- TFont ----

TFont::TFont() = default;

void TFont::SetName(const std::string &name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const {
  int ppi = ScreenPixelsPerInch();
  // Points from pixels, rounded to the nearest point.
  return -(height_ * 72 + (height_ < 0 ? -ppi / 2 : ppi / 2)) / ppi;
}

void TFont::SetSize(int points) {
  int ppi = ScreenPixelsPerInch();
  SetHeight(-((points * ppi + 36) / 72));
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::Assign(const TPersistent *source) {
  auto *f = dynamic_cast<const TFont *>(source);
  if (!f) return TPersistent::Assign(source);
  if (*f == *this) return;
  name_ = f->name_;
  height_ = f->height_;
  color_ = f->color_;
  style_ = f->style_;
  Changed();
}

QFont TFont::ToQFont() const {
  QFont f(ToQString(name_));
  f.setPixelSize(std::max(1, std::abs(height_)));
  f.setBold(style_ & fsBold);
  f.setItalic(style_ & fsItalic);
  f.setUnderline(style_ & fsUnderline);
  f.setStrikeOut(style_ & fsStrikeOut);
  return f;
}

// ---- TPen, TBrush ----

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}
void TPen::SetWidth(int width) {
  width = std::max(1, width);
  if (width == width_) return;
  width_ = width;
  Changed();
}
void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  Changed();
}
void TPen::Assign(const TPersistent *source) {
  auto *p = dynamic_cast<const TPen *>(source);
  if (!p) return TPersistent::Assign(source);
  color_ = p->color_;
  width_ = p->width_;
  style_ = p->style_;
  mode_ = p->mode_;
  Changed();
}

void TBrush::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
void TBrush::Assign(const TPersistent *source) {
  auto *b = dynamic_cast<const TBrush *>(source);
  if (!b) return TPersistent::Assign(source);
  color_ = b->color_;
  style_ = b->style_;
  Changed();
}

// ---- TCanvas ----

TCanvas::TCanvas() {
  font_.OnChange = [this] { ApplyFont(); };
  pen_.OnChange = [this] { ApplyPen(); };
  brush_.OnChange = [this] { ApplyBrush(); };
}

TCanvas::~TCanvas() = default;

void TCanvas::BeginPaint(QPainter *painter, const TRect &clip, QImage *image) {
  painter_ = painter;
  image_ = image;
  clip_ = clip;
  if (!painter_) return;
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, true);
  painter_->setClipRect(QRect(clip.Left, clip.Top, clip.Width(), clip.Height()));
  ApplyPen();
  ApplyBrush();
  ApplyFont();
}

void TCanvas::EndPaint() {
  painter_ = nullptr;
  image_ = nullptr;
}

void TCanvas::ApplyPen() {
  if (!painter_) return;
  if (pen_.Style() == psClear) {
    painter_->setPen(Qt::NoPen);
  } else {
    QPen p(ToQColor(pen_.Color()));
    p.setWidth(pen_.Width() > 1 ? pen_.Width() : 0);
    switch (pen_.Style()) {
    case psDash:
      p.setStyle(Qt::DashLine);
      break;
    case psDot:
      p.setStyle(Qt::DotLine);
      break;
    case psDashDot:
      p.setStyle(Qt::DashDotLine);
      break;
    case psDashDotDot:
      p.setStyle(Qt::DashDotDotLine);
      break;
    default:
      p.setStyle(Qt::SolidLine);
      break;
    }
    p.setCapStyle(Qt::FlatCap);
    painter_->setPen(p);
  }
  painter_->setCompositionMode(pen_.Mode() == pmCopy ? QPainter::CompositionMode_SourceOver
                                                     : QPainter::RasterOp_SourceXorDestination);
}

void TCanvas::ApplyBrush() {
  if (!painter_) return;
  QColor c = ToQColor(brush_.Color());
  switch (brush_.Style()) {
  case bsClear:
    painter_->setBrush(Qt::NoBrush);
    break;
  case bsHorizontal:
    painter_->setBrush(QBrush(c, Qt::HorPattern));
    break;
  case bsVertical:
    painter_->setBrush(QBrush(c, Qt::VerPattern));
    break;
  case bsFDiagonal:
    painter_->setBrush(QBrush(c, Qt::FDiagPattern));
    break;
  case bsBDiagonal:
    painter_->setBrush(QBrush(c, Qt::BDiagPattern));
    break;
  case bsCross:
    painter_->setBrush(QBrush(c, Qt::CrossPattern));
    break;
  default:
    painter_->setBrush(QBrush(c));
    break;
  }
}

void TCanvas::ApplyFont() {
  if (painter_) painter_->setFont(font_.ToQFont());
}

void TCanvas::MoveTo(int x, int y) {
  pen_pos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
  // A one-pixel pen with flat caps leaves out the end point, as a line
  // drawn from point to point should (the next line starts there).
  if (painter_ && pen_.Style() != psClear && (x != pen_pos_.X || y != pen_pos_.Y))
    painter_->drawLine(pen_pos_.X, pen_pos_.Y, x, y);
  pen_pos_ = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint> &points) {
  if (points.empty()) return;
  MoveTo(points[0].X, points[0].Y);
  for (size_t i = 1; i < points.size(); ++i)
    LineTo(points[i].X, points[i].Y);
  if (painter_ && points.size() > 1 && pen_.Style() != psClear)
    painter_->drawPoint(points.back().X, points.back().Y);
}

void TCanvas::Polygon(const std::vector<TPoint> &points) {
  if (!painter_ || points.empty()) return;
  QPolygon poly;
  for (auto p : points)
    poly << QPoint(p.X, p.Y);
  painter_->drawPolygon(poly);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (!painter_ || right <= left || bottom <= top) return;
  if (brush_.Style() != bsClear)
    painter_->fillRect(QRect(left, top, right - left, bottom - top), painter_->brush());
  if (pen_.Style() != psClear) {
    painter_->save();
    painter_->setBrush(Qt::NoBrush);
    int w = pen_.Width();
    if (w <= 1) {
      painter_->drawRect(left, top, right - left - 1, bottom - top - 1);
    } else {
      QColor c = ToQColor(pen_.Color());
      painter_->fillRect(left, top, right - left, w, c);
      painter_->fillRect(left, bottom - w, right - left, w, c);
      painter_->fillRect(left, top, w, bottom - top, c);
      painter_->fillRect(right - w, top, w, bottom - top, c);
    }
    painter_->restore();
  }
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (!painter_) return;
  painter_->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::FillRect(const TRect &r) {
  if (!painter_ || r.IsEmpty() || brush_.Style() == bsClear) return;
  painter_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), painter_->brush());
}

void TCanvas::FrameRect(const TRect &r) {
  if (!painter_ || r.IsEmpty()) return;
  QColor c = ToQColor(brush_.Color());
  painter_->fillRect(r.Left, r.Top, r.Width(), 1, c);
  painter_->fillRect(r.Left, r.Bottom - 1, r.Width(), 1, c);
  painter_->fillRect(r.Left, r.Top, 1, r.Height(), c);
  painter_->fillRect(r.Right - 1, r.Top, 1, r.Height(), c);
}

void TCanvas::DrawFocusRect(const TRect &r) {
  if (!painter_ || r.IsEmpty()) return;
  // A dotted rectangle drawn by inverting, so drawing it twice removes it.
  painter_->save();
  painter_->setBrush(Qt::NoBrush);
  painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter_->setPen(QPen(Qt::white, 0, Qt::DotLine));
  painter_->drawRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
  painter_->restore();
}

int TCanvas::TextWidth(const std::string &text) const {
  return QFontMetrics(font_.ToQFont()).horizontalAdvance(ToQString(text));
}

int TCanvas::TextHeight(const std::string &text) const {
  (void)text;
  return QFontMetrics(font_.ToQFont()).height();
}

TPoint TCanvas::TextExtent(const std::string &text) const {
  return {TextWidth(text), TextHeight(text)};
}

void TCanvas::TextOut(int x, int y, const std::string &text) {
  int w = TextWidth(text);
  if (painter_) {
    QFontMetrics fm(font_.ToQFont());
    if (brush_.Style() != bsClear)
      painter_->fillRect(QRect(x, y, w, fm.height()), ToQColor(brush_.Color()));
    painter_->save();
    painter_->setPen(ToQColor(font_.Color()));
    painter_->drawText(x, y + fm.ascent(), ToQString(text));
    painter_->restore();
  }
  pen_pos_ = {x + w, y};
}

void TCanvas::TextRect(const TRect &r, int x, int y, const std::string &text) {
  if (!painter_ || r.IsEmpty()) return;
  painter_->save();
  painter_->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::IntersectClip);
  if (brush_.Style() != bsClear)
    painter_->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(brush_.Color()));
  QFontMetrics fm(font_.ToQFont());
  painter_->setPen(ToQColor(font_.Color()));
  painter_->drawText(x, y + fm.ascent(), ToQString(text));
  painter_->restore();
}

void TCanvas::Draw(int x, int y, const TBitmap &bitmap) {
  if (!painter_ || bitmap.Empty()) return;
  painter_->drawImage(x, y, bitmap.Masked());
}

void TCanvas::StretchDraw(const TRect &r, const TBitmap &bitmap) {
  if (!painter_ || bitmap.Empty() || r.IsEmpty()) return;
  painter_->drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), bitmap.Masked());
}

void TCanvas::CopyRect(const TRect &dest, TCanvas &source, const TRect &src) {
  if (!painter_ || !source.image_ || dest.IsEmpty() || src.IsEmpty()) return;
  QImage part = source.image_->copy(src.Left, src.Top, src.Width(), src.Height());
  painter_->drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), part);
}

TColor TCanvas::Pixels(int x, int y) {
  // A painter on an image draws straight into its pixels, so they can be
  // read while it is active.
  if (!image_) return clNone;
  if (!image_->valid(x, y)) return clNone;
  QColor c = image_->pixelColor(x, y);
  return RGB(c.red(), c.green(), c.blue());
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  if (!painter_) return;
  painter_->fillRect(x, y, 1, 1, ToQColor(color));
}

void TCanvas::IntersectClipRect(const TRect &r) {
  clip_ = IntersectRect(clip_, r);
  if (painter_)
    painter_->setClipRect(QRect(r.Left, r.Top, r.Width(), r.Height()), Qt::IntersectClip);
}

// ---- TBitmap ----

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  EndCanvas();
}

void TBitmap::EndCanvas() const {
  if (painter_) {
    if (canvas_) canvas_->EndPaint();
    painter_->end();
    painter_.reset();
  }
}

const QImage &TBitmap::image() const {
  EndCanvas();
  return image_;
}

void TBitmap::SetSize(int width, int height) {
  EndCanvas();
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == image_.width() && height == image_.height()) return;
  QImage next(width, height, QImage::Format_RGB32);
  next.fill(Qt::white);
  if (!image_.isNull()) {
    QPainter p(&next);
    p.drawImage(0, 0, image_);
  }
  image_ = next;
}

void TBitmap::LoadFromImage(const QImage &image) {
  EndCanvas();
  image_ =
      image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

void TBitmap::LoadFromFile(const std::string &file_name) {
  QImage img;
  if (!img.load(ToQString(file_name)))
    throw EFOpenError(Format("Cannot open file %s", {file_name}));
  LoadFromImage(img);
}

void TBitmap::LoadFromStream(TStream &stream) {
  int64_t size = stream.Size() - stream.Position();
  QByteArray bytes(qsizetype(std::max<int64_t>(0, size)), '\0');
  stream.ReadBuffer(bytes.data(), bytes.size());
  QImage img;
  if (!img.loadFromData(bytes)) throw EReadError("Bitmap image is not valid");
  LoadFromImage(img);
}

void TBitmap::SaveToFile(const std::string &file_name) const {
  if (!image().save(ToQString(file_name)))
    throw EFCreateError(Format("Cannot create file %s", {file_name}));
}

void TBitmap::SaveToStream(TStream &stream) const {
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  image().save(&buf, "BMP");
  stream.WriteBuffer(bytes.constData(), bytes.size());
}

TColor TBitmap::TransparentColor() const {
  if (transparent_color_ != clNone) return transparent_color_;
  const QImage &img = image();
  if (img.isNull()) return clNone;
  QColor c = img.pixelColor(0, img.height() - 1);
  return RGB(c.red(), c.green(), c.blue());
}

QImage TBitmap::Masked() const {
  const QImage &img = image();
  if (!transparent_ || img.isNull()) return img;
  QImage out = img.convertToFormat(QImage::Format_ARGB32);
  QRgb key = ToQColor(TransparentColor()).rgb() & 0xFFFFFF;
  for (int y = 0; y < out.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
  }
  return out;
}

TCanvas &TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>();
  if (!painter_ && !image_.isNull()) {
    painter_ = std::make_unique<QPainter>(&image_);
    canvas_->BeginPaint(painter_.get(), Rect(0, 0, image_.width(), image_.height()), &image_);
  }
  return *canvas_;
}

void TBitmap::Assign(const TPersistent *source) {
  auto *b = dynamic_cast<const TBitmap *>(source);
  if (!b) {
    if (auto *p = dynamic_cast<const TPicture *>(source)) return Assign(&p->Bitmap());
    return TPersistent::Assign(source);
  }
  if (b == this) return;
  EndCanvas();
  image_ = b->image();
  transparent_ = b->transparent_;
  transparent_color_ = b->transparent_color_;
}

void TPicture::LoadFromFile(const std::string &file_name) {
  bitmap_.LoadFromFile(file_name);
  Changed();
}

void TPicture::Assign(const TPersistent *source) {
  if (auto *p = dynamic_cast<const TPicture *>(source))
    bitmap_.Assign(&p->bitmap_);
  else
    bitmap_.Assign(source);
  Changed();
}
