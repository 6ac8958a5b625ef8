#include "platform/file_lock.h"

#include "platform/file_open.h"

#include <windows.h>

// LockFileEx locks belong to the handle, so a second handle in this process
// conflicts as another process's would; the system drops them when the
// process ends, also at a forced termination. Others may still read, rename
// and delete the file.
bool FileLock::Acquire(const std::string& path) {
    Release();
    HANDLE file = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED at = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

void FileLock::Release() {
    if (handle_ == kNone) return;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED at = {};
    UnlockFileEx(file, 0, 1, 0, &at);
    CloseHandle(file);
    handle_ = kNone;
}

int CurrentProcessId() { return int(GetCurrentProcessId()); }
