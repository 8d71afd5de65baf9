#include "support/failure.h"

#include <cstdlib>
#include <error.h>
#include <libintl.h>

#include "support/locale_setup.h"

int failure_exit_status = 1;
void* (*heap_allocator)(size_t size) = nullptr;

void* allocate_or_die(size_t size)
{
    void* block = heap_allocator ? heap_allocator(size) : malloc(size);
    // malloc may answer a request for nothing with a null pointer; that is no failure.
    if (block == nullptr && size != 0)
        report_memory_exhausted();
    return block;
}

void report_memory_exhausted()
{
    // error() prints in the locale too.
    set_up_locale();
    error(failure_exit_status, 0, "%s", gettext("memory exhausted"));
    // error() exits for a nonzero status, but failure_exit_status could have been set to 0.
    abort();
}
