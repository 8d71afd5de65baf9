// The whole command line as one expression.
#pragma once

// Takes the argument vector (count elements and a null pointer; element 0 is the invocation name)
// as the argument state and evaluates the words after the invocation name: returns
// evaluate_command_line's status. The process set-up is the caller's.
[[nodiscard]] int evaluate_words(int count, char** words);

// Evaluates the words after the invocation name, from arg_pos on, and returns the exit status: 0 when
// they form a true expression, 1 when a false one or none at all. Does not return after a syntax
// error, which includes a word left over after the expression ("extra argument").
[[nodiscard]] int evaluate_command_line();
