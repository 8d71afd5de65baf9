// Runs the end-to-end tests against the program named as the first argument after the GoogleTest
// options. Exits 77 when a test was skipped and none failed, so that a skip never counts as a pass.
#include "tests/condition/program_run.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s [GoogleTest options] PROGRAM\n", argv[0]);
        return 2;
    }
    // Absolute, because some tests run the program in a directory of their own.
    char* absolute = realpath(argv[1], nullptr);
    if (!absolute) {
        fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], strerror(errno));
        return 2;
    }
    program_path = absolute;
    free(absolute);
    int status = RUN_ALL_TESTS();
    const testing::UnitTest& run = *testing::UnitTest::GetInstance();
    if (status == 0 && run.skipped_test_count() > 0)
        return 77;
    return status;
}
