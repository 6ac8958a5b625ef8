#include "platform/log.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/file_open.h"

namespace {

constexpr size_t kLineBytes = 1024;

std::mutex logMutex;
std::string logPath;  // empty: the log is off
std::atomic<bool> enabled{false};  // read without the lock so a disabled log costs nothing

// One writer at a time, and the file is opened per line so that a crash
// loses nothing already logged.
void Write(const char* format, va_list args, bool newline) {
    if (!enabled.load(std::memory_order_acquire)) return;
    std::lock_guard<std::mutex> lock(logMutex);
    if (!enabled.load(std::memory_order_relaxed)) return;
    char line[kLineBytes];
    std::vsnprintf(line, sizeof line, format, args);
    // A line logged on the way out of a failed write must not hide why it failed.
    const int error = errno;
    FILE* f = OpenFile(logPath, "a");
    if (f) {
        std::fputs(line, f);
        if (newline) std::fputc('\n', f);
        std::fclose(f);
    }
    errno = error;
}

}  // namespace

bool LogInit(const char* path) {
    FILE* f = path ? OpenFile(path, "r") : nullptr;
    if (f) std::fclose(f);
    LogEnable(f ? path : nullptr);
    return f != nullptr;
}

void LogEnable(const char* path) {
    std::lock_guard<std::mutex> lock(logMutex);
    logPath = path ? path : "";
    enabled.store(path != nullptr, std::memory_order_release);
}

bool LogEnabled() { return enabled.load(std::memory_order_acquire); }

void LogLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args, true);
    va_end(args);
}

void LogText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args, false);
    va_end(args);
}
