// Integer operands of any length, their syntax, and the length operand -l.
#include "tests/condition/expression_case.h"

#include <gtest/gtest.h>

TEST(integers, each_operator_on_both_sides_of_its_boundary)
{
    check_cases({
        {"-eq equal", {"2", "-eq", "2"}, 0, ""},
        {"-eq different", {"2", "-eq", "3"}, 1, ""},
        {"-ne equal", {"2", "-ne", "2"}, 1, ""},
        {"-ne different", {"2", "-ne", "3"}, 0, ""},
        {"-lt smaller", {"1", "-lt", "2"}, 0, ""},
        {"-lt equal", {"2", "-lt", "2"}, 1, ""},
        {"-le equal", {"2", "-le", "2"}, 0, ""},
        {"-le greater", {"3", "-le", "2"}, 1, ""},
        {"-gt greater", {"3", "-gt", "2"}, 0, ""},
        {"-gt equal", {"2", "-gt", "2"}, 1, ""},
        {"-ge equal", {"2", "-ge", "2"}, 0, ""},
        {"-ge smaller", {"1", "-ge", "2"}, 1, ""},
    });
}

TEST(integers, compare_as_decimal_text_of_any_length)
{
    check_cases({
        {"leading zero", {"010", "-eq", "10"}, 0, ""},
        {"plus sign", {"+7", "-eq", "7"}, 0, ""},
        {"negative zero", {"-0", "-eq", "0"}, 0, ""},
        {"zeros of both signs", {"000", "-eq", "-000"}, 0, ""},
        {"signed zeros", {"-00", "-eq", "+00"}, 0, ""},
        {"negative zero is not less than zero", {"-0", "-lt", "0"}, 1, ""},
        {"minus one is less than zero", {"-1", "-lt", "0"}, 0, ""},
        {"blanks around the digits", {" 7\t", "-eq", "7"}, 0, ""},
        {"tab before the digits", {"\t1", "-eq", "1"}, 0, ""},
        {"blank after the digits on the right", {"1", "-eq", "1 "}, 0, ""},
        {"shorter is smaller", {"9", "-lt", "10"}, 0, ""},
        {"longer is greater", {"10", "-lt", "9"}, 1, ""},
        {"longer negative is smaller", {"-10", "-lt", "-9"}, 0, ""},
        {"shorter negative is greater", {"-9", "-gt", "-10"}, 0, ""},
        {"negative against positive", {"-5", "-lt", "3"}, 0, ""},
        {"positive against negative", {"3", "-lt", "-5"}, 1, ""},
        {"two negatives", {"-5", "-gt", "-50"}, 0, ""},
        {"same length, last digit decides", {"99999999999999999999999", "-gt", "99999999999999999999998"}, 0, ""},
        {"same length, last digit, reversed", {"99999999999999999999998", "-gt", "99999999999999999999999"}, 1,
            ""},
        {"beyond 64 bits", {"18446744073709551616", "-gt", "18446744073709551615"}, 0, ""},
        {"beyond 64 bits, negative", {"-18446744073709551616", "-lt", "-18446744073709551615"}, 0, ""},
        {"long and equal", {"12345678901234567890123", "-eq", "0012345678901234567890123"}, 0, ""},
        {"long negative and equal", {"-12345678901234567890123", "-ne", "-12345678901234567890123"}, 1, ""},
    });
}

TEST(integers, invalid_operands_are_syntax_errors)
{
    check_cases({
        {"trailing letter", {"7x", "-eq", "7"}, 2, "invalid integer '7x'"},
        {"empty word", {"", "-eq", "0"}, 2, "invalid integer ''"},
        {"lone minus", {"-", "-eq", "0"}, 2, "invalid integer '-'"},
        {"lone plus", {"+", "-eq", "0"}, 2, "invalid integer '+'"},
        {"two signs", {"+-1", "-eq", "1"}, 2, "invalid integer '+-1'"},
        {"hexadecimal", {"0x10", "-eq", "16"}, 2, "invalid integer '0x10'"},
        {"blank between digits", {"1 2", "-eq", "12"}, 2, "invalid integer '1 2'"},
        {"blank between sign and digits", {"- 1", "-eq", "-1"}, 2, "invalid integer '- 1'"},
        {"blank only", {" ", "-eq", "0"}, 2, "invalid integer ' '"},
        {"vertical tab is no blank", {"\v7", "-eq", "7"}, 2, "invalid integer '\\v7'"},
        {"newline is no blank", {"7\n", "-eq", "7"}, 2, "invalid integer '7\\n'"},
        {"decimal point", {"1.0", "-eq", "1"}, 2, "invalid integer '1.0'"},
        {"left named first", {"a", "-eq", "b"}, 2, "invalid integer 'a'"},
        {"right operand", {"1", "-le", "b"}, 2, "invalid integer 'b'"},
        {"marker as the last word", {"3", "-eq", "-l"}, 2, "invalid integer '-l'"},
        {"marker inside a word", {"-lx", "-eq", "0"}, 2, "invalid integer '-lx'"},
        {"apostrophe in the word", {"it's", "-gt", "0"}, 2, "invalid integer 'it\\'s'"},
    });
}

TEST(integers, length_operand)
{
    check_cases({
        {"length on the left", {"-l", "abc", "-eq", "3"}, 0, ""},
        {"length on the right", {"3", "-eq", "-l", "abc"}, 0, ""},
        {"length of the empty word", {"-l", "", "-eq", "0"}, 0, ""},
        {"lengths on both sides", {"-l", "abc", "-eq", "-l", "xyz"}, 0, ""},
        {"lengths on both sides differ", {"-l", "abc", "-lt", "-l", "wxyz"}, 0, ""},
        {"length against a negative", {"-l", "", "-gt", "-1"}, 0, ""},
        {"length counts bytes", {"-l", "\xc3\xa9", "-eq", "2"}, 0, ""},
        {"length of an operator word", {"-l", "-eq", "-eq", "3"}, 0, ""},
        {"length then more words", {"-l", "ab", "-eq", "2", "-a", "-l", "", "-eq", "0"}, 0, ""},
        {"only three words left: plain operand", {"x", "-a", "-l", "-eq", "0"}, 2, "invalid integer '-l'"},
        {"right marker of a longer expression", {"2", "-eq", "-l", "ab", "-o", ""}, 0, ""},
        {"-nt refuses a length on the right", {"a", "-nt", "-l", "b"}, 2, "-nt does not accept -l"},
        {"-nt refuses a length on the left", {"-l", "a", "-nt", "b"}, 2, "-nt does not accept -l"},
        {"-ot refuses a length", {"a", "-ot", "-l", "b"}, 2, "-ot does not accept -l"},
        {"-ef refuses a length", {"-l", "a", "-ef", "b"}, 2, "-ef does not accept -l"},
    });
}
