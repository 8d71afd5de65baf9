// The list file on disk: its creation and its atomic replacement from the table.
#pragma once

#include <cstddef>
#include <cstdio>

// Process-wide: the path of the list file, "/etc/pacman.d/lurvek.conf". Only the tests point it
// elsewhere, before any other call.
extern const char* list_file_path;

// Stores the directory part of list_file_path ("." when it has none) in directory. Returns false
// when it does not fit in size bytes.
[[nodiscard]] bool copy_list_directory(char* directory, size_t size);

// Creates an empty list file with mode 0644, whatever the umask, when there is none. Failures are
// left to the reading that follows, which reports them.
void create_list_file();

// Writes every record of the table that is not removed as a four-line block ("[name]",
// "Server = ...", "SigLevel = ...", an empty line) to stream. Returns false when a write failed.
[[nodiscard]] bool write_repository_records(FILE* stream);

// Replaces the list file with the table's records through a temporary file in the same directory,
// renamed over it once flushed to disk; the new file keeps the mode and owner of the old one (0644
// and the caller's when there was none). Returns false, leaving the old file as it was and no
// temporary file behind, when any step fails, the flush of the directory after the rename included.
[[nodiscard]] bool write_repository_file();
