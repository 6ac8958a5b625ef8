#include "fileio/png_rgba_rows.h"

#include "image/memory_guard.h"

namespace {

constexpr uint64_t kMostDeflateRatio = 1032;

}  // namespace

uint64_t LeastPngBytes(png_structp png, png_infop info) {
    const uint64_t bitsPerPixel = uint64_t(png_get_channels(png, info)) * png_get_bit_depth(png, info);
    const uint64_t filteredRow = 1 + (uint64_t(png_get_image_width(png, info)) * bitsPerPixel + 7) / 8;
    return filteredRow * png_get_image_height(png, info) / kMostDeflateRatio;
}

void ReadPngRgbaRows(png_structp png, png_infop info, PngRgbaRows& out, uint64_t alsoNeeded) {
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    png_set_expand(png);
#ifdef PNG_READ_SCALE_16_TO_8_SUPPORTED
    png_set_scale_16(png);
#else
    png_set_strip_16(png);
#endif
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const size_t rowBytes = png_get_rowbytes(png, info);
    if (png_get_channels(png, info) != 4 || png_get_bit_depth(png, info) != 8 || rowBytes < size_t(width) * 4)
        png_error(png, "unexpected layout after transforms");
    if (!MemoryFor(uint64_t(rowBytes) * height + alsoNeeded)) png_error(png, "not enough memory");
    if (!Allocating([&out, rowBytes, height] {
            out.bytes.resize(rowBytes * height);
            out.rows.resize(height);
        }))
        png_error(png, "not enough memory");
    out.width = int(width);
    out.height = int(height);
    for (png_uint_32 y = 0; y < height; ++y) out.rows[y] = out.bytes.data() + size_t(y) * rowBytes;
    png_read_image(png, out.rows.data());
}
