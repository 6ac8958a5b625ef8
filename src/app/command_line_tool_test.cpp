#include "app/command_line_tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fileio/flat_image.h"
#include "fileio/flat_scale.h"
#include "fileio/image_file.h"
#include "fileio/png_file.h"
#include "fileio/test_images.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/thread_scratch.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    bool handled = false;
    int exitCode = -1;
    std::string out, err;
};

Outcome Invoke(const std::vector<std::string>& arguments) {
    Outcome o;
    o.handled = RunCommandLineTool(arguments, o.exitCode, o.out, o.err);
    return o;
}

TEST(CommandLineTool, PlainArgumentsLeaveTheFileToTheWindow) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"cat.tvl"}, {"my", "cat.png"}, {"-x.png"}, {"a-- b.png"}}) {
        const Outcome o = Invoke(arguments);
        EXPECT_FALSE(o.handled) << arguments.size();
        EXPECT_EQ(o.exitCode, -1);
        EXPECT_TRUE(o.out.empty() && o.err.empty());
    }
}

TEST(CommandLineTool, HelpAndVersionAnswerOnStandardOutput) {
    const Outcome help = Invoke({"--help"});
    ASSERT_TRUE(help.handled);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--export IN OUT"), std::string::npos);
    EXPECT_NE(help.out.find("--thumbnail IN OUT SIZE"), std::string::npos);
    EXPECT_TRUE(help.err.empty());

    const Outcome version = Invoke({"--version"});
    ASSERT_TRUE(version.handled);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("Orvella ", 0), 0u) << version.out;
    EXPECT_EQ(version.out.back(), '\n');
}

class UsageError : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(UsageError, IsOneLineOnStandardErrorAndExitCodeTwo) {
    const Outcome o = Invoke(GetParam());
    ASSERT_TRUE(o.handled);
    EXPECT_EQ(o.exitCode, kExitBadUsage);
    EXPECT_TRUE(o.out.empty());
    ASSERT_FALSE(o.err.empty());
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
    EXPECT_EQ(o.err.rfind("orvella: ", 0), 0u) << o.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageError,
    ::testing::Values(std::vector<std::string>{"--frobnicate"}, std::vector<std::string>{"--"},
                      std::vector<std::string>{"--help", "extra"}, std::vector<std::string>{"--version", "x"},
                      std::vector<std::string>{"--export", "only-in.tvl"},
                      std::vector<std::string>{"--export", "a.tvl", "b.png", "c.png"},
                      std::vector<std::string>{"--export", "a.tvl", "--help"},
                      std::vector<std::string>{"cat.png", "--export"},
                      std::vector<std::string>{"--thumbnail", "a.tvl", "t.png"},
                      std::vector<std::string>{"--thumbnail", "a.tvl", "t.png", "0"},
                      std::vector<std::string>{"--thumbnail", "a.tvl", "t.png", "12px"},
                      std::vector<std::string>{"--thumbnail", "a.tvl", "t.png", "99999"},
                      std::vector<std::string>{"--thumbnail", "a.tvl", "t.png", "-5"}));

// Conversions on real files in a folder of their own. The documents are made
// in the default profile, the one a command-line run works in.
class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        folder_ = fs::temp_directory_path() /
                  ("orvella-cli-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        FreeThreadScratch();
        fs::remove_all(folder_);
    }
    std::string Path(const char* name) const { return (folder_ / name).string(); }

    // A two-layer animated document, 150 x 70 so it spans two tiles, saved as .tvl.
    std::string LayeredFile(std::vector<uint32_t>& shown) {
        Document doc;
        samples::MakeAnimatedDocument(doc, 150, 70, 7);
        EXPECT_TRUE(FlattenDocument(doc, shown));
        const std::string path = Path("layered.tvl");
        EXPECT_TRUE(SaveImage(doc, path));
        return path;
    }

    static std::vector<uint32_t> ReadPngFile(const std::string& path, int& w, int& h) {
        std::vector<uint32_t> flat;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        EXPECT_TRUE(file && ReadPng(file, w, h, flat));
        if (file) std::fclose(file);
        return flat;
    }

    fs::path folder_;
};

TEST_F(Conversion, LayeredToFlatGivesThePictureAsShownAndBackToLayered) {
    std::vector<uint32_t> shown;
    const std::string tvl = LayeredFile(shown);

    const Outcome toPng = Invoke({"--export", tvl, Path("flat.png")});
    ASSERT_TRUE(toPng.handled);
    ASSERT_EQ(toPng.exitCode, 0) << toPng.err;
    EXPECT_TRUE(toPng.out.empty() && toPng.err.empty());
    int w = 0, h = 0;
    const std::vector<uint32_t> png = ReadPngFile(Path("flat.png"), w, h);
    ASSERT_EQ(w, 150);
    ASSERT_EQ(h, 70);
    // The picture has transparent pixels, so the PNG keeps alpha; where a
    // pixel is wholly transparent its colour is not kept.
    for (size_t i = 0; i < png.size(); ++i) {
        ASSERT_EQ(png[i] >> 24, shown[i] >> 24) << "pixel " << i;
        if (shown[i] >> 24) {
            ASSERT_EQ(png[i] & 0xFFFFFF, shown[i] & 0xFFFFFF) << "pixel " << i;
        }
    }

    // And on through the other formats: the JPEG is lossy, so only its size
    // is checked; the PNG made from the layered copy equals the first.
    ASSERT_EQ(Invoke({"--export", Path("flat.png"), Path("flat.jpg")}).exitCode, 0);
    ASSERT_EQ(Invoke({"--export", Path("flat.jpg"), Path("again.tvl")}).exitCode, 0);
    ASSERT_EQ(Invoke({"--export", Path("flat.png"), Path("copy.tvl")}).exitCode, 0);
    ASSERT_EQ(Invoke({"--export", Path("copy.tvl"), Path("copy.PNG")}).exitCode, 0);
    int cw = 0, ch = 0;
    const std::vector<uint32_t> copy = ReadPngFile(Path("copy.PNG"), cw, ch);
    ASSERT_EQ(copy.size(), png.size());
    int worst = 0, differing = 0;
    for (size_t i = 0; i < png.size(); ++i) {
        if (copy[i] == png[i]) continue;
        ++differing;
        for (int shift = 0; shift < 32; shift += 8)
            worst = std::max(worst, std::abs(int((copy[i] >> shift) & 0xFF) - int((png[i] >> shift) & 0xFF)));
    }
    EXPECT_EQ(differing, 0) << "largest difference " << worst;
    Document fromJpeg;
    ASSERT_TRUE(LoadImage(fromJpeg, Path("again.tvl")));
    EXPECT_EQ(fromJpeg.width, 150);
    EXPECT_EQ(fromJpeg.height, 70);
}

