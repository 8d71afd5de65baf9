// How the words group into an expression: the rules for one to four words and the general parser.
#pragma once

// Each of these reads the words at arg_pos, evaluates them, leaves arg_pos after the last word it
// consumed and returns the truth value. A syntax error ends the process with status 2.

// Applies the rule for exactly word_count words (1 to 4) or, when none settles them, the general
// parser. Aborts when word_count is below 1.
bool dispatch_by_word_count(int word_count);

// True when the word is nonempty; consumes it.
bool apply_one_word_rule();

// "!" and a word, or a unary test; any other pair is a syntax error.
bool apply_two_word_rule();

// A binary test, "!" and two words, a parenthesised word, or a connective in the middle.
bool apply_three_word_rule();

// Conjunctions joined by "-o". Stops, without consuming it, at a word after a primary that is
// neither "-a" nor "-o". Every primary is evaluated: nothing short-circuits.
bool parse_expression();

// Primaries joined by "-a".
bool parse_conjunction();

// Any number of "!", then a parenthesised group, a binary or unary test or a string test.
bool parse_primary();

// True for "=", "!=", "==", "-nt", "-ot", "-ef", "-eq", "-ne", "-lt", "-le", "-gt" and "-ge".
[[nodiscard]] bool is_binary_operator_word(const char* word);

// True when the second character of word is a letter that names a unary test. Looks at that
// character alone; the caller checks the "-" and the length.
[[nodiscard]] bool is_unary_operator_word(const char* word);
