#pragma once
#include <string>

// The document's file life: opening, reverting, saving, exporting frames,
// pasting a bitmap from the system clipboard, and the window title that shows
// the file and its state.

// "Orvella 0.25 - " and the file's name (after the last path separator) or
// "New image", then " *" when modified and " (saved flat copy)" when the last
// save wrote a flat copy of a layered document.
std::string WindowTitle(const std::string& path, bool modified, bool flatCopy);
void UpdateWindowTitle();
// Updates the title when the modified or flat-copy flag changed.
void RefreshWindowTitle();

// Loads path into the document; on success it becomes the current file.
bool LoadDocument(const std::string& path);
// The same, with the loader's message for the user in refusal when it has
// one clearer than an unknown format.
bool LoadDocument(const std::string& path, std::string& refusal);
// The same, telling the user why a file could not be loaded ("File not
// found", "Not enough memory" or "Unknown file format"), as the open command
// does.
bool LoadDocumentOrSayWhy(const std::string& path);

// "open": asks, shows the open dialog (or, when revert, takes the current
// file again), loads and reports failures.
void OpenOrRevert(bool revert);
// "save" and "saveas".
void SaveDocument(bool alwaysAsk);
// "new": a blank document of the size the new-canvas dialog set.
void NewBlankDocument();
// Saves every animation frame as a numbered flat file; with full, each frame
// as many times as its duration.
void ExportFrames(bool full);
// With replace false, whether the system clipboard holds a picture (PNG or
// bitmap); with replace true, replaces the document by it, or says in an
// error box that it cannot be read.
bool PasteImageFromClipboard(bool replace);
// Puts the picture as the screen shows it (all layers, without the onion
// skin) on the system clipboard, for other programs to paste; an error box
// when the system refuses it.
bool CopyPictureToClipboard();

// Logs and shows "Not enough memory".
void SayNotEnoughMemory();
// When the core noted a shortage of memory since the last look: says so as
// SayNotEnoughMemory does and returns true (the caller shows nothing else).
bool SayIfOutOfMemory();

// After a document was replaced: the view shows it whole and the overview
// redraws.
void DocumentReplaced();
