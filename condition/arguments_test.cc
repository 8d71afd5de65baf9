#include "condition/arguments.h"

#include <gtest/gtest.h>

#include "condition/test_words.h"

namespace {

TEST(arguments, step_without_check_may_reach_the_end)
{
    set_words("a b");
    step_argument(false);
    step_argument(false);
    EXPECT_EQ(arg_count, arg_pos);
}

TEST(arguments, step_with_check_needs_a_word)
{
    set_words("a b");
    step_argument(true);
    EXPECT_EQ(2, arg_pos);
    EXPECT_EXIT(
        step_argument(true), testing::ExitedWithCode(2), syntax_error_pattern("missing argument after 'b'"));
}

TEST(arguments, missing_argument_names_the_last_word)
{
    set_words("( x -a y z");
    arg_pos = 2;
    EXPECT_EXIT(report_missing_argument(), testing::ExitedWithCode(2),
        syntax_error_pattern("missing argument after 'z'"));
}

TEST(arguments, syntax_error_names_the_program_as_invoked)
{
    set_words("x");
    char name[] = "./bin/../bin/test";
    arg_vector[0] = name;
    EXPECT_EXIT(report_syntax_error("%s: oops", "w"), testing::ExitedWithCode(2),
        "^\\./bin/\\.\\./bin/test: w: oops\n$");
    EXPECT_EXIT(report_syntax_error("no argument", nullptr), testing::ExitedWithCode(2),
        "^\\./bin/\\.\\./bin/test: no argument\n$");
}

} // namespace
