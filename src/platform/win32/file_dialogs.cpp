// The common open and save dialogs, explorer style, owned by the main window.
#include <cstring>

#include "platform/file_types.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/win32/gl_window.h"

#include <commdlg.h>

namespace platform {

namespace {

constexpr size_t kNameChars = 256;

bool RunFileDialog(int type, bool save, std::string& name) {
    const std::string filter = NulSeparatedFilter(type);
    if (filter.empty()) {
        LogLine("#### file dialog: unknown type %i", type);
        return false;
    }
    char file[kNameChars] = {};
    char fileTitle[kNameChars] = {};
    // A name too long for the buffer would be offered cut short; none is
    // offered instead.
    if (name.size() < kNameChars) std::memcpy(file, name.c_str(), name.size() + 1);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = MainWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = DWORD(kNameChars);
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = DWORD(kNameChars);
    dialog.lpstrTitle = save ? "Save As" : "Open";
    // Empty rather than none: a name typed without an extension then gets
    // the one of the type selected in the dialog.
    dialog.lpstrDefExt = "";
    dialog.Flags = OFN_EXPLORER | (save ? OFN_OVERWRITEPROMPT : 0);

    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) {
        // 0 is a plain cancel; anything else (a name too long for the
        // buffer, for one) is worth a line in the log.
        if (const DWORD error = CommDlgExtendedError()) LogLine("#### file dialog failed: 0x%lx", error);
        return false;
    }
    name = file;
    return true;
}

}  // namespace

bool OpenFileDialog(int type, std::string& name) { return RunFileDialog(type, false, name); }
bool SaveFileDialog(int type, std::string& name) { return RunFileDialog(type, true, name); }

}  // namespace platform
