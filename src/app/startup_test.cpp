#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/program.h"
#include "platform/fake/fake_platform.h"
#include "platform/program_path.h"

namespace {

struct LineCase {
    const char* commandLine;
    const char* file;
};

class CommandLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLine, NamesTheFileToOpen) { EXPECT_EQ(CommandLineFile(GetParam().commandLine), GetParam().file); }

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLine,
    ::testing::Values(LineCase{"", ""}, LineCase{"picture.tvl", "picture.tvl"},
                      LineCase{"C:\\My Pictures\\cat.png", "C:\\My Pictures\\cat.png"},
                      LineCase{"\"C:\\My Pictures\\cat.png\" --ignored", "C:\\My Pictures\\cat.png"},
                      LineCase{"\"unterminated name.png", "unterminated name.png"}, LineCase{"\"\"", ""}));

TEST(RunProgram, AWindowThatCannotBeMadeEndsTheProgramAtOnce) {
    platform::fake::Reset();
    ResetAppState();
    platform::fake::State().windowCreationFails = true;
    EXPECT_EQ(RunProgram(""), 0);
    EXPECT_EQ(platform::fake::State().pumps, 0);
}

TEST(RunProgram, StartsMaximizedAtTheDefaultPlacementAndEndsOnClose) {
    platform::fake::Reset();
    ResetAppState();
    app.window.width = 123;  // overwritten by the defaults
    auto& os = platform::fake::State();
    os.onPump = [](platform::WindowState& w) { w.closeRequested = true; };
    EXPECT_EQ(RunProgram("\"some file.tvl\""), 0);
    // The window is made as "Orvella"; a file that cannot be loaded leaves
    // the new document, which the title then names.
    EXPECT_EQ(os.title, "Orvella 0.25 - New image");
    EXPECT_EQ(app.window.width, 950);
    EXPECT_EQ(app.window.height, 650);
    EXPECT_TRUE(app.window.maximized);
    EXPECT_EQ(app.startupFile, "some file.tvl");
    EXPECT_EQ(ProgramDirectory(), "/fake/bin/");
    EXPECT_FALSE(os.windowOpen);
    EXPECT_TRUE(os.questions.empty());
}

// A file named at start-up that cannot be opened gets the open command's
// message; the program goes on with a new document.
struct StartupFileCase {
    const char* name;
    const char* contents;  // null: no such file
    const char* error;
};

class StartupFile : public ::testing::TestWithParam<StartupFileCase> {};

TEST_P(StartupFile, ThatCannotBeOpenedIsReported) {
    const StartupFileCase& c = GetParam();
    const std::string path = ::testing::TempDir() + "orvella_startup_" + c.name + ".png";
    std::remove(path.c_str());
    if (c.contents) std::ofstream(path, std::ios::binary) << c.contents;
    platform::fake::Reset();
    ResetAppState();
    auto& os = platform::fake::State();
    os.onPump = [](platform::WindowState& w) { w.closeRequested = true; };
    EXPECT_EQ(RunProgram(path), 0);
    std::remove(path.c_str());
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].title, "Error");
    EXPECT_EQ(os.errors[0].text, c.error);
    EXPECT_EQ(os.title, "Orvella 0.25 - New image");
}

INSTANTIATE_TEST_SUITE_P(Files, StartupFile,
                         ::testing::Values(StartupFileCase{"Missing", nullptr, "File not found"},
                                           // A chunk that runs past the end of the file.
                                           StartupFileCase{"Damaged", "\x89PNG\r\n\x1a\nnot really",
                                                           "Unknown file format\nThe file is truncated."},
                                           StartupFileCase{"Empty", "", "Unknown file format\nThe file is truncated."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunProgram, ReturnsTheExitCodeOfTheQuitMessage) {
    platform::fake::Reset();
    ResetAppState();
    platform::fake::State().onPump = [](platform::WindowState& w) {
        w.quit = true;
        w.exitCode = 7;
    };
    EXPECT_EQ(RunProgram(""), 7);
}

}  // namespace
