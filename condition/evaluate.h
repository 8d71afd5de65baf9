// The whole command line as one expression.
#pragma once

// Evaluates the words after the invocation name, from arg_pos on, and returns the exit status: 0 when
// they form a true expression, 1 when a false one or none at all. Does not return after a syntax
// error, which includes a word left over after the expression ("extra argument").
[[nodiscard]] int evaluate_command_line();
