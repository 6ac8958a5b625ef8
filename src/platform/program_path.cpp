#include "platform/program_path.h"

#include <cstdio>

#include "platform/file_open.h"

namespace {
std::string programDirectory;
std::string dataDirectory;

bool FileExists(const std::string& path) {
    std::FILE* f = OpenFile(path, "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

// share/orvella/ beside the program directory's own directory ("/usr/bin/"
// gives "/usr/share/orvella/"); empty when the program directory has no parent.
std::string InstalledDataDirectory() {
    if (programDirectory.size() < 2) return std::string();
    const size_t cut = programDirectory.find_last_of("\\/", programDirectory.size() - 2);
    if (cut == std::string::npos) return std::string();
    return programDirectory.substr(0, cut + 1) + "share/orvella/";
}
}  // namespace

bool SetProgramDirectory(const std::string& programFile) {
    // Windows accepts both separators, so the directory ends at whichever comes last.
    const size_t cut = programFile.find_last_of("\\/");
    if (cut == std::string::npos) {
        programDirectory.clear();
        dataDirectory.clear();
        return false;
    }
    programDirectory = programFile.substr(0, cut + 1);
    dataDirectory = programDirectory;
    return true;
}

const std::string& ProgramDirectory() { return programDirectory; }

std::string ProgramPath(const std::string& name) { return programDirectory + name; }

void FindDataDirectory(const std::string& probe) {
    dataDirectory = programDirectory;
    if (FileExists(ProgramPath(probe))) return;
    const std::string installed = InstalledDataDirectory();
    if (!installed.empty() && FileExists(installed + probe)) dataDirectory = installed;
}

const std::string& DataDirectory() { return dataDirectory; }

std::string DataPath(const std::string& name) { return dataDirectory + name; }

bool InstalledLayout() { return dataDirectory != programDirectory; }
