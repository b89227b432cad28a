#include "media/mp_glyphs.h"

#include <QPainter>
#include <QPolygon>

#include <array>
#include <functional>

namespace {

constexpr const char *kNames[9] = {"MPPLAY", "MPPAUSE", "MPSTOP",   "MPNEXT", "MPPREV",
                                   "MPSTEP", "MPBACK",  "MPRECORD", "MPEJECT"};
constexpr const char *kLooks[3] = {"EN", "DI", "CL"};

// Width and height of each button's glyphs.
constexpr int kSize[9][2] = {{12, 16}, {12, 16}, {12, 16}, {21, 16}, {20, 16},
                             {21, 16}, {21, 16}, {13, 13}, {16, 16}};

// The colour of a coloured glyph; black for the enabled look.
const QColor kColors[9] = {QColor(0, 128, 0),   QColor(0, 0, 128),   QColor(0, 0, 128),
                           QColor(0, 128, 128), QColor(0, 128, 128), QColor(0, 128, 128),
                           QColor(0, 128, 128), QColor(255, 0, 0),   QColor(128, 0, 128)};

QPolygon Tri(int x0, int y0, int x1, int y1, int x2, int y2) {
  return QPolygon({QPoint(x0, y0), QPoint(x1, y1), QPoint(x2, y2)});
}

// Draws a button's shape in one colour at an offset.
void Shape(QPainter &p, int button, const QColor &c, int dx) {
  p.setPen(c);
  p.setBrush(c);
  p.save();
  p.translate(dx, dx);
  switch (button) {
  case 0: // play: a triangle pointing right
    p.drawPolygon(Tri(3, 3, 3, 12, 8, 7));
    break;
  case 1: // pause: two bars
    p.drawRect(2, 3, 2, 9);
    p.drawRect(7, 3, 2, 9);
    break;
  case 2: // stop: a square
    p.drawRect(2, 3, 7, 9);
    break;
  case 3: // next: two triangles and a bar
    p.drawPolygon(Tri(2, 3, 2, 12, 7, 7));
    p.drawPolygon(Tri(9, 3, 9, 12, 14, 7));
    p.drawRect(16, 3, 1, 9);
    break;
  case 4: // previous: a bar and two triangles
    p.drawRect(2, 3, 1, 9);
    p.drawPolygon(Tri(10, 3, 10, 12, 5, 7));
    p.drawPolygon(Tri(17, 3, 17, 12, 12, 7));
    break;
  case 5: // step: a film frame and a triangle
    p.setBrush(Qt::NoBrush);
    p.drawRect(2, 3, 7, 9);
    p.setBrush(c);
    p.drawPolygon(Tri(12, 3, 12, 12, 17, 7));
    break;
  case 6: // back: a triangle and a film frame
    p.drawPolygon(Tri(7, 3, 7, 12, 2, 7));
    p.setBrush(Qt::NoBrush);
    p.drawRect(10, 3, 7, 9);
    break;
  case 7: // record: a round spot
    p.drawEllipse(2, 2, 8, 8);
    break;
  case 8: // eject: a triangle over a bar
    p.drawPolygon(Tri(2, 8, 12, 8, 7, 3));
    p.drawRect(2, 10, 10, 2);
    break;
  }
  p.restore();
}

QImage Draw(int button, int look) {
  QImage img(kSize[button][0], kSize[button][1], QImage::Format_RGB32);
  img.fill(kGlyphTransparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  if (look == glDisabled) {
    // Embossed grey: a white shadow below right, the shape in grey.
    Shape(p, button, Qt::white, 1);
    Shape(p, button, QColor(128, 128, 128), 0);
  } else {
    Shape(p, button, look == glColored ? kColors[button] : QColor(Qt::black), 0);
  }
  return img;
}

const std::array<std::array<QImage, 3>, 9> &All() {
  static const auto glyphs = [] {
    std::array<std::array<QImage, 3>, 9> g;
    for (int b = 0; b < 9; ++b)
      for (int l = 0; l < 3; ++l)
        g[b][l] = Draw(b, l);
    return g;
  }();
  return glyphs;
}

} // namespace

const QImage &MediaPlayerGlyph(int button, TMPGlyphLook look) {
  static const QImage none;
  if (button < 0 || button > 8 || look < 0 || look > 2) return none;
  return All()[button][look];
}

const QImage &MediaPlayerGlyph(const std::string &name) {
  static const QImage none;
  for (int b = 0; b < 9; ++b)
    for (int l = 0; l < 3; ++l)
      if (name == std::string(kLooks[l]) + "_" + kNames[b]) return All()[b][l];
  return none;
}

const char *MediaPlayerGlyphName(int button) {
  return button >= 0 && button < 9 ? kNames[button] : "";
}
