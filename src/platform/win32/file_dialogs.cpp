// The common open and save dialogs, explorer style, owned by the main window.
#include <cwchar>
#include <string>

#include "platform/file_types.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/win32/gl_window.h"
#include "platform/win32/wide_text.h"

#include <commdlg.h>

namespace platform {

namespace {

constexpr size_t kNameChars = 256;

bool RunFileDialog(int type, bool save, std::string& name) {
    // Wide throughout: the ANSI dialog hands back names in the system's code
    // page, turning what it cannot hold into look-alikes ("skizze-ä" into
    // "skizze-a"), so another file would be opened or overwritten unasked.
    const std::wstring filter = WideFromUtf8(NulSeparatedFilter(type));
    if (filter.empty()) {
        LogLine("#### file dialog: unknown type %i", type);
        return false;
    }
    wchar_t file[kNameChars] = {};
    wchar_t fileTitle[kNameChars] = {};
    // A name too long for the buffer would be offered cut short; none is
    // offered instead.
    const std::wstring offered = WideFromUtf8(name);
    if (offered.size() < kNameChars) std::wmemcpy(file, offered.c_str(), offered.size() + 1);

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = MainWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = DWORD(kNameChars);
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = DWORD(kNameChars);
    dialog.lpstrTitle = save ? L"Save As" : L"Open";
    // Empty rather than none: a name typed without an extension then gets
    // the one of the type selected in the dialog.
    dialog.lpstrDefExt = L"";
    dialog.Flags = OFN_EXPLORER | (save ? OFN_OVERWRITEPROMPT : 0);

    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) {
        // 0 is a plain cancel; anything else (a name too long for the
        // buffer, for one) is worth a line in the log.
        if (const DWORD error = CommDlgExtendedError()) LogLine("#### file dialog failed: 0x%lx", error);
        return false;
    }
    name = Utf8FromWide(file);
    return !name.empty();
}

}  // namespace

bool OpenFileDialog(int type, std::string& name) { return RunFileDialog(type, false, name); }
bool SaveFileDialog(int type, std::string& name) { return RunFileDialog(type, true, name); }

}  // namespace platform