TEST_F(Conversion, FailuresSayWhyOnOneLineAndLeaveTheTargetAlone) {
    std::vector<uint32_t> shown;
    const std::string tvl = LayeredFile(shown);
    ASSERT_TRUE(samples::WriteFileBytes(Path("damaged.png"), {0x89, 'P', 'N', 'G', 1, 2, 3}));
    ASSERT_TRUE(samples::WriteFileBytes(Path("picture.bmp"), {'B', 'M', 0, 0}));
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    const struct {
        std::string in, out, reason;
    } cases[] = {
        {Path("missing.tvl"), Path("old.png"), "no such file"},
        {Path("damaged.png"), Path("old.png"), "damaged"},
        {Path("picture.bmp"), Path("old.png"), "unknown file type"},
        {tvl, Path("old.xyz"), "unknown file type"},
        {tvl, Path("no-such-folder/out.png"), "cannot write"},
    };
    for (const auto& c : cases) {
        const bool existed = fs::exists(fs::path(c.out).parent_path());
        if (existed) {
            ASSERT_TRUE(samples::WriteFileBytes(c.out, old));
        }
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"--export", c.in, c.out}, {"--thumbnail", c.in, c.out, "32"}}) {
            if (arguments[0] == "--thumbnail" && c.out == Path("old.xyz")) continue;  // thumbnails are PNG whatever the name
            const Outcome o = Invoke(arguments);
            ASSERT_TRUE(o.handled);
            EXPECT_EQ(o.exitCode, kExitFailed) << c.in << " -> " << c.out;
            EXPECT_NE(o.err.find(c.reason), std::string::npos) << o.err;
            EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
            if (existed) {
                EXPECT_EQ(samples::ReadFileBytes(c.out), old) << c.out;
            } else {
                EXPECT_FALSE(fs::exists(c.out));
            }
        }
    }
}

TEST_F(Conversion, ThumbnailsFitTheSizeAndShowThePicture) {
    std::vector<uint32_t> shown;
    const std::string tvl = LayeredFile(shown);
    ASSERT_EQ(Invoke({"--thumbnail", tvl, Path("thumb.png"), "50"}).exitCode, 0);
    int w = 0, h = 0;
    const std::vector<uint32_t> thumb = ReadPngFile(Path("thumb.png"), w, h);
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 23);  // 70 * 50 / 150, rounded
    std::vector<uint32_t> expected;
    int ew = 0, eh = 0;
    ASSERT_TRUE(ShrinkToFit(shown, 150, 70, 50, expected, ew, eh));
    ASSERT_EQ(expected.size(), thumb.size());
    for (size_t i = 0; i < thumb.size(); ++i) ASSERT_EQ(thumb[i] & 0xFFFFFF, expected[i] & 0xFFFFFF) << i;

    // A picture smaller than the size keeps its own.
    ASSERT_EQ(Invoke({"--thumbnail", tvl, Path("big.png"), "256"}).exitCode, 0);
    ReadPngFile(Path("big.png"), w, h);
    EXPECT_EQ(w, 150);
    EXPECT_EQ(h, 70);
}

uint32_t Grey(int v) { return 0xFF000000u | uint32_t(v) * 0x010101u; }

TEST(ShrinkToFit, AveragesTheAreaEachPixelCovers) {
    // Three pixels into two: each output pixel covers one and a half.
    std::vector<uint32_t> out;
    int w = 0, h = 0;
    ASSERT_TRUE(ShrinkToFit({Grey(0), Grey(90), Grey(180)}, 3, 1, 2, out, w, h));
    ASSERT_EQ(w, 2);
    ASSERT_EQ(h, 1);
    EXPECT_EQ(out[0], Grey(30));   // (0 + 90 / 2) / 1.5
    EXPECT_EQ(out[1], Grey(150));  // (90 / 2 + 180) / 1.5

    // Two by two into one: alpha averages like the colours.
    ASSERT_TRUE(ShrinkToFit({0xFF0000FFu, 0x00000000u, 0xFFFF0000u, 0xFF00FF00u}, 2, 2, 1, out, w, h));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], 0xBF404040u);

    // Tall pictures fit by their height; nothing shrinks below a pixel.
    std::vector<uint32_t> tall(size_t(1) * 400, Grey(7));
    ASSERT_TRUE(ShrinkToFit(tall, 1, 400, 100, out, w, h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 100);
    EXPECT_EQ(out[50], Grey(7));
    EXPECT_FALSE(ShrinkToFit({Grey(1)}, 2, 1, 1, out, w, h));
}

}  // namespace
