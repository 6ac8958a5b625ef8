#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/text.h"

// The font files without OpenGL: decoding a glyph strip, measuring each
// glyph's ink, and walking a string glyph by glyph. Drawing and measuring both
// walk strings through GlyphFor, so a measured width is the drawn advance.

// A decoded glyph strip: RGBA, rows in file order (the first row in the file
// is texture row 0).
struct FontImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

struct FontMetrics {
    int cell = 0;        // every glyph cell is cell x cell pixels, in the image's top rows
    int imageWidth = 0;  // the divisor for texture coordinates
    int left[kFontGlyphs] = {};
    int width[kFontGlyphs] = {};
};

// Decodes an uncompressed true-colour TGA held in memory. False when it is not
// a font this program can use: a colour map, another image type, a depth other
// than 24 or 32, a zero or non-power-of-two size, fewer than kFontGlyphs cells,
// or pixel data cut short.
bool DecodeFontImage(const uint8_t* data, size_t size, FontImage& image);

// Proportional metrics: a glyph's inked columns (any pixel that is visible and
// has green) give its left edge and width; an empty glyph is a quarter cell
// wide. "1" takes the room of "0" so that numbers keep their width.
// cell is the glyph cells' side (0: the image's height), at most the height.
FontMetrics MeasureGlyphs(const FontImage& image, int cell = 0);

// The glyph index of a character, or -1 when the fonts have none for it.
// Six Latin-1 letters use the glyphs after 127: Å Ä Ö å ä ö.
int GlyphFor(unsigned char c);

// Calls visit(glyph, penOffset) for each character that has a glyph and
// returns the total advance: the sum of (glyph width + 1).
template <typename Visit>
int WalkText(const FontMetrics& metrics, const char* text, Visit&& visit) {
    int advance = 0;
    for (const char* p = text; *p; ++p) {
        const int glyph = GlyphFor(static_cast<unsigned char>(*p));
        if (glyph < 0) continue;
        visit(glyph, advance);
        advance += metrics.width[glyph] + 1;
    }
    return advance;
}
