#include "condition/evaluate.h"

#include <libintl.h>

#include "condition/arguments.h"
#include "condition/grammar.h"
#include "support/quote.h"

int evaluate_words(int count, char** words)
{
    // No options: "--help" is an ordinary word here.
    arg_vector = words;
    arg_count = count;
    arg_pos = 1;
    return evaluate_command_line();
}

int evaluate_command_line()
{
    if (arg_count <= 1)
        return 1;
    bool value = dispatch_by_word_count(arg_count - 1);
    if (arg_pos != arg_count) {
        // Quoting sets up the locale, which the message needs as well.
        const char* word = quote_argument(arg_vector[arg_pos]);
        report_syntax_error(gettext("extra argument %s"), word);
    }
    return value ? 0 : 1;
}
