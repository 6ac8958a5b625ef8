// The display connection lost under the program (xkill, a window manager's
// forced close, the X server going away). Xlib's own answer ends the process
// with exit() from inside whatever call noticed, while the program's threads
// still run, which aborts; instead the program keeps its settings, as after
// a close request, and ends at once.
#include <X11/Xlib.h>
#include <unistd.h>

#include "platform/log.h"
#include "platform/platform.h"

namespace platform {

namespace {

WindowLostHandler lostHandler = nullptr;

int ConnectionLost(Display*) {
    LogLine("the display connection was lost: ending as after a close request");
    const WindowLostHandler handler = lostHandler;
    lostHandler = nullptr;
    if (handler) handler();
    // No exit(): the static objects' destructors would meet running threads.
    _exit(0);
}

}  // namespace

void SetWindowLostHandler(WindowLostHandler handler) {
    lostHandler = handler;
    XSetIOErrorHandler(ConnectionLost);
}

}  // namespace platform
