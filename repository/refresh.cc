#include "refresh.h"

#include <cstdlib>
#include <sys/wait.h>

int refresh_databases()
{
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
