#pragma once
#include <string>

#include "image/document.h"
#include "platform/platform.h"

// The one global record of the running program. Each part of the program adds
// the fields it owns.
struct AppState {
    platform::WindowState window;

    Document document;

    // The file named on the command line, loaded once the program is up.
    std::string startupFile;
};

extern AppState app;
