#pragma once
#include <string>

// The file named on a command line: a leading double quote runs to the next
// one (the rest is ignored); an unquoted line is taken whole, spaces included.
std::string CommandLineFile(const std::string& commandLine);

// Everything the program needs once its window and GL context exist, and its
// release in reverse order at exit.
void ravInit(const std::string& commandLine);
void ShutdownApplication();
