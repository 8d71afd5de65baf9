// The program ends a syntax error through exit(2). The link sends the calls to exit, mmap and munmap
// of every object to the __wrap_ functions below (-Wl,--wrap=...): during a run, exit records the
// status and jumps back to the start of the run, and the stack the parser maps for deep nesting is
// released when the run leaves it that way. The locale and the catalogue are set up by the first run.
#include "fuzz/run_in_process.h"

#include <clocale>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <libintl.h>
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

char run_report[1 << 16];
size_t run_report_length;

namespace {

FILE* report_stream; // writes into run_report

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
    fprintf(stderr, "run_in_process: more than %zu mappings in one run\n", std::size(run_mappings));
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

} // namespace

void prepare_test_runs()
{
    report_stream = fmemopen(run_report, sizeof run_report, "w");
    if (report_stream == nullptr)
        abort();
    // Unbuffered, as standard error is.
    setvbuf(report_stream, nullptr, _IONBF, 0);
#ifdef FUZZ_ADDRESS_SANITIZER
    find_main_stack();
#endif
}

int run_test_in_process(int count, char** words)
{
    rewind(report_stream);
    FILE* real_stderr = stderr;
    stderr = report_stream;
    // The jump lands here a second time when the run ends through exit.
    if (setjmp(run_end) == 0) {
        is_running = true;
        run_status = run_test_entry(count, words);
        is_running = false;
    } else {
        recover_from_run();
    }
    is_set_up = true;
    stderr = real_stderr;
    long length = ftell(report_stream);
    run_report_length = length < 0 ? 0 : static_cast<size_t>(length);
    return run_status;
}
