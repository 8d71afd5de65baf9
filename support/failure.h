// How the program ends when something other than the expression goes wrong.
#pragma once

#include <cstddef>

// Process-wide: the exit status of failures outside the expression syntax (lost output, memory
// exhaustion). 1 until main sets it to 2 at start-up.
extern int failure_exit_status;

// Process-wide, for tests only: the allocator behind allocate_or_die, which tests replace to make an
// allocation fail. Null means malloc: a pointer initialised to a library function would cost every
// run a symbol lookup at load time.
extern void* (*heap_allocator)(size_t size);

// Returns a block of size bytes from malloc; for a nonzero size it never returns a null pointer but
// ends the process through report_memory_exhausted.
void* allocate_or_die(size_t size);

// Prints "memory exhausted" after the program name, in the locale, which it sets up first, and exits
// with failure_exit_status.
[[noreturn]] void report_memory_exhausted();
