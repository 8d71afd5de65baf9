// Serialises runs that change the list file, so that no run loses another's update.
#pragma once

// Takes an exclusive advisory lock on the lock file ".lurvek.lock" beside the list file, waiting
// silently for any other run that holds it. The lock file is made by root with mode 0600 in a
// directory only root can write, so no unprivileged user can open it, let alone hold it; one that
// is not a regular file owned by root and private to it is not used. Returns false when the lock
// cannot be taken (on a read-only directory the lock file may not exist); the run then goes on
// unserialised, which reading can afford since the list file is only ever replaced whole.
bool lock_list_file();

// Releases the lock, if one is held, so that others may go on while this run waits for the refresh.
void unlock_list_file();
