#include "platform/win32/whole_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Behaves like the system's module-name call: copies what fits, cuts the rest
// and then returns the buffer size. Newer systems terminate a cut text, older
// ones do not.
struct ModuleNameSource {
    std::string text;
    bool terminatesCutText = true;
    std::vector<size_t> sizesAsked;

    size_t operator()(char* buffer, size_t size) {
        sizesAsked.push_back(size);
        if (text.size() < size) {
            std::memcpy(buffer, text.c_str(), text.size() + 1);
            return text.size();
        }
        std::memcpy(buffer, text.data(), size);
        if (terminatesCutText) buffer[size - 1] = '\0';
        return size;
    }
};

std::string PathOfLength(size_t n) {
    std::string s = "C:\\";
    while (s.size() < n) s += char('a' + s.size() % 26);
    return s.substr(0, n);
}

struct LengthCase {
    size_t length;
    bool terminatesCutText;
};

class WholeText : public ::testing::TestWithParam<LengthCase> {};

TEST_P(WholeText, ComesBackWholeWhateverItsLength) {
    ModuleNameSource source{PathOfLength(GetParam().length), GetParam().terminatesCutText, {}};
    EXPECT_EQ(ReadWholeText(std::ref(source), 16), source.text);
}

// Around the first buffer of 16 and its doublings: a text of exactly the
// buffer size, or one less, is where a cut text is mistaken for a whole one.
INSTANTIATE_TEST_SUITE_P(Lengths, WholeText,
                         ::testing::Values(LengthCase{1, true}, LengthCase{14, true}, LengthCase{15, true},
                                           LengthCase{16, true}, LengthCase{16, false}, LengthCase{17, true},
                                           LengthCase{17, false}, LengthCase{31, true}, LengthCase{32, false},
                                           LengthCase{600, true}, LengthCase{32767, true}));

TEST(WholeTextGrowth, AsksAgainWithALargerBufferOnlyWhenCut) {
    ModuleNameSource fits{PathOfLength(15), true, {}};
    ReadWholeText(std::ref(fits), 16);
    EXPECT_EQ(fits.sizesAsked, (std::vector<size_t>{16}));

    ModuleNameSource cut{PathOfLength(40), true, {}};
    ReadWholeText(std::ref(cut), 16);
    EXPECT_EQ(cut.sizesAsked, (std::vector<size_t>{16, 32, 64}));
}

TEST(WholeTextFailure, GivesAnEmptyTextNeverACutOne) {
    size_t calls = 0;
    auto failing = [&](char*, size_t) -> size_t {
        ++calls;
        return 0;
    };
    EXPECT_EQ(ReadWholeText(failing, 16), "");
    EXPECT_EQ(calls, 1u);

    // A text longer than the limit is refused rather than cut.
    ModuleNameSource tooLong{PathOfLength(300), false, {}};
    EXPECT_EQ(ReadWholeText(std::ref(tooLong), 16, 256), "");
    EXPECT_EQ(tooLong.sizesAsked.back(), 256u);

    // A source that claims the text is cut forever ends at the limit too.
    auto alwaysCut = [](char* buffer, size_t size) -> size_t {
        std::memset(buffer, 'x', size);
        return size;
    };
    EXPECT_EQ(ReadWholeText(alwaysCut, 16, 1024), "");
}

}  // namespace
