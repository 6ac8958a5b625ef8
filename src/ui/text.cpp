#include "ui/text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/file_open.h"
#include "ui/font_file.h"
#include "ui/gl.h"
#include "ui/ui_scale.h"

namespace {

constexpr int kFontCount = 2;
constexpr int kScaleCount = 3;  // the fonts of kUiScales, in that order
// A scaled font's cell in window pixels at 100 %.
constexpr int kBaseCell = 16;
constexpr size_t kFormatBuffer = 256;
// The glyph cells' top edge sits this far above the y a string is drawn at.
constexpr int kCellRaise = 2;

struct Font {
    FontMetrics metrics;
    int imageHeight = 0;
    GLuint texture = 0;
};

Font fonts[kScaleCount][kFontCount];

bool ValidFont(int font) { return font >= 0 && font < kFontCount; }

int ScaleIndex(int scale) {
    for (int k = 0; k < kScaleCount; ++k)
        if (kUiScales[k] == scale) return k;
    return -1;
}

bool Loaded(const Font& f) { return f.metrics.imageWidth > 0; }

// The font text in this font is drawn with at the current scale: the one made
// for the scale, else the 100 % one enlarged (when a scaled file is missing).
const Font& Current(int font, bool& scaled) {
    const int k = ScaleIndex(UiScale());
    scaled = k > 0 && Loaded(fonts[k][font]);
    return scaled ? fonts[k][font] : fonts[0][font];
}

void Forget(Font& f) {
    if (f.texture) glDeleteTextures(1, &f.texture);
    f = Font{};
}

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
    FILE* file = path ? OpenFile(path, "rb") : nullptr;
    if (!file) return false;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

GLuint UploadTexture(const FontImage& image) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.rgba.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return name;
}

// Draws the glyphs with their cells' top-left corner at (x, top), in the
// current units.
void DrawGlyphs(const Font& f, int x, int top, const char* text) {
    const FontMetrics& m = f.metrics;
    const float imageWidth = static_cast<float>(m.imageWidth);
    const float bottomT = 1.0f - static_cast<float>(m.cell) / f.imageHeight;

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, f.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBegin(GL_QUADS);
    WalkText(m, text, [&](int glyph, int pen) {
        const int px = x + pen;
        const int w = m.width[glyph];
        const float s0 = (glyph * m.cell + m.left[glyph]) / imageWidth;
        const float s1 = s0 + w / imageWidth;
        glTexCoord2f(s0, 1);
        glVertex2i(px, top);
        glTexCoord2f(s0, bottomT);
        glVertex2i(px, top + m.cell);
        glTexCoord2f(s1, bottomT);
        glVertex2i(px + w, top + m.cell);
        glTexCoord2f(s1, 1);
        glVertex2i(px + w, top);
    });
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void DrawWith(int font, int x, int y, const char* text) {
    if (!ValidFont(font) || !text) return;
    bool scaled = false;
    const Font& f = Current(font, scaled);
    if (!Loaded(f)) return;  // no glyphs to draw
    if (!scaled) {
        DrawGlyphs(f, x, y - kCellRaise, text);
        return;
    }
    // A font made for the scale is drawn in window pixels, one texel to a
    // pixel, from the first pixel of the logical position: crisp at any scale.
    const int scale = UiScale();
    const float toLogical = 100.0f / scale;
    const float shift = UiEdgeShift(scale) * toLogical;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(shift, shift, 0);
    glScalef(toLogical, toLogical, 1);
    DrawGlyphs(f, WindowFromLogical(x, scale), WindowFromLogical(y - kCellRaise, scale), text);
    glPopMatrix();
}

}  // namespace

bool LoadFont(int index, const char* path, int scale) {
    const int k = ScaleIndex(scale);
    if (!ValidFont(index) || k < 0) return false;
    Font& f = fonts[k][index];
    Forget(f);
    std::vector<uint8_t> bytes;
    FontImage image;
    if (!ReadFile(path, bytes) || !DecodeFontImage(bytes.data(), bytes.size(), image)) return false;
    const int cell = k == 0 ? image.height : kBaseCell * scale / 100;
    if (cell > image.height || kFontGlyphs * cell > image.width) return false;
    f.metrics = MeasureGlyphs(image, cell);
    f.imageHeight = image.height;
    f.texture = UploadTexture(image);
    return true;
}

void ReleaseFonts() {
    for (auto& scale : fonts)
        for (Font& f : scale) Forget(f);
}

void DrawText(int font, int x, int y, const char* text) { DrawWith(font, x, y, text); }

int TextWidth(int font, const char* text) {
    if (!ValidFont(font) || !text) return 0;
    bool scaled = false;
    const Font& f = Current(font, scaled);
    const int advance = WalkText(f.metrics, text, [](int, int) {});
    if (!scaled) return advance;
    // Whole logical units that hold the drawn pixels.
    const int scale = UiScale();
    return (advance * 100 + scale - 1) / scale;
}

namespace {

void DrawFormatted(int font, int x, int y, const char* format, va_list args) {
    char buffer[kFormatBuffer];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    DrawWith(font, x, y, buffer);
}

}  // namespace

void DrawTextF(int x, int y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    DrawFormatted(kNormalFont, x, y, format, args);
    va_end(args);
}

void DrawSmallTextF(int x, int y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    DrawFormatted(kSmallFont, x, y, format, args);
    va_end(args);
}

int TextWidthF(int font, const char* format, ...) {
    char buffer[kFormatBuffer];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return TextWidth(font, buffer);
}
