#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/fileio_test_support.h"
#include "fileio/safe_file.h"
#include "fileio/test_images.h"

namespace {

using namespace fileiotest;

class SafeFileTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        target_ = Path("settings.txt");
        ASSERT_TRUE(samples::WriteFileBytes(target_, {'o', 'l', 'd'}));
    }
    std::string Target() const {
        const std::vector<uint8_t> bytes = samples::ReadFileBytes(target_);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string target_;
};

TEST_F(SafeFileTest, CommitReplacesTheTarget) {
    SafeFile out;
    ASSERT_TRUE(out.Open(target_));
    std::fputs("new", out.File());
    EXPECT_EQ(Target(), "old");  // nothing changes before the commit
    EXPECT_TRUE(out.Commit());
    EXPECT_EQ(Target(), "new");
    EXPECT_EQ(Entries(), std::vector<std::string>{"settings.txt"});
    EXPECT_FALSE(out.Commit());
}

TEST_F(SafeFileTest, CommitCreatesAMissingTarget) {
    SafeFile out;
    ASSERT_TRUE(out.Open(Path("fresh.txt")));
    std::fputs("hello", out.File());
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(samples::ReadFileBytes(Path("fresh.txt")), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(SafeFileTest, AbandoningKeepsTheOldFile) {
    {
        SafeFile out;
        ASSERT_TRUE(out.Open(target_));
        std::fputs("half", out.File());
        out.Abandon();
    }
    {
        SafeFile dropped;  // never committed
        ASSERT_TRUE(dropped.Open(target_));
        std::fputs("half", dropped.File());
    }
    EXPECT_EQ(Target(), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"settings.txt"});
}

TEST_F(SafeFileTest, FailedWritesKeepTheOldFile) {
    FailSafeFileWritesForTesting(true);
    SafeFile out;
    ASSERT_TRUE(out.Open(target_));
    std::fputs("new", out.File());
    EXPECT_FALSE(out.Commit());
    EXPECT_EQ(Target(), "old");
    EXPECT_EQ(Entries(), std::vector<std::string>{"settings.txt"});
}

TEST_F(SafeFileTest, TargetsThatCannotBeReplacedFail) {
    fs::create_directory(Path("folder"));
    SafeFile out;
    ASSERT_TRUE(out.Open(Path("folder")));
    EXPECT_FALSE(out.Commit());
    EXPECT_TRUE(fs::is_directory(Path("folder")));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"folder", "settings.txt"}));
    EXPECT_FALSE(out.Open(Path("missing/settings.txt")));
    EXPECT_FALSE(out.Open(""));
}

bool SaveText(const std::string& path, const char* text) {
    SafeFile out;
    if (!out.Open(path)) return false;
    std::fputs(text, out.File());
    return out.Commit();
}

// Any name the folder takes for a plain file can be saved under: the
// temporary name must not push it over the system's limit.
TEST_F(SafeFileTest, NamesAtTheSystemsLimitCanBeSaved) {
    std::string longest;
    for (size_t length = 255; length > 8 && longest.empty(); --length) {
        const std::string name = std::string(length - 4, 'n') + ".png";
        if (samples::WriteFileBytes(Path(name), {'o'})) longest = name;
    }
    ASSERT_FALSE(longest.empty());
    SCOPED_TRACE(longest.size());
    ASSERT_TRUE(SaveText(Path(longest), "new"));
    EXPECT_EQ(samples::ReadFileBytes(Path(longest)), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(SafeFileTest, ReplacingKeepsThePermissions) {
    fs::permissions(target_, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    const fs::perms before = fs::status(target_).permissions();
    ASSERT_TRUE(SaveText(target_, "new"));
    EXPECT_EQ(Target(), "new");
    EXPECT_EQ(fs::status(target_).permissions(), before);
}

TEST_F(SafeFileTest, ASymbolicLinkStaysALinkAndItsFileIsReplaced) {
    std::error_code ec;
    fs::create_symlink("settings.txt", Path("link.txt"), ec);
    if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
    ASSERT_TRUE(SaveText(Path("link.txt"), "new"));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(Path("link.txt"))));
    EXPECT_EQ(Target(), "new");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.txt", "settings.txt"}));
}

// A save killed before its commit leaves its temporary file; the next save
// of the same file clears it away, and leaves other files' alone.
TEST_F(SafeFileTest, LeftoversOfAnInterruptedSaveGoWithTheNextSave) {
    std::string leftover, other;
    for (auto [target, kept] : {std::pair{target_, &leftover}, std::pair{Path("other.txt"), &other}}) {
        SafeFile killed;
        ASSERT_TRUE(killed.Open(target));
        std::fputs("half", killed.File());
        std::fflush(killed.File());
        *kept = killed.TempPath();
        fs::copy_file(*kept, *kept + ".kept");
        killed.Abandon();
        fs::rename(*kept + ".kept", *kept);
    }
    const std::string older = target_ + ".~0123456789ab.tmp";  // named as earlier versions did
    ASSERT_TRUE(samples::WriteFileBytes(older, {'h', 'a', 'l', 'f'}));
    ASSERT_EQ(Entries().size(), 4u);

    ASSERT_TRUE(SaveText(target_, "new"));
    EXPECT_EQ(Target(), "new");
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_FALSE(fs::exists(older));
    EXPECT_TRUE(fs::exists(other)) << "another file's save may still be running";
}

// The sink under the layered format reports a failed write of a C stream.
TEST_F(SafeFileTest, ByteSinkReportsFailedWrites) {
    std::FILE* readOnly = std::fopen(target_.c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    ByteSink sink(readOnly);
    for (int i = 0; i < 100000; ++i) sink.I32(i);
    EXPECT_FALSE(sink.Finish());
    std::fclose(readOnly);

    std::vector<uint8_t> memory;
    ByteSink good(memory);
    good.I32(-2);
    good.U16(0x1234);
    good.F32(1.0f);
    EXPECT_TRUE(good.Finish());
    EXPECT_EQ(memory, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0x00, 0x00, 0x80, 0x3F}));
}

}  // namespace
