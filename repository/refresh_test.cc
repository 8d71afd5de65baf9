#include "refresh.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

TEST(refresh, turns_the_refresh_into_an_exit_status)
{
    struct {
        const char* label;
        int system_result;
        int status;
    } const cases[] = {
        { "cannot run", -1, 1 },
        { "success", W_EXITCODE(0, 0), 0 },
        { "failure", W_EXITCODE(1, 0), 1 },
        { "own status", W_EXITCODE(3, 0), 3 },
        { "no interpreter", W_EXITCODE(127, 0), 127 },
        { "highest status", W_EXITCODE(255, 0), 255 },
        { "killed by SIGTERM", W_EXITCODE(0, SIGTERM), 128 + SIGTERM },
        { "killed by SIGKILL", W_EXITCODE(0, SIGKILL), 128 + SIGKILL },
        { "core dumped", W_EXITCODE(0, SIGSEGV) | WCOREFLAG, 128 + SIGSEGV },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.status, refresh_exit_status(c.system_result));
    }
}

} // namespace
