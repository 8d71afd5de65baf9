// Serialises runs that change the list file, so that no run loses another's update.
#pragma once

// Takes an exclusive advisory lock on the directory that holds the list file, waiting for any other
// run that holds it. The directory is locked rather than the file, which is replaced by a rename
// and may not exist yet; a read-only directory can still be locked. Returns false when the
// directory cannot be opened or locked; the run then goes on unserialised and its file operations
// report what is wrong.
bool lock_list_file();

// Releases the lock, if one is held, so that others may go on while this run waits for the refresh.
void unlock_list_file();
