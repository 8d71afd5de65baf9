// Tests with one operand: file type, permissions and ownership, terminals, string length.
#pragma once

// Evaluates the test at arg_pos, a "-" and one of the unary letters, and consumes it and its operand.
// A file that cannot be examined makes the test false. Does not return when the operand is missing
// ("missing argument after" the last word) or when the operand of -t is not an integer.
bool evaluate_unary_operator();
