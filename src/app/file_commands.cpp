#include "app/file_commands.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "app/app_state.h"
#include "app/painting.h"
#include "fileio/clipboard_image.h"
#include "fileio/file_problem.h"
#include "fileio/image_file.h"
#include "image/animation.h"
#include "platform/file_open.h"
#include "image/memory_guard.h"
#include "platform/log.h"
#include "platform/platform.h"

namespace {

const char kTitlePrefix[] = "Orvella 0.25 - ";
const char kUnreadableClipboardPicture[] = "The picture on the clipboard cannot be read.";
const char kClipboardRefusedPicture[] = "The picture could not be put on the clipboard.";

bool Readable(const std::string& path) { return std::ifstream(PathFromUtf8(path), std::ios::binary).good(); }

bool AnyReadable(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (Readable(path)) return true;
    return false;
}

// The message's first line, and why on a second where the file code knows.
std::string WithReason(const char* first) {
    const char* why = FileProblemText(TakeFileProblem());
    return *why ? std::string(first) + "\n" + why : std::string(first);
}

bool WholeDocumentWritten(const Document& doc) { return doc.layerCount == 1 || doc.layeredFile; }

// The wait cursor while a long load or save holds the main loop, then the
// cursor the window had.
class WaitCursor {
public:
    WaitCursor() : kind_(app.window.cursorKind), hidden_(app.window.cursorHidden) {
        app.window.cursorKind = platform::kCursorWait;
        app.window.cursorHidden = false;
        platform::ApplyCursor();
    }
    ~WaitCursor() {
        app.window.cursorKind = kind_;
        app.window.cursorHidden = hidden_;
        platform::ApplyCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    int kind_;
    bool hidden_;
};

// The file dialogs, after which the keys typed into them are forgotten.
bool AskToOpen(int type, std::string& name) {
    const bool chosen = platform::OpenFileDialog(type, name);
    ForgetKeyPresses(app.input);
    return chosen;
}

bool AskToSave(int type, std::string& name) {
    const bool chosen = platform::SaveFileDialog(type, name);
    ForgetKeyPresses(app.input);
    return chosen;
}

// A shortage noted by an earlier operation is not this one's.
void ForgetMemoryShortage() { TakeMemoryShortage(); }

}  // namespace

void SayNotEnoughMemory() {
    LogLine("Not enough memory");
    platform::ShowError("Error", "Not enough memory");
}

bool SayIfOutOfMemory() {
    if (!TakeMemoryShortage()) return false;
    SayNotEnoughMemory();
    return true;
}

std::string WindowTitle(const std::string& path, bool modified, bool flatCopy) {
    std::string title = kTitlePrefix;
    if (path.empty()) {
        title += "New image";
    } else {
        const size_t slash = path.find_last_of("\\/");
        title += slash == std::string::npos ? path : path.substr(slash + 1);
    }
    if (modified) title += " *";
    if (flatCopy) title += " (saved flat copy)";
    return title;
}

void UpdateWindowTitle() {
    const Document& doc = app.document;
    platform::SetWindowTitle(WindowTitle(app.documentPath, doc.modified, doc.flatCopy).c_str());
    app.titleModified = doc.modified;
    app.titleFlatCopy = doc.flatCopy;
}

void RefreshWindowTitle() {
    if (app.document.modified != app.titleModified || app.document.flatCopy != app.titleFlatCopy) UpdateWindowTitle();
}

void DocumentReplaced() {
    app.canvas.overview.fullRefresh = true;
    app.canvas.overview.nextTile = 0;
}

bool LoadDocument(const std::string& path) {
    std::string refusal;
    return LoadDocument(path, refusal);
}

bool LoadDocument(const std::string& path, std::string& refusal) {
    DocumentWillChange();
    const WaitCursor waiting;
    if (!LoadImage(app.document, path, refusal)) return false;
    app.documentPath = path;
    if (app.document.damagedFile) {
        // What could be read is shown, unnamed: a save must not replace the
        // original (which other tools may still recover more from) unasked.
        app.documentPath.clear();
        app.document.modified = true;
        platform::ShowError("Error", "The file is damaged: parts of the picture are missing.\n"
                                     "It opens as a new image, so the file is not replaced unless you choose it.");
    }
    UpdateWindowTitle();
    DocumentReplaced();
    return true;
}

bool LoadDocumentOrSayWhy(const std::string& path) {
    if (!Readable(path)) {
        platform::ShowError("Error", "File not found");
        return false;
    }
    ForgetMemoryShortage();
    TakeFileProblem();  // whatever an earlier file operation left
    std::string refusal;
    if (!LoadDocument(path, refusal)) {
        if (SayIfOutOfMemory()) return false;
        platform::ShowError("Error", refusal.empty() ? WithReason("Unknown file format").c_str() : refusal.c_str());
        return false;
    }
    return true;
}

void OpenOrRevert(bool revert) {
    Document& doc = app.document;
    if (revert && app.documentPath.empty()) return;
    if (revert && doc.layerCount > 1 && !doc.layeredFile) {
        if (!platform::AskOkCancel("Confirm open image", "Revert to flat file and drop layers?")) return;
    } else if (doc.modified) {
        if (!platform::AskOkCancel("Confirm open image", "Changes will be lost, ok?")) return;
    }
    std::string path = app.documentPath;
    if (!revert) {
        if (!AskToOpen(platform::kFilesOpen, app.dialogNames[platform::kFilesOpen])) return;
        path = app.dialogNames[platform::kFilesOpen];
    }
    if (!LoadDocumentOrSayWhy(path)) return;
    if (!revert) ResetView(app.view, doc.width, doc.height);
}

void SaveDocument(bool alwaysAsk) {
    Document& doc = app.document;
    std::string path = app.documentPath;
    if (alwaysAsk || path.empty() || !WholeDocumentWritten(doc)) {
        if (!AskToSave(platform::kFilesSave, app.dialogNames[platform::kFilesSave])) return;
        path = app.dialogNames[platform::kFilesSave];
    }
    DocumentWillChange();
    ForgetMemoryShortage();
    TakeFileProblem();
    bool saved = false;
    {
        const WaitCursor waiting;
        saved = SaveImage(doc, path);
    }
    if (!saved) {
        if (!SayIfOutOfMemory()) platform::ShowError("Error", WithReason("Save failed").c_str());
        return;
    }
    if (WholeDocumentWritten(doc)) {
        app.documentPath = path;
        doc.modified = false;
        doc.flatCopy = false;
    } else {
        doc.flatCopy = true;
    }
    UpdateWindowTitle();
}

void NewBlankDocument() {
    DocumentWillChange();
    ForgetMemoryShortage();
    if (!NewDocument(app.document, app.newCanvasWidth, app.newCanvasHeight)) {
        SayIfOutOfMemory();
        return;
    }
    RestartFrames(app.document);
    app.documentPath.clear();
    ResetView(app.view, app.document.width, app.document.height);
    UpdateWindowTitle();
    DocumentReplaced();
}

void ExportFrames(bool full) {
    platform::WindowState& w = app.window;
    w.cursorKind = platform::kCursorWait;
    w.cursorHidden = false;
    platform::ApplyCursor();
    std::string& name = app.dialogNames[platform::kFilesExport];
    if (!AskToSave(platform::kFilesExport, name)) return;

    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (FileExtension("." + extension) == "TVL") {
        platform::ShowError("Error", "Can't export animation frames in TVL format");
        return;
    }
    Document& doc = app.document;
    // Every name first, so that one question covers all the files replaced.
    std::vector<std::string> names;
    for (int i = 0; i < doc.frameCount; ++i) {
        const int repetitions = full ? doc.durations[size_t(i)] : 1;
        for (int r = 0; r < repetitions; ++r) {
            char number[16];
            std::snprintf(number, sizeof number, "%03i", int(names.size()) + 1);
            names.push_back(base + number + "." + extension);
        }
    }
    if (AnyReadable(names) &&
        !platform::AskOkCancel("Confirm overwrite", "Some of the numbered files exist already. Replace them?"))
        return;
    DocumentWillChange();
    ForgetMemoryShortage();
    // The frames are copies: the document's own file state stays as it was.
    const bool layered = doc.layeredFile;
    const int current = doc.currentFrame;
    bool written = true;
    size_t next = 0;
    for (int i = 0; i < doc.frameCount && written; ++i) {
        SetFrame(doc, i);
        const int repetitions = full ? doc.durations[size_t(i)] : 1;
        for (int r = 0; r < repetitions && written; ++r) written = SaveImage(doc, names[next++]);
    }
    SetFrame(doc, current);
    doc.layeredFile = layered;
    // The rest would fail the same way (a full disk, a folder that takes no
    // files), so the first failure ends the export.
    if (!written && !SayIfOutOfMemory()) platform::ShowError("Error", "Export failed");
}

bool PasteImageFromClipboard(bool replace) {
    if (!replace) return platform::ClipboardHasImage();
    std::vector<uint8_t> bytes;
    int kind = platform::kClipboardDib;
    int width = 0, height = 0;
    std::vector<uint32_t> flat;
    ForgetMemoryShortage();
    const bool read = platform::ReadClipboardImage(bytes, kind) &&
                      (kind == platform::kClipboardPng ? DecodeClipboardPng(bytes.data(), bytes.size(), width, height, flat)
                                                       : DecodeDib(bytes.data(), bytes.size(), width, height, flat));
    if (!read) {
        if (!SayIfOutOfMemory()) platform::ShowError("Error", kUnreadableClipboardPicture);
        return false;
    }
    DocumentWillChange();
    if (!LoadFlatImage(app.document, width, height, flat)) {
        SayIfOutOfMemory();
        return false;
    }
    app.documentPath.clear();
    app.document.modified = false;
    app.document.flatCopy = false;
    app.document.layeredFile = false;
    ResetView(app.view, width, height);
    UpdateWindowTitle();
    DocumentReplaced();
    return true;
}

bool CopyPictureToClipboard() {
    DocumentWillChange();
    ForgetMemoryShortage();
    std::vector<uint32_t> flat;
    std::vector<uint8_t> png, dib;
    Document& doc = app.document;
    bool written = false;
    if (FlattenDocument(doc, flat) && EncodeClipboardImage(doc.width, doc.height, flat, png, dib)) {
        std::vector<uint32_t>().swap(flat);
        // The system's clipboard keeps copies of both forms.
        if (MemoryFor(uint64_t(png.size()) + dib.size()))
            Allocating([&] { written = platform::WriteClipboardImage(png, dib); });
    }
    if (!written) {
        if (!SayIfOutOfMemory()) platform::ShowError("Error", kClipboardRefusedPicture);
        return false;
    }
    return true;
}
