// One row of an end-to-end table: the words of an expression and what the program must answer.
#pragma once

#include "tests/condition/program_run.h"

#include <string>
#include <vector>

struct expression_case {
    const char* label;
    std::vector<std::string> words;  // after the invocation name
    int status;
    std::string message;  // standard error between "NAME: " and the newline; empty when silent
};

// Runs every row with options and checks its exit status, its standard error (the invocation name,
// ": ", the message and a newline, or nothing) and that standard output stays empty.
void check_cases(const std::vector<expression_case>& cases, const run_options& options = {});
