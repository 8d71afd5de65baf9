/* The start-up that every run of test performs and nothing else: the locale from the environment,
   the message catalogue's domain, and one function registered to run at exit. Its instruction count
   is the yardstick for the start-up of test. */
#include <libintl.h>
#include <locale.h>
#include <stdlib.h>

static void at_exit(void)
{
}

int main(void)
{
    setlocale(LC_ALL, "");
    bindtextdomain("plendra", "/usr/share/locale");
    textdomain("plendra");
    atexit(at_exit);
    return 0;
}
