// Picture masks: a text is checked (and its letters converted) against a
// mask such as "###-####", "&&" or "*#".
//
//   #  a digit            ?  a letter           &  a letter, made upper case
//   ~  a letter, made lower case                !  any character, upper case
//   @  any character      ;  the next character taken literally
//   *n the next item n times; * alone: as often as it matches
//   [ ] an optional part  { } a group           ,  separates alternatives
//   any other character is itself (compared ignoring case)
#pragma once

#include <string>

enum TPicResult {
  prComplete = 0,
  prIncomplete = 1,
  prEmpty = 2,
  prError = 3,
  prSyntax = 4,
  prAmbiguous = 5,
  prIncompNoFill = 6,
};

class TwwPictureValidator {
public:
  explicit TwwPictureValidator(std::string picture, bool auto_fill = false)
      : picture_(std::move(picture)), options_(auto_fill ? 1 : 0) {}
  virtual ~TwwPictureValidator() = default;

  const std::string &Picture() const { return picture_; }
  bool AutoFill() const { return (options_ & 1) != 0; }

  // Whether what has been typed so far can still become valid (the text
  // may get filled in when auto-fill is on and not suppressed).
  virtual bool CheckInput(std::string &text, bool suppress_fill);
  // Whether a finished text is valid (complete, or empty).
  virtual bool CheckText(const std::string &text);
  // Matches a text (UTF-8) against the whole mask; the text takes the
  // converted characters. Ambiguous is reported as complete.
  virtual TPicResult MatchPicture(std::string &text, bool auto_fill);

  // Whether the mask is well formed.
  static bool SyntaxOK(const std::string &picture);

private:
  std::string picture_;
  unsigned char options_;
};
