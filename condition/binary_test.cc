#include "condition/binary.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "condition/test_words.h"

namespace {

struct binary_case {
    const char* label;
    const char* words; // from the first word of the test; '' is an empty word
    bool left_is_length;
    bool value;
    int consumed; // words by which arg_pos advances
};

constexpr binary_case binary_cases[] = {
    { "equal strings", "a = a", false, true, 3 },
    { "== is =", "a == a", false, true, 3 },
    { "case matters", "abc = ABC", false, false, 3 },
    { "!= on equal strings", "a != a", false, false, 3 },
    { "!= on different strings", "a != b", false, true, 3 },
    { "words after the test stay", "a = a b c", false, true, 3 },
    { "length ignored by =", "-l abc = abc", true, true, 4 },
    { "right length ignored by =", "abc = -l abc", false, true, 4 },
    { "right length ignored by !=", "abc != -l abc", false, false, 4 },
    { "both lengths ignored by =", "-l a = -l a", true, true, 5 },
    { "-l as the last word is an operand", "a = -l", false, false, 3 },
    { "-l as the last word equals -l", "-l = -l", false, true, 3 },
    { "leading zeros", "010 -eq 10", false, true, 3 },
    { "plus sign", "+7 -eq 7", false, true, 3 },
    { "blanks around", "~7\t -eq 7", false, true, 3 },
    { "negative zero", "-0 -eq 0", false, true, 3 },
    { "-ne", "1 -ne 2", false, true, 3 },
    { "-lt below", "-10 -lt -9", false, true, 3 },
    { "-lt equal", "5 -lt 5", false, false, 3 },
    { "-le equal", "5 -le 5", false, true, 3 },
    { "-le above", "6 -le 5", false, false, 3 },
    { "-gt above", "-5 -gt -50", false, true, 3 },
    { "-gt equal", "5 -gt 5", false, false, 3 },
    { "-ge equal", "5 -ge 5", false, true, 3 },
    { "-ge below", "4 -ge 5", false, false, 3 },
    { "length on the left", "-l abc -eq 3", true, true, 4 },
    { "length on the right", "3 -eq -l abc", false, true, 4 },
    { "lengths on both sides", "-l abc -eq -l xyz", true, true, 5 },
    { "length of the empty word", "-l '' -eq 0", true, true, 4 },
    { "length counts bytes", "-l \xc3\xa9 -eq 2", true, true, 4 },
    { "length against a long number", "-l a -lt 99999999999999999999999", true, true, 4 },
    { "same file", "/ -ef /", false, true, 3 },
    { "missing files are not the same", "/nonexistent -ef /nonexistent", false, false, 3 },
    { "existing newer than missing", "/ -nt /nonexistent", false, true, 3 },
    { "missing not newer", "/nonexistent -nt /", false, false, 3 },
    { "missing older than existing", "/nonexistent -ot /", false, true, 3 },
    { "existing not older than missing", "/ -ot /nonexistent", false, false, 3 },
    { "two missing files, -nt", "/nonexistent -nt /nonexistent", false, false, 3 },
    { "two missing files, -ot", "/nonexistent -ot /nonexistent", false, false, 3 },
    { "same file is not newer", "/ -nt /", false, false, 3 },
    { "same file is not older", "/ -ot /", false, false, 3 },
    { "-eq on different numbers", "2 -eq 3", false, false, 3 },
    { "-ne on equal numbers", "2 -ne 2", false, false, 3 },
    { "zeros of both signs", "-00 -eq +00", false, true, 3 },
    { "negative zero is not below zero", "-0 -lt 0", false, false, 3 },
    { "blank after the right operand", "1 -eq 1~", false, true, 3 },
    { "lengths on both sides differ", "-l abc -lt -l wxyz", true, true, 5 },
    { "length against a negative", "-l '' -gt -1", true, true, 4 },
    { "length of an operator word", "-l -eq -eq 3", true, true, 4 },
};

TEST(binary, evaluates_and_consumes)
{
    for (const binary_case& c : binary_cases) {
        SCOPED_TRACE(c.label);
        set_words(c.words);
        EXPECT_EQ(c.value, evaluate_binary_operator(c.left_is_length));
        EXPECT_EQ(1 + c.consumed, arg_pos);
    }
}

struct binary_error_case {
    const char* label;
    const char* words;
    bool left_is_length;
    const char* error;
};

constexpr binary_error_case binary_error_cases[] = {
    { "letter after digits", "7x -eq 7", false, "invalid integer '7x'" },
    { "empty operand", "'' -eq 0", false, "invalid integer ''" },
    { "lone minus", "- -eq 0", false, "invalid integer '-'" },
    { "two signs", "+-1 -eq 1", false, "invalid integer '+-1'" },
    { "hexadecimal", "0x10 -eq 16", false, "invalid integer '0x10'" },
    { "blank inside", "1~2 -eq 12", false, "invalid integer '1 2'" },
    { "left one named first", "a -eq b", false, "invalid integer 'a'" },
    { "bad right operand", "1 -eq b", false, "invalid integer 'b'" },
    { "-l as the last word", "3 -eq -l", false, "invalid integer '-l'" },
    { "-nt with a length on the right", "a -nt -l b", false, "-nt does not accept -l" },
    { "-ot with a length on the left", "-l a -ot b", true, "-ot does not accept -l" },
    { "-nt with a length on the left", "-l a -nt b", true, "-nt does not accept -l" },
    { "-ot with a length on the right", "a -ot -l b", false, "-ot does not accept -l" },
    { "-ef with a length on the left", "-l a -ef b", true, "-ef does not accept -l" },
    { "unknown dash operator", "a -xx b", false, "unknown binary operator" },
    { "unknown word", "a % b", false, "unknown binary operator" },
};

TEST(binary, reports_bad_operands)
{
    for (const binary_error_case& c : binary_error_cases) {
        SCOPED_TRACE(c.label);
        set_words(c.words);
        EXPECT_EXIT(evaluate_binary_operator(c.left_is_length), testing::ExitedWithCode(2),
            syntax_error_pattern(c.error));
    }
}

TEST(binary, recognises_operator_words)
{
    for (const char* word :
        { "=", "!=", "==", "-nt", "-ot", "-ef", "-eq", "-ne", "-lt", "-le", "-gt", "-ge" }) {
        SCOPED_TRACE(word);
        EXPECT_TRUE(is_binary_operator_word(word));
    }
    for (const char* word : { "", "<", ">", "-EQ", "-eq ", "-e", "===", "-a", "-o", "!" }) {
        SCOPED_TRACE(word);
        EXPECT_FALSE(is_binary_operator_word(word));
    }
}

} // namespace
