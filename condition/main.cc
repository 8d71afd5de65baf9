#include <clocale>
#include <cstdlib>
#include <libintl.h>

#include "condition/evaluate.h"
#include "support/close_streams.h"
#include "support/failure.h"
#include "support/program_name.h"

int main(int argc, char** argv)
{
    record_invocation_name(argv[0]);
    // Without a locale or a catalogue the messages stay untranslated, and nothing else changes.
    (void)setlocale(LC_ALL, "");
    bindtextdomain("plendra", "/usr/share/locale");
    textdomain("plendra");
    failure_exit_status = 2;
    // The C library has room for at least 32 such functions, so the first one always fits.
    (void)atexit(close_output_streams);
    return evaluate_words(argc, argv);
}
