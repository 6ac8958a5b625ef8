#pragma once
#include <string>

// The program keeps text in UTF-8; the system's wide calls take UTF-16.
// Both convert the whole string, embedded NULs included; text that does not
// convert gives an empty result.
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// What follows the program's name on a command line as GetCommandLineW gives
// it: the name runs to the closing quote when it starts with one, otherwise
// to the first space or tab; the blanks after it are skipped.
std::string ArgumentsAfterProgramName(const std::string& commandLine);
