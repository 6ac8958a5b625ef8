#pragma once
// Little-endian fields written into the byte fixtures of the Windows file
// formats the backend reads (BMP, ICO).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sdltest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(Bytes& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

}  // namespace sdltest
