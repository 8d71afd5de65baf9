// Closing standard output and standard error at exit, so that lost output is never silent.
#pragma once

#include <cstdio>

// Registered with atexit: closes standard output, then standard error. When output was lost it
// reports "write error" (for standard output), in the locale, which it sets up first, and ends the
// process with _exit(failure_exit_status).
void close_output_streams();

// Closes stream and returns 0 when no output was lost, -1 when some was (errno then tells why, or
// is 0 when the loss was recorded in the stream's error indicator and the close itself succeeded).
int close_stream_with_status(FILE* stream);
