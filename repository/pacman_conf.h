// The package manager's configuration, /etc/pacman.conf: whether it includes the list file, and the
// entry appended to it when it does not.
#pragma once

// Process-wide: the package manager's configuration, "/etc/pacman.conf". Only the tests point it
// elsewhere, before any other call.
extern const char* pacman_conf_path;

// Process-wide: false at start; set by check_include once an entry that includes the list file has
// been read from the configuration, and settled by read_pacman_conf after its walk.
extern bool include_found;

// INI handler for the configuration: sets include_found when the key is "Include" (exact case) and
// the value is the list file's path ignoring case, or a pattern that matches that path. Always
// returns 1.
int check_include(void* user, const char* section, const char* name, const char* value);

// Reads the configuration with check_include (of a line longer than the INI reader takes, only that
// much; the rest is no line of its own), then walks it as the package manager reads it (see
// walk_pacman_conf), which answers find_repository_definition. When the walk reads every file that
// an Include entry names, include_found is whether it reached the list file, whatever
// check_include found; otherwise it is set as well when check_include did not set it and the walk
// reached the list file. Returns false when the configuration cannot be opened or read to its end,
// when a file of the walk is neither a regular file nor a directory, or when include_found is still
// false and the walk could not read a file to its end; *file is the file at fault then.
[[nodiscard]] bool read_pacman_conf(const char** file);

// Appends the 72-byte block of an empty line, a comment line and "Include = " with the list file's
// path to the configuration, whole or not at all. Returns false, with the file cut back to its old
// length, when it cannot be written whole.
[[nodiscard]] bool append_include_block();
