#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/main_loop.h"
#include "app/startup.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_tablet.h"
#include "platform/program_path.h"
#include "ui/widgets.h"

// The whole program on the fake platform: started as RunProgram starts it
// (a 1024 x 724 document), then driven one main-loop pass at a time with the
// pointer, the keys and the typed characters a test gives it. Every pass runs
// the frame's input and draws the whole frame, so what one part of the frame
// leaves for another is what the running program leaves.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { StartProgram(950, 650); }
    // The program's state is global: what this test left open (a popup, a
    // dialog, a panel under the pointer) must not meet the next test.
    void TearDown() override {
        ShutdownApplication();
        platform::DestroyMainWindow();
        ForgetEarlierInterface();
    }

    // Runs once the fake platform is reset, before the program starts: what
    // the system offers the new program (its user folder, the answers).
    std::function<void()> beforeStart;

    void StartProgram(int windowWidth, int windowHeight) {
        platform::fake::Reset();
        platform::fake::ResetInput();
        platform::fake::ResetTablet();
        platform::fake::State().displayDpi = displayDpi;
        if (beforeStart) beforeStart();
        ResetAppState();
        ForgetEarlierDocument();
        ForgetEarlierInterface();
        SetProgramDirectory(platform::ProgramFile());
        app.window.width = windowWidth;
        app.window.height = windowHeight;
        ASSERT_TRUE(platform::CreateMainWindow("Orvella", app.window, 32));
        ravInit("");
        // The help popup would lie over the window's lower right corner.
        app.showHelp = false;
    }

    // What the display reports to the next StartProgram.
    int displayDpi = 96;

    // One pass with the pointer at (x, y) and the left button down or up;
    // typed is the character the keyboard delivers during the pass, if any.
    void Pass(int x, int y, bool down, unsigned char typed = 0) {
        platform::fake::State().onPump = [=](platform::WindowState& w) {
            w.mouseInWindow = true;
            w.mouseX = x;
            w.mouseY = y;
            w.leftButton = down;
            w.idlePasses = 0;
            if (typed) w.typedChar = typed;
        };
        ASSERT_TRUE(MainLoopPass());
    }
    // The pointer comes to (x, y), presses and releases there.
    void Click(int x, int y) {
        Pass(x, y, false);
        Pass(x, y, true);
        Pass(x, y, false);
    }
    // A key pressed for one pass (with the character it types) and released.
    void Key(int code, unsigned char typed, int x = 5, int y = 300) {
        platform::fake::Hold({code});
        Pass(x, y, false, typed);
        platform::fake::Release({code});
        Pass(x, y, false);
    }

private:
    // A new document keeps the animation state it finds, as at a "new".
    static void ForgetEarlierDocument() {
        Document& doc = app.document;
        doc.animationMode = doc.onionSkin = false;
        doc.framesPerSecond = doc.currentFrame = doc.frameCount = 0;
        std::fill(doc.durations.begin(), doc.durations.end(), 0);
    }
    // The interface state is the program's own; tests before this one ran
    // the same program.
    static void ForgetEarlierInterface() {
        ResetInterfaceState();
        app.newCanvasDialogRequested = false;
        app.newCanvasWidth = 1024;
        app.newCanvasHeight = 724;
        app.clickTaken = app.pointerOverInterface = false;
    }
};
