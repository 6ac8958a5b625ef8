#include "platform/sdl/dialog_command.h"

#include <cctype>

#include "platform/file_types.h"

namespace platform {
namespace sdl {

namespace {

const char* Title(bool save) { return save ? "Save As" : "Open"; }

// The ';'-separated patterns one by one.
std::vector<std::string> SplitPatterns(const char* patterns) {
    std::vector<std::string> parts(1);
    for (const char* c = patterns; *c; ++c) {
        if (*c == ';')
            parts.emplace_back();
        else
            parts.back() += *c;
    }
    return parts;
}

// GTK matches patterns case-sensitively, Windows does not: photo.JPG must
// show under "*.jpg" too. "*.*" on Windows means every file, with or
// without a dot.
std::string GtkPattern(const std::string& pattern) {
    if (pattern == "*.*") return "*";
    std::string gtk;
    for (char c : pattern) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalpha(u))
            gtk += std::string("[") + char(std::tolower(u)) + char(std::toupper(u)) + "]";
        else
            gtk += c;
    }
    return gtk;
}

std::vector<std::string> ZenityArguments(const std::string& programFile, const DialogRequest& request) {
    std::vector<std::string> args = {programFile, "--file-selection", std::string("--title=") + Title(request.save)};
    if (request.save) {
        args.push_back("--save");
        args.push_back("--confirm-overwrite");
    }
    // The name is glued to its option: on its own it could be read as an
    // option when it starts with a dash.
    if (!request.offeredName.empty()) args.push_back("--filename=" + request.offeredName);
    for (const FileTypeEntry& entry : FileTypes(request.type)) {
        std::string filter = std::string("--file-filter=") + entry.description + " |";
        for (const std::string& pattern : SplitPatterns(entry.patterns)) filter += " " + GtkPattern(pattern);
        args.push_back(filter);
    }
    if (request.parentWindow != 0) {
        args.push_back("--modal");
        args.push_back("--attach=" + std::to_string(request.parentWindow));
    }
    return args;
}

std::vector<std::string> KdialogArguments(const std::string& programFile, const DialogRequest& request) {
    std::vector<std::string> args = {programFile, "--title", Title(request.save)};
    if (request.parentWindow != 0) {
        args.push_back("--attach");
        args.push_back(std::to_string(request.parentWindow));
    }
    args.push_back(request.save ? "--getsavefilename" : "--getopenfilename");
    // kdialog takes the start as a bare argument, where a leading dash
    // would make it an option.
    if (request.offeredName.empty())
        args.push_back(".");
    else if (request.offeredName[0] == '-')
        args.push_back("./" + request.offeredName);
    else
        args.push_back(request.offeredName);
    // KDE's filter: one "patterns|description" line per entry.
    std::string filter;
    for (const FileTypeEntry& entry : FileTypes(request.type)) {
        if (!filter.empty()) filter += '\n';
        std::string patterns;
        for (const std::string& pattern : SplitPatterns(entry.patterns))
            patterns += (patterns.empty() ? "" : " ") + (pattern == "*.*" ? std::string("*") : pattern);
        filter += patterns + "|" + entry.description;
    }
    args.push_back(filter);
    return args;
}

}  // namespace

std::vector<std::string> DialogArguments(DialogProgram program, const std::string& programFile,
                                         const DialogRequest& request) {
    if (FileTypes(request.type).empty()) return {};
    return program == DialogProgram::kZenity ? ZenityArguments(programFile, request)
                                             : KdialogArguments(programFile, request);
}

bool ChosenPath(int exitStatus, const std::string& output, std::string& path) {
    if (exitStatus != 0) return false;
    std::string chosen = output;
    // The programs end the path with one newline; anything else, spaces
    // included, belongs to the name.
    if (!chosen.empty() && chosen.back() == '\n') chosen.pop_back();
    if (chosen.empty()) return false;
    path = chosen;
    return true;
}

}  // namespace sdl
}  // namespace platform
