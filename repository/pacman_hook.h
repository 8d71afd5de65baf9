// The package manager's side: the include entry in its configuration, and the database refresh.
#pragma once

// Process-wide: the package manager's configuration, "/etc/pacman.conf". Only the tests point it
// elsewhere, before any other call.
extern const char* pacman_conf_path;

// Process-wide: false at start; set by check_include once an entry that includes the list file has
// been read from the configuration.
extern bool include_found;

// INI handler for the configuration: sets include_found when the key is "Include" (exact case) and
// the value is the list file's path ignoring case, or a pattern that matches that path the way the
// package manager expands it. Always returns 1.
int check_include(void* user, const char* section, const char* name, const char* value);

// Appends the 72-byte block of an empty line, a comment line and "Include = " with the list file's
// path to the configuration, whole or not at all. Returns false, with the file cut back to its old
// length, when it cannot be written whole.
[[nodiscard]] bool append_include_block();

// Runs "pacman --sync --refresh" through the command interpreter, which inherits the standard
// streams, and returns what system() returned.
int refresh_databases();

// The exit status that the result of refresh_databases gives the run: 1 when the command could not
// be run, its own exit status when it exited, and 128 plus the signal number when a signal ended it.
int refresh_exit_status(int system_result);
