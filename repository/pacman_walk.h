// pacman's configuration read as pacman reads it: /etc/pacman.conf and the files that its Include
// entries name, in one walk that notes whether the list file is among them and which repositories
// the others define.
#pragma once

#include <cstdio>

// The package manager follows Include entries this many files deep; an Include in a file that deep
// makes it refuse the whole configuration.
constexpr int deepest_include = 10;

// Process-wide results of walk_pacman_conf, kept until the next walk.
extern bool list_file_reached; // an Include entry, directly or through other files, names the list file

// How open_pacman_file found the file at a path.
enum class pacman_file {
    opened, // a regular file, open for reading
    directory, // read by the package manager as a file without lines; not opened
    special, // neither a regular file nor a directory (a FIFO, a device, a socket), whose reading
             // could wait for ever or never end; not opened
    unopened, // it cannot be opened
};

// Opens the file at path for reading as a stream (*stream), without ever waiting for the file, and
// without opening one that is not a regular file; *stream is null unless the result is opened.
[[nodiscard]] pacman_file open_pacman_file(const char* path, FILE** stream);

// How far walk_pacman_conf got.
enum class walk_outcome {
    whole, // it read every file that an Include entry names, or noted it as the list file
    partial, // as whole, but an Include entry names a file that cannot be opened, or lies deeper
             // than the package manager follows: the package manager refuses the configuration
    unread, // a file cannot be opened (path itself) or read to its end; the walk ends there
    special, // a file is neither a regular file nor a directory; the walk ends there
};

// Reads the configuration at path and, depth first, every file that an Include entry names (a
// pattern expanded as the package manager expands it), as deep as it follows them. A file is read
// as the package manager reads it (see pacman_syntax.h): lines of at most 4095 bytes, blanks
// trimmed, "#" lines ignored, "[name]" a section, "key = value" split at the first "=". The list
// file, told by device and inode, is noted as reached and not read; a directory is passed over.
// For unread and special, *file is the path of the file at fault, valid until the next walk.
[[nodiscard]] walk_outcome walk_pacman_conf(const char* path, const char** file);

// Looks name up among the sections of the last walk, byte for byte. Returns 1 when a file defines
// it, 0 when none does and -1 when the walk ended at a file it could not read before finding it;
// for 1 and -1, *file is that file's path, valid until the next walk.
[[nodiscard]] int find_repository_definition(const char* name, const char** file);
