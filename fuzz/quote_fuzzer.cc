// Quotes the input (up to its first null byte) in the C locale and in C.UTF-8, and checks the result:
// it begins with the left mark and ends with the right one, decodes back to exactly the input, agrees
// with quote_into_buffer at every capacity up to its own length, and leaves errno alone. AddressSanitizer
// catches a read past the input, which is handed over in a block of its own size.
#include "support/quote.h"
#include "support/quote_mark.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

const char* locale_name = "";

[[noreturn]] void report_violation(const char* what, std::string_view input, std::string_view output)
{
    fprintf(stderr, "quote: %s in locale %s\n  input  (%zu bytes): ", what, locale_name, input.size());
    for (unsigned char c : input)
        fprintf(stderr, "%02x", c);
    fprintf(stderr, "\n  output (%zu bytes): ", output.size());
    for (unsigned char c : output)
        fprintf(stderr, "%02x", c);
    fputc('\n', stderr);
    abort();
}

constexpr bool is_octal_digit(char c)
{
    return c >= '0' && c <= '7';
}

// Undoes the escapes between the marks: a backslash and a letter of the seven control escapes, a
// doubled backslash, a backslash and three octal digits, and a backslash before any other byte (the
// first byte of the right mark) which stands for that byte. Returns false on a malformed escape.
bool decode_quoted(std::string_view body, std::string& decoded)
{
    constexpr std::string_view letters = "abtnvfr";
    constexpr std::string_view controls = "\a\b\t\n\v\f\r";
    decoded.clear();
    for (size_t i = 0; i < body.size(); i++) {
        if (body[i] != '\\') {
            decoded += body[i];
            continue;
        }
        if (++i == body.size())
            return false;
        char c = body[i];
        if (size_t letter = letters.find(c); letter != letters.npos) {
            decoded += controls[letter];
        } else if (is_octal_digit(c)) {
            if (i + 2 >= body.size() || !is_octal_digit(body[i + 1]) || !is_octal_digit(body[i + 2])
                || c > '3')
                return false;
            decoded += static_cast<char>((c - '0') * 64 + (body[i + 1] - '0') * 8 + (body[i + 2] - '0'));
            i += 2;
        } else {
            decoded += c;
        }
    }
    return true;
}

// The quoted text, its decoding and the bounded form's buffer. Their storage serves every input, so
// that the checks allocate nothing once it has grown.
std::string output;
std::string decoded;
std::string buffer;

void check_quoting(std::string_view input, const char* text, const char* name)
{
    locale_name = name;
    std::string_view left = choose_quote_mark("`");
    std::string_view right = choose_quote_mark("'");
    errno = 1234;
    const char* quoted = quote_argument(text);
    if (errno != 1234)
        report_violation("errno changed", input, quoted);
    output.assign(quoted);
    if (output.size() < left.size() + right.size() || !output.starts_with(left) || !output.ends_with(right))
        report_violation("marks missing", input, output);
    std::string_view body(output);
    body = body.substr(left.size(), body.size() - left.size() - right.size());
    if (!decode_quoted(body, decoded))
        report_violation("malformed escape", input, output);
    if (decoded != input)
        report_violation("does not decode to the input", input, output);

    // The bounded form stores a prefix of the same text, with the null byte only when it fits, and
    // always returns the full length.
    size_t full = output.size();
    for (size_t capacity : { size_t(0), size_t(1), full / 2, full - 1, full, full + 1 }) {
        buffer.assign(capacity + 1, '\x55');
        size_t length = quote_into_buffer(buffer.data(), capacity, text);
        if (length != full || memcmp(buffer.data(), output.data(), std::min(capacity, full)) != 0)
            report_violation("quote_into_buffer disagrees", input, output);
        char after = capacity > full ? '\0' : '\x55';
        if (buffer[std::min(capacity, full)] != after)
            report_violation("quote_into_buffer wrote past its text or capacity", input, output);
    }
}

// The two locales, switched per thread: much cheaper than setlocale on every input.
locale_t c_locale;
locale_t utf8_locale;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
    utf8_locale = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
    if (c_locale == nullptr || utf8_locale == nullptr) {
        fprintf(stderr, "quote: the locale C.UTF-8 is missing\n");
        exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A block of exactly the text and its null byte, so that any read beyond is caught.
    size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    char* text = static_cast<char*>(malloc(length + 1));
    if (!text)
        return 0;
    memcpy(text, data, length);
    text[length] = '\0';
    std::string_view input(text, length);
    uselocale(c_locale);
    check_quoting(input, text, "C");
    uselocale(utf8_locale);
    check_quoting(input, text, "C.UTF-8");
    free(text);
    return 0;
}
