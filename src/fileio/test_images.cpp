#include "fileio/test_images.h"

#include <zip.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "image/animation.h"
#include "image/channel_buffer.h"
#include "image/document.h"
#include "image/pixel_image.h"

namespace samples {
namespace {

void PutU32BE(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void PutU32LE(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(v >> shift));
}

void PutU16LE(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

int ChannelsOf(PngColour colour) {
    switch (colour) {
        case kGrey: return 1;
        case kRgb: return 3;
        case kPalette: return 1;
        case kGreyAlpha: return 2;
        case kRgba: return 4;
    }
    return 1;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Packs one row of samples at the picture's bit depth, most significant first.
void PackRow(const PngPicture& picture, int y, std::vector<uint8_t>& row) {
    const int perPixel = ChannelsOf(picture.colour);
    const size_t count = size_t(picture.width) * size_t(perPixel);
    const uint16_t* in = picture.samples.data() + size_t(y) * count;
    std::fill(row.begin(), row.end(), 0);
    for (size_t i = 0; i < count; ++i) {
        if (picture.bitDepth == 16) {
            row[2 * i] = uint8_t(in[i] >> 8);
            row[2 * i + 1] = uint8_t(in[i]);
        } else if (picture.bitDepth == 8) {
            row[i] = uint8_t(in[i]);
        } else {
            const size_t bit = i * size_t(picture.bitDepth);
            const int shift = 8 - picture.bitDepth - int(bit % 8);
            row[bit / 8] |= uint8_t(in[i] << shift);
        }
    }
}

bool WritePngInto(const PngPicture& picture, std::vector<uint8_t>& out, std::vector<uint8_t>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
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
    png_set_write_fn(png, &out, AppendToVector, NoFlush);
    png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), picture.bitDepth, picture.colour,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (picture.colour == kPalette) {
        std::vector<png_color> entries(picture.palette.size() / 3);
        for (size_t i = 0; i < entries.size(); ++i)
            entries[i] = {picture.palette[3 * i], picture.palette[3 * i + 1], picture.palette[3 * i + 2]};
        png_set_PLTE(png, info, entries.data(), int(entries.size()));
        if (!picture.paletteAlpha.empty())
            png_set_tRNS(png, info, picture.paletteAlpha.data(), int(picture.paletteAlpha.size()), nullptr);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < picture.height; ++y) {
            PackRow(picture, y, row);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct JpegJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JumpOnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegJump*>(info->err)->jump, 1); }

// The library allocates the output; its pointer and size live in the
// caller's frame, which the error jump does not leave.
struct JpegOutput {
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
};

bool WriteJpegInto(int width, int height, int components, const std::vector<uint8_t>& samples, JpegOutput& out,
                   bool ycck = false) {
    jpeg_compress_struct info = {};
    JpegJump errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpOnJpegError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out.bytes, &out.size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (ycck) jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + size_t(y) * size_t(width) * size_t(components));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

void Randomise(PixelImage& image, std::mt19937& rng, bool opaque) {
    const size_t n = size_t(image.width) * size_t(image.height);
    for (int c = 0; c < image.channelCount; ++c) {
        uint16_t* s = static_cast<ChannelBuffer16&>(image.Channel(c)).samples;
        // Runs of equal samples as painted areas have, and noise between.
        for (size_t i = 0; i < n;) {
            const size_t run = 1 + rng() % 40;
            const uint16_t v = opaque && c == 3 ? 65535 : uint16_t(rng());
            const bool noisy = rng() % 3 == 0;
            for (size_t k = 0; k < run && i < n; ++k, ++i) s[i] = noisy ? uint16_t(rng()) : v;
        }
    }
}

}  // namespace

std::vector<uint8_t> EncodePng(const PngPicture& picture) {
    std::vector<uint8_t> out;
    const size_t rowBytes = (size_t(picture.width) * size_t(ChannelsOf(picture.colour)) * size_t(picture.bitDepth) + 7) / 8;
    std::vector<uint8_t> row(rowBytes);
    if (!WritePngInto(picture, out, row)) out.clear();
    return out;
}

std::vector<uint8_t> PngHeaderOnly(uint32_t w, uint32_t h) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> chunk = {'I', 'H', 'D', 'R'};
    PutU32BE(chunk, w);
    PutU32BE(chunk, h);
    for (uint8_t b : {8, 2, 0, 0, 0}) chunk.push_back(b);
    PutU32BE(out, uint32_t(chunk.size() - 4));
    out.insert(out.end(), chunk.begin(), chunk.end());
    PutU32BE(out, uint32_t(crc32(0, chunk.data(), uInt(chunk.size()))));
    return out;
}

std::vector<uint8_t> PngDeclaring(uint32_t w, uint32_t h) {
    std::vector<uint8_t> bytes = EncodePng(Png(16, 16, kRgb, 8, std::vector<uint16_t>(16 * 16 * 3, 7)));
    // The header chunk's type starts at 12, its width and height at 16 and
    // its checksum (over type and data) at 29.
    std::vector<uint8_t> size;
    PutU32BE(size, w);
    PutU32BE(size, h);
    std::copy(size.begin(), size.end(), bytes.begin() + 16);
    std::vector<uint8_t> crc;
    PutU32BE(crc, uint32_t(crc32(0, bytes.data() + 12, 17)));
    std::copy(crc.begin(), crc.end(), bytes.begin() + 29);
    return bytes;
}

std::vector<uint8_t> JpegDeclaring(uint16_t w, uint16_t h) {
    std::vector<uint8_t> bytes = EncodeJpeg(16, 16, 3, std::vector<uint8_t>(16 * 16 * 3, 100));
    // Markers up to the frame header: FF xx, then a two-byte length.
    for (size_t at = 2; at + 9 < bytes.size();) {
        if (bytes[at] != 0xFF) return {};
        const uint8_t marker = bytes[at + 1];
        if (marker >= 0xC0 && marker <= 0xC2) {
            bytes[at + 5] = uint8_t(h >> 8);
            bytes[at + 6] = uint8_t(h);
            bytes[at + 7] = uint8_t(w >> 8);
            bytes[at + 8] = uint8_t(w);
            return bytes;
        }
        at += 2 + (size_t(bytes[at + 2]) << 8 | bytes[at + 3]);
    }
    return {};
}

std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples) {
    JpegOutput out;
    std::vector<uint8_t> bytes;
    if (WriteJpegInto(width, height, components, samples, out)) bytes.assign(out.bytes, out.bytes + out.size);
    std::free(out.bytes);
    return bytes;
}

