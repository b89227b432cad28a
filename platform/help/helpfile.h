// The help file format: numbered topics in plain text.
//
//   ; a comment line
//   .title Brenx Bonus Sound Effects Help      the viewer's window title
//   .contents 1600                             the contents topic
//   .topic 1000 Category buttons               a topic: number and title
//   Body text. A blank line ends a paragraph.
//   - a line starting with "- " is a list item
//   Links: [[1100]] shows topic 1100's title, [[1100|other text]] the text.
//
// Text is UTF-8. Parse errors name the file and line.
#pragma once

#include <string>
#include <vector>

struct THelpTopic {
  int Context = 0;
  std::string Title;
  std::vector<std::string> Lines;
};

class THelpFile {
public:
  // Raises Exception ("<name> line <n>: ...") on a malformed file.
  static THelpFile Parse(const std::string &text, const std::string &name);
  // Raises EFOpenError when the file cannot be read.
  static THelpFile Load(const std::string &path);

  const std::string &Title() const { return title_; }
  // The contents topic: as declared, else the first topic.
  int ContentsContext() const;
  const THelpTopic *Find(int context) const;
  const std::vector<THelpTopic> &Topics() const { return topics_; }
  // The topic's body as HTML; links are "topic:<number>".
  std::string TopicHtml(const THelpTopic &topic) const;

private:
  std::string title_;
  int contents_ = 0;
  std::vector<THelpTopic> topics_;
};
