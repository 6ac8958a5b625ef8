#pragma once
#include <string>
#include <vector>

// The command line as the C runtime would split it, after the program's
// name, each argument in UTF-8 whatever the system's code page.
std::vector<std::string> Utf8Arguments();

// Writes the texts to standard output and standard error. A program of the
// window subsystem has neither when started from a console, so then it
// attaches to its parent's console and writes there; output redirected to a
// file or pipe is written as it stands (UTF-8).
void WriteStandardStreams(const std::string& out, const std::string& err);
