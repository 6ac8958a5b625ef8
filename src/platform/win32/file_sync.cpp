#include "platform/file_sync.h"

#include <io.h>

// _commit is the C runtime's FlushFileBuffers on the stream's handle.
bool SyncFileToDisk(std::FILE* file) { return file && ::_commit(::_fileno(file)) == 0; }
