#include "platform/sdl/display_dpi.h"

#include <gtest/gtest.h>

namespace {

using platform::sdl::XftDpiFromResources;

TEST(XftDpiTest, ReadsTheDesktopsSetting) {
    const struct {
        const char* resources;
        int dpi;
    } cases[] = {
        {"Xft.dpi:\t192\n", 192},
        {"Xcursor.size:\t48\nXft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 144},
        {"Xft.dpi: 96", 96},                  // the last line needs no newline
        {"Xft.dpi:\t120.6\n", 121},           // some desktops write a fraction
        {"Xft.dpix:\t192\n", 0},              // another name
        {"xterm*Xft.dpi:\t192\n", 0},         // for one program only
        {"Xcursor.size:\t48\n", 0},
        {"Xft.dpi:\tlarge\n", 0},
        {"Xft.dpi:\t0\n", 0},
        {"Xft.dpi:\t-96\n", 0},
        {"Xft.dpi:\t100000\n", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(XftDpiFromResources(c.resources), c.dpi) << (c.resources ? c.resources : "null");
}

}  // namespace
