#include "platform/sdl/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CommandLineCase {
    std::vector<const char*> arguments;  // after the program name
    const char* expected;
};

class CommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, JoinsTheArgumentsSoTheFileNameComesThroughWhole) {
    std::vector<const char*> argv{"orvella"};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    EXPECT_EQ(platform::sdl::CommandLineFromArguments(int(argv.size()), argv.data()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(CommandLineCase{{}, ""}, CommandLineCase{{"/home/a/cat.tvl"}, "/home/a/cat.tvl"},
                      // The program takes an unquoted line whole, spaces and all.
                      CommandLineCase{{"/home/a/my cat.png"}, "/home/a/my cat.png"},
                      CommandLineCase{{" leading.png"}, " leading.png"},
                      // Double quotes are part of the name, not quoting.
                      CommandLineCase{{"/home/a/say \"cheese\".png"}, "/home/a/say \"cheese\".png"},
                      CommandLineCase{{"\"quoted\" cat.png"}, "./\"quoted\" cat.png"},
                      // An unquoted name split by the shell is joined back.
                      CommandLineCase{{"my", "cat.png"}, "my cat.png"},
                      CommandLineCase{{"a b", "c"}, "a b c"}));

}  // namespace
