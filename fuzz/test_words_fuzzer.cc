// Runs every input through test's evaluation of the words of its command line, and checks how the
// run ends. The input is split into words at null bytes (each null byte ends a word, and a last
// unterminated piece is a word when it is not empty), so every argument list can be written.
//
// The status must be 0, 1 or 2; 0 and 1 come with an empty standard error; 2 comes with exactly one
// diagnostic, "test: " and a known message, whose argument is one of the words either as typed or
// quoted. Anything else aborts, which is what the fuzzer records as a crash; so does a signal or a
// sanitizer report during the run, which happens in this very process (see run_in_process.h).
#include "fuzz/run_in_process.h"
#include "support/quote.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr size_t max_input = 1 << 20;
constexpr size_t max_words = max_input + 2;

char* word_storage; // the input, with a null byte after every word
char** word_vector; // "test", the words, a null pointer
int word_count; // elements of word_vector before the null pointer
int run_status;

// Splits data into word_vector, argv-style.
void split_words(const unsigned char* data, size_t size)
{
    memcpy(word_storage, data, size);
    word_storage[size] = '\0';
    static char invocation_name[] = "test";
    word_vector[0] = invocation_name;
    word_count = 1;
    size_t start = 0;
    for (size_t i = 0; i <= size; i++) {
        if (i < size && data[i] != '\0')
            continue;
        if (i < size || i > start)
            word_vector[word_count++] = word_storage + start;
        start = i + 1;
    }
    word_vector[word_count] = nullptr;
}

[[noreturn]] void report_violation(const char* what)
{
    fprintf(stderr, "test_words: %s (status %d) for %d words:\n", what, run_status, word_count - 1);
    for (int i = 1; i < word_count; i++)
        fprintf(stderr, "  word %d: %s\n", i, quote_argument(word_vector[i]));
    fprintf(stderr, "standard error of the run (%zu bytes):\n", run_report_length);
    fwrite(run_report, 1, run_report_length, stderr);
    abort();
}

bool is_some_word(std::string_view text)
{
    for (int i = 1; i < word_count; i++) {
        if (text == word_vector[i])
            return true;
    }
    return false;
}

bool is_some_quoted_word(std::string_view text)
{
    for (int i = 1; i < word_count; i++) {
        if (text == quote_argument(word_vector[i]))
            return true;
    }
    return false;
}

// The messages of a syntax error, untranslated: the run uses no catalogue of its own.
struct message_form {
    std::string_view prefix;
    std::string_view suffix;
    bool quoted; // the argument is a word as quote_argument shows it
    bool has_word;
};
constexpr message_form message_forms[] = {
    { "extra argument ", "", true, true },
    { "missing argument after ", "", true, true },
    { "invalid integer ", "", true, true },
    { "", ": unary operator expected", false, true },
    { "", ": binary operator expected", false, true },
    { "')' expected, found ", "", false, true },
    { "')' expected", "", false, false },
    { "-nt does not accept -l", "", false, false },
    { "-ot does not accept -l", "", false, false },
    { "-ef does not accept -l", "", false, false },
};

bool is_expected_diagnostic(std::string_view text)
{
    if (!text.starts_with("test: ") || !text.ends_with('\n'))
        return false;
    text.remove_prefix(6);
    text.remove_suffix(1);
    for (const message_form& form : message_forms) {
        if (!form.has_word) {
            if (text == form.prefix)
                return true;
            continue;
        }
        if (text.size() < form.prefix.size() + form.suffix.size() || !text.starts_with(form.prefix)
            || !text.ends_with(form.suffix))
            continue;
        std::string_view word
            = text.substr(form.prefix.size(), text.size() - form.prefix.size() - form.suffix.size());
        if (form.quoted ? is_some_quoted_word(word) : is_some_word(word))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The diagnostics are checked against the untranslated messages, and the checks quote words the
    // way the run does, in the same locale: C.UTF-8 unless LC_ALL names another.
    unsetenv("LANGUAGE");
    setenv("LC_ALL", "C.UTF-8", 0);
    word_storage = static_cast<char*>(malloc(max_input + 1));
    word_vector = static_cast<char**>(malloc(max_words * sizeof(char*)));
    if (!word_storage || !word_vector)
        abort();
    prepare_test_runs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > max_input)
        return 0;
    split_words(data, size);
    run_status = run_test_in_process(word_count, word_vector);
    if (run_status < 0 || run_status > 2)
        report_violation("unexpected exit status");
    std::string_view text(run_report, run_report_length);
    if (run_status < 2 && run_report_length != 0)
        report_violation("output on standard error with status 0 or 1");
    if (run_status == 2 && !is_expected_diagnostic(text))
        report_violation("status 2 without exactly one expected diagnostic");
    return 0;
}
