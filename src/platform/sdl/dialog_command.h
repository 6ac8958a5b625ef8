#pragma once
#include <string>
#include <vector>

// The command lines of the desktop's file dialog programs. The arguments go to
// the program as they are, never through a shell, so a file name is always
// one argument whatever characters it holds.
namespace platform {
namespace sdl {

enum class DialogProgram { kZenity, kKdialog };

struct DialogRequest {
    int type = 0;  // a FileDialogType
    bool save = false;
    std::string offeredName;         // may be empty
    unsigned long parentWindow = 0;  // X11 window to stay above; 0 for none
};

// The argument vector, program first, for asking program about request;
// empty for an unknown type.
std::vector<std::string> DialogArguments(DialogProgram program, const std::string& programFile,
                                         const DialogRequest& request);

// The chosen path from what the program printed before it ended with
// exitStatus; false when the user cancelled or the program failed.
bool ChosenPath(int exitStatus, const std::string& output, std::string& path);

}  // namespace sdl
}  // namespace platform
