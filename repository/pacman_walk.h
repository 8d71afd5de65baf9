// pacman's configuration read as pacman reads it: /etc/pacman.conf and the files that its Include
// entries name, in one walk that notes whether the list file is among them and which repositories
// the others define.
#pragma once

// The package manager follows Include entries this many files deep; an Include in a file that deep
// makes it refuse the whole configuration.
constexpr int deepest_include = 10;

// Process-wide results of walk_pacman_conf, kept until the next walk.
extern bool list_file_reached; // an Include entry, directly or through other files, names the list file

// Reads the configuration at path and, depth first, every file that an Include entry names (a
// pattern expanded as the package manager expands it), as deep as it follows them. A file is read
// as the package manager reads it (see pacman_syntax.h): lines of at most 4095 bytes, blanks
// trimmed, "#" lines ignored, "[name]" a section, "key = value" split at the first "=". The list file, told by device and inode, is noted
// as reached and not read. An included file that cannot be opened is passed over. Returns false,
// ending the walk, when path cannot be opened or a file cannot be read to its end; *file is that
// file's path then, valid until the next walk.
[[nodiscard]] bool walk_pacman_conf(const char* path, const char** file);

// Looks name up among the sections of the last walk, byte for byte. Returns 1 when a file defines
// it, 0 when none does and -1 when the walk ended at a file it could not read before finding it;
// for 1 and -1, *file is that file's path, valid until the next walk.
[[nodiscard]] int find_repository_definition(const char* name, const char** file);
