#include "app/file_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/commands.h"
#include "fileio/image_file.h"
#include "fileio/safe_file.h"
#include "fileio/test_images.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "image/document_test_support.h"
#include "image/undo.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_platform.h"

namespace {

namespace fs = std::filesystem;
using platform::fake::DialogAnswer;

class FileCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::Reset();
        ResetAppState();
        app.documentPath.clear();
        for (std::string& name : app.dialogNames) name.clear();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        ASSERT_TRUE(platform::CreateMainWindow("Orvella", app.window, 32));
        ASSERT_TRUE(NewDocument(app.document, 200, 150));
        ExitAnimation(app.document);
        app.document.layeredFile = false;
        dir = fs::path(::testing::TempDir()) /
              ("orvella-files-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        ReleaseDocument(app.document);
        FreeThreadScratch();
        platform::DestroyMainWindow();
        fs::remove_all(dir);
    }
    std::string File(const char* name) { return (dir / name).string(); }
    void Choose(const std::string& path) { os.dialogAnswers.push_back(DialogAnswer{true, path}); }
    void Run(const char* command) {
        PostCommand(command);
        ASSERT_TRUE(DispatchCommands());
    }
    platform::fake::Recorder& os = platform::fake::State();
    fs::path dir;
};

TEST(WindowTitle, ShowsTheFileNameAndItsState) {
    struct Case {
        const char* path;
        bool modified, flat;
        const char* title;
    };
    const Case cases[] = {
        {"", false, false, "Orvella 0.25 - New image"},
        {"C:\\art\\sketch.tvl", true, true, "Orvella 0.25 - sketch.tvl * (saved flat copy)"},
        {"/home/a/walk.png", true, false, "Orvella 0.25 - walk.png *"},
        {"plain.jpg", false, false, "Orvella 0.25 - plain.jpg"},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowTitle(c.path, c.modified, c.flat), c.title) << c.path;
}

TEST_F(FileCommandsTest, OnlyTheLaterOfTwoCommandsRuns) {
    PostCommand("saveas");
    PostCommand("new-dimensions");
    ASSERT_TRUE(DispatchCommands());
    EXPECT_TRUE(os.dialogs.empty());
    EXPECT_TRUE(app.newCanvasDialogRequested);
    EXPECT_TRUE(app.pendingCommand.empty());
}

TEST_F(FileCommandsTest, ExitEndsTheProgram) {
    PostCommand("exit");
    EXPECT_FALSE(DispatchCommands());
}

TEST_F(FileCommandsTest, OpeningAMissingFileSaysSoAndKeepsTheDocument) {
    app.document.modified = true;
    Choose(File("nothing-here.tvl"));
    Run("open");
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].text, "File not found");
    EXPECT_EQ(app.document.width, 200);
    EXPECT_TRUE(app.document.modified);
    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.questions[0].title, "Confirm open image");
}

TEST_F(FileCommandsTest, ADamagedFileIsAnUnknownFormatAndChangesNothing) {
    std::ofstream(File("bad.tvl"), std::ios::binary) << "not a layered file";
    Choose(File("bad.tvl"));
    Run("open");
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].text, "Unknown file format");
    EXPECT_TRUE(app.documentPath.empty());
}

// What the open command says under its first line where the file code knows
// why: a file that ends early, a kind of JPEG the library does not decode, a
// name of no known kind.
TEST_F(FileCommandsTest, AFileThatCannotBeOpenedSaysWhyWhereItIsKnown) {
    std::vector<uint8_t> rgb(16 * 16 * 3, 90);
    const std::vector<uint8_t> jpeg = samples::EncodeJpeg(16, 16, 3, rgb);
    const std::vector<uint8_t> png = samples::EncodePng(samples::Png(2, 1, samples::kRgb, 8, {1, 2, 3, 4, 5, 6}));
    // The frame header's marker and precision, patched.
    auto withFrame = [&jpeg](uint8_t marker, uint8_t precision) {
        std::vector<uint8_t> b = jpeg;
        for (size_t i = 0; i + 4 < b.size(); ++i)
            if (b[i] == 0xFF && b[i + 1] == 0xC0) {
                b[i + 1] = marker;
                b[i + 4] = precision;
                break;
            }
        return b;
    };
    const std::string unsupported =
        "Unknown file format\nThis kind of JPEG (12-bit, lossless or hierarchical) is not supported.";
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    } cases[] = {
        {"cut.png", std::vector<uint8_t>(png.begin(), png.end() - 20), "Unknown file format\nThe file is truncated."},
        {"cut.jpg", std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() * 2 / 3)),
         "Unknown file format\nThe file is truncated."},
        {"12-bit.jpg", withFrame(0xC1, 12), unsupported},
        {"lossless.jpg", withFrame(0xC3, 8), unsupported},
        {"picture.gif", png, "Unknown file format\nOnly .tvl, .ora, .png, .jpg and .jpeg files are known."},
        {"text.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'}, "Unknown file format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(samples::WriteFileBytes(File(c.name), c.bytes));
        os.errors.clear();
        Choose(File(c.name));
        Run("open");
        ASSERT_EQ(os.errors.size(), 1u);
        EXPECT_EQ(os.errors[0].text, c.message);
        EXPECT_EQ(app.document.width, 200);
    }
}

