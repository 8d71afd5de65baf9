// How words group into expressions: the rules for one to four words, the connectives, parentheses
// and the syntax errors, as the built program answers them.
#include "tests/condition/expression_case.h"

#include <gtest/gtest.h>

TEST(grammar, one_word_is_a_string_test)
{
    check_cases({
        {"no words at all", {}, 1, ""},
        {"empty word", {""}, 1, ""},
        {"bang", {"!"}, 0, ""},
        {"open parenthesis", {"("}, 0, ""},
        {"close parenthesis", {")"}, 0, ""},
        {"unary operator word", {"-n"}, 0, ""},
        {"empty-test operator word", {"-z"}, 0, ""},
        {"conjunction word", {"-a"}, 0, ""},
        {"disjunction word", {"-o"}, 0, ""},
        {"no options", {"--help"}, 0, ""},
        {"no version option", {"--version"}, 0, ""},
        {"closing bracket is a plain word", {"]"}, 0, ""},
        {"zero is nonempty", {"0"}, 0, ""},
        {"lone dash", {"-"}, 0, ""},
    });
}

TEST(grammar, two_words)
{
    check_cases({
        {"negated empty word", {"!", ""}, 0, ""},
        {"negated word", {"!", "x"}, 1, ""},
        {"second word is never an operator", {"!", "-z"}, 1, ""},
        {"negated bang", {"!", "!"}, 1, ""},
        {"nonempty -n", {"-n", "0"}, 0, ""},
        {"empty -n", {"-n", ""}, 1, ""},
        {"nonempty -z", {"-z", "0"}, 1, ""},
        {"empty -z", {"-z", ""}, 0, ""},
        {"unknown letter", {"-q", "x"}, 2, "-q: unary operator expected"},
        {"upper-case unknown letter", {"-A", "x"}, 2, "-A: unary operator expected"},
        {"length marker alone", {"-l", "x"}, 2, "-l: unary operator expected"},
        {"two plain words", {"x", "y"}, 2, "missing argument after 'y'"},
        {"option-like first word", {"--help", "x"}, 2, "missing argument after 'x'"},
        {"lone dash first", {"-", "x"}, 2, "missing argument after 'x'"},
        {"three-letter dash word", {"-nn", "x"}, 2, "missing argument after 'x'"},
        {"trailing conjunction", {"a", "-a"}, 2, "missing argument after '-a'"},
        {"trailing disjunction", {"a", "-o"}, 2, "missing argument after '-o'"},
        {"-o is a unary test, always false", {"-o", "x"}, 1, ""},
        {"-N on a missing file", {"-N", "/nonexistent/file"}, 1, ""},
    });
}

TEST(grammar, three_words)
{
    check_cases({
        {"binary operator comes before bang", {"!", "=", "x"}, 1, ""},
        {"binary operator between parentheses", {"(", "=", ")"}, 1, ""},
        {"parenthesised word", {"(", "x", ")"}, 0, ""},
        {"parenthesised empty word", {"(", "", ")"}, 1, ""},
        {"parenthesised open parenthesis", {"(", "(", ")"}, 0, ""},
        {"double negation of a word", {"!", "!", "x"}, 0, ""},
        {"negated unary test", {"!", "-n", ""}, 0, ""},
        {"negated two plain words", {"!", "x", "y"}, 2, "missing argument after 'y'"},
        {"negated -o test", {"!", "-o", "x"}, 0, ""},
        {"no binary operator", {"a", "b", "c"}, 2, "b: binary operator expected"},
        {"less-than is no operator", {"a", "<", "b"}, 2, "<: binary operator expected"},
        {"unary test then a word", {"-N", "x", "y"}, 2, "x: binary operator expected"},
        {"conjunction with empty", {"x", "-a", ""}, 1, ""},
        {"disjunction with empty", {"x", "-o", ""}, 0, ""},
        {"unary test eats the conjunction", {"-n", "-a", "-n"}, 2, "extra argument '-n'"},
        {"unary test without operand", {"x", "-a", "-n"}, 2, "missing argument after '-n'"},
        {"trailing open parenthesis", {"x", "-a", "("}, 2, "missing argument after '('"},
        {"length markers as operands", {"-l", "=", "-l"}, 0, ""},
        {"equal strings", {"abc", "=", "abc"}, 0, ""},
        {"double equals", {"abc", "==", "abc"}, 0, ""},
        {"case matters", {"abc", "=", "ABC"}, 1, ""},
        {"not equal on equal strings", {"a", "!=", "a"}, 1, ""},
        {"not equal on different strings", {"a", "!=", "b"}, 0, ""},
        {"empty strings equal", {"", "=", ""}, 0, ""},
    });
}

