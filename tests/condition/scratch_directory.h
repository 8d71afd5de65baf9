// Temporary directory trees for the fixtures of the file tests.
#pragma once

#include <ctime>
#include <string>

// Creates a new directory under $TMPDIR (or /tmp) that every user may search, and returns its path;
// an empty string when that fails.
std::string make_scratch_directory();

// Removes path and everything below it, without following symbolic links.
void remove_tree(const std::string& path);

// Creates (or truncates) a regular file with the given contents and exactly the given mode.
[[nodiscard]] bool write_file(const std::string& path, const std::string& contents, mode_t mode);

// Sets the access and modification times of path, not following a symbolic link at its end.
[[nodiscard]] bool set_times(const std::string& path, timespec access, timespec modification);