std::vector<uint8_t> EncodeJpegYcck(int width, int height, const std::vector<uint8_t>& cmyk) {
    JpegOutput out;
    std::vector<uint8_t> bytes;
    if (WriteJpegInto(width, height, 4, cmyk, out, true)) bytes.assign(out.bytes, out.bytes + out.size);
    std::free(out.bytes);
    return bytes;
}

std::vector<uint8_t> EncodeDib(const DibPicture& picture) {
    std::vector<uint8_t> out;
    PutU32LE(out, picture.headerBytes);
    PutU32LE(out, uint32_t(picture.width));
    PutU32LE(out, uint32_t(picture.height));
    PutU16LE(out, 1);
    PutU16LE(out, uint16_t(picture.bitCount));
    PutU32LE(out, picture.compression);
    for (int i = 0; i < 5; ++i) PutU32LE(out, 0);  // image size, resolution, colours used and important
    const bool masksInHeader = picture.headerBytes >= 52;
    if (picture.compression == 3 && masksInHeader)
        for (uint32_t m : picture.masks) PutU32LE(out, m);
    out.resize(std::max<size_t>(out.size(), picture.headerBytes), 0);
    if (picture.compression == 3 && !masksInHeader)
        for (uint32_t m : picture.masks) PutU32LE(out, m);

    const int rows = picture.height < 0 ? -picture.height : picture.height;
    const size_t stride = (size_t(picture.width) * size_t(picture.bitCount) + 31) / 32 * 4;
    for (int r = 0; r < rows; ++r) {
        const int y = picture.height < 0 ? r : rows - 1 - r;
        const size_t start = out.size();
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t p = picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)];
            out.push_back(uint8_t(p));
            out.push_back(uint8_t(p >> 8));
            out.push_back(uint8_t(p >> 16));
            if (picture.bitCount == 32) out.push_back(0x5A);  // unused byte, must be ignored
        }
        out.resize(start + stride, 0);
    }
    return out;
}