TEST(grammar, four_words)
{
    check_cases({
        {"bang negates the whole three-word rest", {"!", "x", "-a", ""}, 0, ""},
        {"bang around a group", {"!", "(", "x", ")"}, 1, ""},
        {"group of a negation", {"(", "!", "x", ")"}, 1, ""},
        {"group of two plain words", {"(", "x", "y", ")"}, 2, "missing argument after ')'"},
        {"group of a unary test", {"(", "-z", "", ")"}, 0, ""},
        {"leftover after a conjunction", {"a", "-a", "b", "c"}, 2, "extra argument 'c'"},
        {"trailing conjunction", {"a", "-a", "b", "-a"}, 2, "missing argument after '-a'"},
        {"group left open", {"x", "-a", "(", "y"}, 2, "')' expected"},
        {"close parenthesis as the group's word", {"x", "-a", "(", ")"}, 2, "')' expected"},
        {"unknown unary letter in the parser", {"-q", "x", "-a", "y"}, 2, "-q: unary operator expected"},
        {"length operand on the left", {"-l", "abc", "-gt", "2"}, 0, ""},
        {"-o consumes its operand", {"-o", "x", "-o", "x"}, 0, ""},
        {"-N consumes its operand", {"-N", "/nonexistent", "-o", "x"}, 0, ""},
        {"group then trailing conjunction", {"(", "x", ")", "-a"}, 2, "missing argument after '-a'"},
        {"a group closed twice", {"(", "x", ")", ")"}, 2, "missing argument after ')'"},
    });
}

TEST(grammar, connectives_and_groups)
{
    check_cases({
        {"five plain words", {"a", "b", "c", "d", "e"}, 2, "extra argument 'b'"},
        {"close parenthesis as the group's word, closed", {"x", "-a", "(", ")", ")"}, 0, ""},
        {"no close parenthesis among the next four", {"(", "a", "-a", "b", "c", "d"}, 2, "')' expected, found c"},
        {"plain nesting counts the inner group as two words", {"(", "(", "x", ")", ")"}, 2,
            "missing argument after ')'"},
        {"nesting around a conjunction", {"(", "(", "x", "-a", "y", ")", ")"}, 0, ""},
        {"nesting around a false conjunction", {"(", "(", "x", "-a", "", ")", ")"}, 1, ""},
        {"group inside a disjunction", {"(", "x", "-a", "y", ")", "-o", ""}, 0, ""},
        {"-a binds tighter than -o", {"x", "-o", "", "-a", ""}, 0, ""},
        {"-a binds tighter than -o, on the left", {"", "-a", "x", "-o", ""}, 1, ""},
        {"both sides of -o are evaluated", {"", "-a", "x", "-o", "x"}, 0, ""},
        {"bang applies to the next primary only", {"!", "x", "-o", "x", "-a", "x"}, 0, ""},
        {"three bangs negate", {"!", "!", "!", "x", "-a", "x"}, 1, ""},
        {"four bangs cancel", {"!", "!", "!", "!", "x", "-a", "x"}, 0, ""},
        {"trailing bang", {"x", "-a", "!"}, 2, "missing argument after '!'"},
        {"trailing bang in the parser", {"x", "-a", "x", "-a", "!"}, 2, "missing argument after '!'"},
        {"no short-circuit after true", {"x", "-o", "1", "-eq", "y"}, 2, "invalid integer 'y'"},
        {"no short-circuit after false", {"", "-a", "1", "-eq", "y"}, 2, "invalid integer 'y'"},
        {"missing argument names the last word", {"(", "x", "-a", ")", "y"}, 2, "missing argument after 'y'"},
        {"group closed by the end of the words", {"(", "-n", ")", "-a", "(", "-f"}, 2, "')' expected"},
        {"group followed by a stray word", {"(", "x", "-a", "y", ")", "z"}, 2, "extra argument 'z'"},
        {"group followed by a stray word inside", {"(", "x", "-a", "y", "z", ")"}, 2, "')' expected, found z"},
        {"unknown operator inside a long group", {"(", "x", "-a", "-q", "y", ")"}, 2,
            "-q: unary operator expected"},
    });
}

TEST(grammar, string_operators_with_a_length_marker)
{
    check_cases({
        {"marker on the left is ignored", {"-l", "abc", "=", "abc"}, 0, ""},
        {"marker on the left compares the string", {"-l", "abc", "=", "3"}, 1, ""},
        {"marker on the right is ignored", {"x", "=", "-l", "x"}, 0, ""},
        {"marker on the right compares the string", {"3", "=", "-l", "abc"}, 1, ""},
        {"markers on both sides", {"-l", "ab", "!=", "-l", "ab"}, 1, ""},
        {"marker as the last word is an operand", {"-l", "=", "-l"}, 0, ""},
        {"marker before the end of a longer expression", {"x", "=", "-l", "x", "-a", "y"}, 0, ""},
    });
}
