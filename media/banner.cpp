#include "media/banner.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

std::string Between(const std::string &s, const std::string &tag) {
  auto b = s.find(tag);
  if (b == std::string::npos) return {};
  b += tag.size();
  auto e = s.find('/', b);
  // A value runs to the next tag ("/xx|"), not to any slash.
  while (e != std::string::npos && !(e + 3 < s.size() && s[e + 3] == '|'))
    e = s.find('/', e + 1);
  return s.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

bool ToLong(const std::string &s, long &out) {
  if (s.empty()) return false;
  char *end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  while (end && (*end == ' ' || *end == '\r' || *end == '\t'))
    ++end;
  if (!end || *end != '\0') return false;
  out = v;
  return true;
}

void ApplyStyleChars(TBannerStyle &style, const std::string &chars) {
  auto on = [&](std::size_t i) { return i < chars.size() && chars[i] == '1'; };
  style.Bold = on(0);
  style.Italic = on(1);
  style.Underline = on(2);
  style.StrikeOut = on(3);
}

QFont FontOf(const TBannerStyle &style) {
  QFont f(QString::fromStdString(style.FontName));
  if (style.FontHeight < 0)
    f.setPixelSize(-style.FontHeight);
  else if (style.FontHeight > 0)
    f.setPixelSize(style.FontHeight);
  else if (style.FontSize > 0)
    f.setPointSize(style.FontSize);
  f.setBold(style.Bold);
  f.setItalic(style.Italic);
  f.setUnderline(style.Underline);
  f.setStrikeOut(style.StrikeOut);
  return f;
}

} // namespace

QColor ColorFromNumber(long value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

TBannerStyle MessageBannerStyle() {
  TBannerStyle s;
  s.FontName = "Arial";
  s.FontHeight = -16;
  s.Italic = true;
  s.FontColor = Qt::white;
  s.Background = ColorFromNumber(0x808000);
  s.Speed = 3;
  return s;
}

TScmBanner ParseScmBanner(const std::string &blob) {
  TScmBanner b;
  b.Style.FontColor = ColorFromNumber(255);
  b.Style.Background = ColorFromNumber(128);
  long v;
  if (ToLong(Between(blob, "/fc|"), v)) b.Style.FontColor = ColorFromNumber(v);
  if (ToLong(Between(blob, "/fh|"), v)) b.Style.FontHeight = static_cast<int>(v);
  std::string name = Between(blob, "/fn|");
  if (!name.empty()) b.Style.FontName = name;
  if (ToLong(Between(blob, "/fs|"), v)) b.Style.FontSize = static_cast<int>(v);
  ApplyStyleChars(b.Style, Between(blob, "/ft|"));
  if (ToLong(Between(blob, "/bc|"), v)) b.Style.Background = ColorFromNumber(v);
  if (ToLong(Between(blob, "/sp|"), v)) b.Style.Speed = static_cast<int>(std::clamp(v, 0L, 100L));
  b.Message = Between(blob, "/sm|");
  if (b.Message.empty()) b.Message = " Invallid message format ! ";
  return b;
}

TCmsCredits ParseCmsCredits(const std::string &blob) {
  TCmsCredits c;
  c.Style.FontColor = ColorFromNumber(255);
  c.Style.Background = ColorFromNumber(128);
  std::vector<std::string> lines;
  std::istringstream in(blob);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  auto at = [&](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
  long v;
  if (ToLong(at(1), v)) c.Style.FontColor = ColorFromNumber(v);
  if (ToLong(at(2), v)) c.Style.FontHeight = static_cast<int>(v);
  if (!at(3).empty()) c.Style.FontName = at(3);
  if (ToLong(at(4), v)) c.Style.FontSize = static_cast<int>(v);
  ApplyStyleChars(c.Style, at(5));
  if (ToLong(at(6), v)) c.Style.Background = ColorFromNumber(v);
  if (ToLong(at(7), v)) c.Style.Speed = static_cast<int>(std::clamp(v, 0L, 100L));
  for (std::size_t i = 8; i < lines.size(); ++i)
    c.Lines.push_back(lines[i]);
  return c;
}

void TBanner::Render(const std::string &text, int extraRows) {
  QFont font = FontOf(style_);
  QFontMetrics fm(font);
  QString t = QString::fromStdString(text);
  int w = std::max(1, fm.horizontalAdvance(t));
  int h = std::max(1, fm.height() + extraRows);
  image_ = QImage(w, h, QImage::Format_RGB32);
  image_.fill(style_.Background);
  QPainter p(&image_);
  p.setFont(font);
  p.setPen(style_.FontColor);
  p.drawText(0, fm.ascent(), t);
}

void TBanner::StartHorizontal(const TBannerStyle &style, const std::string &text, int width,
                              int height) {
  Stop();
  kind_ = Horizontal;
  style_ = style;
  text_ = text;
  Render(text, 0);
  x_ = width; // enters from the right edge
  y_ = (height - image_.height()) / 2;
}

void TBanner::StartVertical(const TBannerStyle &style, const std::vector<std::string> &lines,
                            int width, int height) {
  Stop();
  kind_ = Vertical;
  style_ = style;
  lines_ = lines.empty() ? std::vector<std::string>{""} : lines;
  line_ = 0;
  text_ = lines_[0];
  Render(text_, 5);
  x_ = (width - image_.width()) / 2;
  y_ = height; // enters from below
}

void TBanner::Stop() {
  kind_ = None;
  text_.clear();
  lines_.clear();
  image_ = QImage();
  ticks_ = 0;
}

bool TBanner::Step(int width, int height) {
  if (kind_ == None) return false;
  if (++ticks_ <= style_.Speed) return false;
  ticks_ = 0;
  if (kind_ == Horizontal) {
    --x_;
    if (x_ + image_.width() < 0) x_ = width;
  } else {
    --y_;
    if (y_ < -(image_.height())) {
      line_ = (line_ + 1) % static_cast<int>(lines_.size());
      text_ = lines_[static_cast<std::size_t>(line_)];
      Render(text_, 5);
      x_ = (width - image_.width()) / 2;
      y_ = height;
    }
  }
  return true;
}

void TBanner::Paint(QPainter &painter, int width, int height) const {
  if (kind_ == None) return;
  painter.fillRect(0, 0, width, height, style_.Background);
  painter.drawImage(x_, y_, image_);
}
