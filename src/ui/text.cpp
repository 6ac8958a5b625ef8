#include "ui/text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/file_open.h"
#include "ui/font_file.h"
#include "ui/gl.h"

namespace {

constexpr int kFontCount = 2;
constexpr size_t kFormatBuffer = 256;
// The glyph cells' top edge sits this far above the y a string is drawn at.
constexpr int kCellRaise = 2;

struct Font {
    FontMetrics metrics;
    GLuint texture = 0;
};

Font fonts[kFontCount];

bool ValidFont(int font) { return font >= 0 && font < kFontCount; }

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

void DrawWith(int font, int x, int y, const char* text) {
    if (!ValidFont(font) || !text) return;
    const Font& f = fonts[font];
    if (f.metrics.imageWidth <= 0) return;  // not loaded: no glyphs to draw
    const FontMetrics& m = f.metrics;
    const float imageWidth = static_cast<float>(m.imageWidth);
    const int top = y - kCellRaise;

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
        glTexCoord2f(s0, 0);
        glVertex2i(px, top + m.cell);
        glTexCoord2f(s1, 0);
        glVertex2i(px + w, top + m.cell);
        glTexCoord2f(s1, 1);
        glVertex2i(px + w, top);
    });
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

}  // namespace

bool LoadFont(int index, const char* path) {
    if (!ValidFont(index)) return false;
    Font& f = fonts[index];
    Forget(f);
    std::vector<uint8_t> bytes;
    FontImage image;
    if (!ReadFile(path, bytes) || !DecodeFontImage(bytes.data(), bytes.size(), image)) return false;
    f.metrics = MeasureGlyphs(image);
    f.texture = UploadTexture(image);
    return true;
}

void ReleaseFonts() {
    for (Font& f : fonts) Forget(f);
}

void DrawText(int font, int x, int y, const char* text) { DrawWith(font, x, y, text); }

int TextWidth(int font, const char* text) {
    if (!ValidFont(font) || !text) return 0;
    return WalkText(fonts[font].metrics, text, [](int, int) {});
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
