// The list file as the INI reader goes through it: whole lines handed over one at a time without
// the blanks around them, as pacman takes them, with the section headers counted, and a line that
// the reader would cut, or read otherwise than pacman, caught before it sees any of it.
#pragma once

#include <cstdio>

// What read_list_line found wrong with the file.
enum class line_fault {
    none,
    line_too_long, // a line holds more bytes than the reader takes
    name_too_long, // a section header names more bytes than the reader keeps
    pacman_differs, // pacman reads a header, or a Server or SigLevel line, otherwise than the reader
};

// The reader takes lines of at most this many bytes, its terminating null byte included.
constexpr int reader_line_size = 200;

// The state of one reading, the stream argument of read_list_line.
struct list_scan {
    FILE* stream;
    int line_number; // lines handed over so far; after a fault, the line at fault
    int section_number; // section headers handed over so far, 0 before the first
    line_fault fault;
    char line[reader_line_size]; // the last line handed over, as it was before the reader saw it
};

// The reader function for ini_parse_stream, with a list_scan as its stream: puts the next line into
// text, as fgets does, but without the blanks around it. Returns null at the end of the file, after
// a failed read (the stream's error indicator tells), and at a line longer than size - 1 bytes (its
// line feed aside), a section header whose name the reader would cut, or a line that the reader and
// pacman do not both take for the same section header, with fault set and nothing of that line
// handed over.
char* read_list_line(char* text, int size, void* scan);

// To be called by the INI handler for every key line that reaches it: whether pacman splits the
// line into the same name and value. Sets fault when it does not, for a name of "Server" or
// "SigLevel" on either side, so that the reading ends there.
[[nodiscard]] bool is_read_alike(list_scan& scan, const char* name, const char* value);
