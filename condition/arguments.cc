#include "condition/arguments.h"

#include <cstdio>
#include <cstdlib>
#include <libintl.h>

#include "support/quote.h"

char** arg_vector;
int arg_count;
int arg_pos;

void step_argument(bool check)
{
    ++arg_pos;
    if (check && arg_pos >= arg_count)
        report_missing_argument();
}

void report_missing_argument()
{
    // The last word of the whole command line, wherever the parse stopped. Quoting it sets up the
    // locale, which the message needs as well.
    const char* word = quote_argument(arg_vector[arg_count - 1]);
    report_syntax_error(gettext("missing argument after %s"), word);
}

void report_syntax_error(const char* format, const char* argument)
{
    // Standard error has no buffer, and formatting for a stream without one takes a buffer of 8 KiB
    // on the stack: under a tight stack limit that is the deepest point of the run. With a buffer
    // of its own, the line goes out through it and leaves in one write. Nothing has been written
    // to the stream before, so it may still be given one.
    static char line_buffer[1024];
    (void)setvbuf(stderr, line_buffer, _IOFBF, sizeof line_buffer);
    // The name exactly as received, directories and all. Write errors are left to the at-exit
    // routine, and the status is 2 whatever they are.
    (void)fprintf(stderr, "%s: ", arg_vector[0]);
    (void)fprintf(stderr, format, argument);
    fputc_unlocked('\n', stderr);
    fflush_unlocked(stderr);
    exit(2);
}
