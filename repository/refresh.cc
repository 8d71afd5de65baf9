#include "refresh.h"

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>

int refresh_databases()
{
    // Ignored, as a parent may leave it, SIGCHLD makes the kernel reap the child itself, and system()
    // then returns -1 whatever the command did.
    (void)signal(SIGCHLD, SIG_DFL);
    return system("pacman --sync --refresh");
}

int refresh_exit_status(int system_result)
{
    if (system_result == -1)
        return 1;
    if (WIFEXITED(system_result))
        return WEXITSTATUS(system_result);
    if (WIFSIGNALED(system_result))
        return 128 + WTERMSIG(system_result);
    return 1;
}
