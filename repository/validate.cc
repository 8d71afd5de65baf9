#include "validate.h"

#include <string_view>

namespace {

// The longest section name the INI reader keeps whole.
constexpr size_t longest_name = 49;
// The INI reader takes at most 199 characters of a line at a time, and "Server = " uses 9 of them.
constexpr size_t longest_url = 199 - std::string_view("Server = ").size();
static_assert(longest_url == 190);

// White space as the INI reader strips it (isspace in the C locale).
constexpr bool is_reader_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
static_assert(is_reader_space(' ') && is_reader_space('\t') && !is_reader_space('_'));

// Whether text is a value the INI reader hands back unchanged: not empty, no line break, no white
// space at either end, and no ";" after white space, which would start a comment.
constexpr bool survives_reader(std::string_view text)
{
    if (text.empty() || is_reader_space(text.front()) || is_reader_space(text.back()))
        return false;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\n' || text[i] == '\r')
            return false;
        if (text[i] == ';' && i > 0 && is_reader_space(text[i - 1]))
            return false;
    }
    return true;
}
static_assert(survives_reader("a;b") && !survives_reader("a ;b") && !survives_reader("a\tb "));

} // namespace

bool is_valid_repository_name(const char* name)
{
    std::string_view text = name;
    if (text.size() > longest_name || !survives_reader(text))
        return false;
    // "local" is the database of installed packages and "options" the package manager's own section.
    if (text == "local" || text == "options")
        return false;
    return text.find_first_of("[]/") == std::string_view::npos;
}

bool is_valid_repository_url(const char* url)
{
    std::string_view text = url;
    // The blank that the writer puts after "=" makes a leading ";" start a comment.
    return text.size() <= longest_url && survives_reader(text) && !text.starts_with(';');
}
