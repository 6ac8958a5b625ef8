#include <SDL.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace platform {

std::string ProgramFile() {
    // readlink says nothing about truncation: a result that fills the whole
    // buffer may be cut, so grow until there is room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= (1u << 20)) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

std::string UserSettingsFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/orvella";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/orvella";
    return std::string();
}

int ProcessorCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

uint64_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? uint64_t(pages) * uint64_t(size) : 0;
}

uint32_t Milliseconds() { return SDL_GetTicks(); }

void SleepMilliseconds(int ms) {
    if (ms <= 0)
        std::this_thread::yield();
    else
        SDL_Delay(static_cast<Uint32>(ms));
}

}  // namespace platform
