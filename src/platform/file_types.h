#pragma once
#include <string>
#include <vector>

// The file types each file dialog offers, shared by the backends so that the
// lists read the same on every system.
namespace platform {

struct FileTypeEntry {
    const char* description;  // as the dialog shows it
    const char* patterns;     // one or more of "*.ext", separated by ';'
};

// The list for a FileDialogType, the first entry preselected; empty for any
// other number.
const std::vector<FileTypeEntry>& FileTypes(int type);

// The list in the form Windows' common dialogs take: description and patterns
// of each entry as NUL-terminated strings one after the other, and one more
// NUL at the end. Empty for an unknown type.
std::string NulSeparatedFilter(int type);

}  // namespace platform
