// The help file: parsing, its errors, HTML of topics, and the shipped sfx.hlp.
#include <gtest/gtest.h>

#include <set>

#include "base/exception.h"
#include "platform/help/helpfile.h"

TEST(HelpFile, TopicsLinksAndListsBecomeHtml) {
  THelpFile f = THelpFile::Parse(".title T\n.contents 2\n"
                                 ".topic 1 First <one>\nSee [[2]] and [[2|that]].\n\n"
                                 "- item & more\n"
                                 ".topic 2 Second\nx\n",
                                 "t.hlp");
  EXPECT_EQ(f.Title(), "T");
  EXPECT_EQ(f.ContentsContext(), 2);
  ASSERT_NE(f.Find(1), nullptr);
  EXPECT_EQ(f.Find(3), nullptr);
  std::string html = f.TopicHtml(*f.Find(1));
  EXPECT_NE(html.find("<h2>First &lt;one&gt;</h2>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"topic:2\">Second</a>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"topic:2\">that</a>"), std::string::npos);
  EXPECT_NE(html.find("<li>item &amp; more</li>"), std::string::npos);
}

TEST(HelpFile, MalformedFilesNameTheLine) {
  auto error = [](const std::string &text) {
    try {
      THelpFile::Parse(text, "x.hlp");
    } catch (const Exception &e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(error(".topic 1 A\n.topic 1 B\n"), "x.hlp line 2: topic 1 is defined twice");
  EXPECT_EQ(error("hello\n.topic 1 A\n"), "x.hlp line 1: text before the first \".topic\"");
  EXPECT_EQ(error(".topic one A\n"), "x.hlp line 1: \".topic\" needs a topic number");
  EXPECT_EQ(error(".topic 1 A\nsee [[7]]\n"), "x.hlp line 2: topic 7 does not exist");
  EXPECT_EQ(error(".topic 1 A\nsee [[1\n"), "x.hlp line 2: a link has no closing \"]]\"");
  EXPECT_EQ(error(".bogus\n"), "x.hlp line 1: unknown directive \".bogus\"");
  EXPECT_EQ(error("; only a comment\n"), "x.hlp has no topics");
  EXPECT_THROW(THelpFile::Load("/nonexistent/sfx.hlp"), EFOpenError);
}

TEST(HelpFile, ShippedFileHasATopicForEveryHelpContextOfTheWindow) {
  THelpFile f = THelpFile::Load(BSFX_SOURCE_DIR "/resources/sfx.hlp");
  EXPECT_EQ(f.ContentsContext(), 1600);
  for (int context : {1000, 1100, 1200, 1300, 1400, 1500, 1600, 1800, 1900}) {
    const THelpTopic *t = f.Find(context);
    ASSERT_NE(t, nullptr) << context;
    size_t words = 0;
    for (const auto &line : t->Lines)
      words += std::count(line.begin(), line.end(), ' ');
    EXPECT_GT(words, 30u) << "topic " << context << " explains something";
  }
}
