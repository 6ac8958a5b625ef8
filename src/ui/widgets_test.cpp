#include "ui/widgets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Each test starts from a fresh interface state and drives it frame by frame
// as the program does: BeginInterfaceFrame, ProcessEditKeys, then controls.
class WidgetsTest : public ::testing::Test {
protected:
    void SetUp() override { ui = UiState{}; }

    static void Frame(int x, int y, bool down) { BeginInterfaceFrame(x, y, down, 800, 600); }

    // One frame in which c arrives from the keyboard (no click).
    static void Type(unsigned char c) {
        Frame(500, 500, false);
        ui.typedChar = c;
        ProcessEditKeys();
    }
    static void TypeText(const char* text) {
        for (const char* p = text; *p; ++p) Type(static_cast<unsigned char>(*p));
    }
    static void PressEnter() {
        Frame(500, 500, false);
        ui.typedChar = 13;
        ui.enterPressed = true;
        ProcessEditKeys();
    }
    static void PressEscape() {
        Frame(500, 500, false);
        ui.typedChar = 27;
        ui.escapePressed = true;
        ProcessEditKeys();
    }
};

// --- Text entry ---------------------------------------------------------------

TEST_F(WidgetsTest, TypingShowsTheCursorAndEnterCommits) {
    char name[64] = "Layer";
    BeginEdit(name, sizeof name);
    EXPECT_STREQ(name, "Layer_");
    TypeText(" 2");
    EXPECT_STREQ(name, "Layer 2_");
    PressEnter();
    EXPECT_STREQ(name, "Layer 2");
    EXPECT_FALSE(ui.editing);
    EXPECT_FALSE(ui.enterPressed);
}

TEST_F(WidgetsTest, ATypedUnderscoreIsKeptWhenTheCursorGoes) {
    char name[64] = "";
    BeginEdit(name, sizeof name);
    TypeText("a_");
    CommitEdit();
    EXPECT_STREQ(name, "a_");
}

TEST_F(WidgetsTest, AFieldHoldsAtMost47Characters) {
    char name[64] = "";
    BeginEdit(name, sizeof name);
    for (int i = 0; i < 50; ++i) Type('x');
    CommitEdit();
    EXPECT_EQ(std::strlen(name), 47u);
}

TEST_F(WidgetsTest, ASmallBufferLimitsTheFieldToItsCapacity) {
    struct Guarded {
        char buffer[8];
        char guard[8];
    } g;
    std::memset(&g, '#', sizeof g);
    std::strcpy(g.buffer, "12");
    BeginEdit(g.buffer, sizeof g.buffer);
    TypeText("3456789");
    EXPECT_STREQ(g.buffer, "123456_");
    CommitEdit();
    EXPECT_STREQ(g.buffer, "123456");
    EXPECT_EQ(std::string(g.guard, sizeof g.guard), "########");

    EXPECT_EQ(EditLimit(8), 6);
    EXPECT_EQ(EditLimit(49), 47);
    EXPECT_EQ(EditLimit(256), 47);
    EXPECT_EQ(EditLimit(2), 0);
    EXPECT_EQ(EditLimit(1), 0);
    EXPECT_EQ(EditLimit(0), 0);
}

TEST_F(WidgetsTest, ABufferTooSmallForTheCursorIsNotOpened) {
    char one[1] = {0};
    BeginEdit(one, sizeof one);
    EXPECT_FALSE(ui.editing);
    EXPECT_EQ(one[0], 0);
}

TEST_F(WidgetsTest, AFullNameFromAFileStaysInsideItsBuffer) {
    struct Guarded {
        char name[64];
        char guard[8];
    } g;
    std::memset(&g, '#', sizeof g);
    const std::string original(63, 'n');
    std::memcpy(g.name, original.c_str(), 64);

    BeginEdit(g.name, sizeof g.name);
    EXPECT_EQ(std::strlen(g.name), 63u);
    EXPECT_EQ(g.name[62], '_');
    Type('x');
    EXPECT_EQ(std::strlen(g.name), 63u) << "no room for more";
    Type(8);
    EXPECT_EQ(std::string(g.name), std::string(61, 'n') + "_");
    EXPECT_EQ(std::string(g.guard, sizeof g.guard), "########");

    PressEscape();
    EXPECT_EQ(std::string(g.name), original);
    EXPECT_EQ(std::string(g.guard, sizeof g.guard), "########");
}

