#include "image/tile_pack.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "image/channel_buffer.h"
#include "image/pixel_image.h"

namespace {

// Width and height (32 bits each, little-endian), plane count and depth.
constexpr size_t kHeaderBytes = 10;

size_t SampleCount(const PixelImage& image) { return size_t(image.width) * size_t(image.height); }

size_t FilteredBytes(const PixelImage& image) {
    return SampleCount(image) * size_t(image.channelCount) * (image.depth == 8 ? 1 : 2);
}

void Put32(uint8_t* at, uint32_t v) {
    for (int k = 0; k < 4; ++k) at[k] = uint8_t(v >> (8 * k));
}

uint32_t Get32(const uint8_t* at) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v |= uint32_t(at[k]) << (8 * k);
    return v;
}

// Row differences of one 16-bit plane: the high bytes, then the low bytes.
void Filter16(const uint16_t* samples, int width, int height, uint8_t* out) {
    const size_t n = size_t(width) * size_t(height);
    for (int y = 0; y < height; ++y) {
        const uint16_t* row = samples + size_t(y) * size_t(width);
        uint16_t left = 0;
        for (int x = 0; x < width; ++x) {
            const uint16_t d = uint16_t(row[x] - left);
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            out[i] = uint8_t(d >> 8);
            out[n + i] = uint8_t(d);
            left = row[x];
        }
    }
}

void Unfilter16(const uint8_t* in, int width, int height, uint16_t* samples) {
    const size_t n = size_t(width) * size_t(height);
    for (int y = 0; y < height; ++y) {
        uint16_t* row = samples + size_t(y) * size_t(width);
        uint16_t left = 0;
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            left = uint16_t(left + ((in[i] << 8) | in[n + i]));
            row[x] = left;
        }
    }
}

void Filter8(const uint8_t* samples, int width, int height, uint8_t* out) {
    for (int y = 0; y < height; ++y) {
        const size_t start = size_t(y) * size_t(width);
        uint8_t left = 0;
        for (int x = 0; x < width; ++x) {
            out[start + size_t(x)] = uint8_t(samples[start + size_t(x)] - left);
            left = samples[start + size_t(x)];
        }
    }
}

void Unfilter8(const uint8_t* in, int width, int height, uint8_t* samples) {
    for (int y = 0; y < height; ++y) {
        const size_t start = size_t(y) * size_t(width);
        uint8_t left = 0;
        for (int x = 0; x < width; ++x) {
            left = uint8_t(left + in[start + size_t(x)]);
            samples[start + size_t(x)] = left;
        }
    }
}

}  // namespace

bool PackImage(const PixelImage& image, std::vector<uint8_t>& out) {
    if (image.IsEmpty()) return false;
    z_stream z{};
    if (deflateInit(&z, 1) != Z_OK) return false;
    bool packed = false;
    try {
        const size_t planeBytes = FilteredBytes(image) / size_t(image.channelCount);
        std::vector<uint8_t> filtered(planeBytes);
        // Output beyond the plain size is not worth keeping.
        std::vector<uint8_t> bytes(kHeaderBytes + FilteredBytes(image));
        z.next_out = bytes.data() + kHeaderBytes;
        z.avail_out = uInt(bytes.size() - kHeaderBytes);
        int result = Z_OK;
        for (int c = 0; c < image.channelCount && result == Z_OK; ++c) {
            if (image.depth == 8)
                Filter8(static_cast<ChannelBuffer8&>(image.Channel(c)).samples, image.width, image.height,
                        filtered.data());
            else
                Filter16(static_cast<ChannelBuffer16&>(image.Channel(c)).samples, image.width, image.height,
                         filtered.data());
            z.next_in = filtered.data();
            z.avail_in = uInt(filtered.size());
            const bool last = c == image.channelCount - 1;
            // Noise does not shrink: flushed after the first plane, what
            // deflate made of it tells, and the rest is not tried.
            result = deflate(&z, last ? Z_FINISH : c == 0 ? Z_SYNC_FLUSH : Z_NO_FLUSH);
            if (c == 0 && !last && result == Z_OK && z.total_out > z.total_in / 16 * 15) result = Z_BUF_ERROR;
            // Input left over: the output is as big as the samples already.
            if (!last && z.avail_in != 0) result = Z_BUF_ERROR;
        }
        if (result == Z_STREAM_END) {
            Put32(bytes.data(), uint32_t(image.width));
            Put32(bytes.data() + 4, uint32_t(image.height));
            bytes[8] = uint8_t(image.channelCount);
            bytes[9] = uint8_t(image.depth);
            // Exactly as long as it needs: the history counts what it holds.
            out.assign(bytes.begin(), bytes.begin() + std::ptrdiff_t(kHeaderBytes + z.total_out));
            packed = true;
        }
    } catch (const std::bad_alloc&) {
    }
    deflateEnd(&z);
    return packed;
}

PixelImage* UnpackImage(const std::vector<uint8_t>& packed) {
    if (packed.size() < kHeaderBytes) return nullptr;
    const uint32_t width = Get32(packed.data()), height = Get32(packed.data() + 4);
    const int planes = packed[8], depth = packed[9];
    if (width == 0 || height == 0 || width > 65536 || height > 65536 || planes == 0 || (depth != 8 && depth != 16))
        return nullptr;
    PixelImage* image = nullptr;
    try {
        image = new PixelImage(int(width), int(height), planes, depth);
        std::vector<uint8_t> filtered(FilteredBytes(*image));
        uLongf length = uLongf(filtered.size());
        if (uncompress(filtered.data(), &length, packed.data() + kHeaderBytes, uLong(packed.size() - kHeaderBytes)) !=
                Z_OK ||
            length != filtered.size()) {
            delete image;
            return nullptr;
        }
        const size_t planeBytes = filtered.size() / size_t(planes);
        for (int c = 0; c < planes; ++c) {
            const uint8_t* plane = filtered.data() + size_t(c) * planeBytes;
            if (depth == 8)
                Unfilter8(plane, image->width, image->height, static_cast<ChannelBuffer8&>(image->Channel(c)).samples);
            else
                Unfilter16(plane, image->width, image->height,
                           static_cast<ChannelBuffer16&>(image->Channel(c)).samples);
        }
        return image;
    } catch (const std::bad_alloc&) {
        delete image;
        return nullptr;
    }
}
