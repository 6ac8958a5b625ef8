#include "platform/win32/window_events.h"

#include <gtest/gtest.h>

namespace {

struct ScaleCase {
    int clientPos, clientSize, logicalSize, expected;
};

class MouseScaling : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(MouseScaling, MapsTheClientPositionIntoTheLogicalSize) {
    const ScaleCase c = GetParam();
    EXPECT_EQ(ScaleToLogical(c.clientPos, c.clientSize, c.logicalSize), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, MouseScaling,
    ::testing::Values(ScaleCase{0, 950, 950, 0}, ScaleCase{949, 950, 950, 949},
                      // Halving: 101 / 2 = 50.5 rounds up, not down as integer division would.
                      ScaleCase{101, 200, 100, 51}, ScaleCase{99, 200, 100, 50},
                      // Doubling a third: 1/3 * 200 = 66.67 rounds to 67.
                      ScaleCase{1, 3, 200, 67},
                      // A client wider than the logical size: 600/800 * 1024 = 768.
                      ScaleCase{600, 800, 1024, 768},
                      // A position past the client edge (a drag beyond it) scales too.
                      ScaleCase{1200, 600, 300, 600},
                      // No client area to scale from: the position stays.
                      ScaleCase{35, 0, 950, 35}, ScaleCase{35, -1, 950, 35}));

struct WheelCase {
    int16_t delta;
    int direction;
};

class Wheel : public ::testing::TestWithParam<WheelCase> {};

TEST_P(Wheel, GivesTheDirectionOfTheStep) { EXPECT_EQ(WheelDirection(GetParam().delta), GetParam().direction); }

INSTANTIATE_TEST_SUITE_P(
    Deltas, Wheel,
    ::testing::Values(WheelCase{0, 0}, WheelCase{120, 1}, WheelCase{-120, -1}, WheelCase{1, 1}, WheelCase{-1, -1},
                      WheelCase{32767, 1}, WheelCase{-240, -1},
                      // Only the sign bit set: the low 15 bits are zero, so no step.
                      WheelCase{-32768, 0}));

uint32_t Pack(int low, int high) { return (uint32_t(uint16_t(high)) << 16) | uint16_t(low); }

class PlacementMessages : public ::testing::Test {
protected:
    PlacementMessages() {
        state.x = 40;
        state.y = 30;
        state.width = 950;
        state.height = 650;
    }
    platform::WindowState state;
    const FrameMetrics frame{4, 5, 23};
};

TEST_F(PlacementMessages, AMoveStoresTheOuterCornerFromTheClientOrigin) {
    EXPECT_TRUE(StoreMovedPlacement(state, Pack(104, 228), false, frame));
    EXPECT_EQ(state.x, 100);
    EXPECT_EQ(state.y, 200);
}

TEST_F(PlacementMessages, AMoveKeepsNegativePositionsOfAWindowLeftOfOrAboveTheDesktop) {
    EXPECT_TRUE(StoreMovedPlacement(state, Pack(-1916, -2), false, frame));
    EXPECT_EQ(state.x, -1920);
    EXPECT_EQ(state.y, -30);
}

TEST_F(PlacementMessages, ASizeStoresTheClientSizeAsTheLogicalSize) {
    EXPECT_TRUE(StoreResizedClient(state, Pack(1280, 40000), false));
    EXPECT_EQ(state.width, 1280);
    EXPECT_EQ(state.height, 40000);  // sizes are unsigned: no wrap to negative
}

TEST_F(PlacementMessages, AMinimisedWindowLeavesThePlacementAlone) {
    // What a minimised window reports: its client area parked at -32000 and no height.
    EXPECT_FALSE(StoreMovedPlacement(state, Pack(-32000, -32000), true, frame));
    EXPECT_FALSE(StoreResizedClient(state, Pack(0, 0), true));
    EXPECT_EQ(state.x, 40);
    EXPECT_EQ(state.y, 30);
    EXPECT_EQ(state.width, 950);
    EXPECT_EQ(state.height, 650);
}

// What a closing window keeps for the next start. Minimised, it reports no
// placement of its own: the system's restored rectangle (client size inside
// the frame) and whether it comes back maximized are kept. Otherwise the
// placement its messages stored stays.
TEST(RestoredPlacement, IsKeptForAMinimisedWindowWithTheStateItComesBackIn) {
    const FrameInsets frame{8, 31, 8, 8};
    const struct {
        const char* name;
        bool maximized, minimised, restoresToMaximized;
        bool keptMaximized, restoredPlacement;
    } cases[] = {
        {"normal", false, false, false, false, false},
        {"maximized", true, false, false, true, false},
        {"minimised from maximized", false, true, true, true, true},
        {"minimised from normal", false, true, false, false, true},
    };
    for (const auto& c : cases) {
        platform::WindowState state;
        state.x = state.y = -8;  // what a maximized window reports of itself
        state.width = 1920;
        state.height = 1009;
        RestoredPlacement placement;
        placement.left = 120;
        placement.top = 80;
        placement.right = 120 + 8 + 950 + 8;
        placement.bottom = 80 + 31 + 650 + 8;
        placement.maximized = c.maximized;
        placement.minimised = c.minimised;
        placement.restoresToMaximized = c.restoresToMaximized;
        StoreRestoredPlacement(state, placement, frame);
        EXPECT_EQ(state.maximized, c.keptMaximized) << c.name;
        EXPECT_EQ(state.x, c.restoredPlacement ? 120 : -8) << c.name;
        EXPECT_EQ(state.y, c.restoredPlacement ? 80 : -8) << c.name;
        EXPECT_EQ(state.width, c.restoredPlacement ? 950 : 1920) << c.name;
        EXPECT_EQ(state.height, c.restoredPlacement ? 650 : 1009) << c.name;
    }
}

}  // namespace
