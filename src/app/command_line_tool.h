#pragma once
#include <string>
#include <vector>

// The command line's window-free side: "--help", "--version",
// "--export IN OUT" and "--thumbnail IN OUT SIZE" answer and end without a
// window; any other argument beginning with "--" is an error. Plain
// arguments name the file the program opens in its window.
//
// arguments are those after the program's name, UTF-8. Returns true when the
// work is done here: exitCode is the process's exit code and out and err hold
// what goes to standard output and standard error (an error is one line on
// err). Returns false, with nothing set, when the program opens its window.
bool RunCommandLineTool(const std::vector<std::string>& arguments, int& exitCode, std::string& out, std::string& err);

// Exit codes besides 0 for success.
constexpr int kExitFailed = 1;    // the file could not be read or written
constexpr int kExitBadUsage = 2;  // the arguments do not make sense

// Reads in and writes it to out, each in the format its extension names. On
// failure out is untouched and reason says why in a few words.
bool ConvertFile(const std::string& in, const std::string& out, std::string& reason);

// Writes a PNG of in's picture to out, its longer side at most maxSide
// pixels (a smaller picture keeps its size). Same failure rules.
bool WriteThumbnail(const std::string& in, const std::string& out, int maxSide, std::string& reason);
