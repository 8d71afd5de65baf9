// The words of the expression and how far the parse has got.
#pragma once

// Process-wide state, set by main before parsing; after that only arg_pos moves, and only forward.
extern char** arg_vector;  // argv as received; element 0 is the invocation name
extern int arg_count;      // argc
extern int arg_pos;        // index of the next word to examine

// Advance arg_pos. With check set, running out of words is a syntax error.
void step_argument(bool check);

// Report "missing argument after" the last word of the command line, quoted; exits with status 2.
[[noreturn]] void report_missing_argument();

// Print "NAME: message" on standard error and exit with status 2. format is already translated and
// holds at most one %s, filled with argument (a null pointer when there is none).
[[noreturn]] void report_syntax_error(const char* format, const char* argument);
