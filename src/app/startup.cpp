#include "app/startup.h"

#include <string>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/autosave.h"
#include "app/file_commands.h"
#include "app/joystick_pressure.h"
#include "app/painting.h"
#include "image/color_profile.h"
#include "image/thread_scratch.h"
#include "image/workers.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/program_path.h"
#include "ui/gl.h"
#include "ui/text.h"
#include "ui/tile_texture.h"

namespace {
constexpr int kStartWidth = 1024;
constexpr int kStartHeight = 724;
}

std::string CommandLineFile(const std::string& commandLine) {
    if (commandLine.empty() || commandLine[0] != '"') return commandLine;
    const size_t end = commandLine.find('"', 1);
    return commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

void ravInit(const std::string& commandLine) {
    glClearColor(0.8f, 0.8f, 0.8f, 1.0f);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);

    app.input = platform::CreateStickInput();
    StartJoystickPressure(app.joystick, platform::JoystickAxisCount(app.input));

    const int threads = platform::ProcessorCount();
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    InitThreadScratch(threads, kTileSide);
    StartWorkers(threads);

    if (!NewDocument(app.document, kStartWidth, kStartHeight)) LogLine("*** could not create the start-up document");
    ResetView(app.view, app.document.width, app.document.height);
    InitPainting();

    app.canvas = CanvasView();
    app.showHelp = app.showTooltips = true;
    app.forceMouseCoordinates = false;
    app.uiScaleSetting = 0;  // the display's default until config.txt says otherwise
    app.keyboardShortcutsEnabled = true;
    ReadAllSettings();
    // Without its font files the program runs on, its texts taking no room.
    LoadFont(kNormalFont, DataPath("font.tga").c_str());
    LoadFont(kSmallFont, DataPath("fontsmall.tga").c_str());
    // The larger interface scales' own fonts; without them a scale enlarges these.
    for (int scale : {150, 200}) {
        const std::string n = std::to_string(scale);
        LoadFont(kNormalFont, DataPath("font" + n + ".tga").c_str(), scale);
        LoadFont(kSmallFont, DataPath("fontsmall" + n + ".tga").c_str(), scale);
    }

    // A rescued picture comes first: the file named can be opened after it.
    const bool recovered = StartAutosaveAndOfferRecovery(app.autosaveSeconds);
    app.startupFile = CommandLineFile(commandLine);
    // A file that cannot be loaded is reported; the new document stays.
    if (!app.startupFile.empty() && recovered) LogLine("recovered image shown; not opened: %s", app.startupFile.c_str());
    if (!app.startupFile.empty() && !recovered) LoadDocumentOrSayWhy(app.startupFile);
    UpdateWindowTitle();
}

void ShutdownApplication() {
    StopAutosaveAtCleanExit();
    WriteSettingsAtExit();
    ReleaseFonts();
    ShutdownPainting();
    CloseWorkerThreads();
    ReleaseTileTextures(app.document);
    ReleaseDocument(app.document);
    FreeThreadScratch();
    platform::DestroyStickInput(app.input);
    app.input = nullptr;
}
