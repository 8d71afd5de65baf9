// How the words group into an expression: the rules for one to four words and the general parser.
#pragma once

// Evaluates the word_count words from arg_pos on by the rule for exactly that many words (1 to 4)
// or, when none settles them, by the general parser, and leaves arg_pos after the last word it
// consumed. A syntax error ends the process with status 2. Aborts when word_count is below 1.
bool dispatch_by_word_count(int word_count);
