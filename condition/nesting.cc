#include "condition/nesting.h"

#include <cstdlib>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include "condition/arguments.h"
#include "condition/grammar.h"
#include "support/failure.h"

// GCC names the address sanitizer with __SANITIZE_ADDRESS__; clang 14 tells of it through
// __has_feature alone.
#if defined(__SANITIZE_ADDRESS__)
#define HAS_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HAS_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(HAS_ADDRESS_SANITIZER)
#include <sanitizer/common_interface_defs.h>
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// The most stack that one level of parentheses takes (parse_primary, dispatch_by_word_count and the
// loops of the general parser), with room to spare: about 110 bytes optimised, 190 unoptimised and
// up to 240 with the sanitizers.
#if defined(HAS_ADDRESS_SANITIZER)
constexpr size_t stack_per_level = 1024;
#else
constexpr size_t stack_per_level = 512;
#endif

// Room below the deepest level for the operators, the messages and the routines that run at exit.
constexpr size_t stack_for_leaves = 1 << 20;

// Nesting up to this depth stays on the process stack, which any environment has room for.
constexpr size_t levels_on_process_stack = (64 << 10) / stack_per_level;

// The parser's context and the one it returns to, with what passes between them. The words
// themselves travel in the argument state.
ucontext_t caller_context;
ucontext_t parser_context;
int parser_word_count;
bool parser_result;
bool parser_finished;

// AddressSanitizer must be told of every switch between stacks, or it takes the private stack for
// a wild pointer the first time a function that does not return runs there.
void* caller_fake_stack;
const void* caller_stack_bottom;
size_t caller_stack_size;

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

// A syntax error ends the process from the private stack, and the leak check at exit then scans
// that stack alone: the caller's stack must be scanned too.
void watch_caller_stack(bool watch)
{
#if defined(HAS_ADDRESS_SANITIZER)
    if (watch)
        __lsan_register_root_region(caller_stack_bottom, caller_stack_size);
    else
        __lsan_unregister_root_region(caller_stack_bottom, caller_stack_size);
#else
    (void)watch;
#endif
}

void run_parser()
{
    complete_switch(nullptr, &caller_stack_bottom, &caller_stack_size);
    watch_caller_stack(true);
    parser_result = dispatch_by_word_count(parser_word_count);
    parser_finished = true;
    watch_caller_stack(false);
    // A null save slot tells the sanitizer that this stack is left for good.
    announce_switch(nullptr, caller_stack_bottom, caller_stack_size);
}

// Every level of nesting takes one "(" word, so their number bounds the depth.
size_t count_opening_parentheses()
{
    size_t count = 0;
    for (int i = arg_pos; i < arg_count; ++i) {
        const char* word = arg_vector[i];
        count += word[0] == '(' && word[1] == '\0';
    }
    return count;
}

// Uses getcontext and setcontext rather than swapcontext, which the address sanitizer intercepts
// only to print a warning on standard error.
bool dispatch_on_private_stack(int word_count, size_t stack_size)
{
    size_t guard_size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    size_t mapping_size = guard_size + stack_size;
    // Pages are committed as the parser reaches them, so a generous size costs nothing.
    void* mapping = mmap(nullptr, mapping_size, PROT_READ | PROT_WRITE,
        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED)
        report_memory_exhausted();
    // An overflow should fault on the guard page rather than write into whatever lies below. Without
    // it the stack still works, so a failure here is no reason to stop.
    (void)mprotect(mapping, guard_size, PROT_NONE);
    char* stack = static_cast<char*>(mapping) + guard_size;

    if (getcontext(&parser_context) != 0)
        abort();
    parser_context.uc_stack.ss_sp = stack;
    parser_context.uc_stack.ss_size = stack_size;
    parser_context.uc_link = &caller_context;
    makecontext(&parser_context, run_parser, 0);
    parser_word_count = word_count;
    parser_finished = false;

    // Returns a second time when run_parser has finished.
    if (getcontext(&caller_context) != 0)
        abort();
    if (!parser_finished) {
        announce_switch(&caller_fake_stack, stack, stack_size);
        setcontext(&parser_context);
        abort();
    }
    complete_switch(caller_fake_stack, nullptr, nullptr);
    // The process ends soon after, so a failure to unmap costs nothing.
    (void)munmap(mapping, mapping_size);
    return parser_result;
}

} // namespace

bool dispatch_with_room_for_nesting(int word_count)
{
    size_t levels = count_opening_parentheses();
    if (levels <= levels_on_process_stack)
        return dispatch_by_word_count(word_count);
    return dispatch_on_private_stack(word_count, levels * stack_per_level + stack_for_leaves);
}
