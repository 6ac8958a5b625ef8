#include "image/workers.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/compositor.h"
#include "image/display_tile.h"
#include "image/document_test_support.h"
#include "platform/log.h"

using namespace doctest;

namespace {

constexpr int kWorkers = 3;
constexpr size_t kTileBytes = size_t(kTileSide) * kTileSide * 4;

class WorkersTest : public DocumentTest {
protected:
    int ScratchThreads() const override { return kWorkers; }
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 700, 400));  // 6 x 4 tiles, not a multiple of the workers
        for (int i = 1; i < 4; ++i) ASSERT_TRUE(AddLayer(doc, i - 1));
        for (int i = 0; i < 4; ++i) PaintLayer(doc, i, 100 * uint32_t(i));
        for (int i = 1; i < 4; ++i) {
            doc.layers[i].blendMode = i;
            doc.layers[i].opacity = 60 * i;
            ApplyLayerInfo(doc, i);
        }
    }
    void TearDown() override {
        CloseWorkerThreads();
        SetThreadSpawner(nullptr);
        DocumentTest::TearDown();
    }
    // What each stack shows, composited on this thread alone.
    std::vector<std::vector<uint8_t>> Expected() {
        std::vector<std::vector<uint8_t>> expected;
        for (LayerTile* stack : doc.stacks) {
            std::vector<uint8_t> rgba(kTileBytes);
            ConvertTileToDisplay(*CompositeTile(*stack), rgba.data());
            expected.push_back(rgba);
        }
        return expected;
    }
    void ExpectEveryTileRendered(const std::vector<std::vector<uint8_t>>& expected) {
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            const LayerTile* stack = doc.stacks[t];
            EXPECT_FALSE(StackDirty(stack)) << "tile " << t;
            EXPECT_TRUE(stack->uploadPending) << "tile " << t;
            EXPECT_EQ(std::vector<uint8_t>(stack->texturePixels, stack->texturePixels + kTileBytes), expected[t])
                << "tile " << t;
        }
    }
};

TEST_F(WorkersTest, SeveralWorkersRenderEveryDirtyTileLikeOneThread) {
    const auto expected = Expected();
    ASSERT_EQ(StartWorkers(kWorkers), kWorkers);
    for (int pass = 0; pass < 3; ++pass) {
        MarkAllDirty(doc);
        for (LayerTile* stack : doc.stacks) stack->uploadPending = false;
        RenderDirtyTiles(doc);
        ExpectEveryTileRendered(expected);
    }
    // A change between passes is picked up by the next one.
    Randomise(*doc.stacks[5]->next->pixels, 555);
    doc.stacks[5]->next->dirty = true;
    const auto changed = Expected();
    RenderDirtyTiles(doc);
    ExpectEveryTileRendered(changed);
}

TEST_F(WorkersTest, APassWithoutDirtyTilesOnlyCountsIdleFrames) {
    ASSERT_EQ(StartWorkers(kWorkers), kWorkers);
    RenderDirtyTiles(doc);
    const int idle = WorkerIdleCount();
    doc.stacks[0]->texturePixels[0] = 7;
    RenderDirtyTiles(doc);
    RenderDirtyTiles(doc);
    EXPECT_EQ(WorkerIdleCount(), idle + 2);
    EXPECT_EQ(doc.stacks[0]->texturePixels[0], 7);
}

TEST_F(WorkersTest, WorkersNeverOutnumberTheScratchRecords) {
    EXPECT_EQ(StartWorkers(kWorkers + 5), kWorkers);
    const auto expected = Expected();
    RenderDirtyTiles(doc);
    ExpectEveryTileRendered(expected);
}

bool FailSecondThread(std::thread& thread, std::function<void()> body, int index, int& error) {
    if (index == 1) {
        error = 11;
        return false;
    }
    thread = std::thread(std::move(body));
    return true;
}

TEST_F(WorkersTest, TheShareOfAWorkerThatFailedToStartIsStillRendered) {
    const std::string path = ::testing::TempDir() + "workers_test_log.txt";
    std::remove(path.c_str());
    LogEnable(path.c_str());
    SetThreadSpawner(FailSecondThread);
    const int started = StartWorkers(kWorkers);
    LogEnable(nullptr);
    EXPECT_EQ(started, kWorkers - 1);

    const auto expected = Expected();
    RenderDirtyTiles(doc);  // would wait forever for the missing worker
    ExpectEveryTileRendered(expected);

    std::ifstream log(path);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_NE(text.str().find("Creating 2 threads\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("*** Failed to create thread 1, error: 11\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("2 threads created\n"), std::string::npos) << text.str();
    std::remove(path.c_str());
}

// Workers that have not woken up by the time a pass runs: the calling
// thread composites every tile itself instead of waiting for them.
std::mutex gateMutex;
std::condition_variable gateOpened;
bool gateOpen = false;

bool StartBehindGate(std::thread& thread, std::function<void()> body, int, int&) {
    thread = std::thread([body = std::move(body)] {
        std::unique_lock<std::mutex> lock(gateMutex);
        gateOpened.wait(lock, [] { return gateOpen; });
        lock.unlock();
        body();
    });
    return true;
}

void OpenGate(bool open) {
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        gateOpen = open;
    }
    gateOpened.notify_all();
}

TEST_F(WorkersTest, APassNeverWaitsForAWorkerThatIsLate) {
    OpenGate(false);
    SetThreadSpawner(StartBehindGate);
    ASSERT_EQ(StartWorkers(kWorkers), kWorkers);
    const auto expected = Expected();
    RenderDirtyTiles(doc);  // with tiles dealt out in a fixed pattern this never returns
    ExpectEveryTileRendered(expected);

    // Once awake, the late workers take part in the next pass.
    OpenGate(true);
    Randomise(*doc.stacks[2]->next->pixels, 77);
    MarkAllDirty(doc);
    const auto changed = Expected();
    RenderDirtyTiles(doc);
    ExpectEveryTileRendered(changed);
}

TEST_F(WorkersTest, WithoutWorkersTheCallingThreadRendersEverything) {
    const auto expected = Expected();
    RenderDirtyTiles(doc);
    ExpectEveryTileRendered(expected);
}

}  // namespace
