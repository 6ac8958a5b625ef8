#pragma once
#include "app/settings.h"

// config.txt beside the program (or, when the program's folder takes no
// files, in the user's own settings folder), as the program's state reads and
// writes it.

// Before the window exists: the stored window placement, unless the window
// was maximized when the program last ended.
void LocateProgramAndReadSettings();
// During start-up, once the interface defaults are set: every key.
void ReadAllSettings();
// At exit.
void WriteSettingsAtExit();

Settings CurrentSettings();
void ApplySettings(const Settings& settings);
