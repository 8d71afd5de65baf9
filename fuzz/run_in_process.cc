// The program ends a syntax error through exit(2). The link sends the calls to exit of every object
// to __wrap_exit below (-Wl,--wrap=exit): during a run it records the status and jumps back to the
// start of the run.
#include "fuzz/run_in_process.h"

#include <clocale>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <libintl.h>

#include "condition/evaluate.h"
#include "support/failure.h"
#include "support/program_name.h"

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
    // What main does before it evaluates the words, once for all runs. The streams stay open: the
    // process goes on after each run, so close_output_streams is not registered.
    record_invocation_name("test");
    (void)setlocale(LC_ALL, "");
    bindtextdomain("plendra", "/usr/share/locale");
    textdomain("plendra");
    failure_exit_status = 2;

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
        run_status = evaluate_words(count, words);
        is_running = false;
    }
    stderr = real_stderr;
    long length = ftell(report_stream);
    run_report_length = length < 0 ? 0 : static_cast<size_t>(length);
    return run_status;
}
