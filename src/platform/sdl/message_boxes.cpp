#include "platform/sdl/message_boxes.h"

#include "platform/log.h"
#include "platform/platform.h"
#include "platform/sdl/main_window.h"

namespace platform {

namespace {

constexpr int kCancel = 0;
constexpr int kOk = 1;

}  // namespace

bool AskOkCancel(const char* title, const char* text) {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kOk, "OK"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kCancel, "Cancel"},
    };
    const SDL_MessageBoxData box = {SDL_MESSAGEBOX_WARNING, sdl::MainWindow(), title, text,
                                    SDL_arraysize(buttons), buttons, nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        // Without an answer the safe one is Cancel: these questions guard
        // against losing the user's work.
        LogLine("#### message box failed: %s", SDL_GetError());
        return false;
    }
    // Closing the box through the window manager (-1) counts as Cancel.
    return chosen == kOk;
}

// Errors carry the exclamation icon, as the questions do.
void ShowError(const char* title, const char* text) { sdl::ShowOkBox(SDL_MESSAGEBOX_WARNING, title, text); }

namespace sdl {

void ShowOkBox(Uint32 iconFlag, const char* title, const char* text) {
    const SDL_MessageBoxButtonData ok = {
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kOk, "OK"};
    const SDL_MessageBoxData box = {iconFlag, MainWindow(), title, text, 1, &ok, nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        LogLine("#### message box failed: %s", SDL_GetError());
        LogLine("%s: %s", title, text);
    }
}

}  // namespace sdl
}  // namespace platform
