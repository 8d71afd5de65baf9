#include "support/quote.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string_view>

#include "support/failure.h"
#include "support/locale_setup.h"
#include "support/quote_mark.h"

char initial_quote_buffer[256];
quote_buffer quote_slot = { sizeof initial_quote_buffer, initial_quote_buffer };

namespace {

// Where the quoted form goes. Bytes past the capacity are counted but not stored, so that a caller
// learns the full length from a buffer that is too small.
struct quote_output {
    char* buffer;
    size_t capacity;
    size_t length;
};

void emit(quote_output& out, char c)
{
    if (out.length < out.capacity)
        out.buffer[out.length] = c;
    ++out.length;
}

void emit_text(quote_output& out, const char* text)
{
    for (; *text != '\0'; ++text)
        emit(out, *text);
}

void emit_octal(quote_output& out, unsigned char b)
{
    emit(out, '\\');
    emit(out, static_cast<char>('0' + b / 64));
    emit(out, static_cast<char>('0' + b / 8 % 8));
    emit(out, static_cast<char>('0' + b % 8));
}

// The text being scanned. Its length is counted at most once, and only when something needs it.
struct quote_input {
    const char* text;
    size_t length;
    bool is_length_known;
};

size_t length_of(quote_input& in)
{
    if (!in.is_length_known) {
        in.length = strlen(in.text);
        in.is_length_known = true;
    }
    return in.length;
}

bool is_right_mark_at(quote_input& in, size_t i, const char* right, size_t right_length)
{
    if (right_length == 0)
        return false;
    if (right_length == 1)
        return in.text[i] == right[0];
    return length_of(in) - i >= right_length && memcmp(in.text + i, right, right_length) == 0;
}

// The backslash-letter escape of a control character or the backslash, or 0 when c has none.
constexpr char escape_letter(unsigned char c)
{
    constexpr std::string_view escaped = "\a\b\t\n\v\f\r\\";
    constexpr std::string_view letters = "abtnvfr\\";
    static_assert(escaped.size() == letters.size());
    size_t at = escaped.find(static_cast<char>(c));
    return at == std::string_view::npos ? '\0' : letters[at];
}
static_assert(escape_letter(0x07) == 'a' && escape_letter(0x0d) == 'r' && escape_letter(0x5c) == '\\');
static_assert(escape_letter(0x06) == 0 && escape_letter(0x0e) == 0 && escape_letter(0x00) == 0);

// Bytes that stand for themselves in every locale: the printable characters of C's basic character
// set, less the backslash, which is escaped. "@" is not among them, so it is decoded like the rest.
constexpr bool is_plain_byte(unsigned char c)
{
    return c >= 0x20 && c <= 0x7e && c != '@' && c != '\\';
}
static_assert(is_plain_byte(' ') && is_plain_byte('?') && is_plain_byte('A') && is_plain_byte('['));
static_assert(is_plain_byte(']') && is_plain_byte('~') && is_plain_byte('\'') && is_plain_byte('`'));
static_assert(!is_plain_byte('@') && !is_plain_byte('\\') && !is_plain_byte(0x1f) && !is_plain_byte(0x7f));

struct character_sequence {
    size_t length; // at least 1
    bool is_printable;
};

// Measures the character that starts at byte i in a multibyte locale. Bytes that do not decode
// make an unprintable sequence of one byte; a character cut off by the end of the text takes the
// rest of the text.
character_sequence measure_multibyte(quote_input& in, size_t i)
{
    size_t m = 0;
    bool is_printable = true;
    mbstate_t state {};
    for (;;) {
        wchar_t wide;
        size_t k = mbrtowc(&wide, in.text + i + m, length_of(in) - (i + m), &state);
        if (k == 0)
            break;
        if (k == static_cast<size_t>(-1)) {
            is_printable = false;
            break;
        }
        if (k == static_cast<size_t>(-2)) {
            is_printable = false;
            m = length_of(in) - i;
            break;
        }
        if (!iswprint(static_cast<wint_t>(wide)))
            is_printable = false;
        m += k;
        if (mbsinit(&state))
            break;
    }
    return { m > 0 ? m : 1, is_printable };
}

// Quotes the character that starts with the byte at i and returns how many bytes it took.
size_t quote_character(quote_output& out, quote_input& in, size_t i, bool is_unibyte, bool is_right_mark)
{
    unsigned char c = static_cast<unsigned char>(in.text[i]);
    if (char letter = escape_letter(c)) {
        emit(out, '\\');
        emit(out, letter);
        return 1;
    }
    character_sequence sequence = { 1, true };
    if (!is_plain_byte(c))
        sequence = is_unibyte ? character_sequence { 1, isprint(c) != 0 } : measure_multibyte(in, i);
    for (size_t k = 0; k < sequence.length; ++k) {
        unsigned char b = static_cast<unsigned char>(in.text[i + k]);
        if (!sequence.is_printable) {
            emit_octal(out, b);
            continue;
        }
        if (k == 0 && is_right_mark)
            emit(out, '\\');
        emit(out, static_cast<char>(b));
    }
    return sequence.length;
}

} // namespace

size_t quote_into_buffer(char* buffer, size_t capacity, const char* text)
{
    quote_output out = { buffer, capacity, 0 };
    quote_input in = { text, 0, false };
    // The marks, MB_CUR_MAX and the decoding of characters all come from the locale.
    set_up_locale();
    bool is_unibyte = MB_CUR_MAX == 1;
    const char* left = choose_quote_mark("`");
    const char* right = choose_quote_mark("'");
    size_t right_length = strlen(right);

    emit_text(out, left);
    for (size_t i = 0; text[i] != '\0';) {
        bool is_right_mark = is_right_mark_at(in, i, right, right_length);
        i += quote_character(out, in, i, is_unibyte, is_right_mark);
    }
    emit_text(out, right);
    if (out.length < capacity)
        buffer[out.length] = '\0';
    return out.length;
}

const char* quote_argument(const char* text)
{
    int saved_errno = errno;
    size_t length = quote_into_buffer(quote_slot.storage, quote_slot.capacity, text);
    if (length >= quote_slot.capacity) {
        quote_slot.capacity = length + 1;
        if (quote_slot.storage != initial_quote_buffer)
            free(quote_slot.storage);
        quote_slot.storage = static_cast<char*>(allocate_or_die(quote_slot.capacity));
        // The second pass gives the same length, which now fits.
        quote_into_buffer(quote_slot.storage, quote_slot.capacity, text);
    }
    errno = saved_errno;
    return quote_slot.storage;
}