TEST_F(FileCommandsTest, AFailedSaveSaysWhyWhereItIsKnown) {
    auto saveAs = [&](const std::string& path) {
        os.errors.clear();
        Choose(path);
        Run("saveas");
        return os.errors.empty() ? std::string() : os.errors[0].text;
    };
    EXPECT_EQ(saveAs(File("picture.gif")), "Save failed\nOnly .tvl, .ora, .png, .jpg and .jpeg files are known.");

    // Writes fail as on a full disk, where the system has a full device to
    // stand in for one.
    if (fs::exists("/dev/full")) {
        FailSafeFileWritesForTesting(true);
        for (const char* name : {"full.png", "full.tvl", "full.jpg"}) {
            EXPECT_EQ(saveAs(File(name)), "Save failed\nThe disk is full.") << name;
        }
        FailSafeFileWritesForTesting(false);
    }

    // A folder that takes no new files; an administrator's process may
    // write there all the same, and then there is nothing to see.
    const fs::path locked = dir / "locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    const bool enforced = !std::ofstream((locked / "probe").string()).is_open();
    if (enforced) {
        EXPECT_EQ(saveAs((locked / "x.png").string()), "Save failed\nPermission denied.");
    }
    fs::permissions(locked, fs::perms::owner_all, fs::perm_options::replace);
    if (!enforced) GTEST_SKIP() << "this process may write into read-only folders (an administrator's)";
}

TEST_F(FileCommandsTest, AnOpenRasterFileWithTooManyLayersIsRefusedWithItsReason) {
    ASSERT_TRUE(samples::WriteFileBytes(File("many.ora"), samples::OraWithLayers(kMaxLayers + 1)));
    Choose(File("many.ora"));
    Run("open");
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_NE(os.errors[0].text.find("more than 128 layers"), std::string::npos) << os.errors[0].text;
    EXPECT_EQ(app.document.width, 200);
    EXPECT_EQ(app.document.layerCount, 1);
    EXPECT_TRUE(app.documentPath.empty());

    // As many as the program holds open.
    ASSERT_TRUE(samples::WriteFileBytes(File("full.ora"), samples::OraWithLayers(kMaxLayers)));
    Choose(File("full.ora"));
    Run("open");
    EXPECT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(app.document.layerCount, kMaxLayers);
    EXPECT_EQ(app.documentPath, File("full.ora"));
}

// OpenRaster holds every layer but one frame of each: an animation saved as
// .ora is a flat copy, a still picture the file itself.
TEST_F(FileCommandsTest, OpenRasterSavesAStillPictureWholeAndAnAnimationAsACopy) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    Choose(File("still.ora"));
    Run("saveas");
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(app.documentPath, File("still.ora"));
    EXPECT_EQ(os.title, "Orvella 0.25 - still.ora");

    EnterAnimation(app.document);
    ASSERT_TRUE(AddFrame(app.document));
    ASSERT_TRUE(ToggleLayerAnimated(app.document, 1));
    Choose(File("walk.ora"));
    Run("saveas");
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(fs::exists(File("walk.ora")));
    EXPECT_EQ(app.documentPath, File("still.ora"));
    EXPECT_NE(os.title.find("(saved flat copy)"), std::string::npos) << os.title;
}

