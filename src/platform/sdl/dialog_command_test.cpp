#include "platform/sdl/dialog_command.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

using platform::sdl::DialogArguments;
using platform::sdl::DialogProgram;
using platform::sdl::DialogRequest;
using Args = std::vector<std::string>;

const char kSupported[] =
    "--file-filter=Supported files (*.tvl, *.ora, *.png, *.jpg, *.jpeg) | *.[tT][vV][lL] *.[oO][rR][aA] "
    "*.[pP][nN][gG] *.[jJ][pP][gG] *.[jJ][pP][eE][gG]";
const char kLayered[] = "--file-filter=Velloran GL (*.tvl) | *.[tT][vV][lL]";
const char kOra[] = "--file-filter=OpenRaster (*.ora) | *.[oO][rR][aA]";
const char kPng[] = "--file-filter=Portable Network Graphics (*.png) | *.[pP][nN][gG]";
const char kJpeg[] = "--file-filter=JPEG (*.jpg, *.jpeg) | *.[jJ][pP][gG] *.[jJ][pP][eE][gG]";
const char kAll[] = "--file-filter=All Files (*.*) | *";

struct ZenityCase {
    const char* what;
    int type;
    bool save;
    const char* offeredName;
    unsigned long parentWindow;
    Args expected;
};

TEST(ZenityArguments, TitleModeNameAndFiltersEachInOneArgument) {
    const ZenityCase cases[] = {
        {"open, nothing offered", platform::kFilesOpen, false, "", 0,
         {"zenity", "--file-selection", "--title=Open", kSupported, kLayered, kOra, kPng, kJpeg, kAll}},
        {"save, a name with spaces and quotes", platform::kFilesSave, true, "/home/ann/My \"best\" 'art'.tvl", 0,
         {"zenity", "--file-selection", "--title=Save As", "--save", "--confirm-overwrite",
          "--filename=/home/ann/My \"best\" 'art'.tvl", kLayered, kOra, kPng, kJpeg}},
        {"export frames, a name that looks like options", platform::kFilesExport, true, "-rf --help; $(x).png", 0,
         {"zenity", "--file-selection", "--title=Save As", "--save", "--confirm-overwrite",
          "--filename=-rf --help; $(x).png", kPng, kJpeg, kOra}},
        {"open above the main window", platform::kFilesOpen, false, "a.png", 0x1a00007,
         {"zenity", "--file-selection", "--title=Open", "--filename=a.png", kSupported, kLayered, kOra, kPng, kJpeg, kAll,
          "--modal", "--attach=27262983"}},
    };
    for (const ZenityCase& c : cases) {
        const DialogRequest request = {c.type, c.save, c.offeredName, c.parentWindow};
        EXPECT_EQ(DialogArguments(DialogProgram::kZenity, "zenity", request), c.expected) << c.what;
    }
}

TEST(KdialogArguments, StartIsNeverReadAsAnOption) {
    const Args open =
        DialogArguments(DialogProgram::kKdialog, "/usr/bin/kdialog", {platform::kFilesExport, false, "", 0});
    EXPECT_EQ(open, (Args{"/usr/bin/kdialog", "--title", "Open", "--getopenfilename", ".",
                          "*.png|Portable Network Graphics (*.png)\n*.jpg *.jpeg|JPEG (*.jpg, *.jpeg)\n*.ora|OpenRaster (*.ora)"}));

    const Args save =
        DialogArguments(DialogProgram::kKdialog, "kdialog", {platform::kFilesOpen, true, "--version x.tvl", 42});
    ASSERT_EQ(save.size(), 8u);
    EXPECT_EQ(Args(save.begin(), save.begin() + 7),
              (Args{"kdialog", "--title", "Save As", "--attach", "42", "--getsavefilename", "./--version x.tvl"}));
    EXPECT_EQ(save[7].substr(save[7].rfind('\n') + 1), "*|All Files (*.*)");
}

TEST(DialogArguments, UnknownTypeAsksNothing) {
    for (DialogProgram program : {DialogProgram::kZenity, DialogProgram::kKdialog})
        EXPECT_TRUE(DialogArguments(program, "zenity", {7, false, "a.png", 0}).empty());
}

struct OutputCase {
    int status;
    const char* output;
    bool chosen;
    const char* path;
};

TEST(ChosenPath, OnlyASuccessfulNonEmptyAnswerChoosesAndOnlyTheLastNewlineGoes) {
    const OutputCase cases[] = {
        {0, "/tmp/a b.png\n", true, "/tmp/a b.png"},
        {0, "/tmp/ends in space \n", true, "/tmp/ends in space "},
        {0, "/tmp/no newline.tvl", true, "/tmp/no newline.tvl"},
        {0, "\n", false, "untouched"},
        {0, "", false, "untouched"},
        {1, "", false, "untouched"},  // cancelled
        {1, "/tmp/x.png\n", false, "untouched"},
        {255, "/tmp/x.png\n", false, "untouched"},  // the program failed
    };
    for (const OutputCase& c : cases) {
        std::string path = "untouched";
        EXPECT_EQ(platform::sdl::ChosenPath(c.status, c.output, path), c.chosen) << c.output;
        EXPECT_EQ(path, c.path) << c.output;
    }
}

}  // namespace
