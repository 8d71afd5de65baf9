// The package manager's configuration, /etc/pacman.conf: the entry that includes the list file, and
// the repositories it defines itself.
#pragma once

// Process-wide: the package manager's configuration, "/etc/pacman.conf". Only the tests point it
// elsewhere, before any other call.
extern const char* pacman_conf_path;

// Process-wide: false at start; set by check_include once an entry that includes the list file has
// been read from the configuration.
extern bool include_found;

// INI handler for the configuration: sets include_found when the key is "Include" (exact case) and
// the value is the list file's path ignoring case, a pattern that matches that path, or a value whose
// expansion, as the package manager expands it, names the list file as a file (device and inode).
// Always returns 1.
int check_include(void* user, const char* section, const char* name, const char* value);

// Reads the configuration with check_include. Returns false when it cannot be opened or a read
// fails part way.
[[nodiscard]] bool read_pacman_conf();

// Appends the 72-byte block of an empty line, a comment line and "Include = " with the list file's
// path to the configuration, whole or not at all. Returns false, with the file cut back to its old
// length, when it cannot be written whole.
[[nodiscard]] bool append_include_block();

// Looks for a section called name (byte for byte) in the configuration and the files it includes
// through Include entries, nested as deep as the package manager follows them, the list file
// excepted. Returns 1 when a file defines it, 0 when none does and -1 when one cannot be read (an
// included file that cannot be opened is passed over); for 1 and -1, *file is that file's path,
// valid until the next call.
[[nodiscard]] int find_repository_definition(const char* name, const char** file);
