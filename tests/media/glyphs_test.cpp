#include "media/mp_glyphs.h"

#include <gtest/gtest.h>

TEST(MediaPlayerGlyphs, TwentySevenGlyphsOnOliveWithTheMinimumButtonSize) {
  int widest = 0, tallest = 0;
  for (int b = 0; b < 9; ++b) {
    for (const char *look : {"EN_", "DI_", "CL_"}) {
      std::string name = std::string(look) + MediaPlayerGlyphName(b);
      const QImage &g = MediaPlayerGlyph(name);
      ASSERT_FALSE(g.isNull()) << name;
      widest = std::max(widest, g.width());
      tallest = std::max(tallest, g.height());
      EXPECT_GE(g.width(), 12) << name;
      EXPECT_LE(g.width(), 21) << name;
      EXPECT_EQ(g.height(), b == 7 ? 13 : 16) << name;
      // The corner is background; something else is drawn.
      EXPECT_EQ(QColor(g.pixel(0, 0)), kGlyphTransparent) << name;
      int drawn = 0;
      for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x)
          drawn += QColor(g.pixel(x, y)) != kGlyphTransparent;
      EXPECT_GT(drawn, 8) << name;
    }
    // The three looks differ.
    EXPECT_NE(MediaPlayerGlyph(b, glEnabled), MediaPlayerGlyph(b, glDisabled));
    EXPECT_NE(MediaPlayerGlyph(b, glEnabled), MediaPlayerGlyph(b, glColored));
  }
  EXPECT_EQ(widest + 8, 29);
  EXPECT_EQ(tallest + 4, 20);
  EXPECT_TRUE(MediaPlayerGlyph("EN_MPNOTHING").isNull());
  EXPECT_TRUE(MediaPlayerGlyph(9, glEnabled).isNull());
}
