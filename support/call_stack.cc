#include "support/call_stack.h"

#include <cstdint>
#include <cstdlib>
#include <sys/auxv.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <ucontext.h>
#include <unistd.h>

#include "support/failure.h"

#if defined(HAS_ADDRESS_SANITIZER)
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Without a limit the process stack still has neighbours below it; this much is surely free.
constexpr size_t unlimited_stack_size = 8 << 20;

// The lowest usable address of the stack in use; 0 until stack_room_left first needs it.
uintptr_t stack_floor;

// A stack that a finished call left behind, kept for the next call so that groups opened and
// closed one after another at the same depth do not map and unmap a stack each time.
char* spare_mapping;
size_t spare_mapping_size;

// One call of run_on_new_stack: what to run, its result, and the two contexts between which it
// switches. The stack that the call leaves, as the address sanitizer reports it, is scanned for
// pointers while the call runs.
struct stack_call {
    bool (*function)(void*);
    void* argument;
    bool result;
    volatile bool finished;
    ucontext_t caller;
    ucontext_t callee;
    void* caller_fake_stack;
    const void* caller_bottom;
    size_t caller_size;
    uintptr_t caller_floor;
    char* mapping;
    size_t mapping_size;
};

// The call being started: makecontext passes no pointers, so the new stack picks it up here.
stack_call* starting_call;

uintptr_t frame_address()
{
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

// The kernel lets the process stack grow until it spans the limit, counted from its upper end.
// That end lies just above the program's file name, which the kernel stores first of all, below
// the null pointer that ends the stack. Without the name nothing is known, and no room is assumed.
uintptr_t find_process_stack_floor()
{
    // getauxval hands every entry over as an integer, addresses included.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    const char* name = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    if (name == nullptr)
        return UINTPTR_MAX;
    const char* end = name;
    while (*end != '\0')
        ++end;
    uintptr_t top = reinterpret_cast<uintptr_t>(end) + 1 + sizeof(void*);
    rlimit limit;
    size_t size = unlimited_stack_size;
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        size = static_cast<size_t>(limit.rlim_cur);
    size &= ~(static_cast<size_t>(sysconf(_SC_PAGESIZE)) - 1);
    return size < top ? top - size : 0;
}

void announce_switch(void** fake_stack, const void* bottom, size_t size)
{
#if defined(HAS_ADDRESS_SANITIZER)
    __sanitizer_start_switch_fiber(fake_stack, bottom, size);
#else
    (void)fake_stack, (void)bottom, (void)size;
#endif
}

void complete_switch(void* fake_stack, const void** bottom, size_t* size)
{
#if defined(HAS_ADDRESS_SANITIZER)
    __sanitizer_finish_switch_fiber(fake_stack, bottom, size);
#else
    (void)fake_stack, (void)bottom, (void)size;
#endif
}

// A function that ends the process on the new stack leaves the leak check at exit scanning that
// stack alone: the stacks below it must be scanned too.
void watch_stack(const stack_call& call, bool watch)
{
#if defined(HAS_ADDRESS_SANITIZER)
    if (watch)
        __lsan_register_root_region(call.caller_bottom, call.caller_size);
    else
        __lsan_unregister_root_region(call.caller_bottom, call.caller_size);
#else
    (void)call, (void)watch;
#endif
}

void start_call()
{
    stack_call& call = *starting_call;
    complete_switch(nullptr, &call.caller_bottom, &call.caller_size);
    watch_stack(call, true);
    call.result = call.function(call.argument);
    call.finished = true;
    watch_stack(call, false);
    // A null save slot tells the sanitizer that this stack is left for good.
    announce_switch(nullptr, call.caller_bottom, call.caller_size);
}

// Pages are committed as the function reaches them, so an unused part costs nothing.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): one caller, names matching its own.
char* map_stack(size_t mapping_size, size_t guard_size)
{
    if (spare_mapping != nullptr && spare_mapping_size == mapping_size) {
        char* mapping = spare_mapping;
        spare_mapping = nullptr;
        return mapping;
    }
    void* mapping = mmap(nullptr, mapping_size, PROT_READ | PROT_WRITE,
        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED)
        report_memory_exhausted();
    // An overflow should fault on the guard page rather than write into whatever lies below. Without
    // it the stack still works, so a failure here is no reason to stop.
    (void)mprotect(mapping, guard_size, PROT_NONE);
    return static_cast<char*>(mapping);
}

void release_stack(char* mapping, size_t mapping_size)
{
    if (spare_mapping == nullptr) {
        spare_mapping = mapping;
        spare_mapping_size = mapping_size;
        return;
    }
    // The process ends soon after, so a failure to unmap costs nothing.
    (void)munmap(mapping, mapping_size);
}

// Uses getcontext and setcontext rather than swapcontext, which the address sanitizer intercepts
// only to print a warning on standard error. Kept apart from the mapping, so that the contexts take
// no room from a failure to map.
[[gnu::noinline]] bool call_on_stack(
    bool (*function)(void*), void* argument, char* mapping, size_t mapping_size, size_t guard_size)
{
    // What is needed after getcontext returns the second time lives in call, in memory.
    stack_call call;
    call.mapping = mapping;
    call.mapping_size = mapping_size;
    char* stack = mapping + guard_size;
    size_t size = mapping_size - guard_size;
    call.function = function;
    call.argument = argument;
    call.finished = false;
    if (getcontext(&call.callee) != 0)
        abort();
    call.callee.uc_stack.ss_sp = stack;
    call.callee.uc_stack.ss_size = size;
    call.callee.uc_link = &call.caller;
    makecontext(&call.callee, start_call, 0);
    if (stack_floor == 0)
        stack_floor = find_process_stack_floor();
    call.caller_floor = stack_floor;
    stack_floor = reinterpret_cast<uintptr_t>(stack);
    starting_call = &call;

    // Returns a second time when start_call has finished.
    if (getcontext(&call.caller) != 0)
        abort();
    if (!call.finished) {
        announce_switch(&call.caller_fake_stack, stack, size);
        setcontext(&call.callee);
        abort();
    }
    complete_switch(call.caller_fake_stack, nullptr, nullptr);
    starting_call = nullptr;
    stack_floor = call.caller_floor;
    release_stack(call.mapping, call.mapping_size);
    return call.result;
}

} // namespace

size_t stack_room_left()
{
    if (stack_floor == 0)
        stack_floor = find_process_stack_floor();
    uintptr_t frame = frame_address();
    return frame > stack_floor ? frame - stack_floor : 0;
}

bool run_on_new_stack(bool (*function)(void*), void* argument, size_t size)
{
    size_t guard_size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t mapping_size = guard_size + size;
    char* mapping = map_stack(mapping_size, guard_size);
    return call_on_stack(function, argument, mapping, mapping_size, guard_size);
}
