#pragma once
#include <string>

#include "app/view_navigation.h"
#include "image/document.h"
#include "platform/input.h"
#include "platform/platform.h"

// The one global record of the running program. Each part of the program adds
// the fields it owns.
struct AppState {
    platform::WindowState window;

    Document document;
    ViewState view;

    // The keyboard and joysticks, read once per pass.
    platform::StickInput* input = nullptr;

    // The file named on the command line, loaded once the program is up.
    std::string startupFile;
};

extern AppState app;
