#pragma once
#include "app/app_state.h"
#include "image/document.h"

// Starts a test from a program that has not run yet.
inline void ResetAppState() {
    ReleaseDocument(app.document);
    app.document.modified = false;
    app.window = platform::WindowState();
    app.startupFile.clear();
}
