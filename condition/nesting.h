// Room on the stack for parentheses nested as deep as a command line can hold them.
#pragma once

// Returns dispatch_by_word_count(word_count). When the words from arg_pos on hold more "(" than the
// process stack surely has room for, the parser runs on a stack of its own, sized for all of them to
// nest. Ends the process with "memory exhausted" when that stack cannot be mapped.
bool dispatch_with_room_for_nesting(int word_count);
