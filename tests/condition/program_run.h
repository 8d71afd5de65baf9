// Running the built test program with an exact argument vector, environment and standard streams.
#pragma once

#include <string>
#include <vector>

// Absolute path of the program under test, compiled into the driver: some tests run the
// program in a directory of their own.
extern std::string program_path;

// The given entries, followed by those that sanitizer runtimes read, copied from the driver's own
// environment so that a sanitized program runs with the same settings. Nothing else is inherited.
std::vector<std::string> environment_with(std::vector<std::string> entries);

// What a standard output or error stream of the program is connected to. broken_pipe is a pipe
// without a reader, with SIGPIPE ignored as some shells leave it, so that a write fails with EPIPE.
enum class stream_setup { captured, closed, full_device, broken_pipe };

struct run_options {
    std::string invocation_name = "test";           // element 0 of the program's argv
    std::vector<std::string> environment = environment_with({"LC_ALL=C"});  // the whole environment
    std::string directory;                          // working directory; empty keeps the driver's
    std::vector<std::string> launcher;              // e.g. setpriv and its options; the program path
                                                    // and the words follow, invocation_name is unused
    stream_setup output = stream_setup::captured;
    stream_setup errors = stream_setup::captured;
    int terminal = -1;                 // when not -1, a descriptor that becomes standard input
    bool terminal_on_output = false;  // ... and standard output as well
    bool input_closed = false;        // standard input closed instead of /dev/null
    long data_limit = 0;               // RLIMIT_DATA in bytes when not 0
    long address_limit = 0;            // RLIMIT_AS in bytes when not 0
};

struct run_result {
    int status = -1;       // exit status, or 128 plus the signal number when a signal ended it
    int signal = 0;        // the signal that ended the program, or 0
    int exec_error = 0;    // errno of a failed execve (E2BIG for an argument list too long)
    std::string output;    // standard output, when captured
    std::string errors;    // standard error, when captured
};

// Runs the program (through options.launcher when it is set) with the given words after the
// invocation name and waits for it.
run_result run_program(const std::vector<std::string>& words, const run_options& options = {});
