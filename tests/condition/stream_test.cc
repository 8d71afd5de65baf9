// The standard streams at exit, the invocation name in messages, and runs under a data limit.
#include "tests/condition/expression_case.h"

#include <gtest/gtest.h>

namespace {

TEST(streams, nothing_is_written_to_standard_output)
{
    for (stream_setup setup : {stream_setup::closed, stream_setup::full_device, stream_setup::broken_pipe}) {
        SCOPED_TRACE(static_cast<int>(setup));
        run_options options;
        options.output = setup;
        check_cases({
                        {"true", {"1", "-eq", "1"}, 0, ""},
                        {"false", {""}, 1, ""},
                        {"no words", {}, 1, ""},
                        {"syntax error", {"x", "y"}, 2, "missing argument after 'y'"},
                    },
            options);
    }
}

TEST(streams, lost_standard_error_keeps_status_2)
{
    for (stream_setup setup : {stream_setup::closed, stream_setup::full_device, stream_setup::broken_pipe}) {
        SCOPED_TRACE(static_cast<int>(setup));
        run_options options;
        options.errors = setup;
        check_cases({
                        {"true", {"x"}, 0, ""},
                        {"false", {"x", "=", "y"}, 1, ""},
                        {"syntax error", {"x", "y"}, 2, ""},
                        {"invalid integer", {"x", "-eq", "1"}, 2, ""},
                    },
            options);
    }
}

TEST(streams, both_lost)
{
    run_options options;
    options.output = stream_setup::full_device;
    options.errors = stream_setup::full_device;
    check_cases({{"true", {"x"}, 0, ""}, {"syntax error", {"(", "x"}, 2, ""}}, options);
}

TEST(program_name, appears_as_received)
{
    for (const char* name : {"test", "./x/test", "/usr/bin/test", "/home/u/build/src/.libs/lt-test",
             "/opt/x/.libs/test", "", "[", "name with spaces"}) {
        run_options options;
        options.invocation_name = name;
        check_cases({{"two plain words", {"x", "y"}, 2, "missing argument after 'y'"},
                        {"binary operator expected", {"a", "b", "c"}, 2, "b: binary operator expected"},
                        {"true expression", {"x"}, 0, ""}},
            options);
    }
}

} // namespace

namespace {

// Runs -t on a word whose quoted form needs a heap block far larger than the program's other data,
// under the smallest data limit (in steps of 32 KiB) with which the program starts at all.
run_result run_out_of_memory(const char* name)
{
    run_options options;
    options.invocation_name = name;
    const std::vector<std::string> words = {"-t", std::string(130000, '\'')};
    run_result result;
    for (long limit = 64 << 10; limit <= 1 << 20; limit += 32 << 10) {
        options.data_limit = limit;
        result = run_program(words, options);
        if (result.status != 127)  // the loader refuses to start below some limit
            break;
    }
    return result;
}

TEST(memory, exhaustion_is_reported_under_the_recorded_name)
{
#ifdef PROGRAM_IS_SANITIZED
    GTEST_SKIP() << "the sanitizer runtime cannot start under a small data limit";
#endif
    struct name_case {
        const char* label;
        const char* invocation_name;
        const char* prefix;  // as error() prints it
    };
    // Which names lose a libtool directory is the unit table's; here error() is seen to use the result.
    constexpr name_case cases[] = {
        {"installed name", "/usr/bin/test", "/usr/bin/test"},
        {"libtool wrapper with lt- prefix", "/home/u/build/src/.libs/lt-test", "test"},
    };
    for (const name_case& c : cases) {
        SCOPED_TRACE(c.label);
        run_result result = run_out_of_memory(c.invocation_name);
        if (result.status == 127)
            GTEST_SKIP() << "the program does not start under a data limit of 1 MiB (sanitizer runtime?)";
        EXPECT_EQ(2, result.status);
        EXPECT_EQ(std::string(c.prefix) + ": memory exhausted\n", result.errors);
    }
}

// Words that look like "(" but open no group: the right operands of "!=". Nesting costs memory only
// as deep as the parse goes, so they run under a data limit of 1 MiB however many there are.
TEST(memory, parenthesis_operands_under_a_data_limit)
{
#ifdef PROGRAM_IS_SANITIZED
    GTEST_SKIP() << "the sanitizer runtime cannot start under a small data limit";
#endif
    std::vector<std::string> operands = {"x"};
    for (int i = 0; i < 40000; ++i)
        operands.insert(operands.end(), {"-a", "x", "!=", "("});
    run_options options;
    options.data_limit = 1 << 20;
    check_cases({{"40,000 ( as operands", operands, 0, ""}}, options);
}

} // namespace
