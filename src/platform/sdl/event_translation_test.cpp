#include "platform/sdl/event_translation.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using platform::sdl::EventRecorder;
using platform::sdl::FollowUp;
using platform::sdl::LastLatin1Char;
using platform::sdl::ScaleToLogical;
using platform::sdl::WindowFacts;

SDL_Event WindowEvent(Uint8 kind, int data1 = 0, int data2 = 0) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = kind;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
}

SDL_Event Motion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    return e;
}

SDL_Event Button(bool down, Uint8 button) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    return e;
}

SDL_Event Wheel(int x, int y, float preciseY, bool flipped = false) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.x = x;
    e.wheel.y = y;
    e.wheel.preciseX = float(x);
    e.wheel.preciseY = preciseY;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return e;
}

SDL_Event Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
}

SDL_Event Key(SDL_Keycode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    return e;
}

// A window whose client area sits 4 pixels right of and 23 below its outer
// corner, at the logical size.
class WindowEvents : public ::testing::Test {
protected:
    WindowEvents() {
        state.x = 40;
        state.y = 30;
        state.width = 950;
        state.height = 650;
        facts.clientX = 44;
        facts.clientY = 53;
        facts.clientWidth = 950;
        facts.clientHeight = 650;
        facts.borderLeft = 4;
        facts.borderTop = 23;
    }
    FollowUp Record(const SDL_Event& e) { return recorder.Record(e, facts, state); }

    platform::WindowState state;
    WindowFacts facts;
    EventRecorder recorder;
};

TEST_F(WindowEvents, MoveStoresTheOuterCornerOfTheWindow) {
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_MOVED, 104, 223)), FollowUp::kNone);
    EXPECT_EQ(state.x, 100);
    EXPECT_EQ(state.y, 200);
    Record(WindowEvent(SDL_WINDOWEVENT_MOVED, -300, 10));
    EXPECT_EQ(state.x, -304);
    EXPECT_EQ(state.y, -13);
}

TEST_F(WindowEvents, SizeChangeStoresTheClientSizeAndAsksForANewViewport) {
    for (Uint8 kind : {SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_RESIZED}) {
        EXPECT_EQ(Record(WindowEvent(kind, 1280, 977)), FollowUp::kNewSize);
        EXPECT_EQ(state.width, 1280);
        EXPECT_EQ(state.height, 977);
        EXPECT_EQ(Record(WindowEvent(kind, 300, 0)), FollowUp::kNewSize);
        EXPECT_EQ(state.width, 300);
        EXPECT_EQ(state.height, 1) << "a client height of 0 is stored as 1";
    }
}

TEST_F(WindowEvents, AMinimisedWindowKeepsItsPlacementUntilRestored) {
    Record(WindowEvent(SDL_WINDOWEVENT_MINIMIZED));
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_MOVED, -32000, -32000)), FollowUp::kNone);
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0)), FollowUp::kNone);
    EXPECT_EQ(state.x, 40);
    EXPECT_EQ(state.y, 30);
    EXPECT_EQ(state.width, 950);
    EXPECT_EQ(state.height, 650);

    // Restored where the window really is now, whatever was dropped meanwhile.
    facts.clientX = 504;
    facts.clientY = 423;
    facts.clientWidth = 800;
    facts.clientHeight = 600;
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_RESTORED)), FollowUp::kNewSize);
    EXPECT_EQ(state.x, 500);
    EXPECT_EQ(state.y, 400);
    EXPECT_EQ(state.width, 800);
    EXPECT_EQ(state.height, 600);
    Record(WindowEvent(SDL_WINDOWEVENT_MOVED, 14, 33));
    EXPECT_EQ(state.x, 10);
}

TEST_F(WindowEvents, MaximisingAMinimisedWindowTracksItAgain) {
    Record(WindowEvent(SDL_WINDOWEVENT_MINIMIZED));
    Record(WindowEvent(SDL_WINDOWEVENT_MAXIMIZED));
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1280, 990)), FollowUp::kNewSize);
    EXPECT_EQ(state.width, 1280);
}

TEST_F(WindowEvents, EveryExposureAfterTheSecondRedraws) {
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_EXPOSED)), FollowUp::kNone);
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_EXPOSED)), FollowUp::kNone);
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_EXPOSED)), FollowUp::kPaint);
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_EXPOSED)), FollowUp::kPaint);
    EXPECT_EQ(state.paintCount, 4);
}

TEST_F(WindowEvents, CloseAndQuitOnlyRequestClosing) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    for (const SDL_Event& e : {WindowEvent(SDL_WINDOWEVENT_CLOSE), quit}) {
        state.closeRequested = false;
        Record(e);
        EXPECT_TRUE(state.closeRequested);
        EXPECT_FALSE(state.quit);
    }
}

TEST_F(WindowEvents, MotionScalesTheRealClientPositionIntoTheLogicalSize) {
    state.idlePasses = 57;
    facts.clientWidth = 1900;
    facts.clientHeight = 1300;
    EXPECT_EQ(Record(Motion(101, 1299)), FollowUp::kApplyCursor);
    EXPECT_TRUE(state.mouseInWindow);
    EXPECT_EQ(state.mouseX, 51) << "50.5 rounds to the nearest pixel, up";
    EXPECT_EQ(state.mouseY, 650);
    EXPECT_EQ(state.idlePasses, 0);
}

struct ButtonCase {
    bool down;
    Uint8 button;
    bool left, right, middle;  // expected, starting from left up, right down and middle up
};

