#include "app/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/app_test_support.h"
#include "fileio/safe_file.h"
#include "platform/fake/fake_platform.h"
#include "platform/program_path.h"

namespace {

const char kWritten[] =
    "version 2\nwindow_width 1200\nwindow_height 800\nwindow_x 40\nwindow_y 30\nwindow_maximized 0\n"
    "show_overview 1\noverview_size 200\nshow_help 0\nshow_tooltips 0\ncolor_profile 4\n"
    "force_mouse_coordinates 1\nui_scale 150\nautosave_seconds 30\nundo_memory_mb 512\n"
    "brush_preset_1 250 40 80 1 0\nbrush_preset_2 100 100 100 0 0\nbrush_preset_3 12700 0 0 1 1\n"
    "brush_preset_4 2500 0 25 1 0\nbrush_preset_5 600 60 100 1 0\nbrush_preset_6 1800 95 100 1 0\n"
    "brush_preset_7 5000 30 100 1 0\nbrush_preset_8 12000 10 100 1 0\n";

TEST(Settings, WritesEveryKeyAndReadsThemBack) {
    Settings s;
    ParseSettings(kWritten, s);
    EXPECT_EQ(FormatSettings(s), kWritten);
    EXPECT_EQ(s.windowWidth, 1200);
    EXPECT_FALSE(s.windowMaximized);
    EXPECT_TRUE(s.showOverview);
    EXPECT_FALSE(s.showTooltips);
    EXPECT_EQ(s.colorProfile, 4);
    EXPECT_TRUE(s.forceMouseCoordinates);
    EXPECT_EQ(s.uiScale, 150);
    EXPECT_EQ(s.autosaveSeconds, 30);
    EXPECT_EQ(s.undoMemoryMb, 512);
    const BrushPreset first{2.5f, 0.4f, 0.8f, true, false}, pixel{1.0f, 1.0f, 1.0f, false, false};
    EXPECT_EQ(s.brushPresets[0], first);
    EXPECT_EQ(s.brushPresets[1], pixel);
    EXPECT_TRUE(s.brushPresets[2].pressureControlledSize);
}

// A file written before the presets existed still loads whole, the presets
// keeping their defaults; a preset from a damaged line keeps its default and
// values out of range are brought back into it.
TEST(Settings, BrushPresetsFromOlderOrDamagedFiles) {
    const std::string text = kWritten;
    const std::string older = text.substr(0, text.find("brush_preset_1"));
    Settings s;
    ParseSettings(older, s);
    EXPECT_TRUE(s.forceMouseCoordinates);
    EXPECT_EQ(s.brushPresets, DefaultBrushPresets());

    Settings t;
    ParseSettings(older + "brush_preset_1 99999 150 -20 1 0\nbrush_preset_2 300 50\nbrush_preset_3 100 10 100 1 0\n", t);
    EXPECT_EQ(t.brushPresets[0], (BrushPreset{127.0f, 0.99f, 0.0f, true, false}));
    EXPECT_EQ(t.brushPresets[1], DefaultBrushPresets()[1]);
    EXPECT_EQ(t.brushPresets[2], DefaultBrushPresets()[2]);  // the reading stopped before it
}

// A file from before the interface scale loads whole and leaves the scale to
// the display.
TEST(Settings, AFileWithoutTheScaleLoadsAndLeavesItUnchosen) {
    std::string old = kWritten;
    old.erase(old.find("ui_scale"));
    Settings s;
    ParseSettings(old, s);
    EXPECT_TRUE(s.forceMouseCoordinates);
    EXPECT_EQ(s.uiScale, 0);
}

// Files written before autosave existed end one key earlier.
TEST(Settings, AFileWithoutTheAutosaveKeyKeepsTheDefaultInterval) {
    std::string text = kWritten;
    text.erase(text.find("autosave_seconds"));
    Settings s;
    ParseSettings(text, s);
    EXPECT_EQ(s.uiScale, 150);
    EXPECT_EQ(s.autosaveSeconds, 120);
}

TEST(Settings, AnotherVersionLeavesEveryDefault) {
    std::string text = kWritten;
    text[8] = '1';
    Settings s;
    ParseSettings(text, s);
    EXPECT_EQ(FormatSettings(s), FormatSettings(Settings()));
}

TEST(Settings, ValuesTakeCsBasePrefixes) {
    Settings s;
    ParseSettings("version 2\nwindow_width 0x100\nwindow_height 0100\n", s);
    EXPECT_EQ(s.windowWidth, 256);
    EXPECT_EQ(s.windowHeight, 64);
}

TEST(Settings, ALineThatDoesNotMatchStopsTheReadingAndLaterKeysKeepTheirValues) {
    Settings s;
    s.showHelp = true;
    s.showTooltips = false;
    ParseSettings("version 2\nwindow_width 700\nwindow_height tall\nwindow_x 5\n", s);
    EXPECT_EQ(s.windowWidth, 700);
    EXPECT_EQ(s.windowHeight, 650);
    EXPECT_EQ(s.windowX, 0);
    // Keys never read keep what they were, true or false.
    EXPECT_TRUE(s.showHelp);
    EXPECT_FALSE(s.showTooltips);
}

TEST(Settings, NumbersBeyondAnIntAreNotTaken) {
    Settings s;
    ParseSettings("version 2\nwindow_width 99999999999\n", s);
    EXPECT_EQ(s.windowWidth, 950);
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        path = ::testing::TempDir() + "orvella-settings-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
        std::remove(path.c_str());
    }
    void TearDown() override {
        FailSafeFileWritesForTesting(false);
        std::remove(path.c_str());
    }
    std::string Contents() {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string path;
};

TEST_F(SettingsFile, AMissingFileLeavesTheDefaults) {
    Settings s;
    ReadSettings(path, s);
    EXPECT_EQ(FormatSettings(s), FormatSettings(Settings()));
}

TEST_F(SettingsFile, AFailedWriteKeepsTheOldFile) {
    Settings s;
    s.windowWidth = 1111;
    ASSERT_TRUE(WriteSettings(path, s));
    const std::string before = Contents();
    s.windowWidth = 2222;
    FailSafeFileWritesForTesting(true);
    EXPECT_FALSE(WriteSettings(path, s));
    EXPECT_EQ(Contents(), before);
    Settings read;
    ReadSettings(path, read);
    EXPECT_EQ(read.windowWidth, 1111);
}

// An installed program's folder takes no files: its settings go to the
// user's own folder and come back from there. A folder that does take them
// keeps config.txt beside the program, for portable use.
TEST(SettingsLocation, AProgramFolderThatTakesNoFilesSendsThemToTheUsersFolder) {
    namespace fs = std::filesystem;
    platform::fake::Reset();
    ResetAppState();
    const fs::path root = fs::path(::testing::TempDir()) / "orvella-settings-location";
    fs::remove_all(root);
    const fs::path user = root / "config-home" / "orvella", portable = root / "portable";
    fs::create_directories(portable);
    platform::fake::State().userSettingsFolder = user.string();
    app.window.maximized = false;

    SetProgramDirectory((root / "not-made" / "orvella").string());
    app.window.width = 1234;
    WriteSettingsAtExit();
    EXPECT_TRUE(fs::exists(user / "config.txt"));
    app.window.width = 640;
    LocateProgramAndReadSettings();
    EXPECT_EQ(app.window.width, 1234);

    SetProgramDirectory((portable / "orvella").string());
    WriteSettingsAtExit();
    EXPECT_TRUE(fs::exists(portable / "config.txt"));

    SetProgramDirectory(platform::ProgramFile());
    fs::remove_all(root);
}

// An installed program run by the administrator: its bin/ folder takes files,
// yet what the program wrote there would outlive the package, so the
// settings still go to the user's own folder.
TEST(SettingsLocation, AnInstalledProgramWritesNothingBesideItself) {
    namespace fs = std::filesystem;
    platform::fake::Reset();
    ResetAppState();
    const fs::path root = fs::path(::testing::TempDir()) / "orvella-settings-installed";
    fs::remove_all(root);
    const fs::path user = root / "config-home" / "orvella", bin = root / "usr" / "bin";
    fs::create_directories(bin);
    fs::create_directories(root / "usr" / "share" / "orvella");
    std::ofstream(root / "usr" / "share" / "orvella" / "font.tga") << "x";
    platform::fake::State().userSettingsFolder = user.string();

    SetProgramDirectory((bin / "orvella").string());
    FindDataDirectory("font.tga");
    ASSERT_TRUE(InstalledLayout());
    app.window.maximized = false;
    app.window.width = 1234;
    WriteSettingsAtExit();
    EXPECT_TRUE(fs::exists(user / "config.txt"));
    EXPECT_TRUE(fs::is_empty(bin));

    SetProgramDirectory(platform::ProgramFile());
    fs::remove_all(root);
}

}  // namespace
