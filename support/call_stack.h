// The room left on the stack in use, and running a function on a stack of its own.
#pragma once

#include <cstddef>

// Set when the address sanitizer instruments this build: GCC defines __SANITIZE_ADDRESS__, while
// clang 14 tells of it only through __has_feature. Stacks are larger and switches announced then.
#if defined(__SANITIZE_ADDRESS__)
#define HAS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HAS_ADDRESS_SANITIZER 1
#endif
#endif

// The bytes between the caller's frame and the lowest address to which the stack in use may grow:
// on the process stack, as far as its size limit allows below the arguments and environment at its
// top; on a stack of run_on_new_stack, its lower end. Zero when the frame already lies past that.
[[nodiscard]] size_t stack_room_left();

// Calls function(argument) on a stack of size bytes, mapped for the call, and returns what it
// returns. The function may end the process. Ends the process with "memory exhausted" when the
// stack cannot be mapped.
bool run_on_new_stack(bool (*function)(void* argument), void* argument, size_t size);
