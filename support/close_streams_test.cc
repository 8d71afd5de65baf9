#include "support/close_streams.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/failure.h"
#include "support/locale_setup.h"

namespace {

// Ways to break a stream before it is closed. Each returns the stream to close.
FILE* open_untouched()
{
    return fopen("/dev/null", "w");
}

FILE* open_written()
{
    FILE* stream = fopen("/dev/null", "w");
    fputs("x", stream);
    return stream;
}

// Reading from a stream opened only for writing sets its error indicator.
FILE* open_with_error_indicator()
{
    FILE* stream = fopen("/dev/null", "w");
    (void)fgetc(stream);
    return stream;
}

// Writing to a full device fails at the flush, which also sets the error indicator.
FILE* open_full_device()
{
    FILE* stream = fopen("/dev/full", "w");
    fputs("x", stream);
    (void)fflush(stream);
    return stream;
}

// The descriptor goes away under the stream, so fclose fails with EBADF.
FILE* open_with_closed_descriptor(bool is_written)
{
    int fd = open("/dev/null", O_WRONLY);
    FILE* stream = fdopen(fd, "w");
    if (is_written)
        fputs("x", stream);
    close(fd);
    return stream;
}

FILE* open_closed_unwritten()
{
    return open_with_closed_descriptor(false);
}
FILE* open_closed_written()
{
    return open_with_closed_descriptor(true);
}

// Output pending for a pipe whose reader has gone: the flush in fclose fails with EPIPE.
FILE* open_broken_pipe()
{
    int fds[2];
    if (pipe(fds) != 0)
        return nullptr;
    close(fds[0]);
    FILE* stream = fdopen(fds[1], "w");
    fputs("x", stream);
    return stream;
}

struct close_case {
    const char* label;
    FILE* (*open_stream)();
    int status;
    int error_number;
};

constexpr close_case close_cases[] = {
    { "nothing written", open_untouched, 0, 0 },
    { "written", open_written, 0, 0 },
    { "error indicator, close succeeds", open_with_error_indicator, -1, 0 },
    { "failed write to a full device", open_full_device, -1, 0 },
    { "descriptor closed, nothing pending", open_closed_unwritten, 0, EBADF },
    { "descriptor closed, output pending", open_closed_written, -1, EBADF },
    { "broken pipe", open_broken_pipe, -1, EPIPE },
};

TEST(close_stream_with_status, reports_lost_output)
{
    sighandler_t saved_handler = signal(SIGPIPE, SIG_IGN);
    for (const close_case& c : close_cases) {
        SCOPED_TRACE(c.label);
        FILE* stream = c.open_stream();
        ASSERT_NE(nullptr, stream);
        errno = ENOTTY;
        EXPECT_EQ(c.status, close_stream_with_status(stream));
        if (c.status != 0 || c.error_number != 0) {
            EXPECT_EQ(c.error_number, errno);
        }
    }
    signal(SIGPIPE, saved_handler);
}

// Put standard output or standard error into a state, then close both as exit does.
void break_nothing()
{
}

void close_standard_output()
{
    close(STDOUT_FILENO);
}

void set_output_error_indicator()
{
    (void)fgetc(stdout);
}

void set_error_error_indicator()
{
    (void)fgetc(stderr);
}

void break_output_pipe()
{
    int fds[2];
    if (pipe(fds) != 0 || dup2(fds[1], STDOUT_FILENO) < 0)
        abort();
    close(fds[0]);
    close(fds[1]);
    signal(SIGPIPE, SIG_IGN);
    setvbuf(stdout, nullptr, _IOFBF, BUFSIZ);
    fputs("x", stdout);
}

// The message is the first thing the run prints in its locale, which is set up for it.
void break_output_pipe_in_german()
{
    if (setenv("LC_ALL", "de_DE.UTF-8", 1) != 0)
        abort();
    is_locale_set_up = false;
    break_output_pipe();
}

struct exit_case {
    const char* label;
    void (*break_streams)();
    int status; // 7 when close_output_streams returns
    const char* message;
};

constexpr exit_case exit_cases[] = {
    { "nothing lost", break_nothing, 7, "^$" },
    { "standard output closed at start", close_standard_output, 7, "^$" },
    { "standard output error indicator", set_output_error_indicator, 2, "^[^\n]*: write error\n$" },
    { "standard output broken pipe", break_output_pipe, 2, "^[^\n]*: write error: Broken pipe\n$" },
    // The C library's own catalogue gives the text of errno; "write error" is translated only where
    // the program's catalogue is installed.
    { "broken pipe, German locale", break_output_pipe_in_german, 2,
        "^[^\n]*: [^:\n]*: Daten.*bergabe unterbrochen \\(broken pipe\\)\n$" },
    { "standard error error indicator", set_error_error_indicator, 2, "^$" },
};

TEST(close_output_streams, turns_lost_output_into_a_failure)
{
    for (const exit_case& c : exit_cases) {
        SCOPED_TRACE(c.label);
        // Whatever the test runner left in the buffer would count as pending output.
        fflush(stdout);
        EXPECT_EXIT(
            {
                failure_exit_status = 2;
                c.break_streams();
                close_output_streams();
                _exit(7);
            },
            testing::ExitedWithCode(c.status), c.message);
    }
}

} // namespace
