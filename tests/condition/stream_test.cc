// The standard streams at exit, and the invocation name in messages.
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
