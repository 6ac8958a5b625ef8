#include "fileio/ora_file.h"

#include <zip.h>

#include <gtest/gtest.h>

#include "fileio/fileio_test_support.h"
#include "fileio/image_file.h"
#include "fileio/ora_png.h"
#include "fileio/test_images.h"
#include "image/animation.h"
#include "image/channel_buffer.h"
#include "image/flat_transfer.h"
#include "image/pixel_image.h"

namespace {

using namespace fileiotest;

// An OpenRaster zip put together entry by entry, as another program would
// write it; the first entry is "mimetype" unless the test says otherwise.
struct Entry {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> Zip(const std::vector<Entry>& entries) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> list;
    for (const Entry& e : entries) list.emplace_back(e.name, e.bytes);
    return samples::EncodeZip(list);
}

std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

Entry Mime() { return {"mimetype", Text("image/openraster")}; }

// A w x h RGBA PNG filled with one colour (A << 24 | RGB).
std::vector<uint8_t> Plain(int w, int h, uint32_t colour) {
    std::vector<uint8_t> png;
    EXPECT_TRUE(EncodeRgbaPng(w, h, std::vector<uint32_t>(size_t(w) * size_t(h), colour), png));
    return png;
}

std::string Stack(const std::string& layers, const std::string& image = "w=\"20\" h=\"10\"") {
    return "<?xml version='1.0' encoding='UTF-8'?><image " + image + "><stack>" + layers + "</stack></image>";
}

// The file's entry, from a zip in memory.
std::vector<uint8_t> Unzipped(const std::vector<uint8_t>& bytes, const char* name, int* index = nullptr,
                              bool* stored = nullptr) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    std::vector<uint8_t> out;
    if (!zip) return out;
    const zip_int64_t i = zip_name_locate(zip, name, 0);
    zip_stat_t stat;
    if (i >= 0 && zip_stat_index(zip, zip_uint64_t(i), 0, &stat) == 0) {
        if (index) *index = int(i);
        if (stored) *stored = stat.comp_method == ZIP_CM_STORE;
        out.resize(size_t(stat.size));
        zip_file_t* f = zip_fopen_index(zip, zip_uint64_t(i), 0);
        zip_fread(f, out.data(), stat.size);
        zip_fclose(f);
    }
    zip_discard(zip);
    return out;
}

// Display pixels of one layer's tiles over the canvas (transparent where empty).
uint32_t LayerPixel(Document& d, int layer, int x, int y) {
    for (LayerTile* stack : d.stacks) {
        if (x < stack->x0 || y < stack->y0 || x >= stack->x1 || y >= stack->y1) continue;
        const LayerTile* tile = LayerTileAt(stack, layer);
        if (!tile->pixels || tile->pixels->IsEmpty()) return 0;
        uint32_t p = 0;
        ExportFlat(*tile->pixels, &p, tile->x0 - x, tile->y0 - y, 1, 1, -1);
        return p;
    }
    return 0xDEADBEEF;
}

class OraFile : public FileTest {
protected:
    // Three layers over two tiles, each setting apart from its default.
    void MakeLayered() {
        ASSERT_TRUE(NewDocument(doc, 140, 20));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        std::snprintf(doc.layers[1].name, kLayerNameBytes, "%s", "Ink & <lines> \"1\" \xC3\xA9");
        doc.layers[1].opacity = 128;
        doc.layers[1].blendMode = kBlendMultiply;
        doc.layers[1].lockTransparency = true;
        std::snprintf(doc.layers[2].name, kLayerNameBytes, "%s", "Glow");
        doc.layers[2].blendMode = kBlendLighten;
        doc.layers[2].hidden = true;
        for (int i = 0; i < 3; ++i) ApplyLayerInfo(doc, i);
        for (LayerTile* stack : doc.stacks)
            for (int i = 1; i < 3; ++i) {
                LayerTile* tile = LayerTileAt(stack, i);
                EnsurePixels(*tile);
                for (int v = 0; v < 20; ++v)
                    for (int u = 0; u < kTileSide; ++u) {
                        const uint32_t p = (u + v) % 3 == 0 ? 0 : 0xFF000000u | uint32_t(stack->x0 + u) * 0x010203u * uint32_t(i);
                        ImportFlat(*tile->pixels, &p, -u, -v, 1, 1, -1);
                    }
            }
    }
};

