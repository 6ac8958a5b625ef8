#include "image/thread_scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/pixel_image.h"
#include "platform/log.h"

namespace {

constexpr int kSide = 128;

class ThreadScratchTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectProfile(*BuiltinProfile(0));  // opaque white is 65280 in every channel
        InitThreadScratch(2, kSide);
    }
    void TearDown() override {
        FreeThreadScratch();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    }
};

// A thread that runs jobs handed to it one at a time, so a test can ask the
// same thread several questions with the lookup switch in different states.
class HelperThread {
public:
    HelperThread() : thread_([this] { Loop(); }) {}
    ~HelperThread() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void Run(std::function<void()> job) {
        std::unique_lock<std::mutex> lock(mutex_);
        job_ = std::move(job);
        wake_.notify_all();
        wake_.wait(lock, [this] { return !job_; });
    }
    std::thread::id Id() const { return thread_.get_id(); }

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return job_ || quit_; });
            if (quit_) return;
            job_();
            job_ = nullptr;
            wake_.notify_all();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool quit_ = false;
    std::thread thread_;  // last: it starts running Loop at construction
};

TEST_F(ThreadScratchTest, SeventeenthPlaneIsTheFirst) {
    std::set<ChannelBuffer16*> seen;
    ChannelBuffer16* first = ScratchPlane();
    seen.insert(first);
    for (int i = 1; i < kScratchPlanes; ++i) seen.insert(ScratchPlane());
    EXPECT_EQ(seen.size(), size_t(kScratchPlanes));
    EXPECT_EQ(ScratchPlane(), first);
    for (ChannelBuffer16* plane : seen) {
        EXPECT_EQ(plane->width, kSide);
        EXPECT_EQ(plane->height, kSide);
        EXPECT_EQ(plane->depth, 16);
        ASSERT_NE(plane->samples, nullptr);
    }
}

TEST_F(ThreadScratchTest, ImageRingOfFourOpaqueWhiteImages) {
    PixelImage* first = ScratchImage();
    EXPECT_EQ(ScratchImage(), first);  // only NextScratchImage moves on
    std::set<PixelImage*> seen;
    for (int i = 0; i < kScratchImages; ++i, NextScratchImage()) {
        PixelImage* image = ScratchImage();
        seen.insert(image);
        ASSERT_EQ(image->channelCount, 4);
        EXPECT_EQ(image->width, kSide);
        EXPECT_EQ(image->height, kSide);
        EXPECT_EQ(image->depth, 16);
        for (int c = 0; c < 4; ++c) {
            const auto& plane = static_cast<const ChannelBuffer16&>(image->Channel(c));
            EXPECT_TRUE(std::all_of(plane.samples, plane.samples + kSide * kSide, [](uint16_t v) { return v == 65280; }))
                << "image " << i << " channel " << c;
        }
    }
    EXPECT_EQ(seen.size(), size_t(kScratchImages));
    EXPECT_EQ(ScratchImage(), first);
}

TEST_F(ThreadScratchTest, EveryRecordHasItsOwnByteBuffer) {
    uint8_t* mine = ScratchBytes();
    ASSERT_NE(mine, nullptr);
    std::memset(mine, 0xAB, kScratchBytes);
    HelperThread helper;
    RegisterScratchThread(1, helper.Id());
    SetScratchLookup(true);
    uint8_t* theirs = nullptr;
    helper.Run([&] {
        theirs = ScratchBytes();
        std::memset(theirs, 0xCD, kScratchBytes);
    });
    SetScratchLookup(false);
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(mine[kScratchBytes - 1], 0xAB);
}

// Registered by the thread that creates the worker, as the compositor does,
// or by the worker itself.
enum class Registration { ByCreator, BySelf };

class ScratchLookupTest : public ThreadScratchTest, public ::testing::WithParamInterface<Registration> {};

