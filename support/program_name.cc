#include "support/program_name.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view null_name_message = "A NULL argv[0] was passed through an exec system call.\n";
static_assert(null_name_message.size() == 55);

constexpr std::string_view libtool_directory = "/.libs/";
constexpr std::string_view libtool_prefix = "lt-";

} // namespace

void record_invocation_name(const char* name)
{
    if (name == nullptr) {
        // Nothing is left to do if this write fails: the process aborts either way.
        (void)fwrite(null_name_message.data(), 1, null_name_message.size(), stderr);
        abort();
    }
    // One pass finds the base name; strlen and strrchr would each cost every run a symbol lookup.
    const char* base = name;
    for (const char* c = name; *c != '\0'; ++c)
        if (*c == '/')
            base = c + 1;
    // A libtool wrapper runs the real program from .libs/, possibly renamed with "lt-".
    size_t directory_length = libtool_directory.size();
    if (size_t(base - name) >= directory_length
        && std::string_view(base - directory_length, directory_length) == libtool_directory) {
        name = base;
        // Compared byte by byte, so that a shorter base name is never read past its end.
        if (name[0] == 'l' && name[1] == 't' && name[2] == '-') {
            name += libtool_prefix.size();
            program_invocation_short_name = const_cast<char*>(name);
        }
    }
    // error() only reads the name; the variable is not const for historical reasons.
    program_invocation_name = const_cast<char*>(name);
}
