// Whole-word comparison without a library call, so that an ordinary run binds no string functions.
#pragma once

// True when a and b hold the same bytes up to their null bytes. The loop runs on b, so that a
// constant b unrolls into as many byte comparisons as it has bytes.
constexpr bool is_same_word(const char* a, const char* b)
{
    while (*b != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}
static_assert(is_same_word("", "") && is_same_word("-eq", "-eq"));
static_assert(!is_same_word("-e", "-eq") && !is_same_word("-eq", "-e") && !is_same_word("=", ""));
