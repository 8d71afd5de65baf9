/* The yardstick for resource limits: the start-up of bench/minimal_setup.c and one line on standard
   error, the least that test does before it answers. Takes any arguments, so that it runs with the
   same argument list as test. */
#include <libintl.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>

static void at_exit(void)
{
}

int main(int argc, char** argv)
{
    (void)argc;
    setlocale(LC_ALL, "");
    bindtextdomain("plendra", "/usr/share/locale");
    textdomain("plendra");
    atexit(at_exit);
    fprintf(stderr, "%s: ", argv[0]);
    fprintf(stderr, gettext("')' expected, found %s"), "z");
    fputc('\n', stderr);
    return 0;
}
