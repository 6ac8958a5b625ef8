#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// Linux gives every thread a nice value of its own, set through its id.
// Nice 10 leaves such a thread about a tenth of a processor that a thread at
// the usual priority also wants.
bool RunThreadInBackground() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    return ::setpriority(PRIO_PROCESS, tid, 10) == 0;
}
