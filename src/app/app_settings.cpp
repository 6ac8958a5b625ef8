#include "app/app_settings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/app_state.h"
#include "app/file_commands.h"
#include "app/painting.h"
#include "image/color_profile.h"
#include "image/profile_change.h"
#include "platform/file_open.h"
#include "image/undo.h"
#include "platform/platform.h"
#include "platform/program_path.h"
#include "ui/ui_scale.h"

namespace {

namespace fs = std::filesystem;

// Whether a new file can be made in folder, found by making (and removing)
// one: permissions alone do not say it for every system and user.
bool FolderTakesFiles(const std::string& folder) {
    const std::string probe = folder + ".orvella-write-test";
    std::FILE* file = OpenFile(probe, "wb");
    if (!file) return false;
    std::fclose(file);
    std::error_code ec;
    fs::remove(PathFromUtf8(probe), ec);
    return true;
}

// config.txt beside the program, where it already is or can be written (the
// portable way to keep settings with the program); an installed program's
// folder takes no files, so its settings live in the user's own folder. So do
// those of a program whose data was installed beside its bin/ folder, even
// when that folder takes files (the administrator's program): what the
// program wrote there would outlive its package.
std::string SettingsPath() {
    const std::string beside = ProgramPath("config.txt");
    if (!InstalledLayout() && (std::ifstream(PathFromUtf8(beside)).good() || FolderTakesFiles(ProgramDirectory())))
        return beside;
    const std::string folder = platform::UserSettingsFolder();
    std::error_code ec;
    if (folder.empty() || (!fs::create_directories(PathFromUtf8(folder), ec) && ec)) return beside;
    return Utf8FromPath(PathFromUtf8(folder) / "config.txt");
}

void ApplyPlacement(const Settings& s) {
    platform::WindowState& w = app.window;
    w.maximized = s.windowMaximized;
    if (w.maximized) return;
    // A size no window can have is no placement to restore.
    if (s.windowWidth > 0 && s.windowHeight > 0) {
        w.width = s.windowWidth;
        w.height = s.windowHeight;
    }
    w.x = s.windowX;
    w.y = s.windowY;
}

}  // namespace

Settings CurrentSettings() {
    Settings s;
    const platform::WindowState& w = app.window;
    s.windowWidth = w.width;
    s.windowHeight = w.height;
    s.windowX = w.x;
    s.windowY = w.y;
    s.windowMaximized = w.maximized;
    s.showOverview = app.canvas.overview.show;
    s.overviewSize = app.canvas.overview.size;
    s.showHelp = app.showHelp;
    s.showTooltips = app.showTooltips;
    const int profile = CurrentProfileIndex();
    s.colorProfile = profile < 0 ? kDefaultProfileIndex : profile;
    s.forceMouseCoordinates = app.forceMouseCoordinates;
    s.uiScale = app.uiScaleSetting;
    s.autosaveSeconds = app.autosaveSeconds;
    s.undoMemoryMb = app.undoMemoryMb;
    s.brushPresets = app.brushPresets;
    return s;
}

// The placement is not among them: the window was made from it before start-up
// read the rest (LocateProgramAndReadSettings), and the backend fitted it to
// the screen then; taking the stored one again would undo that.
void ApplySettings(const Settings& s) {
    app.canvas.overview.show = s.showOverview;
    app.canvas.overview.size = std::clamp(s.overviewSize, kMinOverviewSize, kMaxOverviewSize);
    app.showHelp = s.showHelp;
    app.showTooltips = s.showTooltips;
    app.forceMouseCoordinates = s.forceMouseCoordinates;
    app.uiScaleSetting = s.uiScale;
    SetUiScale(ChosenUiScale(s.uiScale, platform::DisplayDpi()));
    app.autosaveSeconds = s.autosaveSeconds;
    app.undoMemoryMb = s.undoMemoryMb;
    SetHistoryBudget(s.undoMemoryMb > 0 ? size_t(s.undoMemoryMb) << 20
                                        : DefaultHistoryBudget(platform::PhysicalMemoryBytes()));
    app.brushPresets = s.brushPresets;
    // An index outside the table keeps the current profile; the document's
    // pixels are re-encoded into a new one.
    if (s.colorProfile >= 0 && s.colorProfile < kProfileCount && s.colorProfile != CurrentProfileIndex()) {
        DocumentWillChange();
        ChangeColorProfile(app.document, s.colorProfile);
        DocumentReplaced();
    }
}

void LocateProgramAndReadSettings() {
    Settings s = CurrentSettings();
    ReadSettings(SettingsPath(), s);
    ApplyPlacement(s);
}

void ReadAllSettings() {
    Settings s = CurrentSettings();
    ReadSettings(SettingsPath(), s);
    ApplySettings(s);
}

void WriteSettingsAtExit() { WriteSettings(SettingsPath(), CurrentSettings()); }
