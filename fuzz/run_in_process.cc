// The program ends a syntax error through exit(2). The link sends the calls to exit of every object
// to __wrap_exit below (-Wl,--wrap=exit): during a run it records the status and jumps back to the
// start of the run. The locale and the catalogue are set up by the first run.
#include "fuzz/run_in_process.h"

#include <clocale>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <libintl.h>

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

char run_report[1 << 16];
size_t run_report_length;

namespace {

FILE* report_stream; // writes into run_report

// The run under way, and how it ended.
bool is_running;
jmp_buf run_end;
int run_status;

} // namespace

// Outside a run, and for everything but the program's own code, exit is exit.
extern "C" [[noreturn]] void __wrap_exit(int status)
{
    if (!is_running)
        __real_exit(status);
    is_running = false;
    run_status = status;
    longjmp(run_end, 1);
}

void prepare_test_runs()
{
    report_stream = fmemopen(run_report, sizeof run_report, "w");
    if (report_stream == nullptr)
        abort();
    // Unbuffered, as standard error is.
    setvbuf(report_stream, nullptr, _IONBF, 0);
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
    }
    is_set_up = true;
    stderr = real_stderr;
    long length = ftell(report_stream);
    run_report_length = length < 0 ? 0 : static_cast<size_t>(length);
    return run_status;
}
