// -t on a real pseudo-terminal and on descriptors that are no terminal.
#include "tests/condition/expression_case.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// The two ends of a new pseudo-terminal; both -1 when none could be made.
struct pseudo_terminal {
    int controller = -1;
    int terminal = -1;
};

pseudo_terminal open_pseudo_terminal()
{
    pseudo_terminal pair;
    pair.controller = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pair.controller < 0)
        return pair;
    const char* name = nullptr;
    if (grantpt(pair.controller) == 0 && unlockpt(pair.controller) == 0)
        name = ptsname(pair.controller);
    if (name)
        pair.terminal = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    return pair;
}

TEST(terminal, no_terminal_anywhere)
{
    check_cases({
        {"standard input is /dev/null", {"-t", "0"}, 1, ""},
        {"standard output is a file", {"-t", "1"}, 1, ""},
        {"closed descriptor", {"-t", "9"}, 1, ""},
        {"negative descriptor", {"-t", "-1"}, 1, ""},
        {"beyond 32 bits", {"-t", "2147483648"}, 1, ""},
        {"twenty digits", {"-t", "99999999999999999999"}, 1, ""},
        {"trailing letter", {"-t", "1x"}, 2, "invalid integer '1x'"},
        {"empty word", {"-t", ""}, 2, "invalid integer ''"},
        {"word", {"-t", "x"}, 2, "invalid integer 'x'"},
        {"hexadecimal", {"-t", "0x0"}, 2, "invalid integer '0x0'"},
        {"missing descriptor", {"x", "-a", "-t"}, 2, "missing argument after '-t'"},
    });
}

TEST(terminal, standard_input_is_a_terminal)
{
    pseudo_terminal pair = open_pseudo_terminal();
    ASSERT_GE(pair.terminal, 0) << "no pseudo-terminal: " << strerror(errno);
    run_options options;
    options.terminal = pair.terminal;
    check_cases({
                    {"descriptor 0", {"-t", "0"}, 0, ""},
                    {"plus sign", {"-t", "+0"}, 0, ""},
                    {"negative zero", {"-t", "-0"}, 0, ""},
                    {"blanks around", {"-t", " 0\t"}, 0, ""},
                    {"many zeros", {"-t", "0000000000000000000000000"}, 0, ""},
                    {"descriptor 1 is a file", {"-t", "1"}, 1, ""},
                    {"2^31 does not wrap to 0", {"-t", "2147483648"}, 1, ""},
                    {"2^32 does not wrap to 0", {"-t", "4294967296"}, 1, ""},
                    {"2^64 does not wrap to 0", {"-t", "18446744073709551616"}, 1, ""},
                    {"negated", {"!", "-t", "0"}, 1, ""},
                },
        options);
    options.terminal_on_output = true;
    check_cases({
                    {"descriptor 1 with a plus sign", {"-t", "+1"}, 0, ""},
                    {"descriptor 2 is a file", {"-t", "2"}, 1, ""},
                },
        options);
    close(pair.terminal);
    close(pair.controller);
}

TEST(terminal, closed_standard_input)
{
    run_options options;
    options.input_closed = true;
    check_cases({{"descriptor 0 closed", {"-t", "0"}, 1, ""}}, options);
}

} // namespace
