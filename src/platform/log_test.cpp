#include "platform/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One file per test: ctest runs the cases as parallel processes.
        path_ = ::testing::TempDir() + "orvella_log_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        std::remove(path_.c_str());
    }
    void TearDown() override {
        LogEnable(nullptr);
        std::remove(path_.c_str());
    }
    std::string Contents() const {
        std::ifstream in(path_);  // text mode: Windows writes its own line ends
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string path_;
};

TEST_F(LogTest, IsOffUntilTheLogFileExists) {
    EXPECT_FALSE(LogInit(path_.c_str()));
    LogLine("nothing %d", 1);
    EXPECT_FALSE(std::ifstream(path_).good());

    std::ofstream(path_).close();
    EXPECT_TRUE(LogInit(path_.c_str()));
    LogLine("Register thread %i to id=%X", 3, 0xABCDu);
    LogText("no newline");
    LogLine(" - done");
    EXPECT_EQ(Contents(), "Register thread 3 to id=ABCD\nno newline - done\n");
}

TEST_F(LogTest, OutsideTextPassedAsAnArgumentIsNotInterpreted) {
    LogEnable(path_.c_str());
    LogLine("%s", "%s%s%n");
    EXPECT_EQ(Contents(), "%s%s%n\n");
}

TEST_F(LogTest, LongLinesAreCutToTheLineBuffer) {
    LogEnable(path_.c_str());
    LogLine("%s", std::string(5000, 'x').c_str());
    const std::string text = Contents();
    EXPECT_EQ(text, std::string(1023, 'x') + "\n");
}

TEST_F(LogTest, LinesFromManyThreadsNeverInterleave) {
    LogEnable(path_.c_str());
    const std::string body(200, 'a');
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) LogLine("%d:%s", t, body.c_str());
        });
    for (auto& th : threads) th.join();

    std::istringstream lines(Contents());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        ASSERT_EQ(line.size(), body.size() + 2) << line;
        EXPECT_EQ(line.substr(2), body);
    }
    EXPECT_EQ(count, 200);
}

}  // namespace