TEST_F(WidgetsTest, BackspaceOnAnEmptyFieldDoesNothing) {
    char name[16] = "";
    BeginEdit(name, sizeof name);
    Type(8);
    Type(8);
    EXPECT_STREQ(name, "_");
    TypeText("ab");
    Type(8);
    EXPECT_STREQ(name, "a_");
}

TEST_F(WidgetsTest, EscapeRestoresTheTextAsItWas) {
    char name[64] = "Sky";
    BeginEdit(name, sizeof name);
    Type(8);
    TypeText("ea");
    PressEscape();
    EXPECT_STREQ(name, "Sky");
    EXPECT_FALSE(ui.editing);
}

TEST_F(WidgetsTest, WhatAFieldAccepts) {
    struct Case {
        unsigned char c;
        bool text, numeric;
    };
    const Case cases[] = {
        {'7', true, true},     {'0', true, true},     {'a', true, false},   {'Z', true, false},
        {'-', true, false},    {' ', true, false},    {'~', true, false},   {127, true, false},
        {197, true, false},    {196, true, false},    {214, true, false},   {229, true, false},
        {228, true, false},    {246, true, false},    {1, false, false},    {13, false, false},
        {27, false, false},    {31, false, false},    {128, false, false},  {141, false, false},
        {195, false, false},   {255, false, false},
    };
    for (const Case& c : cases) {
        for (bool numeric : {false, true}) {
            ui = UiState{};
            char buffer[16] = "";
            ui.numericOnly = numeric;
            BeginEdit(buffer, sizeof buffer);
            Type(c.c);
            const bool accepted = std::strlen(buffer) == 2;
            EXPECT_EQ(accepted, numeric ? c.numeric : c.text) << static_cast<int>(c.c) << (numeric ? " numeric" : " text");
        }
    }
}

TEST_F(WidgetsTest, ShortcutsAreOffWhileEditing) {
    char name[16] = "";
    Frame(0, 0, false);
    ProcessEditKeys();
    EXPECT_TRUE(ui.keyboardShortcutsEnabled);
    BeginEdit(name, sizeof name);
    Type('a');
    EXPECT_FALSE(ui.keyboardShortcutsEnabled);
    PressEnter();
    Type('b');
    EXPECT_TRUE(ui.keyboardShortcutsEnabled);
    EXPECT_STREQ(name, "a");
}

TEST_F(WidgetsTest, AClickAnywhereCommits) {
    char name[16] = "A";
    BeginEdit(name, sizeof name);
    Type('b');
    Frame(700, 500, true);
    ProcessEditKeys();
    EXPECT_FALSE(ui.editing);
    EXPECT_STREQ(name, "Ab");
}

TEST_F(WidgetsTest, ClickingAnotherFieldCommitsTheFirstAndOpensIt) {
    char first[16] = "12";
    char second[16] = "34";
    auto frame = [&](int x, int y, bool down) {
        Frame(x, y, down);
        ProcessEditKeys();
        TextField(100, 100, 40, first, sizeof first, true);
        TextField(100, 130, 40, second, sizeof second, false);
    };
    frame(110, 105, true);
    ASSERT_TRUE(ui.editing);
    EXPECT_STREQ(first, "12_");
    EXPECT_TRUE(ui.numericOnly);
    EXPECT_TRUE(ui.overEditableField);
    frame(110, 105, false);
    ui.typedChar = '5';
    ProcessEditKeys();
    EXPECT_STREQ(first, "125_");

    frame(139, 141, true);  // the second field's last pixel
    EXPECT_STREQ(first, "125");
    EXPECT_STREQ(second, "34_");
    EXPECT_EQ(ui.editBuffer, second);
    EXPECT_FALSE(ui.numericOnly);
    PressEscape();
    EXPECT_STREQ(second, "34");
    EXPECT_STREQ(first, "125");
}

