#include "condition/integer.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "condition/test_words.h"
#include "support/quote.h"

namespace {

struct comparison_case {
    const char* label;
    const char* a;
    const char* b;
    int sign; // of compare_decimal_strings(a, b)
};

constexpr comparison_case comparison_cases[] = {
    { "equal", "7", "7", 0 },
    { "leading zeros", "010", "10", 0 },
    { "zeros of all signs", "-0", "000", 0 },
    { "negative zeros", "-000", "-0", 0 },
    { "zero against negative zero", "0", "-0", 0 },
    { "one digit above", "8", "7", 1 },
    { "one digit below", "7", "8", -1 },
    { "longer is larger", "10", "9", 1 },
    { "shorter is smaller", "9", "10", -1 },
    { "longer after zeros is not larger", "0009", "10", -1 },
    { "twenty-three digits", "99999999999999999999999", "99999999999999999999998", 1 },
    { "beyond 64 bits", "18446744073709551616", "18446744073709551615", 1 },
    { "negatives by magnitude", "-10", "-9", -1 },
    { "negatives reversed", "-9", "-10", 1 },
    { "negatives of equal length", "-5", "-6", 1 },
    { "negative below positive", "-5", "3", -1 },
    { "positive above negative", "3", "-5", 1 },
    { "negative below zero", "-1", "0", -1 },
    { "zero above negative", "0", "-1", 1 },
    { "negative zero below positive", "-0", "1", -1 },
    { "positive above negative zero", "1", "-00", 1 },
    { "trailing blanks end the number", "12 ", "12\t", 0 },
    { "blank against digit", "1 ", "12", -1 },
    { "negative blank against digit", "-1 ", "-12", 1 },
    { "beyond 64 bits, negative", "-18446744073709551616", "-18446744073709551615", -1 },
    { "long, after leading zeros", "12345678901234567890123", "0012345678901234567890123", 0 },
    { "long negatives", "-12345678901234567890123", "-12345678901234567890123", 0 },
    { "differ only in the last digit", "123456789012345678901234567890", "123456789012345678901234567891",
        -1 },
};

int sign_of(int value)
{
    return (value > 0) - (value < 0);
}

TEST(integer, compares_decimal_strings)
{
    for (const comparison_case& c : comparison_cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.sign, sign_of(compare_decimal_strings(c.a, c.b)));
    }
}

struct operand_case {
    const char* label;
    const char* word;
    const char* text; // what scan_integer_operand returns; nullptr for "invalid integer"
};

constexpr operand_case operand_cases[] = {
    { "digits", "42", "42" },
    { "leading zeros kept", "007", "007" },
    { "plus is dropped", "+7", "7" },
    { "minus is kept", "-7", "-7" },
    { "blanks around", " 7\t", "7\t" },
    { "blanks before a sign", "\t -3", "-3" },
    { "a hundred digits",
        "100000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "0",
        "100000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "0" },
    { "empty word", "", nullptr },
    { "blanks only", "  ", nullptr },
    { "lone minus", "-", nullptr },
    { "lone plus", "+", nullptr },
    { "two signs", "+-1", nullptr },
    { "double minus", "--1", nullptr },
    { "letter after digits", "7x", nullptr },
    { "hexadecimal", "0x10", nullptr },
    { "blank inside", "1 2", nullptr },
    { "sign after blank after digits", "1 -", nullptr },
    { "blank between sign and digits", "- 1", nullptr },
    { "line feed is no blank", "7\n", nullptr },
    { "decimal point", "1.0", nullptr },
    { "length marker", "-l", nullptr },
    { "length marker and a letter", "-lx", nullptr },
    { "vertical tab is no blank", "\v7", nullptr },
    { "apostrophe", "it's", nullptr },
};

TEST(integer, scans_integer_operands)
{
    for (const operand_case& c : operand_cases) {
        SCOPED_TRACE(c.label);
        set_words("");
        if (c.text != nullptr) {
            EXPECT_STREQ(c.text, scan_integer_operand(c.word));
            continue;
        }
        // The word is quoted as every message quotes it; the quoting itself is tested with it.
        std::string message = std::string("invalid integer ") + quote_argument(c.word);
        EXPECT_EXIT(
            scan_integer_operand(c.word), testing::ExitedWithCode(2), syntax_error_pattern(message.c_str()));
    }
}

TEST(integer, formats_unsigned_decimal)
{
    struct {
        const char* label;
        uint64_t value;
        const char* text;
    } cases[] = {
        { "zero", 0, "0" },
        { "one digit", 9, "9" },
        { "two digits", 10, "10" },
        { "largest value", UINT64_MAX, "18446744073709551615" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        char buffer[decimal_buffer_size];
        const char* text = format_unsigned_decimal(c.value, buffer);
        EXPECT_STREQ(c.text, text);
        EXPECT_EQ(buffer + decimal_buffer_size - 1, text + strlen(c.text));
    }
}

} // namespace
