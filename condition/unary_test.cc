#include "condition/unary.h"

#include <gtest/gtest.h>
#include <string>

#include "condition/test_words.h"

namespace {

constexpr const char unary_letters[] = "GLNOSabcdefghknoprstuwxz";

TEST(unary, every_test_consumes_two_words)
{
    for (char letter : std::string(unary_letters)) {
        std::string words = std::string("-") + letter + " 0 x";
        SCOPED_TRACE(words);
        set_words(words.c_str());
        (void)evaluate_unary_operator(); // only the consumption matters here
        EXPECT_EQ(3, arg_pos);
    }
}

TEST(unary, every_test_needs_an_operand)
{
    for (char letter : std::string(unary_letters)) {
        std::string words = std::string("x -a -") + letter;
        SCOPED_TRACE(words);
        set_words(words.c_str());
        arg_pos = 3;
        std::string message = std::string("missing argument after '-") + letter + "'";
        EXPECT_EXIT(
            evaluate_unary_operator(), testing::ExitedWithCode(2), syntax_error_pattern(message.c_str()));
    }
}

struct unary_case {
    const char* label;
    const char* words;
    bool value;
};

constexpr unary_case unary_cases[] = {
    { "-n on empty", "-n ''", false },
    { "-n on 0", "-n 0", true },
    { "-z on empty", "-z ''", true },
    { "-z on 0", "-z 0", false },
    { "-o is always false", "-o x", false },
    { "-N on a missing file", "-N /nonexistent", false },
    { "-d on a directory", "-d /", true },
    { "-f on a directory", "-f /", false },
    { "-e on a missing file", "-e /nonexistent", false },
    { "-a is -e", "-a /", true },
    { "-t below zero", "-t -1", false },
    { "-t beyond 32 bits", "-t 2147483648", false },
    { "-t beyond 64 bits", "-t 99999999999999999999", false },
    { "-t far below zero", "-t -99999999999999999999", false },
    { "-t on a closed descriptor", "-t 2147483647", false },
};

TEST(unary, evaluates_tests)
{
    for (const unary_case& c : unary_cases) {
        SCOPED_TRACE(c.label);
        set_words(c.words);
        EXPECT_EQ(c.value, evaluate_unary_operator());
    }
}

TEST(unary, terminal_test_needs_an_integer)
{
    for (const char* words : { "-t x", "-t ''", "-t 1x", "-t 0x1" }) {
        SCOPED_TRACE(words);
        set_words(words);
        EXPECT_EXIT(evaluate_unary_operator(), testing::ExitedWithCode(2), "^test: invalid integer '");
    }
}

} // namespace