TEST_F(WidgetsTest, AFieldsHotZoneIsTwelvePixelsHighAndHalfOpen) {
    char buffer[16] = "1";
    const struct {
        int x, y;
        bool inside;
    } points[] = {{100, 100, true}, {139, 111, true}, {140, 105, false}, {99, 105, false}, {120, 112, false}, {120, 99, false}};
    for (const auto& p : points) {
        ui = UiState{};
        Frame(p.x, p.y, true);
        TextField(100, 100, 40, buffer, sizeof buffer, true);
        EXPECT_EQ(ui.overEditableField, p.inside) << p.x << "," << p.y;
        EXPECT_EQ(ui.editing, p.inside) << p.x << "," << p.y;
        CommitEdit();
    }
}

// --- Frame snapshot -------------------------------------------------------------

TEST_F(WidgetsTest, AClickIsTheFirstFrameOfAPress) {
    Frame(10, 10, false);
    EXPECT_FALSE(ui.pointer.clicked);
    EXPECT_TRUE(ui.pointer.released);
    Frame(10, 10, true);
    EXPECT_TRUE(ui.pointer.clicked);
    EXPECT_FALSE(ui.pointer.released);
    Frame(12, 10, true);
    EXPECT_FALSE(ui.pointer.clicked);
    EXPECT_TRUE(ui.pointer.down);
    Frame(12, 10, false);
    EXPECT_TRUE(ui.pointer.released);
}

TEST_F(WidgetsTest, AClickOnTheInterfaceIsTakenUntilRelease) {
    Frame(20, 20, true);
    EXPECT_TRUE(Button(10, 10, 20, 20, "Tip"));
    DrawTooltip();
    EXPECT_TRUE(ui.clickTaken);
    EXPECT_STREQ(ui.tooltip, "Tip");

    Frame(300, 300, true);  // dragged off, still held
    EXPECT_FALSE(Button(10, 10, 20, 20, "Tip"));
    DrawTooltip();
    EXPECT_TRUE(ui.clickTaken);
    EXPECT_FALSE(ui.pointerOverInterface);
    EXPECT_STREQ(ui.tooltip, "");

    Frame(300, 300, false);
    EXPECT_FALSE(ui.clickTaken);
    Frame(300, 300, true);  // a click on the canvas
    DrawTooltip();
    EXPECT_FALSE(ui.clickTaken);
}

TEST_F(WidgetsTest, AButtonActsOnThePressOnly) {
    Frame(15, 15, false);
    EXPECT_FALSE(Button(10, 10, 20, 20, nullptr));
    EXPECT_TRUE(ui.pointerOverInterface);
    Frame(15, 15, true);
    EXPECT_TRUE(Button(10, 10, 20, 20, nullptr));
    Frame(15, 15, true);
    EXPECT_FALSE(Button(10, 10, 20, 20, nullptr));
    Frame(30, 15, false);
    Frame(30, 15, true);
    EXPECT_FALSE(Button(10, 10, 20, 20, nullptr)) << "x + w is outside";
}

// --- Menu rows ----------------------------------------------------------------

TEST_F(WidgetsTest, MenuRowsHoverInsideTheirOwnBand) {
    // A five-row menu at x 100, 92 wide: row r's band is y 17r + 17 .. 17r + 33
    // and x 101 .. 190.
    const struct {
        int x, y;
        int row;  // the row under the pointer, -1 for none
    } cases[] = {
        {150, 16, -1}, {150, 17, 0}, {150, 33, 0}, {150, 34, 1}, {150, 50, 1}, {150, 51, 2},
        {150, 101, 4}, {150, 102, -1}, {100, 25, -1}, {101, 25, 0}, {190, 25, 0}, {191, 25, -1},
    };
    for (const auto& c : cases) {
        Frame(c.x, c.y, false);
        int hovered = -1;
        for (int row = 0; row < 5; ++row)
            if (MenuItem(100, 92, row, "Item")) {
                EXPECT_EQ(hovered, -1) << "two rows at " << c.x << "," << c.y;
                hovered = row;
            }
        EXPECT_EQ(hovered, c.row) << c.x << "," << c.y;
    }
}

