#include "platform/program_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct PathCase {
    const char* programFile;
    bool ok;
    const char* directory;
};

class ProgramPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ProgramPathTest, DirectoryEndsWithItsSeparator) {
    const PathCase& c = GetParam();
    EXPECT_EQ(SetProgramDirectory(c.programFile), c.ok);
    EXPECT_EQ(ProgramDirectory(), c.directory);
    EXPECT_EQ(ProgramPath("config.txt"), std::string(c.directory) + "config.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProgramPathTest,
    ::testing::Values(PathCase{"C:\\Program Files\\Orvella\\orvella.exe", true, "C:\\Program Files\\Orvella\\"},
                      PathCase{"/usr/local/bin/orvella", true, "/usr/local/bin/"},
                      PathCase{"C:\\mixed/dir\\orvella.exe", true, "C:\\mixed/dir\\"},
                      PathCase{"orvella", false, ""}));

TEST(ProgramPath, LongDirectoriesAreKeptWhole) {
    const std::string dir = "/" + std::string(2000, 'd') + "/";
    ASSERT_TRUE(SetProgramDirectory(dir + "orvella"));
    EXPECT_EQ(ProgramPath("font.tga"), dir + "font.tga");
}

// The data files lie beside the program (a build folder, an unpacked zip) or
// in share/orvella/ beside its bin/ (an installation); beside wins when both
// hold them, and with neither the program looks beside itself.
TEST(DataDirectory, BesideTheProgramElseWhereAnInstallationPutsIt) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(::testing::TempDir()) / "orvella-data-directory";
    fs::remove_all(root);
    const fs::path bin = root / "prefix" / "bin", share = root / "prefix" / "share" / "orvella";
    fs::create_directories(bin);
    fs::create_directories(share);
    // The folders as the program file's name spells them (with Windows' separators there).
    const std::string program = (bin / "orvella").string();
    const std::string binDir = program.substr(0, program.size() - 7);
    const std::string prefix = (root / "prefix").string();
    const std::string installedDir = binDir.substr(0, prefix.size() + 1) + "share/orvella/";

    const struct {
        const char* what;
        bool beside, installed;
        std::string expected;
    } cases[] = {{"neither", false, false, binDir},
                 {"installed only", false, true, installedDir},
                 {"both", true, true, binDir},
                 {"beside only", true, false, binDir}};
    for (const auto& c : cases) {
        fs::remove(bin / "font.tga");
        fs::remove(share / "font.tga");
        if (c.beside) std::ofstream(bin / "font.tga") << "x";
        if (c.installed) std::ofstream(share / "font.tga") << "x";
        ASSERT_TRUE(SetProgramDirectory(program));
        FindDataDirectory("font.tga");
        EXPECT_EQ(DataDirectory(), c.expected) << c.what;
        EXPECT_EQ(DataPath("fontsmall.tga"), c.expected + "fontsmall.tga") << c.what;
        EXPECT_EQ(InstalledLayout(), c.expected != binDir) << c.what;
        EXPECT_EQ(ProgramPath("config.txt"), binDir + "config.txt") << c.what;
    }

    // A program at the top of the file system has no installation around it.
    ASSERT_TRUE(SetProgramDirectory("/orvella"));
    FindDataDirectory("font.tga");
    EXPECT_EQ(DataDirectory(), "/");
    EXPECT_FALSE(InstalledLayout());
    fs::remove_all(root);
}

}  // namespace
