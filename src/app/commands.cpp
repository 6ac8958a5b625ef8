#include "app/commands.h"

#include "app/app_state.h"
#include "platform/log.h"
#include "platform/platform.h"

void PostCommand(const std::string& text) { app.pendingCommand = text; }

// No command has a handler yet: a posted one is logged and dropped, so the
// wait cursor does not stay on for something that will never run.
bool DispatchCommands() {
    if (app.pendingCommand.empty()) return true;
    LogLine("command not available yet: %s", app.pendingCommand.c_str());
    app.pendingCommand.clear();
    return true;
}

bool ConfirmDiscard() {
    if (!app.document.modified) return true;
    return platform::AskOkCancel("Confirm quit", "Changes will be lost, ok?");
}
