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

// A name typed into a save dialog without an extension gets the one of the
// type the dialog preselects ("sketch" saves as "sketch.tvl"), as Windows'
// dialogs do; any other name, and any other type, is returned as it is.
std::string WithDefaultExtension(int type, const std::string& path);

}  // namespace platform
