#include "app/program.h"

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/main_loop.h"
#include "app/startup.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/program_path.h"
#include "platform/tablet.h"

AppState app;

namespace {

void SetDefaultPlacement(platform::WindowState& w) {
    w.x = 0;
    w.y = 0;
    w.width = 950;
    w.height = 650;
    w.maximized = true;
}

// The file whose presence turns the log on: beside the program, or for an
// installed program, whose folder belongs to the system, in the user's own folder.
std::string LogSwitchPath() {
    const std::string folder = platform::UserSettingsFolder();
    if (!InstalledLayout() || folder.empty()) return ProgramPath("orvella.log");
    return folder + "/orvella.log";
}

}  // namespace

int RunProgram(const std::string& commandLine) {
    platform::WindowState& w = app.window;
    w.typedChar = 0;
    SetDefaultPlacement(w);

    SetProgramDirectory(platform::ProgramFile());
    FindDataDirectory("font.tga");
    LogInit(LogSwitchPath().c_str());

    // A stored size and position only apply to a window that was not
    // maximized when the program last ended.
    LocateProgramAndReadSettings();

    LogLine("CreateGLWindow()");
    if (!platform::CreateMainWindow("Orvella", w, 32)) return 0;
    w.mouseX = -1;
    // Nobody can be asked about a window the system took away.
    platform::SetWindowLostHandler(WriteSettingsAtExit);

    // Without a tablet the program runs on the mouse alone.
    LogLine("TabletInit()");
    platform::TabletInit();

    LogLine("ravInit()");
    ravInit(commandLine);

    LogLine("enter message loop ------------ USAGE START");
    while (MainLoopPass()) {
    }
    LogLine("leave message loop ------------ USAGE END");

    platform::StoreFinalPlacement();
    ShutdownApplication();
    platform::TabletClose();
    platform::DestroyMainWindow();
    LogLine("end of WinMain() -> exit program");
    return w.exitCode;
}
