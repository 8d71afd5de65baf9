#include "support/call_stack.h"

#include <gtest/gtest.h>

namespace {

constexpr size_t new_stack_size = 64 << 10;

// What a call saw of its stack: the room on entry and, for a nested call, inside it.
struct observed_room {
    size_t outer;
    size_t inner;
};

bool note_room(void* seen)
{
    static_cast<observed_room*>(seen)->inner = stack_room_left();
    return true;
}

bool note_room_and_nest(void* seen)
{
    observed_room& room = *static_cast<observed_room*>(seen);
    room.outer = stack_room_left();
    size_t before = stack_room_left();
    bool result = run_on_new_stack(note_room, seen, 2 * new_stack_size);
    // Back on this stack, the room is measured against it again.
    EXPECT_EQ(before, stack_room_left());
    return !result;
}

TEST(call_stack, room_is_measured_on_the_stack_in_use)
{
    size_t process_room = stack_room_left();
    // Room on the process stack is bounded by its limit, whatever that is, and is never all of it.
    EXPECT_GT(process_room, 0u);
    observed_room room = {};
    EXPECT_FALSE(run_on_new_stack(note_room_and_nest, &room, new_stack_size));
    EXPECT_LT(room.outer, new_stack_size);
    EXPECT_GT(room.outer, new_stack_size - (16 << 10));
    EXPECT_LT(room.inner, 2 * new_stack_size);
    EXPECT_GT(room.inner, 2 * new_stack_size - (16 << 10));
    EXPECT_EQ(process_room, stack_room_left());
}

} // namespace
