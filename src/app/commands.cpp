#include "app/commands.h"

#include <cstdlib>

#include "app/app_state.h"
#include "app/edits.h"
#include "app/file_commands.h"
#include "app/painting.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "image/memory_guard.h"
#include "image/profile_change.h"
#include "image/undo.h"
#include "platform/input.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace {

// "word N": the first word and the number after one space; -1 when there is
// no number.
void SplitCommand(const std::string& command, std::string& word, int& number) {
    const size_t space = command.find(' ');
    word = command.substr(0, space);
    number = -1;
    if (space == std::string::npos) return;
    const char* start = command.c_str() + space + 1;
    char* end = nullptr;
    const long n = std::strtol(start, &end, 10);
    if (end != start && n >= -1000000 && n <= 1000000) number = int(n);
}

void AskForNewCanvas() {
    if (app.document.modified && !platform::AskOkCancel("Confirm new image", "Changes will be lost, ok?")) return;
    app.newCanvasDialogRequested = true;
}

void LeaveAnimation() {
    if (!platform::AskOkCancel("Confirm exit animation mode", "The animation will be lost, ok?")) return;
    DocumentWillChange();
    ExitAnimation(app.document);
}

// What copies of every image of the document take.
uint64_t DocumentImageBytes(const Document& doc) {
    uint64_t images = 0;
    for (const LayerTile* stack : doc.stacks)
        for (const LayerTile* tile = stack; tile; tile = tile->next)
            if (tile->animated)
                images += tile->frames.size();
            else
                images += tile->empty ? 0 : 1;
    return images * kTileImageBytes;
}

void ChangeProfile(int index) {
    const bool known = BuiltinProfile(index) != nullptr;
    // The step keeps a copy of every image; refused before anything changes.
    TakeMemoryShortage();
    if (known && !MemoryFor(DocumentImageBytes(app.document))) {
        SayIfOutOfMemory();
        return;
    }
    DocumentWillChange();
    if (!BeginDocumentEdit(kStepColorProfile, -1)) return;
    // Every sample is converted, so the document differs from its file.
    if (ChangeColorProfile(app.document, index)) {
        EndDocumentEdit();
    } else {
        CancelDocumentEdit();
        if (!known) {
            LogLine("no colour profile %i", index);
        } else {
            // A known profile fails only for want of memory for the copies.
            NoteMemoryShortage();
            SayIfOutOfMemory();
        }
    }
    DocumentReplaced();
}

// Commands that replace, edit or write the document. While a dialog holds
// it, they wait for nobody: a preview would land on another document, Cancel
// could no longer restore the layer, or a save would write previewed pixels.
bool EditsDocument(const std::string& word) {
    for (const char* edit : {"open", "new", "new-dimensions", "animexit", "save", "saveas", "color", "filter",
                             "filter-blur"})
        if (word == edit) return true;
    return false;
}

}  // namespace

void PostCommand(const std::string& text) { app.pendingCommand = text; }

bool DispatchCommands() {
    if (app.pendingCommand.empty()) return true;
    const std::string command = app.pendingCommand;
    app.pendingCommand.clear();

    std::string word;
    int number = -1;
    SplitCommand(command, word, number);
    if (DialogHoldsDocument() && EditsDocument(word)) {
        LogLine("\"%s\" waits: a dialog is open", command.c_str());
        return true;
    }

    if (command == "exit") return false;
    if (command == "open") OpenOrRevert(platform::KeyDown(app.input, platform::kKeyR));
    if (command == "save") SaveDocument(false);
    if (command == "saveas") SaveDocument(true);
    if (command == "new-dimensions") AskForNewCanvas();
    if (command == "new") NewBlankDocument();
    if (command == "animexit") LeaveAnimation();
    if (word == "color") ChangeProfile(number);
    if (word == "filter-blur" || word == "filter") RunFilterCommand(word, number);
    return true;
}

bool DialogHoldsDocument() { return FilterDialogOpen() || app.popups.sizeDialog != 0; }

bool ConfirmDiscard() {
    if (!app.document.modified) return true;
    return platform::AskOkCancel("Confirm quit", "Changes will be lost, ok?");
}
