#include "ui/ui_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TEST(UiScaleTest, TheDisplaysDpiChoosesTheDefault) {
    const struct {
        int dpi, scale;
    } cases[] = {{0, 100},   {-5, 100},  {72, 100},  {96, 100},  {119, 100}, {120, 150},
                 {144, 150}, {167, 150}, {168, 200}, {192, 200}, {288, 200}};
    for (const auto& c : cases) EXPECT_EQ(DefaultUiScale(c.dpi), c.scale) << c.dpi << " dpi";
}

TEST(UiScaleTest, AChosenScaleOutranksTheDisplay) {
    EXPECT_EQ(ChosenUiScale(150, 96), 150);
    EXPECT_EQ(ChosenUiScale(100, 192), 100);
    EXPECT_EQ(ChosenUiScale(200, 96), 200);
    // Not chosen, or a value no menu row gives: the display decides.
    EXPECT_EQ(ChosenUiScale(0, 192), 200);
    EXPECT_EQ(ChosenUiScale(175, 144), 150);
    EXPECT_EQ(ChosenUiScale(-100, 96), 100);
}

TEST(UiScaleTest, TheMenuRowCyclesThroughTheScales) {
    EXPECT_EQ(NextUiScale(100), 150);
    EXPECT_EQ(NextUiScale(150), 200);
    EXPECT_EQ(NextUiScale(200), 100);
    EXPECT_EQ(NextUiScale(120), 100);
}

TEST(UiScaleTest, OnlyKnownScalesAreSet) {
    SetUiScale(150);
    EXPECT_EQ(UiScale(), 150);
    SetUiScale(300);
    EXPECT_EQ(UiScale(), 100);
    SetUiScale(100);
}

TEST(UiScaleTest, WindowPixelsFallInLogicalUnits) {
    // 150 %: units alternate one and two pixels wide.
    const int at150[] = {0, 1, 1, 2, 3, 3, 4, 5, 5};
    for (int p = 0; p < 9; ++p) EXPECT_EQ(LogicalFromWindow(p, 150), at150[p]) << p;
    for (int p = 0; p < 50; ++p) {
        EXPECT_EQ(LogicalFromWindow(p, 100), p);
        EXPECT_EQ(LogicalFromWindow(p, 200), p / 2);
    }
    // No pointer yet stays no pointer.
    for (int scale : kUiScales) EXPECT_EQ(LogicalFromWindow(-1, scale), -1);
    EXPECT_EQ(LogicalSize(950, 150), 633);
    EXPECT_EQ(LogicalSize(1600, 200), 800);
}

// A unit's first pixel is the first whose pointer lands in it: what a
// rectangle from that unit starts to cover is where its hit area starts.
TEST(UiScaleTest, AUnitsFirstPixelIsWhereItsHitAreaStarts) {
    for (int scale : kUiScales) {
        for (int u = 0; u < 200; ++u) {
            const int p = WindowFromLogical(u, scale);
            EXPECT_GE(LogicalFromWindow(p, scale), u) << scale << "% unit " << u;
            if (p > 0) {
                EXPECT_LT(LogicalFromWindow(p - 1, scale), u) << scale << "% unit " << u;
            }
        }
    }
}

// The projection puts unit u's edge at u * scale / 100 - shift window pixels.
// A pixel is filled when its centre lies inside; the rasteriser must never
// have to break a tie (an edge through a centre), and what it fills must be
// what the pointer hits.
TEST(UiScaleTest, DrawnEdgesMissPixelCentresAndAgreeWithTheHitTest) {
    for (int scale : kUiScales) {
        const double shift = UiEdgeShift(scale);
        for (int u = 0; u < 200; ++u) {
            const double edge = u * scale / 100.0 - shift;
            const double fromCentre = std::fabs(edge - std::floor(edge) - 0.5);
            EXPECT_GE(fromCentre, 0.25) << scale << "% unit " << u;
            for (int p = std::max(0, int(edge) - 3); p < int(edge) + 3; ++p)
                EXPECT_EQ(p + 0.5 >= edge, LogicalFromWindow(p, scale) >= u) << scale << "% unit " << u << " pixel " << p;
        }
    }
}

}  // namespace
