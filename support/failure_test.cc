#include "support/failure.h"

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <error.h>
#include <gtest/gtest.h>

#include "support/locale_setup.h"

namespace {

void* fail_allocation(size_t)
{
    return nullptr;
}

TEST(allocate_or_die, returns_what_malloc_gives)
{
    void* block = allocate_or_die(16);
    EXPECT_NE(nullptr, block);
    free(block);
    heap_allocator = fail_allocation;
    EXPECT_EQ(nullptr, allocate_or_die(0));
    heap_allocator = nullptr;
}

TEST(allocate_or_die, ends_the_run_when_malloc_fails)
{
    EXPECT_EXIT(
        {
            failure_exit_status = 2;
            heap_allocator = fail_allocation;
            allocate_or_die(1);
        },
        testing::ExitedWithCode(2), "^[^\n]*: memory exhausted\n$");
}

struct exhaustion_case {
    const char* label;
    int failure_status; // what failure_exit_status is set to; -1 leaves its initial value
    int exit_status; // -1: killed by SIGABRT
};

constexpr exhaustion_case exhaustion_cases[] = {
    { "initial status", -1, 1 },
    { "status set at start-up", 2, 2 },
    { "status 0 still does not return", 0, -1 },
};

TEST(report_memory_exhausted, exits_with_the_failure_status)
{
    for (const exhaustion_case& c : exhaustion_cases) {
        SCOPED_TRACE(c.label);
        auto end = [&] {
            if (c.failure_status >= 0)
                failure_exit_status = c.failure_status;
            report_memory_exhausted();
        };
        if (c.exit_status < 0)
            EXPECT_EXIT(end(), testing::KilledBySignal(SIGABRT), ": memory exhausted\n$");
        else
            EXPECT_EXIT(end(), testing::ExitedWithCode(c.exit_status), "^[^\n]*: memory exhausted\n$");
    }
}

// error() calls this in place of printing the program name: it names the locale instead.
void print_locale_name()
{
    fprintf(stderr, "%s: ", setlocale(LC_ALL, nullptr));
}

// The message may be the first thing the run prints in its locale, which is then set up for it.
TEST(report_memory_exhausted, sets_up_the_locale_first)
{
    EXPECT_EXIT(
        {
            setenv("LC_ALL", "C.UTF-8", 1);
            is_locale_set_up = false;
            error_print_progname = print_locale_name;
            failure_exit_status = 2;
            report_memory_exhausted();
        },
        testing::ExitedWithCode(2), "^C.UTF-8: memory exhausted\n$");
}

} // namespace
