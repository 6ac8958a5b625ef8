#include "platform/program_path.h"

#include <gtest/gtest.h>

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

}  // namespace
