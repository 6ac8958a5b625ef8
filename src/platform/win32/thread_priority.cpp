#include "platform/thread_priority.h"

#include <windows.h>

bool RunThreadInBackground() { return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL) != 0; }
