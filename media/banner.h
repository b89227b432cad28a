// Scrolling text banners of the multimedia viewer: a one-line message moving
// left (the "can't be played" notices and SCM blobs) and credits moving up
// line by line (CMS blobs).
#pragma once

#include <QColor>
#include <QImage>

#include <string>
#include <vector>

struct TBannerStyle {
  QColor FontColor = QColor(255, 0, 0); // colour values are 0x00BBGGRR numbers in blobs
  int FontHeight = -13;                 // negative: pixel height of the characters
  std::string FontName = "SYSTEM";
  int FontSize = 0;
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  QColor Background = QColor(128, 0, 0);
  int Speed = 1; // one step per Speed + 1 step messages
};

// A colour written as a decimal 0x00BBGGRR number.
QColor ColorFromNumber(long value);

// A horizontal banner from an SCM blob: values between the tags "/fc|",
// "/fh|", "/fn|", "/fs|", "/ft|", "/bc|", "/sp|", "/sm|" and "/eo|". A
// missing message gives " Invallid message format ! ".
struct TScmBanner {
  TBannerStyle Style;
  std::string Message;
};
TScmBanner ParseScmBanner(const std::string &blob);

// Vertical credits from a CMS blob: line 2 font colour, then font height,
// font name, font size, the four style characters, background colour, speed,
// and from line 9 on the credit lines.
struct TCmsCredits {
  TBannerStyle Style;
  std::vector<std::string> Lines;
};
TCmsCredits ParseCmsCredits(const std::string &blob);

// A running banner: renders its text once and moves it one pixel per step.
class TBanner {
public:
  enum Kind { None, Horizontal, Vertical };

  void StartHorizontal(const TBannerStyle &style, const std::string &text, int width, int height);
  void StartVertical(const TBannerStyle &style, const std::vector<std::string> &lines, int width,
                     int height);
  void Stop();
  // One step message; true when the picture changed.
  bool Step(int width, int height);
  // Draws the banner onto a painter's area of `width` by `height`.
  void Paint(class QPainter &painter, int width, int height) const;

  Kind Running() const { return kind_; }
  const std::string &Text() const { return text_; }
  const TBannerStyle &Style() const { return style_; }
  int X() const { return x_; }
  int Y() const { return y_; }
  int CurrentLine() const { return line_; }

private:
  void Render(const std::string &text, int extraRows);

  Kind kind_ = None;
  TBannerStyle style_;
  std::string text_;
  std::vector<std::string> lines_;
  int line_ = 0;
  QImage image_;
  int x_ = 0, y_ = 0;
  int ticks_ = 0;
};

// The message banner's look: Arial, italic, white, height -16 on $808000,
// speed 3.
TBannerStyle MessageBannerStyle();
