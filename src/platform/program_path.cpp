#include "platform/program_path.h"

namespace {
std::string programDirectory;
}

bool SetProgramDirectory(const std::string& programFile) {
    // Windows accepts both separators, so the directory ends at whichever comes last.
    const size_t cut = programFile.find_last_of("\\/");
    if (cut == std::string::npos) {
        programDirectory.clear();
        return false;
    }
    programDirectory = programFile.substr(0, cut + 1);
    return true;
}

const std::string& ProgramDirectory() { return programDirectory; }

std::string ProgramPath(const std::string& name) { return programDirectory + name; }