// A JPEG with part of its data lost opens for what can be seen, unnamed and
// said to be damaged, so a Ctrl+S cannot quietly replace the original.
TEST_F(FileCommandsTest, ADamagedJpegOpensUnnamedAndSaysSo) {
    doctest::PaintLayer(app.document, 0, 5);
    ASSERT_TRUE(SaveImage(app.document, File("photo.jpg")));
    std::ifstream in(File("photo.jpg"), std::ios::binary);
    const std::vector<uint8_t> damaged =
        samples::JpegWithDataLost(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
    ASSERT_FALSE(damaged.empty());
    ASSERT_TRUE(samples::WriteFileBytes(File("photo.jpg"), damaged));

    Choose(File("photo.jpg"));
    Run("open");
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_NE(os.errors[0].text.find("damaged"), std::string::npos) << os.errors[0].text;
    EXPECT_EQ(app.document.width, 200) << "what could be read is shown";
    EXPECT_TRUE(app.documentPath.empty());
    EXPECT_TRUE(app.document.modified);
    EXPECT_EQ(os.title, "Orvella 0.25 - New image *");

    Run("save");  // asks for a name; cancelled
    EXPECT_EQ(os.dialogs.size(), 2u);
    EXPECT_EQ(samples::ReadFileBytes(File("photo.jpg")), damaged);
}

TEST_F(FileCommandsTest, SaveAsThenOpenRoundTripsAndNamesTheWindow) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    app.document.modified = true;
    Choose(File("art.tvl"));
    Run("saveas");
    EXPECT_EQ(app.documentPath, File("art.tvl"));
    EXPECT_FALSE(app.document.modified);
    EXPECT_EQ(os.title, "Orvella 0.25 - art.tvl");

    // A layered file saves again without asking, even with several layers.
    app.document.modified = true;
    Run("save");
    EXPECT_EQ(os.dialogs.size(), 1u);
    EXPECT_FALSE(app.document.modified);

    ASSERT_TRUE(NewDocument(app.document, 50, 50));
    Choose(File("art.tvl"));
    Run("open");
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(app.document.width, 200);
    EXPECT_EQ(app.document.layerCount, 2);
    EXPECT_TRUE(app.document.layeredFile);
}

TEST_F(FileCommandsTest, AOneLayerDocumentWithAPathSavesWithoutADialog) {
    app.documentPath = File("one.png");
    app.document.modified = true;
    Run("save");
    EXPECT_TRUE(os.dialogs.empty());
    EXPECT_TRUE(fs::exists(File("one.png")));
    EXPECT_FALSE(app.document.modified);
}

TEST_F(FileCommandsTest, SeveralLayersToAFlatFileAskAndKeepTheDocumentModified) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    ASSERT_TRUE(AddLayer(app.document, 1));
    app.documentPath = File("old.tvl");
    app.document.modified = true;
    Choose(File("copy.png"));
    Run("save");
    ASSERT_EQ(os.dialogs.size(), 1u);
    EXPECT_TRUE(os.dialogs[0].save);
    EXPECT_EQ(os.dialogs[0].type, platform::kFilesSave);
    EXPECT_EQ(app.documentPath, File("old.tvl"));
    EXPECT_TRUE(app.document.modified);
    EXPECT_TRUE(app.document.flatCopy);
    EXPECT_EQ(os.title, "Orvella 0.25 - old.tvl * (saved flat copy)");
}

TEST_F(FileCommandsTest, AFailedSaveSaysSoAndLeavesTheStateAlone) {
    app.document.modified = true;
    Choose(File("no-such-folder/x.png"));
    Run("saveas");
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].text, "Save failed");
    EXPECT_TRUE(app.document.modified);
    EXPECT_TRUE(app.documentPath.empty());
}

TEST_F(FileCommandsTest, RevertWithoutAFileDoesNothing) {
    platform::fake::ResetInput();
    app.input = platform::CreateStickInput();
    platform::fake::Hold({platform::kKeyR});
    platform::PollInput(app.input);
    Run("open");
    platform::DestroyStickInput(app.input);
    app.input = nullptr;
    EXPECT_TRUE(os.dialogs.empty());
    EXPECT_TRUE(os.questions.empty());
}

TEST_F(FileCommandsTest, ExportFullRepeatsFramesByTheirDurations) {
    EnterAnimation(app.document);
    ASSERT_TRUE(AddFrame(app.document));
    app.document.durations[0] = 0;
    app.document.durations[1] = 3;
    Choose(File("walk.png"));
    ExportFrames(true);
    EXPECT_TRUE(fs::exists(File("walk001.png")));
    EXPECT_TRUE(fs::exists(File("walk003.png")));
    EXPECT_FALSE(fs::exists(File("walk004.png")));
    EXPECT_EQ(app.document.currentFrame, 1);
}

