#include "app/main_loop.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "platform/fake/fake_platform.h"

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::Reset();
        ResetAppState();
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
    for (int i = 0; i < 32; ++i) ASSERT_TRUE(MainLoopPass());
    ASSERT_EQ(os.sleeps.size(), 32u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(os.sleeps[i], 0) << "pass " << i;
    EXPECT_EQ(os.sleeps[30], 10);
    EXPECT_EQ(os.sleeps[31], 10);

    os.onPump = [](platform::WindowState& w) { w.idlePasses = 0; };  // the mouse moved
    ASSERT_TRUE(MainLoopPass());
    os.onPump = nullptr;
    ASSERT_TRUE(MainLoopPass());
    EXPECT_EQ(os.sleeps[33], 0);
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
