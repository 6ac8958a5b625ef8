#pragma once
#include <cstdint>
#include <string>

// An exclusive lock on a file that the system drops when the process ends,
// however it ends (also when it is killed), so a running copy of the program
// can tell whether the owner of a file it finds is still alive. Two locks on
// the same file conflict also within one process.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates path if needed and locks it; false when another holder has it
    // or the file cannot be made.
    bool Acquire(const std::string& path);
    void Release();
    bool Held() const { return handle_ != kNone; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;
};

// The system's number for the running process.
int CurrentProcessId();