class MouseButtons : public WindowEvents, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(MouseButtons, FollowTheLeftRightAndMiddleButtonsOnly) {
    state.rightButton = true;
    Record(Button(GetParam().down, GetParam().button));
    EXPECT_EQ(state.leftButton, GetParam().left);
    EXPECT_EQ(state.rightButton, GetParam().right);
    EXPECT_EQ(state.middleButton, GetParam().middle);
}

INSTANTIATE_TEST_SUITE_P(Buttons, MouseButtons,
                         ::testing::Values(ButtonCase{true, SDL_BUTTON_LEFT, true, true, false},
                                           ButtonCase{false, SDL_BUTTON_RIGHT, false, false, false},
                                           ButtonCase{true, SDL_BUTTON_MIDDLE, false, true, true},
                                           ButtonCase{false, SDL_BUTTON_MIDDLE, false, true, false},
                                           ButtonCase{true, SDL_BUTTON_X1, false, true, false}));

TEST_F(WindowEvents, LeavingReleasesBothButtonsAndEnteringMarksThePointerIn) {
    Record(Motion(10, 10));
    Record(Button(true, SDL_BUTTON_LEFT));
    Record(Button(true, SDL_BUTTON_RIGHT));
    Record(Button(true, SDL_BUTTON_MIDDLE));
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_LEAVE)), FollowUp::kNone);
    EXPECT_FALSE(state.leftButton);
    EXPECT_FALSE(state.rightButton);
    EXPECT_FALSE(state.middleButton);
    EXPECT_FALSE(state.mouseInWindow);
    EXPECT_EQ(Record(WindowEvent(SDL_WINDOWEVENT_ENTER)), FollowUp::kApplyCursor);
    EXPECT_TRUE(state.mouseInWindow);
}

struct WheelCase {
    SDL_Event event;
    int expected;  // starting from a direction of 0
    const char* what;
};

class WheelSteps : public WindowEvents, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelSteps, GiveTheDirectionOnly) {
    Record(GetParam().event);
    EXPECT_EQ(state.wheel, GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Steps, WheelSteps,
                         ::testing::Values(WheelCase{Wheel(0, 1, 1.0f), 1, "up"},
                                           WheelCase{Wheel(0, -3, -3.0f), -1, "three notches down"},
                                           WheelCase{Wheel(0, 1, 1.0f, true), -1, "flipped up"},
                                           WheelCase{Wheel(0, 0, 0.25f), 1, "a fraction of a notch"},
                                           WheelCase{Wheel(0, 0, 0.0f), 0, "no vertical movement"},
                                           WheelCase{Wheel(2, 0, 0.0f), 0, "sideways only"}));

TEST_F(WindowEvents, TheLastWheelStepWinsAndAnEmptyOneChangesNothing) {
    Record(Wheel(0, 1, 1.0f));
    Record(Wheel(0, -1, -1.0f));
    EXPECT_EQ(state.wheel, -1);
    Record(Wheel(0, 0, 0.0f));
    EXPECT_EQ(state.wheel, -1);
}

TEST_F(WindowEvents, TypedTextAndEditingKeysArriveAsCharacters) {
    Record(Text("a"));
    EXPECT_EQ(state.typedChar, 'a');
    Record(Text("\xc3\xa4"));  // ä
    EXPECT_EQ(state.typedChar, 228);
    Record(Text("\xe2\x82\xac"));  // the euro sign has no Latin-1 byte
    EXPECT_EQ(state.typedChar, 228);
    Record(Key(SDLK_BACKSPACE));
    EXPECT_EQ(state.typedChar, 8);
    Record(Key(SDLK_RETURN));
    EXPECT_EQ(state.typedChar, 13);
    Record(Key(SDLK_ESCAPE));
    EXPECT_EQ(state.typedChar, 27);
    // A printable key arrives through its text; the key itself adds nothing.
    Record(Key(SDLK_b));
    EXPECT_EQ(state.typedChar, 27);
}

struct TextCase {
    const char* utf8;
    int expected;
};

class Latin1 : public ::testing::TestWithParam<TextCase> {};

TEST_P(Latin1, TakesTheLastCharacterThatFitsOneByte) {
    EXPECT_EQ(LastLatin1Char(GetParam().utf8), GetParam().expected) << GetParam().utf8;
}

INSTANTIATE_TEST_SUITE_P(Texts, Latin1,
                         ::testing::Values(TextCase{"", 0}, TextCase{"z", 'z'}, TextCase{"ab", 'b'},
                                           TextCase{"\xc3\x85", 197},                // Å
                                           TextCase{"\xc3\xb6\xe2\x82\xac", 246},    // ö then €
                                           TextCase{"\xf0\x9f\x8e\xa8", 0},          // an emoji
                                           TextCase{"\xc3", 0},                      // cut short
                                           TextCase{"\xa4x", 'x'},                   // stray continuation byte
                                           TextCase{"\xc3(", '('}));                 // broken sequence

struct ScaleCase {
    int position, real, logical, expected;
};

class Scaling : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(Scaling, RoundsToTheNearestLogicalPixel) {
    const ScaleCase c = GetParam();
    EXPECT_EQ(ScaleToLogical(c.position, c.real, c.logical), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Positions, Scaling,
                         ::testing::Values(ScaleCase{0, 950, 950, 0}, ScaleCase{949, 950, 950, 949},
                                           ScaleCase{99, 200, 100, 50}, ScaleCase{1, 3, 200, 67},
                                           ScaleCase{600, 800, 1024, 768},
                                           // No client area to scale from: the position stays.
                                           ScaleCase{35, 0, 950, 35}));

}  // namespace