TEST_F(OraFile, OwnFilesComeBackWithEveryLayerSettingAndTheProfile) {
    SelectProfile(*BuiltinProfile(4));
    MakeLayered();
    const ColorProfile profile = CurrentProfile();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(WriteOra(doc, bytes));
    const std::vector<uint32_t> shown = Shown(doc);

    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    Document back;
    std::string refusal;
    ASSERT_TRUE(ReadOra(back, bytes.data(), bytes.size(), refusal));
    EXPECT_TRUE(SameProfile(CurrentProfile(), profile));
    ASSERT_EQ(back.layerCount, 3);
    ASSERT_EQ(back.width, 140);
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(back.layers[i].name, doc.layers[i].name) << i;
        EXPECT_EQ(back.layers[i].opacity, doc.layers[i].opacity) << i;
        EXPECT_EQ(back.layers[i].blendMode, doc.layers[i].blendMode) << i;
        EXPECT_EQ(back.layers[i].hidden, doc.layers[i].hidden) << i;
        EXPECT_EQ(back.layers[i].lockTransparency, doc.layers[i].lockTransparency) << i;
        for (int y = 0; y < 20; y += 3)
            for (int x = 0; x < 140; x += 7) ASSERT_EQ(LayerPixel(back, i, x, y), LayerPixel(doc, i, x, y)) << i;
    }
    EXPECT_EQ(Shown(back), shown);
    ReleaseDocument(back);
}

TEST_F(OraFile, TheZipIsLaidOutAsOtherProgramsExpect) {
    MakeLayered();
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(WriteOra(doc, bytes));
    int index = -1;
    bool stored = false;
    EXPECT_EQ(Unzipped(bytes, "mimetype", &index, &stored), Text("image/openraster"));
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(stored);
    // Topmost layer first, the standard blend mode names.
    const std::vector<uint8_t> xmlBytes = Unzipped(bytes, "stack.xml");
    const std::string xml(xmlBytes.begin(), xmlBytes.end());
    const size_t glow = xml.find("name=\"Glow\""), ink = xml.find("name=\"Ink &amp; &lt;lines&gt; &quot;1&quot;");
    ASSERT_NE(glow, std::string::npos);
    ASSERT_NE(ink, std::string::npos);
    EXPECT_LT(glow, ink);
    EXPECT_NE(xml.find("composite-op=\"svg:multiply\""), std::string::npos);
    EXPECT_NE(xml.find("composite-op=\"svg:lighten\""), std::string::npos);
    EXPECT_NE(xml.find("visibility=\"hidden\""), std::string::npos);

    const std::vector<uint32_t> shown = Shown(doc);
    const std::vector<uint8_t> merged = Unzipped(bytes, "mergedimage.png");
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    ASSERT_TRUE(DecodeRgbaPng(merged.data(), merged.size(), w, h, flat, kMaxFlatPixels));
    ASSERT_EQ(flat.size(), shown.size());
    for (size_t i = 0; i < flat.size(); ++i) ASSERT_EQ(flat[i], shown[i] | 0xFF000000u) << i;
    const std::vector<uint8_t> thumb = Unzipped(bytes, "Thumbnails/thumbnail.png");
    ASSERT_TRUE(DecodeRgbaPng(thumb.data(), thumb.size(), w, h, flat, kMaxFlatPixels));
    EXPECT_EQ(w, 140);  // smaller than 256: kept
}

TEST_F(OraFile, ForeignFilesArePlacedCroppedAndFlattenedIntoLayers) {
    // A 16-bit RGBA layer, a grey one, a nested stack moved and hidden, an
    // unknown blend mode; no profile of the program's own.
    std::vector<uint16_t> wide;
    for (int i = 0; i < 4; ++i) wide.insert(wide.end(), {65535, 32896, 0, 65535});
    const std::vector<uint8_t> sixteen = samples::EncodePng(samples::Png(2, 2, samples::kRgba, 16, wide));
    const std::vector<uint8_t> grey = samples::EncodePng(samples::Png(1, 1, samples::kGrey, 8, {200}));
    const std::string layers =
        "<stack x=\"5\" y=\"1\" visibility=\"hidden\"><layer name=\"inner\" src=\"a.png\" x=\"-1\" y=\"0\"/></stack>"
        "<layer name=\"odd\" src=\"b.png\" x=\"19\" y=\"9\" opacity=\"0.25\" composite-op=\"svg:color-dodge\"/>"
        "<layer name=\"base\" src=\"c.png\" composite-op=\"svg:screen\"/>";
    const std::vector<uint8_t> file = Zip({Mime(), {"stack.xml", Text(Stack(layers))}, {"a.png", sixteen},
                                           {"b.png", grey}, {"c.png", Plain(20, 10, 0xFF102030)}});
    StartLog();
    std::string refusal;
    ASSERT_TRUE(ReadOra(doc, file.data(), file.size(), refusal));
    EXPECT_STREQ(CurrentProfile().name, "Linear RGB");
    ASSERT_EQ(doc.layerCount, 3);
    EXPECT_STREQ(doc.layers[0].name, "base");
    EXPECT_EQ(doc.layers[0].blendMode, kBlendScreen);
    EXPECT_STREQ(doc.layers[1].name, "odd");
    EXPECT_EQ(doc.layers[1].blendMode, kBlendNormal);
    EXPECT_EQ(doc.layers[1].opacity, 64);
    EXPECT_STREQ(doc.layers[2].name, "inner");
    EXPECT_TRUE(doc.layers[2].hidden);
    // The nested layer sits at (4, 1): 16 bits scaled to 8.
    EXPECT_EQ(LayerPixel(doc, 2, 4, 1), 0xFFFF8000u);
    EXPECT_EQ(LayerPixel(doc, 2, 5, 2), 0xFFFF8000u);
    EXPECT_EQ(LayerPixel(doc, 2, 3, 1) >> 24, 0u);
    EXPECT_EQ(LayerPixel(doc, 2, 6, 1) >> 24, 0u);
    EXPECT_EQ(LayerPixel(doc, 1, 19, 9), 0xFFC8C8C8u);
    EXPECT_EQ(LayerPixel(doc, 1, 18, 9) >> 24, 0u);
    EXPECT_EQ(LayerPixel(doc, 0, 7, 7), 0xFF102030u);
    bool logged = false;
    for (const std::string& line : LogLines()) logged = logged || line.find("svg:color-dodge") != std::string::npos;
    EXPECT_TRUE(logged);
}

