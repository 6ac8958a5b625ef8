// Writes a small seed corpus for the fuzz targets into the folder given on
// the command line: one subfolder per reader (tvl, png, jpeg, dib, ora), a few
// files of each layout the reader accepts. Everything is made here, so the
// corpus holds nothing from elsewhere.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/ora_file.h"
#include "fileio/test_images.h"
#include "fileio/tvl_file.h"
#include "image/animation.h"
#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"

namespace {

namespace fs = std::filesystem;

bool Put(const fs::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    if (bytes.empty() || !samples::WriteFileBytes((folder / name).string(), bytes)) {
        std::fprintf(stderr, "could not write seed %s\n", name.c_str());
        return false;
    }
    return true;
}

// A few painted samples keep the coded planes short.
void Dab(LayerTile& tile, int x, int y, uint16_t value) {
    EnsurePixels(tile);
    for (int c = 0; c < tile.pixels->channelCount; ++c)
        static_cast<ChannelBuffer16&>(tile.pixels->Channel(c)).samples[y * kTileSide + x] = uint16_t(value + c);
}

std::vector<uint8_t> Tvl(Document& doc) {
    std::vector<uint8_t> bytes;
    ByteSink sink(bytes);
    if (!WriteTvl(doc, sink) || !sink.Finish()) bytes.clear();
    return bytes;
}

bool TvlSeeds(const fs::path& folder) {
    bool ok = true;
    Document doc;
    NewDocument(doc, 10, 10);
    ok &= Put(folder, "plain.tvl", Tvl(doc));

    AddLayer(doc, 0);
    Dab(*LayerTileAt(doc.stacks[0], 1), 3, 4, 40000);
    doc.layers[1].opacity = 128;
    doc.layers[1].blendMode = kBlendMultiply;
    ApplyLayerInfo(doc, 1);
    ok &= Put(folder, "two-layers.tvl", Tvl(doc));

    EnterAnimation(doc);
    AddFrame(doc);
    AddFrame(doc);
    doc.durations[1] = 3;
    ToggleLayerAnimated(doc, 1);
    SetFrame(doc, 2);
    Dab(*LayerTileAt(doc.stacks[0], 1), 7, 7, 900);
    ToggleOnionSkin(doc);
    ok &= Put(folder, "animated.tvl", Tvl(doc));

    Document wide;
    NewDocument(wide, 130, 3);  // two tiles
    Dab(*wide.stacks[1], 1, 1, 5);
    ok &= Put(folder, "two-tiles.tvl", Tvl(wide));
    return ok;
}

std::vector<uint8_t> Ora(Document& doc) {
    std::vector<uint8_t> bytes;
    if (!WriteOra(doc, bytes)) bytes.clear();
    return bytes;
}

bool OraSeeds(const fs::path& folder) {
    bool ok = true;
    Document doc;
    NewDocument(doc, 10, 10);
    ok &= Put(folder, "plain.ora", Ora(doc));

    AddLayer(doc, 0);
    AddLayer(doc, 1);
    Dab(*LayerTileAt(doc.stacks[0], 1), 3, 4, 40000);
    Dab(*LayerTileAt(doc.stacks[0], 2), 5, 5, 9000);
    doc.layers[1].opacity = 100;
    doc.layers[1].blendMode = kBlendScreen;
    doc.layers[2].hidden = true;
    doc.layers[2].lockTransparency = true;
    for (int i = 1; i < 3; ++i) ApplyLayerInfo(doc, i);
    ok &= Put(folder, "three-layers.ora", Ora(doc));

    Document wide;
    NewDocument(wide, 130, 3);  // two tiles
    Dab(*wide.stacks[1], 1, 1, 5);
    ok &= Put(folder, "two-tiles.ora", Ora(wide));
    return ok;
}

bool PngSeeds(const fs::path& folder) {
    using namespace samples;
    std::vector<uint16_t> rgb, rgba, grey, greyAlpha, index, wide;
    for (int i = 0; i < 64; ++i) {
        rgb.insert(rgb.end(), {uint16_t(i * 4), uint16_t(255 - i), uint16_t(i % 7 * 30)});
        rgba.insert(rgba.end(), {uint16_t(i), uint16_t(i * 2), uint16_t(i * 3), uint16_t(i * 4)});
        grey.push_back(uint16_t(i * 4));
        greyAlpha.insert(greyAlpha.end(), {uint16_t(i), uint16_t(255 - i)});
        index.push_back(uint16_t(i % 3));
        wide.insert(wide.end(), {uint16_t(i * 1000), uint16_t(65535 - i), uint16_t(i * 77)});
    }
    PngPicture palette = Png(8, 8, kPalette, 8, index);
    palette.palette = {0, 0, 0, 255, 0, 0, 10, 200, 30};
    palette.paletteAlpha = {0, 100};
    PngPicture interlaced = Png(8, 8, kRgb, 8, rgb);
    interlaced.interlaced = true;
    std::vector<uint16_t> bits(64);
    for (int i = 0; i < 64; ++i) bits[size_t(i)] = uint16_t(i % 2);
    bool ok = true;
    ok &= Put(folder, "rgb.png", EncodePng(Png(8, 8, kRgb, 8, rgb)));
    ok &= Put(folder, "rgba.png", EncodePng(Png(8, 8, kRgba, 8, rgba)));
    ok &= Put(folder, "grey.png", EncodePng(Png(8, 8, kGrey, 8, grey)));
    ok &= Put(folder, "grey1.png", EncodePng(Png(8, 8, kGrey, 1, bits)));
    ok &= Put(folder, "grey-alpha.png", EncodePng(Png(8, 8, kGreyAlpha, 8, greyAlpha)));
    ok &= Put(folder, "palette.png", EncodePng(palette));
    ok &= Put(folder, "rgb16.png", EncodePng(Png(8, 8, kRgb, 16, wide)));
    ok &= Put(folder, "interlaced.png", EncodePng(interlaced));
    return ok;
}

bool JpegSeeds(const fs::path& folder) {
    std::vector<uint8_t> rgb, grey, cmyk;
    for (int i = 0; i < 16 * 16; ++i) {
        rgb.insert(rgb.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 5)});
        grey.push_back(uint8_t(i));
        cmyk.insert(cmyk.end(), {uint8_t(i), uint8_t(i / 2), uint8_t(255 - i), uint8_t(30)});
    }
    bool ok = true;
    ok &= Put(folder, "rgb.jpg", samples::EncodeJpeg(16, 16, 3, rgb));
    ok &= Put(folder, "grey.jpg", samples::EncodeJpeg(16, 16, 1, grey));
    ok &= Put(folder, "cmyk.jpg", samples::EncodeJpeg(16, 16, 4, cmyk));
    return ok;
}

