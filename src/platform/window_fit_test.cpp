#include "platform/window_fit.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct FitCase {
    const char* what;
    ScreenRect window, area, fitted;
};

// A 1920 x 1040 work area (a 1080-line screen less a 40-pixel task bar),
// unless the case says otherwise.
constexpr ScreenRect kArea{0, 0, 1920, 1040};

const FitCase kCases[] = {
    {"fits already", {100, 50, 950, 650}, kArea, {100, 50, 950, 650}},
    {"exactly the area", {0, 0, 1920, 1040}, kArea, {0, 0, 1920, 1040}},
    {"too wide", {100, 50, 100000, 650}, kArea, {0, 50, 1920, 650}},
    {"too tall", {100, 50, 950, 5000}, kArea, {100, 0, 950, 1040}},
    {"hangs off the right and bottom", {1500, 900, 950, 650}, kArea, {970, 390, 950, 650}},
    {"negative position", {-300, -20, 950, 650}, kArea, {0, 0, 950, 650}},
    {"on a screen no longer there", {5000, 3000, 950, 650}, kArea, {970, 390, 950, 650}},
    {"huge numbers", {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, kArea, {0, 0, 1920, 1040}},
    {"most negative numbers", {INT_MIN, INT_MIN, INT_MIN, INT_MIN}, kArea, {0, 0, 64, 64}},
    {"zero size", {10, 10, 0, 0}, kArea, {10, 10, 64, 64}},
    {"area left of the origin", {0, 0, 800, 600}, {-1280, 40, 1280, 984}, {-800, 40, 800, 600}},
    {"area smaller than the least side", {0, 0, 500, 500}, {0, 0, 40, 30}, {0, 0, 40, 30}},
    {"no area known", {-300, 7, 100000, 5}, {0, 0, 0, 0}, {-300, 7, 100000, 5}},
};

TEST(FitToWorkArea, KeepsTheWindowWhollyOnTheArea) {
    for (const FitCase& c : kCases) {
        const ScreenRect got = FitToWorkArea(c.window, c.area);
        EXPECT_EQ(got.x, c.fitted.x) << c.what;
        EXPECT_EQ(got.y, c.fitted.y) << c.what;
        EXPECT_EQ(got.width, c.fitted.width) << c.what;
        EXPECT_EQ(got.height, c.fitted.height) << c.what;
    }
}

}  // namespace
