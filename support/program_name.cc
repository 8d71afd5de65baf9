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
        fwrite(null_name_message.data(), 1, null_name_message.size(), stderr);
        abort();
    }
    std::string_view whole = name;
    size_t slash = whole.rfind('/');
    if (slash != std::string_view::npos) {
        size_t base = slash + 1;
        // A libtool wrapper runs the real program from .libs/, possibly renamed with "lt-".
        if (base >= libtool_directory.size()
            && std::string_view(name + base - libtool_directory.size(), libtool_directory.size())
                == libtool_directory) {
            name += base;
            if (std::string_view(name).starts_with(libtool_prefix)) {
                name += libtool_prefix.size();
                program_invocation_short_name = const_cast<char*>(name);
            }
        }
    }
    // error() only reads the name; the variable is not const for historical reasons.
    program_invocation_name = const_cast<char*>(name);
}
