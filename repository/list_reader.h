// The list file as the INI reader goes through it: whole lines handed over one at a time without
// their leading blanks, as pacman takes them, with the section headers counted, and a line that the
// reader would cut caught before it sees any of it.
#pragma once

#include <cstdio>

// What read_list_line found wrong with the file.
enum class line_fault {
    none,
    line_too_long, // a line holds more bytes than the reader takes
    name_too_long, // a section header names more bytes than the reader keeps
};

// The state of one reading, the stream argument of read_list_line.
struct list_scan {
    FILE* stream;
    int line_number; // lines handed over so far; after a fault, the line at fault
    int section_number; // section headers handed over so far, 0 before the first
    line_fault fault;
};

// The reader function for ini_parse_stream, with a list_scan as its stream: puts the next line into
// text, as fgets does, but without its leading blanks. Returns null at the end of the file, after a
// failed read (the stream's error indicator tells), and at a line longer than size - 1 bytes (its
// line feed aside) or a section header whose name the reader would cut, with fault set and nothing
// of that line handed over.
char* read_list_line(char* text, int size, void* scan);
