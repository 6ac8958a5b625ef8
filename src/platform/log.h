#pragma once

// The diagnostic log: off unless a file named orvella.log exists in the
// program directory when the program starts (LogInit), so a user who needs
// one creates that file and nothing else changes. Safe from any thread.

// Enables the log when the file at path exists; returns whether it is on.
bool LogInit(const char* path);
// Forces the log on (appending to path) or off (null path).
void LogEnable(const char* path);
bool LogEnabled();

// printf-style; a line longer than the buffer is cut, never overrun.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogText(const char* format, ...) __attribute__((format(printf, 1, 2)));
