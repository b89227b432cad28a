#include "app/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

// The standard 16-colour palette.
const QColor kBlack(0, 0, 0), kMaroon(128, 0, 0), kGreen(0, 128, 0), kOlive(128, 128, 0),
    kNavy(0, 0, 128), kPurple(128, 0, 128), kTeal(0, 128, 128), kGray(128, 128, 128),
    kSilver(192, 192, 192), kRed(255, 0, 0), kLime(0, 255, 0), kYellow(255, 255, 0),
    kBlue(0, 0, 255), kFuchsia(255, 0, 255), kAqua(0, 255, 255), kWhite(255, 255, 255);

QImage Canvas32() {
  QImage img(32, 32, QImage::Format_RGB32);
  img.fill(kOlive);
  return img;
}

// Keeps every pixel to the 16 colours (drawing is unantialiased anyway).
QImage Finish(const QImage &img) {
  return img.convertToFormat(QImage::Format_Indexed8, SixteenColours(),
                             Qt::ThresholdDither | Qt::AvoidDither);
}

void Setup(QPainter &p) {
  p.setRenderHint(QPainter::Antialiasing, false);
}

QImage Paw() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kMaroon);
  // The main pad and four toes.
  QPainterPath pad;
  pad.moveTo(16, 14);
  pad.cubicTo(24, 14, 27, 22, 25, 26);
  pad.cubicTo(23, 29, 19, 27, 16, 27);
  pad.cubicTo(13, 27, 9, 29, 7, 26);
  pad.cubicTo(5, 22, 8, 14, 16, 14);
  p.drawPath(pad);
  p.drawEllipse(3, 9, 6, 8);
  p.drawEllipse(9, 3, 6, 8);
  p.drawEllipse(17, 3, 6, 8);
  p.drawEllipse(23, 9, 6, 8);
  return Finish(img);
}

QImage Face() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(QPen(kBlack, 1));
  p.setBrush(kYellow);
  p.drawEllipse(2, 2, 27, 27);
  p.setBrush(kWhite);
  p.drawEllipse(8, 8, 6, 8);
  p.drawEllipse(17, 8, 6, 8);
  p.setBrush(kBlack);
  p.drawRect(11, 11, 2, 3);
  p.drawRect(20, 11, 2, 3);
  p.setPen(QPen(kRed, 2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(8, 12, 16, 11, 200 * 16, 140 * 16);
  return Finish(img);
}

QPolygon Star(int points, double outer, double inner, double turn = 0) {
  QPolygon poly;
  for (int i = 0; i < points * 2; ++i) {
    double r = i % 2 ? inner : outer;
    double a = turn + i * M_PI / points;
    poly << QPoint(int(std::lround(16 + r * std::sin(a))), int(std::lround(16 - r * std::cos(a))));
  }
  return poly;
}

QImage Burst() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kMaroon);
  p.setBrush(kRed);
  p.drawPolygon(Star(10, 15, 8));
  p.setPen(kRed);
  p.setBrush(kYellow);
  p.drawPolygon(Star(8, 10, 5, 0.3));
  p.setPen(Qt::NoPen);
  p.setBrush(kWhite);
  p.drawEllipse(13, 13, 6, 6);
  return Finish(img);
}

QImage House() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kSilver);
  p.drawRect(6, 15, 20, 14); // walls
  p.setBrush(kRed);
  p.drawPolygon(QPolygon({QPoint(2, 16), QPoint(16, 3), QPoint(30, 16)})); // roof
  p.setBrush(kMaroon);
  p.drawRect(9, 19, 6, 10); // door
  p.setBrush(kAqua);
  p.drawRect(18, 18, 6, 6); // window
  p.drawLine(21, 18, 21, 24);
  p.drawLine(18, 21, 24, 21);
  p.setBrush(kGray);
  p.drawRect(22, 5, 3, 6); // chimney
  return Finish(img);
}

QImage Gear() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kGray);
  // Eight square teeth around a wheel.
  QPolygon teeth;
  for (int i = 0; i < 32; ++i) {
    double a = i * M_PI / 16;
    double r = (i / 2) % 2 == 0 ? 15 : 11;
    teeth << QPoint(int(std::lround(16 + r * std::sin(a))), int(std::lround(16 - r * std::cos(a))));
  }
  p.drawPolygon(teeth);
  p.setBrush(kSilver);
  p.drawEllipse(9, 9, 14, 14);
  p.setBrush(kNavy);
  p.drawEllipse(13, 13, 6, 6);
  return Finish(img);
}

