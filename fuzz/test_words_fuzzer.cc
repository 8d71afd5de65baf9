// Runs every input through the real entry of test, as the words of its command line, and checks how the
// run ends. The input is split into words at null bytes (each null byte ends a word, and a last
// unterminated piece is a word when it is not empty), so every argument list can be written.
//
// The status must be 0, 1 or 2; 0 and 1 come with an empty standard error; 2 comes with exactly one
// diagnostic, "test: " and a known message, whose argument is one of the words either as typed or
// quoted. Anything else aborts, which is what the fuzzer records as a crash; so does a signal or a
// sanitizer report during the run, which happens in this very process.
//
// The program ends a syntax error through exit(2). The link sends the calls to exit, mmap and munmap
// of every object to the __wrap_ functions below (-Wl,--wrap=...): during a run, exit records the
// status and jumps back to the start of the run, and the stack the parser maps for deep nesting is
// released when the run leaves it that way. Standard error is a memory stream during the run.
#include "support/quote.h"

#include <cerrno>
#include <clocale>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <libintl.h>
#include <string_view>
#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define FUZZ_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FUZZ_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef FUZZ_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// main sets up the locale and the catalogue, and has the streams closed at exit. The process goes on
// after each run, so the set-up happens on the first run only and the streams stay open.
bool is_set_up;

char* set_up_locale(int category, const char* name)
{
    return is_set_up ? nullptr : setlocale(category, name);
}

char* set_up_catalogue(const char* domain, const char* directory)
{
    return is_set_up ? nullptr : bindtextdomain(domain, directory);
}

char* choose_catalogue(const char* domain)
{
    return is_set_up ? nullptr : textdomain(domain);
}

int keep_streams_open(void (*)())
{
    return 0;
}

} // namespace

// main.cc keeps main() alone; compiled here under another name, it runs each input through the very
// code of the program. Its headers come first, so that the names below change its calls alone.
#define main run_test_entry
#define setlocale(category, name) set_up_locale(category, name)
#define bindtextdomain(domain, directory) set_up_catalogue(domain, directory)
#define textdomain(domain) choose_catalogue(domain)
#define atexit(function) keep_streams_open(function)
#include "condition/main.cc"
#undef atexit
#undef textdomain
#undef bindtextdomain
#undef setlocale
#undef main

extern "C" [[noreturn]] void __real_exit(int status);
extern "C" void* __real_mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
extern "C" int __real_munmap(void* address, size_t length);

namespace {

constexpr size_t max_input = 1 << 20;
constexpr size_t max_words = max_input + 2;
constexpr size_t max_report = 1 << 16;

char* word_storage; // the input, with a null byte after every word
char** word_vector; // "test", the words, a null pointer
int word_count; // elements of word_vector before the null pointer
char report[max_report]; // standard error of the run
size_t report_length;
FILE* report_stream; // writes into report

// The run under way, and how it ended.
bool is_running;
jmp_buf run_end;
int run_status;

// Mappings made during the run and not yet released. The parser maps one stack at most.
struct mapping {
    void* address;
    size_t length;
};
mapping run_mappings[4];

#ifdef FUZZ_ADDRESS_SANITIZER
// The stack of the fuzzer as the address sanitizer knows it. The parser tells the sanitizer when it
// moves to a stack of its own, so a run that ends there must say that it goes back.
const void* main_stack_bottom;
size_t main_stack_size;
bool is_leaving_parser_stack;

// The sanitizer names the stack being left when a switch completes: a switch to a dummy stack and
// back names the current one.
void find_main_stack()
{
    static char dummy_stack[64];
    void* fake_stack;
    __sanitizer_start_switch_fiber(&fake_stack, dummy_stack, sizeof dummy_stack);
    __sanitizer_finish_switch_fiber(fake_stack, &main_stack_bottom, &main_stack_size);
    __sanitizer_start_switch_fiber(&fake_stack, main_stack_bottom, main_stack_size);
    __sanitizer_finish_switch_fiber(fake_stack, nullptr, nullptr);
}

bool is_on_main_stack()
{
    char here;
    uintptr_t address = reinterpret_cast<uintptr_t>(&here);
    uintptr_t bottom = reinterpret_cast<uintptr_t>(main_stack_bottom);
    return address >= bottom && address - bottom < main_stack_size;
}
#endif

} // namespace

