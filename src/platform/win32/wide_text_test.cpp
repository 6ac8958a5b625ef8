#include "platform/win32/wide_text.h"

#include <gtest/gtest.h>

namespace {

TEST(WideText, NamesInAnyScriptRoundTrip) {
    const std::string texts[] = {"\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl", "\xE8\x8D\x89\xE7\xA8\xBF.png",
                                 "skizze-\xC3\xA4.tvl", "\xE2\x82\xAC\xC5\x92", "\xF0\x9F\x8E\xA8 (outside the BMP)",
                                 std::string("a\0b", 3)};
    for (const std::string& text : texts) EXPECT_EQ(Utf8FromWide(WideFromUtf8(text)), text);
    EXPECT_EQ(WideFromUtf8("skizze-\xC3\xA4"), L"skizze-\x00E4");
    EXPECT_EQ(WideFromUtf8("\xE8\x8D\x89"), L"\x8349");
}

TEST(WideText, TextThatDoesNotConvertGivesNothing) {
    EXPECT_EQ(WideFromUtf8("bad \xC3 byte"), L"");
    EXPECT_EQ(Utf8FromWide(std::wstring(L"lone \xD800 half")), "");
}

struct ArgumentCase {
    const char* commandLine;
    const char* arguments;
};

TEST(WideText, ArgumentsFollowTheProgramsName) {
    const ArgumentCase cases[] = {
        {"\"C:\\Program Files\\Orvella\\orvella.exe\" \"Z:\\art\\\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl\"",
         "\"Z:\\art\\\xD1\x8D\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB7.tvl\""},
        {"orvella.exe  \t sketch.tvl", "sketch.tvl"},
        {"\"C:\\a b\\orvella.exe\"sketch.tvl", "sketch.tvl"},
        {"orvella.exe", ""},
        {"\"C:\\a b\\orvella.exe\"", ""},
        {"\"unclosed name", ""},
        {"", ""},
    };
    for (const ArgumentCase& c : cases)
        EXPECT_EQ(ArgumentsAfterProgramName(c.commandLine), c.arguments) << c.commandLine;
}

}  // namespace
