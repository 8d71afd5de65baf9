// Tests with two operands: strings, integers of any length, and files.
#pragma once

// True for "=", "!=", "==", "-nt", "-ot", "-ef", "-eq", "-ne", "-lt", "-le", "-gt" and "-ge".
[[nodiscard]] bool is_binary_operator_word(const char* word);

// Evaluates the test at arg_pos: LEFT OP RIGHT, where either integer operand may be written
// "-l STRING" for the length of STRING. left_is_length says arg_pos is on a "-l" before LEFT; a "-l"
// before RIGHT is recognised here. Consumes the three words and each "-l". Does not return after a
// malformed integer, a "-l" given to a file operator, or an OP that is no binary operator word.
bool evaluate_binary_operator(bool left_is_length);
