#include "support/program_name.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct name_case {
    const char* label;
    const char* name; // element 0 of argv
    const char* invocation_name;
    const char* short_name; // a null pointer when the platform's value stays
};

constexpr name_case name_cases[] = {
    { "libtool wrapper with lt- prefix", "/home/u/build/src/.libs/lt-test", "test", "test" },
    { ".libs without prefix", "/opt/x/.libs/test", "test", nullptr },
    { "six bytes before the base name", ".libs/test", ".libs/test", nullptr },
    { "seven bytes before the base name", "/.libs/test", "test", nullptr },
    { "nothing after lt-", "/.libs/lt-", "", "" },
    { "nothing after .libs/", "/x/.libs/", "", nullptr },
    { "lt without its hyphen", "/.libs/ltx", "ltx", nullptr },
    { "a directory ending in .libs", "/a.libs/test", "/a.libs/test", nullptr },
    { ".libs further up", "/.libs/sub/lt-test", "/.libs/sub/lt-test", nullptr },
    { "directories stay", "/usr/bin/test", "/usr/bin/test", nullptr },
    { "relative directories stay", "./test", "./test", nullptr },
    { "lt- outside .libs stays", "/usr/bin/lt-test", "/usr/bin/lt-test", nullptr },
    { "bare name", "test", "test", nullptr },
    { "bare lt- name", "lt-test", "lt-test", nullptr },
    { "empty name", "", "", nullptr },
};

TEST(record_invocation_name, strips_only_a_libtool_directory)
{
    char* saved_name = program_invocation_name;
    char* saved_short_name = program_invocation_short_name;
    for (const name_case& c : name_cases) {
        SCOPED_TRACE(c.label);
        program_invocation_name = saved_name;
        program_invocation_short_name = saved_short_name;
        record_invocation_name(c.name);
        EXPECT_STREQ(c.invocation_name, program_invocation_name);
        EXPECT_STREQ(
            c.short_name != nullptr ? c.short_name : saved_short_name, program_invocation_short_name);
    }
    program_invocation_name = saved_name;
    program_invocation_short_name = saved_short_name;
}

TEST(record_invocation_name, aborts_on_a_null_name)
{
    EXPECT_EXIT(record_invocation_name(nullptr), testing::KilledBySignal(SIGABRT),
        "^A NULL argv\\[0\\] was passed through an exec system call\\.\n$");
}

} // namespace