QImage Tree() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kMaroon);
  p.drawRect(13, 19, 6, 11); // trunk
  p.setBrush(kGreen);
  p.drawEllipse(4, 8, 14, 13);
  p.drawEllipse(14, 8, 14, 13);
  p.drawEllipse(8, 1, 16, 15);
  p.setPen(Qt::NoPen);
  p.setBrush(kLime);
  p.drawEllipse(12, 5, 5, 4);
  p.drawEllipse(7, 12, 4, 3);
  return Finish(img);
}

QImage Person() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kYellow);
  p.drawEllipse(11, 1, 10, 10); // head
  p.setBrush(kBlue);
  p.drawRect(10, 12, 12, 10); // body
  p.drawRect(5, 12, 4, 9);    // arms
  p.drawRect(23, 12, 4, 9);
  p.setBrush(kNavy);
  p.drawRect(10, 22, 5, 9); // legs
  p.drawRect(17, 22, 5, 9);
  return Finish(img);
}

QImage Window() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kNavy);
  p.drawRect(3, 3, 25, 25); // frame
  p.setBrush(kAqua);
  p.drawRect(6, 6, 9, 9);
  p.drawRect(17, 6, 9, 9);
  p.drawRect(6, 17, 9, 9);
  p.drawRect(17, 17, 9, 9);
  p.setPen(kWhite);
  p.drawLine(8, 12, 12, 8);
  p.drawLine(19, 12, 23, 8);
  p.drawLine(8, 23, 12, 19);
  p.drawLine(19, 23, 23, 19);
  return Finish(img);
}

QImage Clover() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(QPen(kGreen, 2));
  p.drawLine(16, 17, 22, 30); // stem
  p.setPen(kBlack);
  p.setBrush(kGreen);
  // Four heart-shaped leaves, each of two round lobes.
  p.drawEllipse(9, 3, 7, 7);
  p.drawEllipse(15, 3, 7, 7);
  p.drawEllipse(9, 17, 7, 7);
  p.drawEllipse(15, 17, 7, 7);
  p.drawEllipse(3, 9, 7, 7);
  p.drawEllipse(3, 15, 7, 7);
  p.drawEllipse(21, 9, 7, 7);
  p.drawEllipse(21, 15, 7, 7);
  p.setPen(Qt::NoPen);
  p.drawEllipse(10, 10, 11, 11);
  p.setBrush(kLime);
  p.drawEllipse(14, 14, 3, 3);
  return Finish(img);
}

} // namespace

const QVector<QRgb> &SixteenColours() {
  static const QVector<QRgb> colours = {kBlack.rgb(),  kMaroon.rgb(),  kGreen.rgb(), kOlive.rgb(),
                                        kNavy.rgb(),   kPurple.rgb(),  kTeal.rgb(),  kGray.rgb(),
                                        kSilver.rgb(), kRed.rgb(),     kLime.rgb(),  kYellow.rgb(),
                                        kBlue.rgb(),   kFuchsia.rgb(), kAqua.rgb(),  kWhite.rgb()};
  return colours;
}

QImage CategoryPicture(TCategoryPicture picture) {
  switch (picture) {
  case cpAnimals:
    return Paw();
  case cpCartoons:
    return Face();
  case cpExplosions:
    return Burst();
  case cpHousehold:
    return House();
  case cpMachines:
    return Gear();
  case cpNature:
    return Tree();
  case cpPeople:
    return Person();
  case cpWindows:
    return Window();
  case cpPotLuck:
    return Clover();
  }
  return Canvas32();
}

QImage ProgramIconPicture() {
  QImage img = Canvas32();
  QPainter p(&img);
  Setup(p);
  p.setPen(kBlack);
  p.setBrush(kGray);
  p.drawRect(3, 11, 6, 10); // magnet
  p.setBrush(kSilver);
  p.drawPolygon(QPolygon({QPoint(9, 11), QPoint(17, 4), QPoint(17, 28), QPoint(9, 21)})); // cone
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kBlue, 2));
  p.drawArc(14, 10, 8, 12, -60 * 16, 120 * 16);
  p.drawArc(14, 6, 13, 20, -60 * 16, 120 * 16);
  p.setPen(QPen(kNavy, 2));
  p.drawArc(13, 2, 18, 28, -60 * 16, 120 * 16);
  return Finish(img);
}
