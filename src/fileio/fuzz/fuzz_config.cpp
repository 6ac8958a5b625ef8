// The settings reader (config.txt) on arbitrary text: whatever it takes in
// must be written out and read back to the same settings.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Settings settings;
    ParseSettings(std::string(reinterpret_cast<const char*>(data), size), settings);
    const std::string written = FormatSettings(settings);
    Settings again;
    ParseSettings(written, again);
    if (FormatSettings(again) != written) std::abort();
    return 0;
}
