#include "image/plane_reserve.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "image/channel_buffer.h"
#include "image/document_test_support.h"
#include "image/workers.h"
#include "platform/memory_available.h"

using namespace doctest;

namespace {

using Planes = std::vector<std::unique_ptr<ChannelBuffer16>>;

// Takes every plane the reserve holds into planes the test owns.
void Drain(Planes& into) {
    while (ReservedPlanes() > 0)
        into.push_back(std::make_unique<ChannelBuffer16>(kTileSide, kTileSide, PlaneSource::kReserve));
}

class PlaneReserveTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 300));
        RenderDirtyTiles(doc);  // shows the new document: every tile clean from here
        WaitForPlaneReserve();
    }
    void TearDown() override {
        ReplaceMemoryMeasure(nullptr);
        DocumentTest::TearDown();
    }
    // A pass of the main loop while nothing changed: the pointer rests.
    void RestingPass() {
        RenderDirtyTiles(doc);
        WaitForPlaneReserve();
    }
};

TEST_F(PlaneReserveTest, FilledWhileNothingIsDrawnAndSpentOnTilePlanesOnly) {
    Planes held;
    Drain(held);
    // Asked for while empty: the plane comes from the heap, and the reserve
    // knows it is wanted.
    ChannelBuffer16 fromHeap(kTileSide, kTileSide, PlaneSource::kReserve);
    ASSERT_NE(fromHeap.samples, nullptr);
    RestingPass();
    ASSERT_EQ(ReservedPlanes(), kPlaneReserveTarget);

    ChannelBuffer16 other(kTileSide, kTileSide / 2, PlaneSource::kReserve);
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget) << "a plane of another size took from the reserve";
    ChannelBuffer16 notAsked(kTileSide, kTileSide);
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget) << "a plane asked for from the heap took from the reserve";
    ChannelBuffer16 tilePlane(kTileSide, kTileSide, PlaneSource::kReserve);
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget - 1);
    tilePlane.Fill(0xBEEF);  // the whole plane is the caller's to write
    EXPECT_EQ(tilePlane.Get(kTileSide - 1, kTileSide - 1), 0xBEEFu);

    // The pass that shows a change is the painter's: the reserve waits for rest.
    Drain(held);
    doc.stacks[0]->dirty = true;
    RenderDirtyTiles(doc);
    WaitForPlaneReserve();
    EXPECT_EQ(ReservedPlanes(), 0u);
    RestingPass();
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget);
}

TEST_F(PlaneReserveTest, GivesWayWhenMemoryIsShort) {
    Planes held;
    Drain(held);
    ReplaceMemoryMeasure([] { return uint64_t(1) << 20; });
    ChannelBuffer16 wanted(kTileSide, kTileSide, PlaneSource::kReserve);
    RestingPass();
    EXPECT_EQ(ReservedPlanes(), 0u);
    ReplaceMemoryMeasure(nullptr);
    ChannelBuffer16 wantedAgain(kTileSide, kTileSide, PlaneSource::kReserve);
    RestingPass();
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget);
}

TEST_F(PlaneReserveTest, ThreadsTakingWhileItRefillsEachGetAPlaneOfTheirOwn) {
    constexpr int kThreads = 3;
    constexpr int kEach = 200;  // together more than the reserve holds
    std::mutex mutex;
    std::set<const uint16_t*> seen;
    Planes kept;
    std::vector<std::thread> threads;
    for (int k = 0; k < kThreads; ++k)
        threads.emplace_back([&, k] {
            for (int i = 0; i < kEach; ++i) {
                auto plane = std::make_unique<ChannelBuffer16>(kTileSide, kTileSide, PlaneSource::kReserve);
                plane->Fill(uint32_t(k * kEach + i));
                std::lock_guard<std::mutex> lock(mutex);
                seen.insert(plane->samples);
                kept.push_back(std::move(plane));
            }
        });
    for (int i = 0; i < 50; ++i) RefillPlaneReserve();
    for (std::thread& t : threads) t.join();
    WaitForPlaneReserve();
    EXPECT_EQ(seen.size(), size_t(kThreads * kEach)) << "two live planes share storage";
    for (size_t i = 0; i < kept.size(); ++i)
        for (const uint32_t corner : {kept[i]->Get(0, 0), kept[i]->Get(kTileSide - 1, kTileSide - 1)})
            EXPECT_EQ(corner, kept[i]->Get(1, 0)) << "plane " << i << " was written by another";
}

}  // namespace