std::vector<uint8_t> JpegWithDataLost(const std::vector<uint8_t>& bytes) {
    size_t scan = 0;
    for (size_t i = 0; i + 3 < bytes.size() && !scan; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) scan = i;
    if (!scan) return {};
    const size_t dataStart = scan + 2 + (size_t(bytes[scan + 2]) << 8 | bytes[scan + 3]);
    if (dataStart + 2 >= bytes.size()) return {};
    const size_t third = (bytes.size() - 2 - dataStart) / 3;
    if (third < 16) return {};
    std::vector<uint8_t> lost(bytes.begin(), bytes.begin() + std::ptrdiff_t(dataStart + third));
    lost.insert(lost.end(), bytes.end() - std::ptrdiff_t(third), bytes.end());
    return lost;
}

void MakeAnimatedDocument(Document& doc, int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    NewDocument(doc, w, h);
    for (LayerTile* stack : doc.stacks) Randomise(*stack->pixels, rng, true);
    AddLayer(doc, 0);
    EnterAnimation(doc);
    AddFrame(doc);
    AddFrame(doc);
    doc.durations[0] = 2;
    doc.durations[1] = 5;
    doc.durations[2] = 1;
    doc.framesPerSecond = 12;
    ToggleLayerAnimated(doc, 1);
    for (int f = 0; f < doc.frameCount; ++f) {
        SetFrame(doc, f);
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            if ((t + size_t(f)) % 2 == 1) continue;  // some frames stay empty
            LayerTile* tile = LayerTileAt(doc.stacks[t], 1);
            EnsurePixels(*tile);
            Randomise(*tile->pixels, rng, false);
        }
    }
    SetFrame(doc, 1);
    doc.layers[1].opacity = 180;
    doc.layers[1].blendMode = kBlendScreen;
    ApplyLayerInfo(doc, 1);
}

std::vector<uint8_t> EncodeZip(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_TRUNCATE, &error) : nullptr;
    std::vector<uint8_t> out;
    if (!zip) return out;
    zip_source_keep(source);
    for (const auto& entry : entries) {
        zip_source_t* bytes = zip_source_buffer(zip, entry.second.data(), entry.second.size(), 0);
        const zip_int64_t index = zip_file_add(zip, entry.first.c_str(), bytes, ZIP_FL_ENC_UTF_8);
        if (index >= 0 && entry.first == "mimetype") zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_close(zip) == 0 && zip_source_stat(source, &stat) == 0 && zip_source_open(source) == 0) {
        out.resize(size_t(stat.size));
        if (zip_source_read(source, out.data(), stat.size) != zip_int64_t(stat.size)) out.clear();
        zip_source_close(source);
    }
    zip_source_free(source);
    return out;
}

std::vector<uint8_t> OraWithLayers(int count) {
    std::string stack = "<image w=\"4\" h=\"4\"><stack>";
    for (int i = 0; i < count; ++i) stack += "<layer name=\"L" + std::to_string(i) + "\" src=\"p.png\"/>";
    stack += "</stack></image>";
    const std::string mime = "image/openraster";
    return EncodeZip({{"mimetype", std::vector<uint8_t>(mime.begin(), mime.end())},
                      {"stack.xml", std::vector<uint8_t>(stack.begin(), stack.end())},
                      {"p.png", EncodePng(Png(4, 4, kGrey, 8, std::vector<uint16_t>(16, 90)))}});
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace samples
