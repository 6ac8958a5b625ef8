#include "platform/file_open.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

class FileOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / "file_open_test";
        std::error_code ec;
        fs::remove_all(dir_, ec);
        ASSERT_TRUE(fs::create_directories(dir_, ec)) << ec.message();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Utf8Name(const std::string& name) const { return Utf8FromPath(dir_) + "/" + name; }
    // The names the system lists in the folder, as the program sees them.
    std::set<std::string> Listed() const {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir_))
            names.insert(Utf8FromPath(entry.path().filename()));
        return names;
    }
    bool Write(const std::string& name, const std::string& bytes) const {
        std::FILE* file = OpenFile(Utf8Name(name), "wb");
        if (!file) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        return std::fclose(file) == 0 && ok;
    }
    std::string Read(const std::string& name) const {
        std::FILE* file = OpenFile(Utf8Name(name), "rb");
        if (!file) return "(cannot open)";
        std::string bytes;
        char buffer[64];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
        std::fclose(file);
        return bytes;
    }
    fs::path dir_;
};

// Names in scripts no single code page holds: each must reach the disk
// under its own name and come back from it.
TEST_F(FileOpenTest, NamesInAnyScriptRoundTrip) {
    const char* const names[] = {"\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl",  // эскиз.tvl
                                 "\xE8\x8D\x89\xE7\xA8\xBF.png",                  // 草稿.png
                                 "skizze-\xC3\xA4.tvl",                           // skizze-ä.tvl
                                 "\xE2\x82\xAC \xC5\x92.jpg",                     // € Œ.jpg
                                 "plain.png"};
    std::set<std::string> expected;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Write(name, std::string("bytes of ") + name));
        EXPECT_EQ(Read(name), std::string("bytes of ") + name);
        EXPECT_TRUE(fs::exists(PathFromUtf8(Utf8Name(name))));
        expected.insert(name);
    }
    EXPECT_EQ(Listed(), expected);
}

// A look-alike conversion would make these one file and lose the first.
TEST_F(FileOpenTest, LookAlikeNamesStayApart) {
    ASSERT_TRUE(Write("skizze-a.tvl", "plain a"));
    ASSERT_TRUE(Write("skizze-\xC3\xA4.tvl", "a with dots"));
    EXPECT_EQ(Read("skizze-a.tvl"), "plain a");
    EXPECT_EQ(Read("skizze-\xC3\xA4.tvl"), "a with dots");
    EXPECT_EQ(Listed().size(), 2u);
}

TEST_F(FileOpenTest, PathsKeepTheirNameBothWays) {
    const std::string name = Utf8Name("\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl");
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(name).filename()), "\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl");
    EXPECT_EQ(PathFromUtf8(name).extension(), PathFromUtf8(".tvl"));
}

TEST_F(FileOpenTest, MissingFilesFailQuietly) {
    EXPECT_EQ(OpenFile(Utf8Name("absent.png"), "rb"), nullptr);
    EXPECT_EQ(OpenFile("", "rb"), nullptr);
}

}  // namespace
