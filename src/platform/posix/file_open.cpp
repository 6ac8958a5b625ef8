#include "platform/file_open.h"

// The system's names are bytes; UTF-8 ones pass through as they are.
std::FILE* OpenFile(const std::string& utf8Name, const char* mode) { return std::fopen(utf8Name.c_str(), mode); }
