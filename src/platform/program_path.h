#pragma once
#include <string>

// Remembers the directory of the program file (everything up to and including
// the last path separator). Returns false when the path holds no directory.
bool SetProgramDirectory(const std::string& programFile);
const std::string& ProgramDirectory();

// The program directory followed by name.
std::string ProgramPath(const std::string& name);
