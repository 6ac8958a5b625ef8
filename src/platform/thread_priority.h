#pragma once

// Lowers the calling thread's priority below the program's other threads, so
// that work which can wait (packing the history, preparing memory) only runs
// on a processor the painting and compositing threads leave free, and never
// delays a frame. The thread still runs when they are busy for long, only
// with a smaller share. False when the system refuses; the thread then keeps
// its priority.
bool RunThreadInBackground();
