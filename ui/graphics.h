// Fonts, pens, brushes, bitmaps, pictures and the canvas that controls paint
// on. A canvas draws through a QPainter that is live only while the owner
// paints (TCustomControl::Paint) or while a bitmap is drawn on; outside it
// the drawing calls do nothing, and measuring text always works.
#pragma once

#include <QFont>
#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/streams.h"
#include "ui/types.h"

class QPainter;
class QColor;

QColor ToQColor(TColor color);

// Font styles (a set).
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1u << 0;
constexpr TFontStyles fsItalic = 1u << 1;
constexpr TFontStyles fsUnderline = 1u << 2;
constexpr TFontStyles fsStrikeOut = 1u << 3;

// Base of the drawing tools: tells its owner when it changes.
class TGraphicsObject : public TPersistent {
public:
  std::function<void()> OnChange;

protected:
  void Changed() {
    if (OnChange) OnChange();
  }
};

// A font by name, height and style. A negative Height is the character
// height in pixels (the usual form); Size is in points at the screen's
// pixels per inch.
class TFont : public TGraphicsObject {
public:
  TFont();
  const std::string &Name() const { return name_; }
  void SetName(const std::string &name);
  int Height() const { return height_; }
  void SetHeight(int height);
  int Size() const;
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  void Assign(const TPersistent *source) override;
  // The Qt font with the same face, pixel size and style.
  QFont ToQFont() const;
  bool operator==(const TFont &o) const {
    return name_ == o.name_ && height_ == o.height_ && color_ == o.color_ && style_ == o.style_;
  }

private:
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmCopy, pmNot, pmXor };

class TPen : public TGraphicsObject {
public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  void Assign(const TPersistent *source) override;

private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross };

class TBrush : public TGraphicsObject {
public:
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  void Assign(const TPersistent *source) override;

private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

class TBitmap;

// Drawing surface. Coordinates are pixels from the top left of the surface;
// a rectangle's Right and Bottom are not drawn (Rectangle, FillRect), nor is
// the end point of LineTo.
class TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas &) = delete;
  TCanvas &operator=(const TCanvas &) = delete;

  TFont &Font() { return font_; }
  TPen &Pen() { return pen_; }
  TBrush &Brush() { return brush_; }
  TPoint PenPos() const { return pen_pos_; }
  void SetPenPos(TPoint p) { pen_pos_ = p; }

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint> &points);
  void Polygon(const std::vector<TPoint> &points);
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect &r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  void FillRect(const TRect &r);
  void FrameRect(const TRect &r);
  void DrawFocusRect(const TRect &r);
  // Text with its top left corner at (x, y); with a solid brush the text
  // cell is filled with the brush colour first. Moves the pen position to
  // the end of the text.
  void TextOut(int x, int y, const std::string &text);
  // Text at (x, y) clipped to r; with a solid brush r is filled first.
  void TextRect(const TRect &r, int x, int y, const std::string &text);
  int TextWidth(const std::string &text) const;
  int TextHeight(const std::string &text) const;
  TPoint TextExtent(const std::string &text) const;
  void Draw(int x, int y, const TBitmap &bitmap);
  void StretchDraw(const TRect &r, const TBitmap &bitmap);
  // Copies part of another canvas's bitmap (only bitmap canvases can be read).
  void CopyRect(const TRect &dest, TCanvas &source, const TRect &src);
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  // The area that needs painting; drawing outside it has no effect.
  TRect ClipRect() const { return clip_; }
  // Narrows the clip area for the rest of this paint.
  void IntersectClipRect(const TRect &r);
  // Whether drawing is possible right now.
  bool HandleAllocated() const { return painter_ != nullptr; }

  // Used by the framework: binds the canvas to a live painter (null ends).
  void BeginPaint(QPainter *painter, const TRect &clip, QImage *image = nullptr);
  void EndPaint();

private:
  friend class TBitmap;
  void ApplyPen();
  void ApplyBrush();
  void ApplyFont();

  TFont font_;
  TPen pen_;
  TBrush brush_;
  TPoint pen_pos_;
  TRect clip_;
  QPainter *painter_ = nullptr;
  QImage *image_ = nullptr;
};

// A bitmap image. The transparent colour, when Transparent is set, is the
// bottom-left pixel's unless TransparentColor is given.
class TBitmap : public TPersistent {
public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap &) = delete;
  TBitmap &operator=(const TBitmap &) = delete;

  int Width() const { return image().width(); }
  int Height() const { return image().height(); }
  bool Empty() const { return image().isNull(); }
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  // Raises EFOpenError when the file cannot be read as an image.
  void LoadFromFile(const std::string &file_name);
  void LoadFromStream(TStream &stream);
  void SaveToFile(const std::string &file_name) const;
  void SaveToStream(TStream &stream) const;
  void LoadFromImage(const QImage &image);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool on) { transparent_ = on; }
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color) { transparent_color_ = color; }

  // A canvas drawing on the bitmap. Drawing ends when the image is read.
  TCanvas &Canvas();
  // The pixels (ends any drawing on the canvas first).
  const QImage &image() const;
  // The image with the transparent colour made transparent when Transparent is set.
  QImage Masked() const;
  void Assign(const TPersistent *source) override;

private:
  void EndCanvas() const;
  mutable QImage image_;
  bool transparent_ = false;
  TColor transparent_color_ = clNone;
  std::unique_ptr<TCanvas> canvas_;
  mutable std::unique_ptr<QPainter> painter_;
};

// A picture holder, as used by TImage.
class TPicture : public TPersistent {
public:
  TBitmap &Bitmap() { return bitmap_; }
  const TBitmap &Bitmap() const { return bitmap_; }
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  void LoadFromFile(const std::string &file_name);
  void Assign(const TPersistent *source) override;
  std::function<void()> OnChange;
  void Changed() {
    if (OnChange) OnChange();
  }

private:
  TBitmap bitmap_;
};