// --- Tooltip ------------------------------------------------------------------

// Frames of the pointer at (x, y) over a control named text; returns how many
// of them showed the tooltip.
int Rest(UiState& s, int x, int y, int frames, const char* text = "Tip", bool down = false) {
    int shown = 0;
    for (int i = 0; i < frames; ++i) {
        s.pointer.x = x;
        s.pointer.y = y;
        s.pointer.down = down;
        std::strcpy(s.tooltip, text);
        shown += AdvanceTooltip(s);
    }
    return shown;
}

TEST(TooltipTest, ShowsAfter41FramesAtRest) {
    UiState s;
    EXPECT_EQ(Rest(s, 200, 200, 41), 0) << "the arrival frame and 40 at rest";
    EXPECT_EQ(Rest(s, 200, 200, 1), 1);
    EXPECT_EQ(Rest(s, 205, 193, 10), 10) << "within 8 pixels it stays";
    EXPECT_EQ(Rest(s, 209, 200, 1), 0) << "a larger move hides it";
    EXPECT_EQ(Rest(s, 209, 200, 40), 0);
    EXPECT_EQ(Rest(s, 209, 200, 1), 1);
}

TEST(TooltipTest, AHeldButtonKeepsItHidden) {
    UiState s;
    EXPECT_EQ(Rest(s, 200, 200, 100, "Tip", true), 0);
    // The last frame with the button down already counts as one at rest.
    EXPECT_EQ(Rest(s, 200, 200, 39), 0);
    EXPECT_EQ(Rest(s, 200, 200, 1), 1);
    EXPECT_EQ(Rest(s, 200, 200, 1, "Tip", true), 0);
}

TEST(TooltipTest, NothingShowsWithoutTextOrWithTooltipsOff) {
    UiState s;
    EXPECT_EQ(Rest(s, 200, 200, 100, ""), 0);
    s.showTooltips = false;
    EXPECT_EQ(Rest(s, 200, 200, 100), 0);
    s.showTooltips = true;
    EXPECT_EQ(Rest(s, 200, 200, 41), 0) << "counting starts again when they come back on";
    EXPECT_EQ(Rest(s, 200, 200, 1), 1);
}

TEST(TooltipTest, AnotherControlStartsTheCountAgain) {
    ui = UiState{};
    static const char first[] = "First";
    static const char second[] = "Second";
    auto frame = [](const char* tip) {
        BeginInterfaceFrame(200, 200, false, 800, 600);
        SetTooltip(tip);
        return AdvanceTooltip(ui);
    };
    int shown = 0;
    for (int i = 0; i < 45; ++i) shown += frame(first);
    EXPECT_EQ(shown, 4);
    EXPECT_FALSE(frame(second));
    for (int i = 0; i < 39; ++i) EXPECT_FALSE(frame(second));
    EXPECT_TRUE(frame(second));
    EXPECT_STREQ(ui.tooltip, "Second");
}

TEST(TooltipTest, PlacementKeepsTheBoxInTheWindow) {
    const struct {
        const char* name;
        int anchorX, anchorY, textWidth;
        UiRect box;
    } cases[] = {
        {"above right of the pointer", 100, 100, 50, {102, 82, 55, 17}},
        {"top edge", 100, 17, 50, {107, 0, 55, 17}},
        {"just below the top edge", 100, 18, 50, {102, 0, 55, 17}},
        {"right edge", 780, 100, 50, {745, 82, 55, 17}},
        {"top right corner", 790, 5, 50, {745, 0, 55, 17}},
        {"ends exactly at the edge", 743, 100, 50, {745, 82, 55, 17}},
    };
    for (const auto& c : cases) {
        const UiRect r = PlaceTooltip(c.anchorX, c.anchorY, c.textWidth, 800);
        EXPECT_EQ(r.x, c.box.x) << c.name;
        EXPECT_EQ(r.y, c.box.y) << c.name;
        EXPECT_EQ(r.w, c.box.w) << c.name;
        EXPECT_EQ(r.h, c.box.h) << c.name;
    }
}

}  // namespace
