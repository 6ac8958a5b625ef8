#include "platform/win32/whole_text.h"

#include <vector>

namespace {

template <typename Char>
std::basic_string<Char> ReadWhole(const std::function<size_t(Char* buffer, size_t size)>& fill, size_t firstSize,
                                  size_t limit) {
    for (size_t size = firstSize < 2 ? 2 : firstSize; size <= limit; size *= 2) {
        std::vector<Char> buffer(size, Char(0));
        const size_t length = fill(buffer.data(), size);
        if (length == 0) return {};
        // A cut text fills the whole buffer, with or without a terminator
        // (systems differ), so only a shorter result is known to be whole.
        if (length < size) return std::basic_string<Char>(buffer.data(), length);
    }
    return {};
}

}  // namespace

std::string ReadWholeText(const std::function<size_t(char* buffer, size_t size)>& fill, size_t firstSize,
                          size_t limit) {
    return ReadWhole<char>(fill, firstSize, limit);
}

std::wstring ReadWholeWideText(const std::function<size_t(wchar_t* buffer, size_t size)>& fill, size_t firstSize,
                               size_t limit) {
    return ReadWhole<wchar_t>(fill, firstSize, limit);
}
