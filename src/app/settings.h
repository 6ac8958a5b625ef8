#pragma once
#include <string>

#include "app/brush_presets.h"

// The window geometry and interface preferences kept in config.txt beside the
// program: one "key value" line per setting, in a fixed order.
struct Settings {
    int windowWidth = 950;
    int windowHeight = 650;
    int windowX = 0;
    int windowY = 0;
    bool windowMaximized = true;
    bool showOverview = false;
    int overviewSize = 128;
    bool showHelp = true;
    bool showTooltips = true;
    int colorProfile = 2;  // index into the built-in profiles
    bool forceMouseCoordinates = false;
    int uiScale = 0;  // 100, 150 or 200 percent; 0: chosen from the display's DPI
    int autosaveSeconds = 120;  // 0: no autosave
    int undoMemoryMb = 0;  // the history's budget; 0 or less: a quarter of physical memory, at most 2048
    BrushPresets brushPresets = DefaultBrushPresets();
};

constexpr int kSettingsVersion = 2;

// Reads what the text holds into settings, in the file's key order (the
// brush presets last, "brush_preset_N" followed by the radius, hardness and
// pressure scale in hundredths, then 0 or 1 for pressure sensitivity and
// for pressure-controlled size; files from before them keep the defaults). Only
// version 2 is read; the first line that does not match stops the reading,
// and every key not read keeps the value settings already had. Values take
// C's base prefixes (0x hexadecimal, 0 octal).
void ParseSettings(const std::string& text, Settings& settings);
std::string FormatSettings(const Settings& settings);

// The file's side: a missing or unreadable file leaves settings as they are;
// writing replaces the file only when every byte was written.
void ReadSettings(const std::string& path, Settings& settings);
bool WriteSettings(const std::string& path, const Settings& settings);
