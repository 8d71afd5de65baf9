// Integer operands: their syntax, and exact comparison of decimal text of any length.
#pragma once

#include <cstddef>
#include <cstdint>

// A decimal digit as the C locale sees it, whatever the current locale says.
constexpr bool is_ascii_digit(char c)
{
    return c >= '0' && c <= '9';
}
static_assert(is_ascii_digit('0') && is_ascii_digit('9'));
static_assert(!is_ascii_digit('/') && !is_ascii_digit(':'));

// Room for the 20 digits of the largest unsigned 64-bit value and a terminating null byte.
constexpr size_t decimal_buffer_size = 21;

// Checks that word is an integer operand (blanks, an optional sign, ASCII digits, blanks) and returns
// where its integer text begins: at a "-", after a "+", after leading blanks. The text keeps any
// trailing blanks. Does not return for any other word: "invalid integer" names the word, quoted.
const char* scan_integer_operand(const char* word);

// Compares two integer texts (an optional "-" and one or more digits, ended by any other byte) of any
// length. Returns a negative number, zero or a positive number as a is below, equal to or above b.
[[nodiscard]] int compare_decimal_strings(const char* a, const char* b);

// Writes value in decimal into the end of buffer and returns its first digit.
const char* format_unsigned_decimal(uint64_t value, char (&buffer)[decimal_buffer_size]);
