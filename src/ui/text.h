#pragma once
#include <cstdint>
#include <string>

#ifdef _WIN32
// <windows.h> makes DrawText a macro for its own DrawTextA/W. Take it in
// first and drop the macro, so that every file, whatever it includes, sees
// the function below under its own name.
#include "ui/gl.h"
#undef DrawText
#endif

// Bitmap-font text: two fonts (0 normal, 1 small), each a TGA strip of 110
// square glyph cells for codes 32..141, loaded at start-up from the program's
// directory, once for each interface scale. Text is placed and measured in the
// interface's logical units; at 150 and 200 % the glyphs come from the fonts
// made for that scale, drawn one texel to a window pixel. Glyphs are proportional: each one's inked columns are measured
// when the font loads. Six Latin-1 letters (Å Ä Ö å ä ö) use the glyphs at
// 128..133; characters with no glyph are skipped in drawing and measuring
// alike, so a measured width is always the drawn advance.

constexpr int kFontGlyphs = 110;
constexpr int kNormalFont = 0;
constexpr int kSmallFont = 1;

// Loads font index (0 or 1) for an interface scale (100, 150 or 200) from path
// and uploads its texture (needs the GL context). The 100 % font's cell is its
// strip's height; a scaled font's cell is 16 pixels times the scale, in the
// strip's top rows. False, leaving that font without glyphs, when the file is
// missing or not a font this program can read. Without its scaled font, a
// scale draws the 100 % one enlarged.
bool LoadFont(int index, const char* path, int scale = 100);
void ReleaseFonts();

// Draws text as it is (never as a format) in the current colour with the
// glyph cells' top edge at y - 2.
void DrawText(int font, int x, int y, const char* text);
// The width DrawText would advance: the sum of (glyph width + 1), in window
// pixels of the current scale's font, rounded up to whole logical units.
int TextWidth(int font, const char* text);

// Formatted variants for the program's own texts: printf formatting into a
// 256-character buffer (longer results are cut). User and file text must be
// passed as an argument ("%s"), never as the format.
void DrawTextF(int x, int y, const char* format, ...) __attribute__((format(printf, 3, 4)));
void DrawSmallTextF(int x, int y, const char* format, ...) __attribute__((format(printf, 3, 4)));
int TextWidthF(int font, const char* format, ...) __attribute__((format(printf, 2, 3)));
