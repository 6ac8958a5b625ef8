#include <gtest/gtest.h>

#include <cstdio>
#include <string>
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
