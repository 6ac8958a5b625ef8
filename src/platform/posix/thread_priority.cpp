#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

// Linux gives every thread a nice value of its own, set through its id.
// Ten above the threads that want the processor leaves such a thread about a
// tenth of it; counted from the thread's own value, so that a program started
// at a lower priority still keeps its background below its compositing.
bool RunThreadInBackground() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, tid);
    if (now == -1 && errno != 0) return false;
    return ::setpriority(PRIO_PROCESS, tid, std::min(now + 10, 19)) == 0;
}
