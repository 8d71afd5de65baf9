#include "condition/integer.h"

#include <cctype>
#include <libintl.h>

#include "condition/arguments.h"
#include "support/locale_setup.h"
#include "support/quote.h"

namespace {

// The space and the tab are blanks in every locale, and the tab counts as one even in a locale that
// says otherwise. No locale makes a digit, a sign or the terminating null byte a blank. Only another
// byte needs the locale, which is set up the first time one turns up.
bool is_blank(char c)
{
    if (c == '\0' || is_ascii_digit(c) || c == '+' || c == '-')
        return false;
    if (c == ' ' || c == '\t')
        return true;
    set_up_locale();
    return isblank(static_cast<unsigned char>(c)) != 0;
}

const char* skip_blanks(const char* p)
{
    while (is_blank(*p))
        ++p;
    return p;
}

const char* skip_zeros(const char* p)
{
    while (*p == '0')
        ++p;
    return p;
}

size_t count_digits(const char* p)
{
    size_t count = 0;
    while (is_ascii_digit(p[count]))
        ++count;
    return count;
}

// Exactly one of a and b starts with "-".
int compare_mixed_signs(const char* a, const char* b)
{
    bool a_is_negative = *a == '-';
    const char* negative = skip_zeros((a_is_negative ? a : b) + 1);
    const char* positive = skip_zeros(a_is_negative ? b : a);
    // Unless both are zero, the negative one is below the other: a nonzero negative number is below
    // any non-negative one, and a nonzero positive number is above a negative zero.
    if (is_ascii_digit(*negative) || is_ascii_digit(*positive))
        return a_is_negative ? -1 : 1;
    return 0;
}

} // namespace

const char* scan_integer_operand(const char* word)
{
    const char* p = skip_blanks(word);
    const char* start = p;
    if (*p == '+')
        start = ++p;
    else if (*p == '-')
        ++p;
    bool valid = is_ascii_digit(*p);
    p += count_digits(p);
    if (!valid || *skip_blanks(p) != '\0') {
        // Quoting sets up the locale, which the message needs as well.
        const char* quoted = quote_argument(word);
        report_syntax_error(gettext("invalid integer %s"), quoted);
    }
    return start;
}

int compare_decimal_strings(const char* a, const char* b)
{
    bool a_is_negative = *a == '-';
    if (a_is_negative != (*b == '-'))
        return compare_mixed_signs(a, b);
    if (a_is_negative) {
        ++a;
        ++b;
    }
    a = skip_zeros(a);
    b = skip_zeros(b);
    while (*a == *b && is_ascii_digit(*a)) {
        ++a;
        ++b;
    }
    size_t a_digits = count_digits(a);
    size_t b_digits = count_digits(b);
    if (a_digits == 0 && b_digits == 0)
        return 0;
    // A longer magnitude is the larger number, unless both are negative.
    if (a_digits != b_digits)
        return (a_digits > b_digits) != a_is_negative ? 1 : -1;
    return a_is_negative ? *b - *a : *a - *b;
}

const char* format_unsigned_decimal(uint64_t value, char (&buffer)[decimal_buffer_size])
{
    char* p = buffer + decimal_buffer_size - 1;
    *p = '\0';
    do {
        *--p = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return p;
}