TEST_P(ScratchLookupTest, RegisteredThreadGetsItsOwnRecordOnlyWhileTheSwitchIsOn) {
    HelperThread helper;
    if (GetParam() == Registration::ByCreator)
        RegisterScratchThread(1, helper.Id());
    else
        helper.Run([] { RegisterScratchThread(1); });

    ThreadScratch* mainRecord = &CurrentScratch();
    std::set<ChannelBuffer16*> mainPlanes;
    for (int i = 0; i < kScratchPlanes; ++i) mainPlanes.insert(ScratchPlane());

    ThreadScratch* onRecord = nullptr;
    ChannelBuffer16* onPlane = nullptr;
    PixelImage* onImage = nullptr;
    SetScratchLookup(true);
    EXPECT_TRUE(ScratchLookup());
    helper.Run([&] {
        onRecord = &CurrentScratch();
        onPlane = ScratchPlane();
        onImage = ScratchImage();
    });
    EXPECT_EQ(&CurrentScratch(), mainRecord) << "an unregistered thread falls back to record 0";
    EXPECT_NE(onRecord, mainRecord);
    EXPECT_EQ(mainPlanes.count(onPlane), 0u);
    EXPECT_NE(onImage, ScratchImage());

    ThreadScratch* offRecord = nullptr;
    ChannelBuffer16* offPlane = nullptr;
    SetScratchLookup(false);
    EXPECT_FALSE(ScratchLookup());
    helper.Run([&] {
        offRecord = &CurrentScratch();
        offPlane = ScratchPlane();
    });
    EXPECT_EQ(offRecord, mainRecord);
    EXPECT_EQ(mainPlanes.count(offPlane), 1u);
}

INSTANTIATE_TEST_SUITE_P(Registration, ScratchLookupTest, ::testing::Values(Registration::ByCreator, Registration::BySelf),
                         [](const ::testing::TestParamInfo<Registration>& info) {
                             return info.param == Registration::ByCreator ? "ByCreator" : "BySelf";
                         });

TEST_F(ThreadScratchTest, UnregisteredThreadUsesRecordZero) {
    ThreadScratch* mainRecord = &CurrentScratch();
    HelperThread helper;
    ThreadScratch* seen = nullptr;
    SetScratchLookup(true);
    helper.Run([&] { seen = &CurrentScratch(); });
    SetScratchLookup(false);
    EXPECT_EQ(seen, mainRecord);
}

TEST_F(ThreadScratchTest, RegistrationIsLogged) {
    const std::string path = ::testing::TempDir() + "thread_scratch_log.txt";
    std::remove(path.c_str());
    LogEnable(path.c_str());
    RegisterScratchThread(1);
    RegisterScratchThread(2);  // no such record: ignored
    LogEnable(nullptr);

    std::ifstream in(path);
    std::string first, second, extra;
    ASSERT_TRUE(std::getline(in, first));
    ASSERT_TRUE(std::getline(in, second));
    EXPECT_FALSE(std::getline(in, extra)) << extra;
    std::remove(path.c_str());

    const std::string prefix = "Register thread 1 to id=";
    ASSERT_EQ(first.compare(0, prefix.size(), prefix), 0) << first;
    const std::string tag = first.substr(prefix.size());
    EXPECT_FALSE(tag.empty());
    EXPECT_LE(tag.size(), 8u);
    EXPECT_EQ(tag.find_first_not_of("0123456789ABCDEF"), std::string::npos) << tag;
    EXPECT_EQ(second, " - done");
}

TEST_F(ThreadScratchTest, FreeEmptiesTheRingsAndInitRebuildsThem) {
    FreeThreadScratch();
    EXPECT_EQ(ScratchThreadCount(), 0);
    EXPECT_EQ(ScratchPlane(), nullptr);
    EXPECT_EQ(ScratchImage(), nullptr);
    EXPECT_EQ(ScratchBytes(), nullptr);
    NextScratchImage();
    EXPECT_FALSE(ScratchLookup());

    InitThreadScratch(0, 64);  // a system that reports no processor count still gets one record
    EXPECT_EQ(ScratchThreadCount(), 1);
    EXPECT_EQ(ScratchSide(), 64);
    EXPECT_EQ(ScratchPlane()->width, 64);
    EXPECT_EQ(ScratchImage()->height, 64);

    InitThreadScratch(3, kSide);  // replaces the previous records
    EXPECT_EQ(ScratchThreadCount(), 3);
    EXPECT_EQ(ScratchPlane()->width, kSide);
}

}  // namespace
