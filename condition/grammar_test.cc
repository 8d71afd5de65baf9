#include "condition/grammar.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "condition/evaluate.h"
#include "condition/test_words.h"
#include "support/failure.h"

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
    { "lone )", ")", 0, nullptr },
    { "lone -z", "-z", 0, nullptr },
    { "lone -o", "-o", 0, nullptr },
    { "no version option", "--version", 0, nullptr },
    { "zero is nonempty", "0", 0, nullptr },
    { "lone dash", "-", 0, nullptr },
    { "nonempty -n", "-n 0", 0, nullptr },
    { "empty -n", "-n ''", 1, nullptr },
    { "nonempty -z", "-z 0", 1, nullptr },
    { "empty -z", "-z ''", 0, nullptr },
    { "upper-case unknown letter", "-A x", 2, "-A: unary operator expected" },
    { "trailing -o", "a -o", 2, "missing argument after '-o'" },
    { "-N on a missing file", "-N /nonexistent/file", 1, nullptr },
    { "! and two plain words", "! x y", 2, "missing argument after 'y'" },
    { "! and the -o test", "! -o x", 0, nullptr },
    { "unary test then a word", "-N x y", 2, "x: binary operator expected" },
    { "trailing -n", "x -a -n", 2, "missing argument after '-n'" },
    { "equal strings", "abc = abc", 0, nullptr },
    { "double equals", "abc == abc", 0, nullptr },
    { "case matters", "abc = ABC", 1, nullptr },
    { "!= on equal strings", "a != a", 1, nullptr },
    { "!= on different strings", "a != b", 0, nullptr },
    { "empty strings equal", "'' = ''", 0, nullptr },
    { "! around a group", "! ( x )", 1, nullptr },
    { "group of a negation", "( ! x )", 1, nullptr },
    { "group of -z", "( -z '' )", 0, nullptr },
    { "unknown unary letter in the parser", "-q x -a y", 2, "-q: unary operator expected" },
    { "-o consumes its operand", "-o x -o x", 0, nullptr },
    { "-N consumes its operand", "-N /nonexistent -o x", 0, nullptr },
    { "group then trailing -a", "( x ) -a", 2, "missing argument after '-a'" },
    { "a group closed twice", "( x ) )", 2, "missing argument after ')'" },
    { "group inside a disjunction", "( x -a y ) -o ''", 0, nullptr },
    { "false conjunction before a group", "'' -a ( x -a y )", 1, nullptr },
    { "true disjunction before a group", "x -o ( '' -a y )", 0, nullptr },
    { "-a binds tighter than -o, on the left", "'' -a x -o ''", 1, nullptr },
    { "both sides of -o are evaluated", "'' -a x -o x", 0, nullptr },
    { "! applies to the next primary only", "! x -o x -a x", 0, nullptr },
    { "three ! negate", "! ! ! x -a x", 1, nullptr },
    { "four ! cancel", "! ! ! ! x -a x", 0, nullptr },
    { "trailing ! in the parser", "x -a x -a !", 2, "missing argument after '!'" },
    { "missing argument names the last word", "( x -a ) y", 2, "missing argument after 'y'" },
    { "group closed by the end of the words", "( -n ) -a ( -f", 2, "')' expected" },
    { "group followed by a stray word", "( x -a y ) z", 2, "extra argument 'z'" },
    { "group followed by a stray word inside", "( x -a y z )", 2, "')' expected, found z" },
    { "unknown operator inside a long group", "( x -a -q y )", 2, "-q: unary operator expected" },
    { "-l on the left of = is ignored", "-l abc = abc", 0, nullptr },
    { "-l on the left of = compares the string", "-l abc = 3", 1, nullptr },
    { "-l on the right of = is ignored", "x = -l x", 0, nullptr },
    { "-l on the right of = compares the string", "3 = -l abc", 1, nullptr },
    { "-l on both sides of !=", "-l ab != -l ab", 1, nullptr },
    { "-l before the end of a longer expression", "x = -l x -a y", 0, nullptr },
    { "length then more words", "-l ab -eq 2 -a -l '' -eq 0", 0, nullptr },
    { "three words left: -l is an operand", "x -a -l -eq 0", 2, "invalid integer '-l'" },
    { "right length of a longer expression", "2 -eq -l ab -o ''", 0, nullptr },
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

// Depths from a few levels to what the argument limit allows.
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

void* fail_allocation(size_t)
{
    return nullptr;
}

// Open groups are kept in memory from allocate_or_die, so a nest that finds none ends the run.
TEST(grammar, deep_parentheses_without_memory)
{
    // The child starts afresh, with no memory for open groups left by an earlier test.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    set_nested_words(100, "x -a y");
    EXPECT_EXIT(
        {
            failure_exit_status = 2;
            heap_allocator = fail_allocation;
            exit(evaluate_command_line());
        },
        testing::ExitedWithCode(2), "^[^\n]*: memory exhausted\n$");
}

} // namespace
