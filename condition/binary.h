// Tests with two operands: strings, integers of any length, and files.
#pragma once

#include <ctime>

// Evaluates the test at arg_pos: LEFT OP RIGHT, where either integer operand may be written
// "-l STRING" for the length of STRING. left_is_length says arg_pos is on a "-l" before LEFT; a "-l"
// before RIGHT is recognised here. Consumes the three words and each "-l". Does not return after a
// malformed integer or a "-l" given to a file operator.
bool evaluate_binary_operator(bool left_is_length);

// Stores the modification time of path (symbolic links followed) in time and returns true; returns
// false and leaves time alone when the file cannot be examined.
[[nodiscard]] bool get_modification_time(const char* path, timespec& time);
