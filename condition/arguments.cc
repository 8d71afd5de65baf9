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
    // The last word of the whole command line, wherever the parse stopped.
    report_syntax_error(gettext("missing argument after %s"), quote_argument(arg_vector[arg_count - 1]));
}

void report_syntax_error(const char* format, const char* argument)
{
    // The name exactly as received, directories and all. Write errors are left to the at-exit
    // routine, and the status is 2 whatever they are.
    (void)fprintf(stderr, "%s: ", arg_vector[0]);
    (void)fprintf(stderr, format, argument);
    fputc_unlocked('\n', stderr);
    fflush_unlocked(stderr);
    exit(2);
}
