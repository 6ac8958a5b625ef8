#include "platform/file_sync.h"

#include <unistd.h>

bool SyncFileToDisk(std::FILE* file) { return file && ::fsync(::fileno(file)) == 0; }
