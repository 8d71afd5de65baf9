#include "pacman_syntax.h"

#include <cerrno>

namespace {

// The bytes isspace takes for blanks in the C locale, which is the one the package manager's
// configuration tools read in; a byte above 127 is never a blank.
constexpr bool is_pacman_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
static_assert(is_pacman_blank('\v') && !is_pacman_blank('\0') && !is_pacman_blank('\xa0'));

} // namespace

bool read_pacman_line(FILE* stream, char (&piece)[pacman_line_size])
{
    // A read cut short by a signal is tried again, as the package manager does.
    while (fgets(piece, pacman_line_size, stream) == nullptr) {
        if (feof(stream) != 0 || errno != EINTR)
            return false;
        clearerr(stream);
    }
    return true;
}

std::string_view trim_pacman_blanks(std::string_view text)
{
    while (!text.empty() && is_pacman_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_pacman_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool is_pacman_ignored_line(std::string_view line)
{
    line = trim_pacman_blanks(line);
    return line.empty() || line.front() == '#';
}

bool is_pacman_section_header(std::string_view line, std::string_view* name)
{
    line = trim_pacman_blanks(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    *name = line.substr(1, line.size() - 2);
    return true;
}

pacman_entry split_pacman_entry(std::string_view line)
{
    size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return { trim_pacman_blanks(line), {}, false };
    return { trim_pacman_blanks(line.substr(0, equals)), trim_pacman_blanks(line.substr(equals + 1)), true };
}
