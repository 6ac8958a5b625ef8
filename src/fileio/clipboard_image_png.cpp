// The clipboard's PNG form, through libpng's in-memory interface.
#include <png.h>

#include "fileio/clipboard_image.h"
#include "fileio/flat_image.h"
#include "image/document.h"
#include "image/memory_guard.h"
#include "platform/log.h"

namespace {

constexpr uint32_t kDibHeaderBytes = 40;

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

bool AllOpaque(const std::vector<uint32_t>& flat) {
    for (uint32_t p : flat)
        if (p >> 24 != 0xFF) return false;
    return true;
}

bool EncodePngBytes(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& png) {
    const bool alpha = !AllOpaque(flat);
    const size_t channels = alpha ? 4 : 3;
    std::vector<uint8_t> pixels(flat.size() * channels);
    uint8_t* out = pixels.data();
    for (uint32_t p : flat) {
        *out++ = uint8_t(p >> 16);
        *out++ = uint8_t(p >> 8);
        *out++ = uint8_t(p);
        if (alpha) *out++ = uint8_t(p >> 24);
    }
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    const png_int_32 stride = png_int_32(size_t(w) * channels);
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), stride, nullptr)) {
        LogLine("#### clipboard: PNG encoding failed: %s", image.message);
        return false;
    }
    png.resize(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), stride, nullptr)) {
        LogLine("#### clipboard: PNG encoding failed: %s", image.message);
        return false;
    }
    png.resize(size);
    return true;
}

void EncodeDibBytes(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& dib) {
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    dib.assign(kDibHeaderBytes + stride * size_t(h), 0);
    Put32(dib, 0, kDibHeaderBytes);
    Put32(dib, 4, uint32_t(w));
    Put32(dib, 8, uint32_t(h));  // positive: bottom-up rows
    dib[12] = 1;                 // planes
    dib[14] = 24;                // bits per pixel; compression 0 is BI_RGB
    Put32(dib, 20, uint32_t(stride * size_t(h)));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = dib.data() + kDibHeaderBytes + size_t(h - 1 - y) * stride;
        const uint32_t* in = flat.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x, row += 3) {
            row[0] = uint8_t(in[x]);
            row[1] = uint8_t(in[x] >> 8);
            row[2] = uint8_t(in[x] >> 16);
        }
    }
}

}  // namespace

bool DecodeClipboardPng(const uint8_t* bytes, size_t size, int& w, int& h, std::vector<uint32_t>& flat) {
    if (!bytes || size == 0) return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) {
        LogLine("#### clipboard: not a readable PNG: %s", image.message);
        return false;
    }
    if (image.width < 1 || image.height < 1 || image.width > png_uint_32(kMaxDocumentSide) ||
        image.height > png_uint_32(kMaxDocumentSide)) {
        LogLine("#### clipboard: PNG of %ux%u refused", unsigned(image.width), unsigned(image.height));
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        LogLine("#### clipboard: PNG decoding failed: %s", image.message);
        png_image_free(&image);
        return false;
    }
    w = int(image.width);
    h = int(image.height);
    flat.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const size_t at = size_t(y) * size_t(w);
        RgbaRowToFlat(pixels.data() + at * 4, flat.data() + at, w);
    }
    return true;
}

bool EncodeClipboardImage(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& png,
                          std::vector<uint8_t>& dib) {
    if (w < 1 || h < 1 || flat.size() != size_t(w) * size_t(h)) return false;
    // The PNG's rows and the file itself (at worst as large), and the bitmap.
    const uint64_t pixels = uint64_t(w) * uint64_t(h);
    if (!MemoryFor(pixels * 4 * 2 + (pixels + uint64_t(h)) * 3 + kDibHeaderBytes)) return false;
    bool encoded = false;
    if (!Allocating([&] {
            encoded = EncodePngBytes(w, h, flat, png);
            if (encoded) EncodeDibBytes(w, h, flat, dib);
        }))
        return false;
    return encoded;
}
