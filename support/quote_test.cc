#include "support/quote.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <libintl.h>
#include <string>

#include "support/failure.h"
#include "support/locale_setup.h"

namespace {

struct quote_case {
    const char* label;
    const char* text;
    const char* quoted;
};

// The marks are apostrophes and every byte above 0x7f is unprintable.
constexpr quote_case c_locale_cases[] = {
    { "plain words", "foo bar", "'foo bar'" },
    { "apostrophe is the right mark", "it's", "'it\\'s'" },
    { "apostrophes at both ends", "'x'", "'\\'x\\''" },
    { "line feed", "a\nb", "'a\\nb'" },
    { "tab", "a\tb", "'a\\tb'" },
    { "backslash doubled", "back\\slash", "'back\\\\slash'" },
    { "byte e9", "\xe9", "'\\351'" },
    { "byte 01", "\x01", "'\\001'" },
    { "byte 7f", "\x7f", "'\\177'" },
    { "double quote", "a\"b", "'a\"b'" },
    { "empty string", "", "''" },
    { "all seven letter escapes", "\a\b\t\n\v\f\r", "'\\a\\b\\t\\n\\v\\f\\r'" },
    { "bytes beside the letter escapes", "\x06\x0e\x1f", "'\\006\\016\\037'" },
    { "at sign is printable", "a@b", "'a@b'" },
    { "shell and trigraph characters", "$*?`?\?(~", "'$*?`?\?(~'" },
    { "byte ff", "\xff", "'\\377'" },
    { "escape character", "\x1b[m", "'\\033[m'" },
    { "two-byte character", "\xc3\xa9", "'\\303\\251'" },
};

// The marks are U+2018 and U+2019; characters are decoded as UTF-8.
constexpr quote_case utf8_cases[] = {
    { "plain words", "foo bar", "\u2018foo bar\u2019" },
    { "apostrophe is not the right mark", "it's", "\u2018it's\u2019" },
    { "two-byte character", "\xc3\xa9", "\u2018\xc3\xa9\u2019" },
    { "invalid byte then text", "\xe9x", "\u2018\\351x\u2019" },
    { "incomplete character at the end", "\xe2\x80", "\u2018\\342\\200\u2019" },
    { "incomplete character after text", "ab\xe2\x80", "\u2018ab\\342\\200\u2019" },
    { "right mark inside", "a\u2019b", "\u2018a\\\u2019b\u2019" },
    { "right mark at the end", "a\u2019", "\u2018a\\\u2019\u2019" },
    { "left mark inside", "a\u2018b", "\u2018a\u2018b\u2019" },
    { "unprintable U+0085", "\xc2\x85", "\u2018\\302\\205\u2019" },
    { "invalid byte before a character", "\xff\xc3\xa9", "\u2018\\377\xc3\xa9\u2019" },
    { "control character", "\x01", "\u2018\\001\u2019" },
    { "at sign", "@", "\u2018@\u2019" },
    { "letter escapes", "a\nb\\", "\u2018a\\nb\\\\\u2019" },
    { "empty string", "", "\u2018\u2019" },
    { "lone left mark", "\u2018", "\u2018\u2018\u2019" },
    { "tab", "a\tb", "\u2018a\\tb\u2019" },
};

void expect_quoted(const quote_case& c)
{
    SCOPED_TRACE(c.label);
    const char* quoted = quote_argument(c.text);
    EXPECT_STREQ(c.quoted, quoted);
    char buffer[64];
    EXPECT_EQ(strlen(c.quoted), quote_into_buffer(buffer, sizeof buffer, c.text));
    EXPECT_STREQ(c.quoted, buffer);
}

TEST(quote_argument, quotes_with_apostrophes_in_the_c_locale)
{
    setlocale(LC_ALL, "C");
    for (const quote_case& c : c_locale_cases)
        expect_quoted(c);
    // The escapes alone outgrow the initial storage.
    std::string escaped;
    for (int i = 0; i < 300; ++i)
        escaped += "\\'";
    EXPECT_EQ("'" + escaped + "'", quote_argument(std::string(300, '\'').c_str()));
}

TEST(quote_argument, quotes_with_typographic_marks_in_a_utf8_locale)
{
    ASSERT_NE(nullptr, setlocale(LC_ALL, "C.UTF-8"));
    for (const quote_case& c : utf8_cases)
        expect_quoted(c);
    setlocale(LC_ALL, "C");
}

// The locale waits for the first word to be quoted; then the marks and the characters both follow
// the environment.
TEST(quote_argument, sets_up_the_locale_first)
{
    const char* saved_value = getenv("LC_ALL");
    std::string saved_locale = saved_value ? saved_value : "";
    std::string saved_domain = textdomain(nullptr);
    setlocale(LC_ALL, "C");
    setenv("LC_ALL", "C.UTF-8", 1);
    is_locale_set_up = false;
    EXPECT_STREQ("\xe2\x80\x98\xc3\xa9\xe2\x80\x99", quote_argument("\xc3\xa9"));
    textdomain(saved_domain.c_str());
    setlocale(LC_ALL, "C");
    if (saved_value)
        setenv("LC_ALL", saved_locale.c_str(), 1);
    else
        unsetenv("LC_ALL");
}

// The marks are apostrophes; the locale's own table says which high bytes are printable.
constexpr quote_case latin1_cases[] = {
    { "printable high byte", "caf\xe9", "'caf\xe9'" },
    { "unprintable high byte", "\x85", "'\\205'" },
    { "DEL", "\x7f", "'\\177'" },
    { "apostrophe", "it's", "'it\\'s'" },
};

// CTest's locales fixture compiles en_US.ISO-8859-1 into the build tree and names it in LOCPATH.
TEST(quote_argument, copies_bytes_that_a_unibyte_locale_prints)
{
    ASSERT_NE(nullptr, setlocale(LC_ALL, "en_US.ISO-8859-1")) << "no compiled locales: run me through ctest";
    EXPECT_EQ(1u, MB_CUR_MAX);
    for (const quote_case& c : latin1_cases)
        expect_quoted(c);
    setlocale(LC_ALL, "C");
}

// The marks are A1 AE and A1 AF; a character takes one, two or four bytes.
constexpr quote_case gb18030_cases[] = {
    { "plain word", "x", "\xa1\xaex\xa1\xaf" },
    { "apostrophe is not the right mark", "it's", "\xa1\xaeit's\xa1\xaf" },
    { "right mark inside", "z\xa1\xafz", "\xa1\xaez\\\xa1\xafz\xa1\xaf" },
    { "two-byte character", "\xc4\xe3", "\xa1\xae\xc4\xe3\xa1\xaf" },
    { "incomplete character at the end", "\x81", "\xa1\xae\\201\xa1\xaf" },
    // 81 30 opens a four-byte character: cut off by the end, both bytes are escaped, the digit too.
    { "incomplete four-byte character", "\2010", "\xa1\xae\\201\\060\xa1\xaf" },
};

TEST(quote_argument, quotes_with_the_marks_of_gb18030)
{
    ASSERT_NE(nullptr, setlocale(LC_ALL, "zh_CN.GB18030")) << "no compiled locales: run me through ctest";
    for (const quote_case& c : gb18030_cases)
        expect_quoted(c);
    setlocale(LC_ALL, "C");
}

struct truncation_case {
    const char* label;
    size_t capacity;
    const char* stored; // the bytes expected in the buffer, the null byte included if stored
    size_t stored_length;
};

// "'abc'" is five bytes; whatever does not fit is left untouched.
constexpr truncation_case truncation_cases[] = {
    { "no room at all", 0, "#######", 7 },
    { "room for part of the text", 3, "'ab####", 7 },
    { "room for the text but not its null byte", 5, "'abc'##", 7 },
    { "room for the null byte too", 6, "'abc'\0#", 7 },
};

TEST(quote_into_buffer, stores_what_fits_and_returns_the_full_length)
{
    setlocale(LC_ALL, "C");
    for (const truncation_case& c : truncation_cases) {
        SCOPED_TRACE(c.label);
        char buffer[8] = "#######";
        EXPECT_EQ(5u, quote_into_buffer(buffer, c.capacity, "abc"));
        EXPECT_EQ(0, memcmp(c.stored, buffer, c.stored_length));
    }
}

size_t last_allocation_size;

void* record_allocation(size_t size)
{
    last_allocation_size = size;
    return malloc(size);
}

void reset_quote_slot()
{
    if (quote_slot.storage != initial_quote_buffer)
        free(quote_slot.storage);
    quote_slot = { sizeof initial_quote_buffer, initial_quote_buffer };
    last_allocation_size = 0;
}

struct growth_case {
    const char* label;
    size_t letters; // the text is this many letters "a"; with the marks, 2 bytes more
    bool is_initial_storage; // the result lies in initial_quote_buffer
    size_t allocation; // size of the allocation made by this call, 0 for none
    size_t capacity; // of the slot afterwards
};

// One slot across all rows, in order: each row starts from what the previous one left.
constexpr growth_case growth_cases[] = {
    { "short text", 3, true, 0, 256 },
    { "255 bytes fit the initial storage", 253, true, 0, 256 },
    { "256 bytes move to the heap", 254, false, 257, 257 },
    { "a shorter text reuses the larger storage", 1, false, 0, 257 },
    { "256 bytes again fit the grown storage", 254, false, 0, 257 },
    { "one byte more grows by exactly one", 255, false, 258, 258 },
    { "a much longer text", 5000, false, 5003, 5003 },
    { "short again", 0, false, 0, 5003 },
};

TEST(quote_argument, grows_the_slot_to_exactly_the_size_needed)
{
    setlocale(LC_ALL, "C");
    reset_quote_slot();
    heap_allocator = record_allocation;
    const char* heap_storage = nullptr;
    for (const growth_case& c : growth_cases) {
        SCOPED_TRACE(c.label);
        last_allocation_size = 0;
        std::string text(c.letters, 'a');
        const char* quoted = quote_argument(text.c_str());
        EXPECT_EQ("'" + text + "'", quoted);
        EXPECT_EQ(c.is_initial_storage, quoted == initial_quote_buffer);
        EXPECT_EQ(c.allocation, last_allocation_size);
        EXPECT_EQ(c.capacity, quote_slot.capacity);
        if (c.allocation == 0 && heap_storage != nullptr) {
            EXPECT_EQ(heap_storage, quoted);
        }
        if (!c.is_initial_storage)
            heap_storage = quoted;
    }
    heap_allocator = nullptr;
    reset_quote_slot();
}

struct errno_case {
    const char* label;
    const char* locale;
    size_t letters; // the text: this many letters "a", then an invalid UTF-8 byte
};

constexpr errno_case errno_cases[] = {
    { "fits, unibyte", "C", 1 },
    { "fits, invalid multibyte sequence", "C.UTF-8", 1 },
    { "grows the slot", "C.UTF-8", 1000 },
};

TEST(quote_argument, leaves_errno_as_it_was)
{
    for (const errno_case& c : errno_cases) {
        SCOPED_TRACE(c.label);
        ASSERT_NE(nullptr, setlocale(LC_ALL, c.locale));
        std::string text = std::string(c.letters, 'a') + "\xff";
        errno = ENOTTY;
        quote_argument(text.c_str());
        EXPECT_EQ(ENOTTY, errno);
    }
    setlocale(LC_ALL, "C");
    reset_quote_slot();
}

void* fail_allocation(size_t)
{
    return nullptr;
}

TEST(quote_argument, ends_the_run_when_the_slot_cannot_grow)
{
    setlocale(LC_ALL, "C");
    reset_quote_slot();
    std::string text(300, 'a');
    EXPECT_EXIT(
        {
            failure_exit_status = 2;
            heap_allocator = fail_allocation;
            quote_argument(text.c_str());
        },
        testing::ExitedWithCode(2), ": memory exhausted\n$");
}

} // namespace