// Outside a run, and for everything but the program's own code, exit is exit.
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    if (!is_running)
        __real_exit(status);
    is_running = false;
    run_status = status;
#ifdef FUZZ_ADDRESS_SANITIZER
    // A null save slot: the parser's stack is left for good.
    is_leaving_parser_stack = !is_on_main_stack();
    if (is_leaving_parser_stack)
        __sanitizer_start_switch_fiber(nullptr, main_stack_bottom, main_stack_size);
#endif
    longjmp(run_end, 1);
}

extern "C" void* __wrap_mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset)
{
    void* result = __real_mmap(address, length, protection, flags, fd, offset);
    if (!is_running || result == MAP_FAILED)
        return result;
    for (mapping& slot : run_mappings) {
        if (slot.address == nullptr) {
            slot = { result, length };
            return result;
        }
    }
    fprintf(stderr, "test_words: more than %zu mappings in one run\n", std::size(run_mappings));
    abort();
}

extern "C" int __wrap_munmap(void* address, size_t length)
{
    for (mapping& slot : run_mappings) {
        if (slot.address == address)
            slot = {};
    }
    return __real_munmap(address, length);
}

namespace {

// Undoes what a run left behind when exit cut it short on the parser's stack.
void recover_from_run()
{
#ifdef FUZZ_ADDRESS_SANITIZER
    if (is_leaving_parser_stack) {
        __sanitizer_finish_switch_fiber(nullptr, nullptr, nullptr);
        // The parser has the fuzzer's stack scanned for leaks while it runs on its own, and the
        // frames between here and the switch still carry their guard markings.
        __lsan_unregister_root_region(main_stack_bottom, main_stack_size);
        char here;
        constexpr uintptr_t frames = 64 << 10;
        __asan_unpoison_memory_region(
            reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(&here) - frames), frames);
        is_leaving_parser_stack = false;
    }
#endif
    for (mapping& slot : run_mappings) {
        if (slot.address != nullptr)
            (void)__wrap_munmap(slot.address, slot.length);
    }
}

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

// Runs the words and leaves the status in run_status and standard error in report.
void run_words()
{
    rewind(report_stream);
    FILE* real_stderr = stderr;
    stderr = report_stream;
    // The jump lands here a second time when the run ends through exit.
    if (setjmp(run_end) == 0) {
        is_running = true;
        run_status = run_test_entry(word_count, word_vector);
        is_running = false;
    } else {
        recover_from_run();
    }
    stderr = real_stderr;
    long length = ftell(report_stream);
    report_length = length < 0 ? 0 : static_cast<size_t>(length);
}

[[noreturn]] void report_violation(const char* what)
{
    fprintf(stderr, "test_words: %s (status %d) for %d words:\n", what, run_status, word_count - 1);
    for (int i = 1; i < word_count; i++)
        fprintf(stderr, "  word %d: %s\n", i, quote_argument(word_vector[i]));
    fprintf(stderr, "standard error of the run (%zu bytes):\n", report_length);
    fwrite(report, 1, report_length, stderr);
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
    report_stream = fmemopen(report, sizeof report, "w");
    if (!word_storage || !word_vector || !report_stream)
        abort();
    // Unbuffered, as standard error is.
    setvbuf(report_stream, nullptr, _IONBF, 0);
#ifdef FUZZ_ADDRESS_SANITIZER
    find_main_stack();
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > max_input)
        return 0;
    split_words(data, size);
    run_words();
    is_set_up = true;
    if (run_status < 0 || run_status > 2)
        report_violation("unexpected exit status");
    std::string_view text(report, report_length);
    if (run_status < 2 && report_length != 0)
        report_violation("output on standard error with status 0 or 1");
    if (run_status == 2 && !is_expected_diagnostic(text))
        report_violation("status 2 without exactly one expected diagnostic");
    return 0;
}
