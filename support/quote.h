// Words of the command line shown in diagnostics, quoted for the locale.
#pragma once

#include <cstddef>

// Returns the quoted form of text: enclosed in the locale's quotation marks, with control
// characters, backslashes, undecodable or unprintable bytes and the closing mark escaped. The result
// lives in one process-wide buffer and stays valid until the next call. errno is left as it was.
// Ends the process with "memory exhausted" when the buffer cannot grow.
const char* quote_argument(const char* text);

// Writes the quoted form of text into buffer (room for capacity bytes) and returns its full length,
// not counting the terminating null byte, which is stored only when the length is below capacity.
// Sets up the locale first, on which the marks and the characters depend.
size_t quote_into_buffer(char* buffer, size_t capacity, const char* text);

// The one buffer behind quote_argument's result. It starts as initial_quote_buffer and moves to a
// heap block of exactly the size needed the first time a result does not fit; it never shrinks and is
// never released.
struct quote_buffer {
    size_t capacity; // bytes of storage, the terminating null byte included
    char* storage;
};

// Process-wide: written by quote_argument alone (tests put it back to its initial state).
extern char initial_quote_buffer[256];
extern quote_buffer quote_slot;
