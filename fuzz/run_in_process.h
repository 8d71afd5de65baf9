// Runs test's evaluation of its words in the fuzzer's own process, as often as needed.
#pragma once

#include <cstddef>

// Process-wide, written by run_test_in_process: what the last run wrote on standard error.
extern char run_report[1 << 16];
extern size_t run_report_length;

// Once, before the first run: the process set-up of test's main, and the stream that stands in for
// standard error.
void prepare_test_runs();

// Evaluates the words (an argv-style vector of count elements and a null pointer) as test's main
// does, and returns the exit status, whether the evaluation returned it or the program called exit.
// Standard error is run_report during the run.
int run_test_in_process(int count, char** words);
