#pragma once
#include <cstdio>

// Pushes what was written to file (already flushed from the stream's buffer)
// through the system's cache to the disk, so a power cut after a following
// rename cannot leave the renamed file empty. False when the system refuses.
bool SyncFileToDisk(std::FILE* file);
