#include "list_reader.h"

#include "pacman_syntax.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace {

// The INI reader keeps this many bytes of a section name.
constexpr int longest_section_name = 49;

// White space as the INI reader skips it.
bool is_reader_space(char c)
{
    return isspace(static_cast<unsigned char>(c)) != 0;
}

// Whether the INI reader takes line, handed over without its leading blanks, for a section header,
// as it decides: the first character is "[", and a "]" comes before the end and before any ";"
// after a blank. Stores where the name starts and ends.
bool is_section_header(const list_scan& scan, const char* line, const char** name, const char** end)
{
    const char* start = line;
    // A byte-order mark before the first line is skipped, and the blanks after it.
    if (scan.line_number == 1 && strncmp(start, "\xEF\xBB\xBF", 3) == 0)
        start += 3;
    while (is_reader_space(*start))
        start++;
    if (*start != '[')
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

// Whether the reader and pacman take line for the same section header, or both for none. A
// difference would put the keys under it into other sections for the two.
bool is_same_header(const list_scan& scan, const char* line)
{
    const char* name;
    const char* end;
    std::string_view pacman_name;
    bool is_header = is_section_header(scan, line, &name, &end);
    if (is_header != is_pacman_section_header(line, &pacman_name))
        return false;
    return !is_header || pacman_name == std::string_view(name, size_t(end - name));
}

// Whether name is a key that makes records.
bool is_record_key(std::string_view name)
{
    return name == "Server" || name == "SigLevel";
}

// Puts the line in text as pacman takes it, without the blanks around it, in place of text.
void trim_in_place(char* text)
{
    std::string_view line = trim_pacman_blanks(text);
    memmove(text, line.data(), line.size());
    text[line.size()] = '\0';
}

// Whether a line that filled the buffer without its line feed ends where the stream stands: at the
// end of the file, or at a line feed, which is taken.
bool ends_here(FILE* stream)
{
    if (feof(stream) != 0)
        return true;
    int c = getc(stream);
    return c == EOF || c == '\n';
}

} // namespace

char* read_list_line(char* text, int size, void* stream)
{
    list_scan& scan = *static_cast<list_scan*>(stream);
    if (scan.fault != line_fault::none)
        return nullptr;
    // Zeroed first, so that a line feed found in text is this line's, whatever bytes the line holds.
    memset(text, 0, size_t(size));
    if (fgets(text, size, scan.stream) == nullptr)
        return nullptr;
    scan.line_number++;
    // A null byte in the line hides its line feed from strlen, but not from memchr.
    size_t length = strlen(text);
    bool whole = (length > 0 && text[length - 1] == '\n')
        || memchr(text + length, '\n', size_t(size - 1) - length) != nullptr || ends_here(scan.stream);
    if (!whole) {
        // The reader would take the rest for a line of its own.
        scan.fault = line_fault::line_too_long;
        return nullptr;
    }
    // pacman takes every line on its own, its blanks aside, while the reader would take an indented
    // line under a key for more of that key's value.
    trim_in_place(text);
    if (!is_same_header(scan, text)) {
        scan.fault = line_fault::pacman_differs;
        return nullptr;
    }
    // The reader cuts the line into pieces in place; pacman's reading of it is made from this copy.
    (void)snprintf(scan.line, sizeof scan.line, "%s", text);
    const char* name;
    const char* end;
    if (is_section_header(scan, text, &name, &end)) {
        if (end - name > longest_section_name) {
            scan.fault = line_fault::name_too_long;
            return nullptr;
        }
        scan.section_number++;
    }
    return text;
}

bool is_read_alike(list_scan& scan, const char* name, const char* value)
{
    pacman_entry entry = split_pacman_entry(scan.line);
    if (!is_record_key(name) && !is_record_key(entry.key))
        return true;
    if (entry.has_value && entry.key == name && entry.value == value)
        return true;
    scan.fault = line_fault::pacman_differs;
    return false;
}
