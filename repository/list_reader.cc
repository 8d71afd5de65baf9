#include "list_reader.h"

#include <cctype>
#include <cstring>

namespace {

// The INI reader keeps this many bytes of a section name.
constexpr int longest_section_name = 49;

// White space as the INI reader skips it.
bool is_reader_space(char c)
{
    return isspace(static_cast<unsigned char>(c)) != 0;
}

// Whether the INI reader takes line for a section header, as it decides: the first character after
// the blanks is "[", the line does not continue a key (an indented line under a key does), and a "]"
// comes before the end and before any ";" after a blank. Stores where the name starts and ends.
bool is_section_header(const list_scan& scan, const char* line, const char** name, const char** end)
{
    const char* start = line;
    // A byte-order mark before the first line is skipped; the line counts as indented then.
    if (scan.line_number == 1 && strncmp(start, "\xEF\xBB\xBF", 3) == 0)
        start += 3;
    while (is_reader_space(*start))
        start++;
    if (*start != '[' || (start > line && scan.key_in_section))
        return false;
    *name = start + 1;
    bool after_blank = false;
    for (*end = *name; **end != '\0' && **end != ']'; (*end)++) {
        if (after_blank && **end == ';')
            return false;
        after_blank = is_reader_space(**end);
    }
    return **end == ']';
}

} // namespace

char* read_list_line(char* text, int size, void* stream)
{
    list_scan& scan = *static_cast<list_scan*>(stream);
    if (scan.fault != line_fault::none)
        return nullptr;
    // Byte by byte, so that a line too long for text is known before any of it goes to the reader,
    // which would take the rest of it for a line of its own.
    int length = 0;
    int c;
    while ((c = getc_unlocked(scan.stream)) != EOF && c != '\n') {
        if (length == size - 1) {
            scan.line_number++;
            scan.fault = line_fault::line_too_long;
            return nullptr;
        }
        text[length++] = char(c);
    }
    if (ferror(scan.stream) != 0 || (c == EOF && length == 0))
        return nullptr;
    text[length] = '\0';
    scan.line_number++;
    const char* name;
    const char* end;
    if (is_section_header(scan, text, &name, &end)) {
        if (end - name > longest_section_name) {
            scan.fault = line_fault::name_too_long;
            return nullptr;
        }
        scan.section_number++;
        scan.key_in_section = false;
    }
    return text;
}

void note_key_line(list_scan& scan, const char* name)
{
    // The reader remembers only a key with a name; "= value" leaves the next line to itself.
    if (*name != '\0')
        scan.key_in_section = true;
}