// Exporting again over earlier frames asks once for all of them; Cancel
// leaves every file as it was.
TEST_F(FileCommandsTest, ExportAsksOnceBeforeReplacingNumberedFiles) {
    EnterAnimation(app.document);
    ASSERT_TRUE(AddFrame(app.document));
    const std::string earlier = "earlier";
    std::ofstream(File("walk002.png")) << earlier;
    for (bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "OK" : "Cancel");
        os.questions.clear();
        os.answers = {replace};
        Choose(File("walk.png"));
        ExportFrames(false);
        ASSERT_EQ(os.questions.size(), 1u);
        EXPECT_EQ(os.questions[0].title, "Confirm overwrite");
        EXPECT_EQ(fs::exists(File("walk001.png")), replace);
        EXPECT_EQ(fs::file_size(File("walk002.png")) != earlier.size(), replace);
    }
    os.questions.clear();
    Choose(File("fresh.png"));
    ExportFrames(false);
    EXPECT_TRUE(os.questions.empty()) << "nothing to replace, nothing to ask";
    EXPECT_TRUE(fs::exists(File("fresh002.png")));
}

// A failed write says so once and ends the export; it used to go on in
// silence, file after file.
TEST_F(FileCommandsTest, AFailedExportSaysSoOnce) {
    EnterAnimation(app.document);
    ASSERT_TRUE(AddFrame(app.document));
    app.document.durations[0] = app.document.durations[1] = kMaxFrameDuration;
    Choose(File("missing-folder/walk.png"));
    ExportFrames(true);
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].text, "Export failed");
    EXPECT_EQ(app.document.currentFrame, 1);
}

TEST_F(FileCommandsTest, FramesAreNeverExportedAsLayeredFiles) {
    EnterAnimation(app.document);
    Choose(File("walk.Tvl"));
    ExportFrames(false);
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].text, "Can't export animation frames in TVL format");
    EXPECT_FALSE(fs::exists(File("walk001.Tvl")));
}

// OpenRaster frames hold each frame's layers; the document's file state stays.
TEST_F(FileCommandsTest, FramesExportAsOpenRasterFilesWithTheirLayers) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    EnterAnimation(app.document);
    ASSERT_TRUE(AddFrame(app.document));
    ASSERT_TRUE(ToggleLayerAnimated(app.document, 1));
    app.document.layeredFile = true;
    Choose(File("walk.ora"));
    ExportFrames(false);
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(app.document.layeredFile);
    for (const char* name : {"walk001.ora", "walk002.ora"}) {
        Document frame;
        ASSERT_TRUE(LoadImage(frame, File(name))) << name;
        EXPECT_EQ(frame.layerCount, 2) << name;
        ReleaseDocument(frame);
    }
}

TEST_F(FileCommandsTest, AClipboardBitmapBecomesTheDocument) {
    // A 3 x 2 32-bit bottom-up bitmap: the last row in the data is the top one.
    std::vector<uint8_t> dib(40 + 3 * 2 * 4, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dib[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, 3);
    put32(8, 2);
    dib[12] = 1;
    dib[14] = 32;
    dib[40 + 12 + 2] = 255;  // top row, first pixel: red
    os.clipboardDib = dib;
    app.documentPath = File("old.tvl");
    ASSERT_TRUE(PasteImageFromClipboard(false));
    ASSERT_TRUE(PasteImageFromClipboard(true));
    EXPECT_EQ(app.document.width, 3);
    EXPECT_EQ(app.document.height, 2);
    EXPECT_TRUE(app.documentPath.empty());
    EXPECT_EQ(os.title, "Orvella 0.25 - New image");
    ColorRecord c;
    LayerTile* tile = app.document.stacks[0];
    ASSERT_TRUE(tile->pixels->GetPixel(0 - tile->x0, 0 - tile->y0, &c));
    ToDisplay(c);
    EXPECT_EQ(c.value[0], 255);
    EXPECT_EQ(c.value[1], 0);
}

TEST_F(FileCommandsTest, TheNoFilterCommandStillTakesAStepAndMarksTheDocument) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    app.document.currentLayer = 1;
    Run("filter 2");
    EXPECT_EQ(UndoDepth(app.document), 1);
    EXPECT_TRUE(app.document.modified);
    Run("filter 7");
    EXPECT_EQ(UndoDepth(app.document), 1);
}

TEST_F(FileCommandsTest, LeavingAnimationAsksFirst) {
    EnterAnimation(app.document);
    os.answers = {false};
    Run("animexit");
    EXPECT_TRUE(app.document.animationMode);
    Run("animexit");
    EXPECT_FALSE(app.document.animationMode);
    EXPECT_EQ(os.questions[0].title, "Confirm exit animation mode");
}

}  // namespace
