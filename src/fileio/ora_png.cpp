#include "fileio/ora_png.h"

#include <png.h>

#include <cstring>

#include "fileio/png_rgba_rows.h"
#include "image/document.h"
#include "image/memory_guard.h"
#include "platform/log.h"

namespace {

// libpng reports errors by a long jump back to the setjmp of the function
// that owns its structures; those functions keep nothing with a destructor
// in their own frame.

void OnError(png_structp png, png_const_charp message) {
    LogLine("libpng (OpenRaster layer): %s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > reader->size - reader->position) png_error(png, "data ends early");
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void FlushNothing(png_structp) {}

using Decoded = PngRgbaRows;

bool Decode(Reader& reader, Decoded& out, int64_t maxPixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, kMaxDocumentSide, kMaxDocumentSide);
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width < 1 || height < 1 || int64_t(width) * int64_t(height) > maxPixels) png_error(png, "image too large");
    if (uint64_t(reader.size - reader.position) < LeastPngBytes(png, info))
        png_error(png, "data too short for its image size");
    // Besides the rows: the layer's flat pixels.
    ReadPngRgbaRows(png, info, out, uint64_t(width) * height * sizeof(uint32_t));
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool Encode(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& row, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, WriteBytes, FlushNothing);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) {
        const uint32_t* p = flat.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 4 + 0] = uint8_t(p[x] >> 16);
            row[size_t(x) * 4 + 1] = uint8_t(p[x] >> 8);
            row[size_t(x) * 4 + 2] = uint8_t(p[x]);
            row[size_t(x) * 4 + 3] = uint8_t(p[x] >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool EncodeRgbaPng(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& png) {
    if (w < 1 || h < 1 || flat.size() != size_t(w) * size_t(h)) return false;
    std::vector<uint8_t> row(size_t(w) * 4);
    png.clear();
    return Encode(w, h, flat, row, png);
}

bool DecodeRgbaPng(const uint8_t* data, size_t size, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels) {
    if (!data) return false;
    Reader reader{data, size, 0};
    Decoded decoded;
    if (!Decode(reader, decoded, maxPixels)) return false;
    const size_t pixels = size_t(decoded.width) * size_t(decoded.height);
    if (!Allocating([&flat, pixels] { flat.resize(pixels); })) return false;
    w = decoded.width;
    h = decoded.height;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = decoded.rows[size_t(y)];
        uint32_t* out = flat.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x, p += 4)
            out[x] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    return true;
}
