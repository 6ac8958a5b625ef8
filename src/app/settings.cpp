#include "app/settings.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fileio/safe_file.h"
#include "platform/file_open.h"
#include "platform/log.h"

namespace {

// Reads "key value" at pos the way "key %i" with trailing whitespace would;
// false (pos unchanged) when the text does not match.
bool ReadKey(const std::string& text, size_t& pos, const char* key, int& value) {
    const std::string k(key);
    if (text.compare(pos, k.size(), k) != 0) return false;
    size_t p = pos + k.size();
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
    if (p >= text.size()) return false;
    const char* start = text.c_str() + p;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(start, &end, 0);
    if (end == start) return false;
    // A number beyond int is no setting this program wrote.
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    value = int(v);
    p += size_t(end - start);
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
    pos = p;
    return true;
}

// "key v1 v2 ..." at pos, count numbers as ReadKey reads one; false (pos
// unchanged) when the text does not match.
bool ReadKeyValues(const std::string& text, size_t& pos, const char* key, int* values, int count) {
    size_t p = pos;
    if (!ReadKey(text, p, key, values[0])) return false;
    for (int i = 1; i < count; ++i) {
        const char* start = text.c_str() + p;
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(start, &end, 0);
        if (end == start || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
        values[i] = int(v);
        p += size_t(end - start);
        while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
    }
    pos = p;
    return true;
}

std::string PresetKey(int slot) { return "brush_preset_" + std::to_string(slot + 1); }

int Hundredths(float v) { return int(std::lround(v * 100.0f)); }

}  // namespace

void ParseSettings(const std::string& text, Settings& s) {
    size_t pos = 0;
    int version = 0;
    if (!ReadKey(text, pos, "version", version) || version != kSettingsVersion) return;

    int v = 0;
    // Every key in file order; a line that does not match ends the reading.
    auto integer = [&](const char* key, int& field) {
        if (!ReadKey(text, pos, key, v)) return false;
        field = v;
        return true;
    };
    auto flag = [&](const char* key, bool& field) {
        if (!ReadKey(text, pos, key, v)) return false;
        field = v != 0;
        return true;
    };
    integer("window_width", s.windowWidth) && integer("window_height", s.windowHeight) &&
        integer("window_x", s.windowX) && integer("window_y", s.windowY) &&
        flag("window_maximized", s.windowMaximized) && flag("show_overview", s.showOverview) &&
        integer("overview_size", s.overviewSize) && flag("show_help", s.showHelp) &&
        flag("show_tooltips", s.showTooltips) && integer("color_profile", s.colorProfile) &&
        flag("force_mouse_coordinates", s.forceMouseCoordinates) && integer("ui_scale", s.uiScale) &&
        integer("autosave_seconds", s.autosaveSeconds) && integer("undo_memory_mb", s.undoMemoryMb) && [&] {
            for (int slot = 0; slot < kBrushPresetCount; ++slot) {
                int v[5];
                if (!ReadKeyValues(text, pos, PresetKey(slot).c_str(), v, 5)) return false;
                s.brushPresets[size_t(slot)] = ClampedPreset({v[0] / 100.0f, v[1] / 100.0f, v[2] / 100.0f, v[3] != 0, v[4] != 0});
            }
            return true;
        }();
}

std::string FormatSettings(const Settings& s) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "version %i\nwindow_width %i\nwindow_height %i\nwindow_x %i\nwindow_y %i\n"
                  "window_maximized %i\nshow_overview %i\noverview_size %i\nshow_help %i\n"
                  "show_tooltips %i\ncolor_profile %i\nforce_mouse_coordinates %i\nui_scale %i\n"
                  "autosave_seconds %i\nundo_memory_mb %i\n",
                  kSettingsVersion, s.windowWidth, s.windowHeight, s.windowX, s.windowY, s.windowMaximized ? 1 : 0,
                  s.showOverview ? 1 : 0, s.overviewSize, s.showHelp ? 1 : 0, s.showTooltips ? 1 : 0,
                  s.colorProfile, s.forceMouseCoordinates ? 1 : 0, s.uiScale, s.autosaveSeconds, s.undoMemoryMb);
    std::string all = text;
    for (int slot = 0; slot < kBrushPresetCount; ++slot) {
        const BrushPreset& p = s.brushPresets[size_t(slot)];
        std::snprintf(text, sizeof text, "%s %i %i %i %i %i\n", PresetKey(slot).c_str(), Hundredths(p.radius),
                      Hundredths(p.hardness), Hundredths(p.pressureScale), p.pressureSensitivity ? 1 : 0,
                      p.pressureControlledSize ? 1 : 0);
        all += text;
    }
    return all;
}

void ReadSettings(const std::string& path, Settings& settings) {
    LogLine("reading config");
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return;
    std::ostringstream text;
    text << in.rdbuf();
    ParseSettings(text.str(), settings);
}

bool WriteSettings(const std::string& path, const Settings& settings) {
    LogLine("writing config");
    SafeFile out;
    if (!out.Open(path)) return false;
    const std::string text = FormatSettings(settings);
    std::fwrite(text.data(), 1, text.size(), out.File());
    return out.Commit();
}
