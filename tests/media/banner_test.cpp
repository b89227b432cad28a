#include "media/banner.h"

#include <gtest/gtest.h>

TEST(Banners, ScmTagsAndDefaults) {
  TScmBanner b = ParseScmBanner("brintmox/fc|65280/fh|-20/fn|Liberation Sans/fs|12/ft|0110"
                                "/bc|16711680/sp|4/sm|Hello a/b world/eo|");
  EXPECT_EQ(b.Message, "Hello a/b world");
  EXPECT_EQ(b.Style.FontColor, QColor(0, 255, 0));
  EXPECT_EQ(b.Style.Background, QColor(0, 0, 255));
  EXPECT_EQ(b.Style.FontHeight, -20);
  EXPECT_EQ(b.Style.FontName, "Liberation Sans");
  EXPECT_EQ(b.Style.FontSize, 12);
  EXPECT_FALSE(b.Style.Bold);
  EXPECT_TRUE(b.Style.Italic);
  EXPECT_TRUE(b.Style.Underline);
  EXPECT_FALSE(b.Style.StrikeOut);
  EXPECT_EQ(b.Style.Speed, 4);

  TScmBanner d = ParseScmBanner("brintmox/fc|not a number/eo|");
  EXPECT_EQ(d.Message, " Invallid message format ! ");
  EXPECT_EQ(d.Style.FontColor, QColor(255, 0, 0));
  EXPECT_EQ(d.Style.Background, QColor(128, 0, 0));
  EXPECT_EQ(d.Style.FontHeight, -13);
  EXPECT_EQ(d.Style.FontName, "SYSTEM");
  EXPECT_EQ(d.Style.Speed, 1);
}

TEST(Banners, CmsLines) {
  TCmsCredits c = ParseCmsCredits("moxbrint\r\n255\r\n-14\r\nArial\r\n10\r\n1000\r\n0\r\n2\r\n"
                                  "First\r\nSecond\r\n");
  EXPECT_EQ(c.Style.FontColor, QColor(255, 0, 0));
  EXPECT_EQ(c.Style.FontHeight, -14);
  EXPECT_TRUE(c.Style.Bold);
  EXPECT_EQ(c.Style.Background, QColor(0, 0, 0));
  EXPECT_EQ(c.Style.Speed, 2);
  EXPECT_EQ(c.Lines, (std::vector<std::string>{"First", "Second"}));
  EXPECT_TRUE(ParseCmsCredits("moxbrint").Lines.empty());
}

TEST(Banners, HorizontalBannerWrapsAndHonoursSpeed) {
  TBanner b;
  TBannerStyle s = MessageBannerStyle();
  EXPECT_EQ(s.Speed, 3);
  EXPECT_EQ(s.Background, QColor(0, 128, 128));
  b.StartHorizontal(s, "Wave Sound file can't be played on this computer!", 100, 40);
  EXPECT_EQ(b.Running(), TBanner::Horizontal);
  EXPECT_EQ(b.X(), 100);
  // Speed 3: one pixel per four step messages.
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(b.Step(100, 40));
  EXPECT_TRUE(b.Step(100, 40));
  EXPECT_EQ(b.X(), 99);
  int steps = 0;
  while (b.X() != 100 && steps < 100000) {
    b.Step(100, 40);
    ++steps;
  }
  EXPECT_EQ(b.X(), 100) << "back at the right edge once it has left";
  b.Stop();
  EXPECT_EQ(b.Running(), TBanner::None);
  EXPECT_FALSE(b.Step(100, 40));
}

TEST(Banners, CreditsCycleThroughTheLines) {
  TBanner b;
  TBannerStyle s;
  s.Speed = 0;
  b.StartVertical(s, {"one", "two"}, 80, 30);
  EXPECT_EQ(b.Text(), "one");
  int guard = 0;
  while (b.CurrentLine() == 0 && guard++ < 1000)
    b.Step(80, 30);
  EXPECT_EQ(b.Text(), "two");
  EXPECT_EQ(b.Y(), 30);
  while (b.CurrentLine() == 1 && guard++ < 2000)
    b.Step(80, 30);
  EXPECT_EQ(b.Text(), "one");
}
