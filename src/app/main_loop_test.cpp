#include "app/main_loop.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "platform/fake/fake_platform.h"

#include <cstdio>
#include <vector>

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::Reset();
        ResetAppState();
        // What earlier tests left moving.
        ResetInterfaceState();
        app.view = ViewState();
        app.canvas = CanvasView();
        app.canvas.overview.slide = 0;  // slid away, as some passes after the start
        ASSERT_TRUE(platform::CreateMainWindow("Orvella", app.window, 32));
    }
    platform::fake::Recorder& os = platform::fake::State();
};

struct CloseCase {
    const char* name;
    bool modified;
    std::deque<bool> answers;
    bool keepsRunning;
    size_t questions;
};

class CloseRequest : public MainLoopTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseRequest, EndsOrAsksAsTheDocumentRequires) {
    const CloseCase& c = GetParam();
    app.document.modified = c.modified;
    os.answers = c.answers;
    os.onPump = [](platform::WindowState& w) { w.closeRequested = true; };

    EXPECT_EQ(MainLoopPass(), c.keepsRunning);
    ASSERT_EQ(os.questions.size(), c.questions);
    if (c.questions) {
        EXPECT_EQ(os.questions[0].title, "Confirm quit");
        EXPECT_EQ(os.questions[0].text, "Changes will be lost, ok?");
    }
    if (c.keepsRunning) {
        EXPECT_FALSE(app.window.closeRequested);  // the next pass starts without the request
        EXPECT_EQ(os.swaps, 1);                   // and this one still drew its frame
    } else {
        EXPECT_EQ(os.swaps, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CloseRequest,
                         ::testing::Values(CloseCase{"Unmodified", false, {}, false, 0},
                                           CloseCase{"ModifiedOk", true, {true}, false, 1},
                                           CloseCase{"ModifiedCancel", true, {false}, true, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainLoopTest, AfterCancelTheNextPassProceedsNormally) {
    app.document.modified = true;
    os.answers = {false};
    int pass = 0;
    os.onPump = [&pass](platform::WindowState& w) { w.closeRequested = (pass++ == 0); };
    EXPECT_TRUE(MainLoopPass());
    EXPECT_TRUE(MainLoopPass());
    EXPECT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.swaps, 2);
}

TEST_F(MainLoopTest, SleepsOnlyAfterThirtyStillPassesAndWakesOnMovement) {
    // A held button: the frame changes by itself, so the loop keeps a pace.
    os.onPump = [](platform::WindowState& w) { w.leftButton = true; };
    for (int i = 0; i < 32; ++i) ASSERT_TRUE(MainLoopPass());
    ASSERT_EQ(os.sleeps.size(), 32u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(os.sleeps[i], 0) << "pass " << i;
    EXPECT_EQ(os.sleeps[30], 10);
    EXPECT_EQ(os.sleeps[31], 10);
    EXPECT_TRUE(os.waits.empty());

    os.onPump = [](platform::WindowState& w) { w.idlePasses = 0; };  // the mouse moved
    ASSERT_TRUE(MainLoopPass());
    os.onPump = nullptr;
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.sleeps[33], 0);
}

// With nothing changing the loop neither draws again nor sleeps in short
// steps: it waits for the next event, at most a second at a time.
TEST_F(MainLoopTest, AnIdleProgramWaitsForEventsAndSettlesAfterOne) {
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(MainLoopPass());
    EXPECT_TRUE(os.waits.empty());
    const size_t sleeps = os.sleeps.size();
    ASSERT_TRUE(MainLoopPass());
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.waits, (std::vector<int>{1000, 1000}));
    EXPECT_EQ(os.sleeps.size(), sleeps);  // no pacing sleep besides the waits

    // An event (a key, a wake from a worker) ends the wait: a few passes
    // follow without waiting, so that what one pass leaves for the next is done.
    os.eventArrives = true;
    ASSERT_TRUE(MainLoopPass());
    os.eventArrives = false;
    EXPECT_EQ(os.waits.size(), 3u);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.waits.size(), 3u);
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.waits.size(), 4u);
}

TEST_F(MainLoopTest, WhatChangesTheFrameByItselfKeepsThePace) {
    struct Case {
        const char* name;
        void (*start)();
    };
    const Case cases[] = {
        {"middle button held", [] { app.window.middleButton = true; }},
        {"zoom easing", [] {
             app.view.zoomStep = 30;
             app.view.zoomTarget = ZoomTarget(30);
         }},
        {"a layer button's pause", [] { app.layerPanel.actionPause = kLayerActionPause; }},
        {"the overview sliding in", [] {
             app.canvas.overview.show = true;
             app.canvas.overview.slide = 0.2f;
         }},
        {"a tooltip counting", [] {
             ui.showTooltips = true;
             std::snprintf(ui.tooltip, sizeof ui.tooltip, "%s", "tip");
             ui.tooltipCounter = 3;
         }},
    };
    for (const Case& c : cases) {
        SetUp();
        app.window.idlePasses = 40;
        c.start();
        ASSERT_TRUE(MainLoopPass());
        EXPECT_TRUE(os.waits.empty()) << c.name;
        EXPECT_EQ(os.sleeps, (std::vector<int>{10})) << c.name;
    }
}

TEST_F(MainLoopTest, ATimerEndsTheWaitWhenItIsDue) {
    app.window.idlePasses = 40;
    os.clock = 5000;
    RequestPassAt(5700);
    RequestPassAt(5250);  // the earlier one counts
    RequestPassAt(5900);
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.waits, (std::vector<int>{250}));
    // Its time has come (the fake clock ran through the wait): a pass at once.
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.waits.size(), 1u);
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.waits, (std::vector<int>{250, 1000}));
    // A clock that wraps round keeps the order.
    EXPECT_EQ(IdleWaitMs(0xFFFFFF00u), 1000);
    RequestPassAt(0x40u);
    EXPECT_EQ(IdleWaitMs(0xFFFFFF00u), 0x140);
    // Its time come, the request is dropped (and leaves no wake to the next test).
    EXPECT_EQ(IdleWaitMs(0x40u), 0);
    EXPECT_EQ(IdleWaitMs(0x40u), 1000);
}

TEST_F(MainLoopTest, WheelAndPaintCountLastOnePass) {
    os.onPump = [](platform::WindowState& w) {
        w.wheel = -1;
        w.paintCount = 3;
    };
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(app.window.paintCount, 0);
    EXPECT_EQ(app.window.wheel, -1);  // seen by this pass's input handling
    os.onPump = nullptr;
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(app.window.wheel, 0);
}

TEST_F(MainLoopTest, TheQuitMessageEndsTheLoopAfterDrawing) {
    os.onPump = [](platform::WindowState& w) { w.quit = true; };
    EXPECT_FALSE(MainLoopPass());
    EXPECT_EQ(os.swaps, 1);
    EXPECT_TRUE(os.questions.empty());
}

}  // namespace
