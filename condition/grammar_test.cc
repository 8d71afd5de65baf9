#include "condition/grammar.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "condition/evaluate.h"
#include "condition/test_words.h"

namespace {

struct expression_case {
    const char* label;
    const char* words; // '' is an empty word
    int status; // 0 true, 1 false, 2 syntax error
    const char* error; // the message after "test: " when status is 2
};

constexpr expression_case expression_cases[] = {
    { "no words", "", 1, nullptr },
    { "lone !", "!", 0, nullptr },
    { "lone (", "(", 0, nullptr },
    { "lone -n", "-n", 0, nullptr },
    { "lone -a", "-a", 0, nullptr },
    { "lone --help", "--help", 0, nullptr },
    { "lone ]", "]", 0, nullptr },
    { "lone empty word", "''", 1, nullptr },
    { "! empty", "! ''", 0, nullptr },
    { "! word", "! x", 1, nullptr },
    { "! takes -z as a string", "! -z", 1, nullptr },
    { "! !", "! !", 1, nullptr },
    { "unknown unary letter", "-q x", 2, "-q: unary operator expected" },
    { "-l is no unary operator", "-l x", 2, "-l: unary operator expected" },
    { "two strings", "x y", 2, "missing argument after 'y'" },
    { "--help and a word", "--help x", 2, "missing argument after 'x'" },
    { "lone dash and a word", "- x", 2, "missing argument after 'x'" },
    { "three-letter dash word", "-nn x", 2, "missing argument after 'x'" },
    { "binary before !", "! = x", 1, nullptr },
    { "binary between parentheses", "( = )", 1, nullptr },
    { "parenthesised word", "( x )", 0, nullptr },
    { "parenthesised empty word", "( '' )", 1, nullptr },
    { "! ! word", "! ! x", 0, nullptr },
    { "! and a unary test", "! -n ''", 0, nullptr },
    { "no binary operator", "a b c", 2, "b: binary operator expected" },
    { "< is no operator", "a < b", 2, "<: binary operator expected" },
    { "-a with empty right", "x -a ''", 1, nullptr },
    { "-o with empty right", "x -o ''", 0, nullptr },
    { "unary test swallows -a", "-n -a -n", 2, "extra argument '-n'" },
    { "four-word ! negates all", "! x -a ''", 0, nullptr },
    { "five-word ! negates one primary", "! x -a '' -a x", 1, nullptr },
    { "two words in parentheses", "( x y )", 2, "missing argument after ')'" },
    { "four-word parenthesised unary", "( -n x )", 0, nullptr },
    { "leftover after conjunction", "a -a b c", 2, "extra argument 'c'" },
    { "five words", "a b c d e", 2, "extra argument 'b'" },
    { "trailing -a", "a -a", 2, "missing argument after '-a'" },
    { "trailing -a after a primary", "a -a b -a", 2, "missing argument after '-a'" },
    { "trailing -o after a primary", "a -a b -o", 2, "missing argument after '-o'" },
    { "trailing ! after -a", "x -a !", 2, "missing argument after '!'" },
    { "trailing unary operator", "x -a -e", 2, "missing argument after '-e'" },
    { "group without )", "x -a ( y", 2, "')' expected" },
    { ") as the group's only word", "x -a ( )", 2, "')' expected" },
    { ") as the only word, closed", "x -a ( ) )", 0, nullptr },
    { "group takes every word left", "( a -a b c d", 2, "')' expected, found c" },
    { "trailing (", "x -a (", 2, "missing argument after '('" },
    { "( around (", "( ( )", 0, nullptr },
    { "plain nesting counts two words", "( ( x ) )", 2, "missing argument after ')'" },
    { "nesting around a conjunction", "( ( x -a y ) )", 0, nullptr },
    { "nesting around a false conjunction", "( ( x -a '' ) )", 1, nullptr },
    { "four words in a group take the four-word rule", "( ! x -a '' )", 0, nullptr },
    { "group closed after the fifth word", "( a -a b -a c ) -a x", 0, nullptr },
    { "no short-circuit of -o", "x -o 1 -eq y", 2, "invalid integer 'y'" },
    { "no short-circuit of -a", "'' -a 1 -eq y", 2, "invalid integer 'y'" },
    { "-a binds tighter than -o", "x -o '' -a ''", 0, nullptr },
    { "-o of two false conjunctions", "'' -o x -a ''", 1, nullptr },
    { "! before a group", "x -a ! ( '' -o '' )", 0, nullptr },
    { "length before the left operand", "-l abc -gt 2", 0, nullptr },
    { "-l as a plain left operand", "-l = -l", 0, nullptr },
    { "length marker in the general parser", "x -a -l abc -eq 3", 0, nullptr },
    { "-l with three words left is a string", "x -a -l = -l", 0, nullptr },
    { "length marker needs four words left", "x -a -l x =", 2, "-l: unary operator expected" },
    { "binary test in the general parser", "x -a a = b", 1, nullptr },
    { "-N takes an operand", "-N /nonexistent", 1, nullptr },
    { "-N without an operand", "x -a -N", 2, "missing argument after '-N'" },
    { "-o as unary test", "-o x", 1, nullptr },
    { "-o as unary test in the parser", "x -a -o x", 1, nullptr },
    { "lone -N", "-N", 0, nullptr },
    { "-t with a word", "-t x", 2, "invalid integer 'x'" },
    { "] is an ordinary word", "x = ]", 1, nullptr },
};

TEST(grammar, evaluates_expressions)
{
    for (const expression_case& c : expression_cases) {
        SCOPED_TRACE(c.label);
        set_words(c.words);
        // In a child, so that a silent run is seen to print nothing.
        std::string error = c.error != nullptr ? syntax_error_pattern(c.error) : "^$";
        EXPECT_EXIT(exit(evaluate_command_line()), testing::ExitedWithCode(c.status), error);
    }
}

// Each count rule on its own, started past some words that belong to an enclosing expression.
struct rule_case {
    const char* label;
    const char* words;
    int start; // arg_pos before the call
    int count; // words handed to dispatch_by_word_count
    bool value;
    int end; // arg_pos after the call
};

constexpr rule_case rule_cases[] = {
    { "one word", "x y", 1, 1, true, 2 },
    { "one empty word", "'' y", 1, 1, false, 2 },
    { "two-word !", "a ! '' b", 2, 2, true, 4 },
    { "two-word unary", "-z '' b", 1, 2, true, 3 },
    { "three-word binary", "a = a b", 1, 3, true, 4 },
    { "three-word !", "! -z x", 1, 3, true, 4 },
    { "three-word parentheses", "( x ) y", 1, 3, true, 4 },
    { "four-word !", "! a = b c", 1, 4, true, 5 },
    { "four-word parentheses", "( ! '' ) c", 1, 4, true, 5 },
    { "four words to the general parser", "a -a b -o c", 1, 4, true, 6 },
    { "general parser stops at )", "a -a b ) c", 1, 4, true, 4 },
};

TEST(grammar, rules_consume_their_words)
{
    for (const rule_case& c : rule_cases) {
        SCOPED_TRACE(c.label);
        set_words(c.words);
        arg_pos = c.start;
        EXPECT_EQ(c.value, dispatch_by_word_count(c.count));
        EXPECT_EQ(c.end, arg_pos);
    }
}

TEST(grammar, aborts_on_empty_group)
{
    set_words("x");
    EXPECT_DEATH(dispatch_by_word_count(0), "");
}

// Every letter after "-" either names a unary test, which then needs an operand, or is reported;
// so is anything else.
TEST(grammar, knows_the_unary_letters)
{
    const std::string unary_letters = "GLNOSabcdefghknoprstuwxz";
    std::string candidates = "-0!\xe9";
    for (char c = 'A'; c <= 'Z'; ++c)
        candidates += { c, static_cast<char>(c - 'A' + 'a') };
    for (char c : candidates) {
        std::string word = { '-', c };
        SCOPED_TRACE(word);
        static char name[] = "test";
        static char conjunction[] = "-a";
        static char x[] = "x";
        char* words[] = { name, x, conjunction, word.data(), nullptr };
        arg_vector = words;
        arg_count = 4;
        arg_pos = 1;
        bool is_unary = unary_letters.find(c) != std::string::npos;
        EXPECT_EXIT(exit(evaluate_command_line()), testing::ExitedWithCode(2),
            is_unary ? "missing argument after" : "unary operator expected");
    }
}

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

// Depths on both sides of the first switch to a new stack, up to what the argument limit allows.
constexpr nesting_case nesting_cases[] = {
    { "shallow, true", 3, "x -a y", 0 },
    { "shallow, false", 3, "x -a ''", 1 },
    { "ten thousand", 10000, "x -o ''", 0 },
    { "as deep as the argument limit allows", 100000, "! x -a y", 1 },
};

TEST(grammar, deep_parentheses_evaluate)
{
    for (const nesting_case& c : nesting_cases) {
        SCOPED_TRACE(c.label);
        set_nested_words(c.depth, c.inner);
        EXPECT_EQ(c.status, evaluate_command_line());
        EXPECT_EQ(arg_count, arg_pos);
    }
}

TEST(grammar, syntax_errors_at_depth)
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
