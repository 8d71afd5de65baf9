#include "condition/nesting.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "condition/evaluate.h"
#include "condition/grammar.h"
#include "condition/test_words.h"

namespace {

// Sets the words to depth "(" around inner, closed by depth ")" unless closed is false.
void set_nested_words(int depth, const char* inner, bool closed = true)
{
    std::string line;
    for (int i = 0; i < depth; ++i)
        line += "( ";
    line += inner;
    for (int i = 0; closed && i < depth; ++i)
        line += " )";
    set_words(line.c_str());
}

struct nesting_case {
    const char* label;
    int depth;
    const char* inner;
    int status;
};

// Depths on both sides of the private stack, up to what the argument limit allows.
constexpr nesting_case nesting_cases[] = {
    { "shallow, true", 3, "x -a y", 0 },
    { "shallow, false", 3, "x -a ''", 1 },
    { "at the process stack's share", 128, "x -a y", 0 },
    { "just past it", 129, "x -a ''", 1 },
    { "ten thousand", 10000, "x -o ''", 0 },
    { "as deep as the argument limit allows", 100000, "! x -a y", 1 },
};

TEST(nesting, deep_parentheses_evaluate)
{
    for (const nesting_case& c : nesting_cases) {
        SCOPED_TRACE(c.label);
        set_nested_words(c.depth, c.inner);
        EXPECT_EQ(c.status, evaluate_command_line());
        EXPECT_EQ(arg_count, arg_pos);
    }
}

TEST(nesting, private_stack_gives_the_recursive_result)
{
    // Only ")" words at the end differ, so the count rules see the same groups at every depth.
    for (int depth : { 1, 200, 5000 }) {
        SCOPED_TRACE(depth);
        set_nested_words(depth, "( a -a b ) -o ''");
        bool on_process_stack = dispatch_by_word_count(arg_count - 1);
        int end = arg_pos;
        set_nested_words(depth, "( a -a b ) -o ''");
        EXPECT_EQ(on_process_stack, dispatch_with_room_for_nesting(arg_count - 1));
        EXPECT_EQ(end, arg_pos);
    }
}

TEST(nesting, syntax_errors_at_depth)
{
    set_nested_words(200000, "x");
    EXPECT_EXIT(exit(evaluate_command_line()), testing::ExitedWithCode(2),
        syntax_error_pattern("(: binary operator expected"));
    set_nested_words(100000, "x -a y", false);
    EXPECT_EXIT(
        exit(evaluate_command_line()), testing::ExitedWithCode(2), syntax_error_pattern("')' expected"));
    set_nested_words(100000, "x -a y z");
    EXPECT_EXIT(exit(evaluate_command_line()), testing::ExitedWithCode(2),
        syntax_error_pattern("')' expected, found z"));
}

} // namespace
