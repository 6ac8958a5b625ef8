#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// flock locks belong to the open file, so a second open of the same file in
// this process conflicts as another process's would; the system drops them
// when the last descriptor closes, also at a kill.
bool FileLock::Acquire(const std::string& path) {
    Release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void FileLock::Release() {
    if (handle_ == kNone) return;
    ::close(int(handle_));
    handle_ = kNone;
}

int CurrentProcessId() { return int(::getpid()); }
