// The package manager's line syntax, for every reader in lurvek that must see a file as it does:
// lines read in pieces of at most 4095 bytes, blanks trimmed, "#" lines ignored, a trimmed line
// from "[" to "]" a section header, any other line split at its first "=".
#pragma once

#include <cstdio>
#include <string_view>

// The buffer the package manager reads each line into (PATH_MAX): a line of more than
// pacman_line_size - 1 bytes, its newline included, is read as several lines.
constexpr int pacman_line_size = 4096;

// Reads the next line of stream into piece as the package manager reads it: up to and including a
// newline, at most pacman_line_size - 1 bytes, the rest of a longer line being the next line. The
// piece ends at its first NUL byte for every use. Returns false at the end of the stream or on a
// read error, which ferror(stream) tells apart.
[[nodiscard]] bool read_pacman_line(FILE* stream, char (&piece)[pacman_line_size]);

// Text without the blanks (space, tab, newline, vertical tab, form feed, carriage return) at
// either end.
[[nodiscard]] std::string_view trim_pacman_blanks(std::string_view text);

// Whether the package manager ignores the line: empty once trimmed, or starting with "#" then.
[[nodiscard]] bool is_pacman_ignored_line(std::string_view line);

// Whether the line, trimmed, begins with "[" and ends with "]" (a comment line never does);
// *name is then what lies between them, untrimmed and possibly empty.
[[nodiscard]] bool is_pacman_section_header(std::string_view line, std::string_view* name);

// A line that is neither ignored nor a header: a key, and a value when the line holds an "=".
struct pacman_entry {
    std::string_view key; // trimmed; the whole trimmed line when it holds no "="
    std::string_view value; // trimmed, after the first "="; empty without one
    bool has_value; // whether the line holds an "="
};

// Splits line at its first "=".
[[nodiscard]] pacman_entry split_pacman_entry(std::string_view line);
