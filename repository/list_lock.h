// Serialises runs that change the list file, so that no run loses another's update.
#pragma once

// Takes an exclusive advisory lock on the lock file ".lurvek.lock" beside the list file, waiting
// silently for any other run that holds it. The lock file is made by root with mode 0600 in a
// directory only root can write, so no unprivileged user can open it, let alone hold it; anything
// else at that name (a file with other owner or mode, a link, a FIFO) is first replaced by such a
// file, and a lock is kept only while the name still names the file locked. Returns false when the
// lock cannot be taken: on a read-only directory without a fit lock file, or with a directory at
// that name. A run without the lock may read, but must change neither file.
[[nodiscard]] bool lock_list_file();

// Releases the lock, if one is held, so that others may go on while this run waits for the refresh.
void unlock_list_file();
