// The in-memory table of repositories: filled from the list file, changed by one command, then
// written back whole.
#pragma once

#include <cstddef>

// The table holds at most this many repositories.
constexpr int max_repositories = 1024;

struct repository_record {
    char* name; // section name; a slot without a name is free and ends the list
    char* server; // value of "Server"
    char* sig_level; // value of "SigLevel"
    bool removed; // left out when the file is written
};

// Process-wide state, filled through slot_being_filled while the list file is read, then changed only
// by add_repository and remove_repository. The records in use form a prefix of the table.
extern repository_record repository_table[max_repositories];
extern int record_count; // complete records read so far; above max_repositories when the file overflows

// The slot that the reading of the list file fills next: the one at record_count, or a spare slot
// beyond the table where the keys of surplus records gather so that they can be counted.
repository_record& slot_being_filled();

// Ends the record in the slot being filled: names it after section and counts it. A record beyond the
// table is counted but not kept.
void complete_slot(const char* section);

// Empties the slot being filled, of values that made no record.
void clear_slot_being_filled();

// Replaces the string in field with a heap copy of text. Ends the run with status 1 when there is no
// memory for it.
void store_copy(char*& field, const char* text);

// Frees every string of the table and empties it, with record_count back at 0.
void clear_repository_table();

// Gives the first record called name (exact case), or else the first free slot, copies of the three
// strings. Returns false, changing nothing, when name is new and every slot holds a record.
[[nodiscard]] bool add_repository(const char* name, const char* server, const char* sig_level);

// Marks the first record called name (exact case) as removed. Returns false when there is none.
[[nodiscard]] bool remove_repository(const char* name);

// Prints every record on standard output: its name, then its server and its level on tab-indented
// lines labelled "Server: " and "SigLevel: ".
void list_repositories();
