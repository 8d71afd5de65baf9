#include <cstdlib>

#include "condition/evaluate.h"
#include "support/close_streams.h"
#include "support/failure.h"
#include "support/program_name.h"

int main(int argc, char** argv)
{
    record_invocation_name(argv[0]);
    // The locale and the catalogue wait for the first message, quotation or locale-dependent byte:
    // most runs answer without any, and loading them would be most of what such a run costs.
    failure_exit_status = 2;
    // The C library has room for at least 32 such functions, so the first one always fits.
    (void)atexit(close_output_streams);
    return evaluate_words(argc, argv);
}
