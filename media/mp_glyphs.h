// The media player's 27 button glyphs: for each of the nine buttons an
// enabled, a disabled and a coloured look, drawn in sixteen colours on olive
// (red 128, green 128, blue 0), the transparent colour.
#pragma once

#include <QColor>
#include <QImage>

#include <string>

inline const QColor kGlyphTransparent(128, 128, 0);

// Looks, in the order of a button's glyph array.
enum TMPGlyphLook { glEnabled = 0, glDisabled = 1, glColored = 2 };

// The glyph of a button (0 = play ... 8 = eject) in a look; a null image for
// numbers out of range.
const QImage &MediaPlayerGlyph(int button, TMPGlyphLook look);

// The same by resource name, "EN_MPPLAY" ... "CL_MPEJECT"; null when unknown.
const QImage &MediaPlayerGlyph(const std::string &name);

// The name of a button's glyphs without the look, "MPPLAY" ... "MPEJECT".
const char *MediaPlayerGlyphName(int button);