bool DibSeeds(const fs::path& folder) {
    using samples::DibPicture;
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 15; ++i) pixels.push_back(i * 0x112233u);
    auto dib = [&pixels](int height, int bits, uint32_t compression, uint32_t header) {
        DibPicture picture;
        picture.width = 5;
        picture.height = height;
        picture.bitCount = bits;
        picture.compression = compression;
        picture.headerBytes = header;
        picture.pixels = pixels;
        return samples::EncodeDib(picture);
    };
    bool ok = true;
    ok &= Put(folder, "rgb32.dib", dib(3, 32, 0, 40));
    ok &= Put(folder, "rgb24.dib", dib(3, 24, 0, 40));
    ok &= Put(folder, "top-down.dib", dib(-3, 24, 0, 40));
    ok &= Put(folder, "bitfields.dib", dib(3, 32, 3, 40));
    ok &= Put(folder, "v5-bitfields.dib", dib(3, 32, 3, 124));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    InitThreadScratch(1, kTileSide);  // the OpenRaster seeds hold a merged picture
    const fs::path root(argv[1]);
    bool ok = true;
    const struct {
        const char* name;
        bool (*make)(const fs::path&);
    } readers[] = {{"tvl", TvlSeeds}, {"png", PngSeeds}, {"jpeg", JpegSeeds}, {"dib", DibSeeds}, {"ora", OraSeeds}};
    for (const auto& reader : readers) {
        std::error_code ec;
        fs::create_directories(root / reader.name, ec);
        ok &= !ec && reader.make(root / reader.name);
    }
    FreeThreadScratch();
    return ok ? 0 : 1;
}
