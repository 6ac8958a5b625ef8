#include "ui/font_file.h"

namespace {

constexpr size_t kHeaderSize = 18;
constexpr int kFirstCode = 32;
constexpr int kDigitZero = '0' - kFirstCode;
constexpr int kDigitOne = '1' - kFirstCode;

// The font background: drawn fully transparent in 24-bit files.
constexpr uint8_t kKeyR = 128, kKeyG = 0, kKeyB = 128;

int Read16(const uint8_t* p) { return p[0] | (p[1] << 8); }

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

bool Inked(const FontImage& image, int x, int y) {
    const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
    return p[1] != 0 && p[3] != 0;
}

// The cells lie in the strip's top rows, which are the last in file order.
bool ColumnInked(const FontImage& image, int x, int cell) {
    for (int y = image.height - cell; y < image.height; ++y)
        if (Inked(image, x, y)) return true;
    return false;
}

}  // namespace

bool DecodeFontImage(const uint8_t* data, size_t size, FontImage& image) {
    if (!data || size < kHeaderSize) return false;
    const int idLength = data[0];
    const int colourMapType = data[1];
    const int imageType = data[2];
    const int width = Read16(data + 12);
    const int height = Read16(data + 14);
    const int depth = data[16];
    if (colourMapType != 0 || imageType != 2) return false;
    if (depth != 24 && depth != 32) return false;
    if (!PowerOfTwo(width) || !PowerOfTwo(height)) return false;
    if (width < kFontGlyphs * height) return false;

    const size_t bytesPerPixel = depth / 8;
    const size_t pixels = static_cast<size_t>(width) * height;
    const size_t start = kHeaderSize + idLength;
    if (size < start || size - start < pixels * bytesPerPixel) return false;

    image.width = width;
    image.height = height;
    image.rgba.resize(pixels * 4);
    const uint8_t* src = data + start;
    uint8_t* dst = image.rgba.data();
    for (size_t i = 0; i < pixels; ++i, src += bytesPerPixel, dst += 4) {
        const uint8_t b = src[0], g = src[1], r = src[2];
        dst[0] = r;
        dst[1] = g;
        dst[2] = b;
        if (depth == 32)
            dst[3] = src[3];
        else
            dst[3] = (r == kKeyR && g == kKeyG && b == kKeyB) ? 0 : 255;
    }
    return true;
}

FontMetrics MeasureGlyphs(const FontImage& image, int cell) {
    if (cell <= 0 || cell > image.height) cell = image.height;
    FontMetrics m;
    m.cell = cell;
    m.imageWidth = image.width;
    for (int k = 0; k < kFontGlyphs; ++k) {
        int first = -1, last = -1;
        for (int c = 0; c < cell; ++c) {
            if (!ColumnInked(image, k * cell + c, cell)) continue;
            if (first < 0) first = c;
            last = c;
        }
        if (first < 0) {
            m.left[k] = 0;
            m.width[k] = cell / 4;
        } else {
            m.left[k] = first;
            m.width[k] = last - first + cell / 8;
        }
    }
    m.left[kDigitOne] = m.left[kDigitZero];
    m.width[kDigitOne] = m.width[kDigitZero];
    return m;
}

int GlyphFor(unsigned char c) {
    int code = c;
    switch (c) {
        case 197: code = 128; break;  // Å
        case 196: code = 129; break;  // Ä
        case 214: code = 130; break;  // Ö
        case 229: code = 131; break;  // å
        case 228: code = 132; break;  // ä
        case 246: code = 133; break;  // ö
        default: break;
    }
    const int glyph = code - kFirstCode;
    return glyph >= 0 && glyph < kFontGlyphs ? glyph : -1;
}
