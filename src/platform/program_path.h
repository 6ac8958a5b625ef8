#pragma once
#include <string>

// Remembers the directory of the program file (everything up to and including
// the last path separator). Returns false when the path holds no directory.
// The data directory starts out as the same directory.
bool SetProgramDirectory(const std::string& programFile);
const std::string& ProgramDirectory();

// The program directory followed by name.
std::string ProgramPath(const std::string& name);

// Finds the directory of the program's data files (fonts, icon) by one of
// them, probe: beside the program, as in a build folder or an unpacked zip,
// else share/orvella/ beside the program's own directory (bin/), where an
// installation puts them. With neither, the data directory stays the
// program's (the program then runs without its data).
void FindDataDirectory(const std::string& probe);
const std::string& DataDirectory();
// The data directory followed by name.
std::string DataPath(const std::string& name);
// Whether the data was found where an installation puts it: the program's
// directory then belongs to the system, and the program writes nothing there.
bool InstalledLayout();
