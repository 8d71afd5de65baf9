#include "repository_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

repository_record repository_table[max_repositories];
int record_count;

namespace {

// Where the keys of a record beyond the table gather, so that the surplus can be counted.
repository_record surplus_record;

void clear_record(repository_record& record)
{
    free(record.name);
    free(record.server);
    free(record.sig_level);
    record = {};
}

} // namespace

void store_copy(char*& field, const char* text)
{
    char* copy = strdup(text);
    // A handful of short strings cannot exhaust memory unless the system is already failing; there
    // is no message for it, so the run ends with the status of every other failure.
    if (copy == nullptr)
        exit(1);
    free(field);
    field = copy;
}

repository_record& slot_being_filled()
{
    if (record_count < max_repositories)
        return repository_table[record_count];
    return surplus_record;
}

void complete_slot(const char* section)
{
    if (record_count < max_repositories)
        store_copy(repository_table[record_count].name, section);
    else
        clear_record(surplus_record);
    record_count++;
}

void clear_slot_being_filled()
{
    clear_record(slot_being_filled());
}

void clear_repository_table()
{
    for (repository_record& record : repository_table)
        clear_record(record);
    clear_record(surplus_record);
    record_count = 0;
}

bool add_repository(const char* name, const char* server, const char* sig_level)
{
    int i = 0;
    while (i < max_repositories && repository_table[i].name != nullptr
        && strcmp(repository_table[i].name, name) != 0)
        i++;
    if (i == max_repositories)
        return false;
    repository_record& slot = repository_table[i];
    store_copy(slot.name, name);
    store_copy(slot.server, server);
    store_copy(slot.sig_level, sig_level);
    return true;
}

bool remove_repository(const char* name)
{
    for (repository_record& record : repository_table) {
        if (record.name == nullptr)
            return false;
        if (strcmp(record.name, name) == 0) {
            record.removed = true;
            return true;
        }
    }
    return false;
}

void list_repositories()
{
    for (const repository_record& record : repository_table) {
        if (record.name == nullptr)
            return;
        // Lost output is caught when standard output is closed at exit.
        printf("%s\n\tServer: %s\n\tSigLevel: %s\n", record.name, record.server, record.sig_level);
    }
}
