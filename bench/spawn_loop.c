/* spawn_loop COUNT STATUS PROGRAM [ARG...]
   Runs PROGRAM with the ARGs COUNT times, one after the other, as a script's loop would, each run
   waited for before the next starts, with the environment that spawn_loop received. Exits with 0
   when every run exited with STATUS, else with 1. Static, so that its own start costs next to
   nothing in the time of the loop. */
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

extern char** environ;

int main(int argc, char** argv)
{
    if (argc < 4) {
        fputs("usage: spawn_loop COUNT STATUS PROGRAM [ARG...]\n", stderr);
        return 2;
    }
    long count = strtol(argv[1], NULL, 10);
    int expected = atoi(argv[2]);
    for (long i = 0; i < count; i++) {
        pid_t child;
        int status;
        int error = posix_spawn(&child, argv[3], NULL, NULL, argv + 3, environ);
        if (error != 0) {
            fprintf(stderr, "spawn_loop: %s: cannot start it (error %d)\n", argv[3], error);
            return 1;
        }
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != expected) {
            fprintf(stderr, "spawn_loop: %s: run %ld did not exit with %d\n", argv[3], i + 1, expected);
            return 1;
        }
    }
    return 0;
}
