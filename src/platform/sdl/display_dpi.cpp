#include "platform/sdl/display_dpi.h"

#include <cstdlib>
#include <cstring>

namespace platform {
namespace sdl {

namespace {

constexpr const char* kKey = "Xft.dpi:";
constexpr double kMaxDpi = 1000;

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int XftDpiFromResources(const char* resources) {
    if (!resources) return 0;
    const size_t keyLength = std::strlen(kKey);
    for (const char* line = resources; *line;) {
        while (Blank(*line)) ++line;
        if (std::strncmp(line, kKey, keyLength) == 0) {
            const char* value = line + keyLength;
            while (Blank(*value)) ++value;
            char* end = nullptr;
            const double dpi = std::strtod(value, &end);  // desktops write it whole or with a fraction
            if (end == value || dpi <= 0 || dpi > kMaxDpi) return 0;
            return int(dpi + 0.5);
        }
        const char* next = std::strchr(line, '\n');
        if (!next) break;
        line = next + 1;
    }
    return 0;
}

}  // namespace sdl
}  // namespace platform
