// The list file on disk: its creation, its reading into the table and its atomic replacement from
// the table.
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
// left to the reading that follows, which reports them. Only a run that holds the lock may call it.
void create_list_file();

// What read_list_file found.
enum class list_reading {
    read, // the table holds every record of the file
    unreadable, // the file cannot be opened, or a read failed part way
    line_too_long, // a line is longer than the INI reader takes (199 bytes); see refused_line
    name_too_long, // a section name is longer than the INI reader keeps (49 bytes); see refused_line
    pacman_differs, // pacman reads a line otherwise, as a header or a Server or SigLevel line; see
                    // refused_line
    too_many, // the file holds more records than the table
};

// Process-wide: the line, counted from 1, for which read_list_stream last returned line_too_long,
// name_too_long or pacman_differs.
extern int refused_line;

// Reads the list file's text from stream into the table, which must be empty. A record takes its
// "Server" and "SigLevel" (exact case) from its own section: the last "Server" before the section
// has both; what follows them in that section, keys before the first section, an incomplete section
// and a section whose name add would refuse make no record.
[[nodiscard]] list_reading read_list_stream(FILE* stream);

// Reads the list file into the table, which must be empty. A target that is not a regular file or a
// directory (/dev/null, a FIFO) is not read, and gives an empty table.
[[nodiscard]] list_reading read_list_file();

// Writes every record of the table that is not removed as a four-line block ("[name]",
// "Server = ...", "SigLevel = ...", an empty line) to stream. Returns false when a write failed.
[[nodiscard]] bool write_repository_records(FILE* stream);

// Replaces the list file with the table's records through a hidden temporary file, renamed over it
// once flushed to disk. A symbolic link is followed to the file it names, which is replaced in its
// own directory, while the link stays; a hard link keeps the old list. Only a regular file is
// replaced. The new file keeps the mode and owner of the old one. Returns false, leaving the old
// file as it was, when the target is not a regular file or when any step fails, the flush of the
// directory after the rename included; temporary files are removed then too, unless their removal
// fails as well.
[[nodiscard]] bool write_repository_file();

// Removes the regular files with the hidden names that a rewrite uses, left behind by runs that
// were killed or could not remove them. Only a run that holds the lock may call it.
void remove_leftover_files();