TEST_F(OraFile, BrokenOrOversizedFilesChangeNothing) {
    ASSERT_TRUE(NewDocument(doc, 30, 20));
    const DocumentSnapshot before(doc);
    std::string tooMany;
    for (int i = 0; i <= kMaxLayers; ++i) tooMany += "<layer src=\"c.png\"/>";
    const Entry base{"c.png", Plain(20, 10, 0xFF000000)};
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        bool saysWhy;
    } cases[] = {
        {"not a zip", Text("PK\3\4 nothing more"), false},
        {"mimetype not first", Zip({{"stack.xml", Text(Stack("<layer src=\"c.png\"/>"))}, Mime(), base}), false},
        {"another mimetype", Zip({{"mimetype", Text("image/png")}, {"stack.xml", Text(Stack("<layer src=\"c.png\"/>"))}, base}), false},
        {"no stack.xml", Zip({Mime(), base}), false},
        {"broken XML", Zip({Mime(), {"stack.xml", Text("<image w=\"2\" h=\"2\"><stack><layer")}, base}), false},
        {"no size", Zip({Mime(), {"stack.xml", Text(Stack("<layer src=\"c.png\"/>", "w=\"20\""))}, base}), false},
        {"too wide", Zip({Mime(), {"stack.xml", Text(Stack("<layer src=\"c.png\"/>", "w=\"16385\" h=\"1\""))}, base}), false},
        {"no layers", Zip({Mime(), {"stack.xml", Text(Stack(""))}}), false},
        {"missing picture", Zip({Mime(), {"stack.xml", Text(Stack("<layer src=\"gone.png\"/>"))}, base}), false},
        {"damaged picture", Zip({Mime(), {"stack.xml", Text(Stack("<layer src=\"c.png\"/>"))}, {"c.png", Text("\x89PNG")}}), false},
        {"bad offset", Zip({Mime(), {"stack.xml", Text(Stack("<layer src=\"c.png\" x=\"12q\"/>"))}, base}), false},
        {"too many layers", Zip({Mime(), {"stack.xml", Text(Stack(tooMany))}, base}), true},
    };
    for (const auto& c : cases) {
        std::string refusal = "stale";
        EXPECT_FALSE(ReadOra(doc, c.file.data(), c.file.size(), refusal)) << c.what;
        EXPECT_EQ(!refusal.empty(), c.saysWhy) << c.what << ": " << refusal;
        before.ExpectSame(doc);
    }
    // Through the file path too: the message reaches the caller.
    ASSERT_TRUE(samples::WriteFileBytes(Path("many.ora"), cases[std::size(cases) - 1].file));
    std::string refusal;
    EXPECT_FALSE(LoadImage(doc, Path("many.ora"), refusal));
    EXPECT_NE(refusal.find("more than 128 layers"), std::string::npos) << refusal;
    before.ExpectSame(doc);
}

TEST_F(OraFile, AnAnimationSavesItsCurrentFrameAsAFlatCopyWould) {
    samples::MakeAnimatedDocument(doc, 40, 30, 3);
    const std::vector<uint32_t> shown = Shown(doc);
    ASSERT_TRUE(SaveImage(doc, Path("anim.ora")));
    EXPECT_FALSE(doc.layeredFile);  // the other frames are not in the file
    Document back;
    ASSERT_TRUE(LoadImage(back, Path("anim.ora")));
    EXPECT_EQ(Shown(back), shown);
    EXPECT_TRUE(back.layeredFile);
    ReleaseDocument(back);

    ASSERT_TRUE(NewDocument(doc, 10, 10));
    ASSERT_TRUE(AddLayer(doc, 0));
    ASSERT_TRUE(SaveImage(doc, Path("still.ora")));
    EXPECT_TRUE(doc.layeredFile);
}

}  // namespace
