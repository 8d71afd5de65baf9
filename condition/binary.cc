#include "condition/binary.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <libintl.h>
#include <sys/stat.h>

#include "condition/arguments.h"
#include "condition/integer.h"
#include "condition/word.h"

namespace {

struct binary_test {
    const char* left;
    const char* right;
    bool left_is_length;
    bool right_is_length;
};

// A negative number, zero or a positive number as a is earlier than, equal to or later than b.
int compare_times(const timespec& a, const timespec& b)
{
    if (a.tv_sec != b.tv_sec)
        return a.tv_sec < b.tv_sec ? -1 : 1;
    if (a.tv_nsec != b.tv_nsec)
        return a.tv_nsec < b.tv_nsec ? -1 : 1;
    return 0;
}

const char* integer_text(const char* word, bool is_length, char (&buffer)[decimal_buffer_size])
{
    if (is_length)
        return format_unsigned_decimal(strlen(word), buffer);
    return scan_integer_operand(word);
}

bool compare_integers(const char* name, const binary_test& test)
{
    char left_buffer[decimal_buffer_size];
    char right_buffer[decimal_buffer_size];
    // The left side first, so that of two bad operands the left one is named.
    const char* left = integer_text(test.left, test.left_is_length, left_buffer);
    const char* right = integer_text(test.right, test.right_is_length, right_buffer);
    int c = compare_decimal_strings(left, right);
    if (is_same_word(name, "-eq"))
        return c == 0;
    if (is_same_word(name, "-ne"))
        return c != 0;
    if (is_same_word(name, "-lt"))
        return c < 0;
    if (is_same_word(name, "-le"))
        return c <= 0;
    if (is_same_word(name, "-gt"))
        return c > 0;
    return c >= 0;
}

bool is_same_file(const char* left, const char* right)
{
    struct stat left_status;
    struct stat right_status;
    if (stat(left, &left_status) != 0 || stat(right, &right_status) != 0)
        return false;
    return left_status.st_dev == right_status.st_dev && left_status.st_ino == right_status.st_ino;
}

// A file that cannot be examined is older than any file that can.
bool compare_modification_times(const char* name, const binary_test& test)
{
    timespec left_time;
    timespec right_time;
    bool left_exists = get_modification_time(test.left, left_time);
    bool right_exists = get_modification_time(test.right, right_time);
    int c;
    if (left_exists && right_exists)
        c = compare_times(left_time, right_time);
    else
        c = static_cast<int>(left_exists) - static_cast<int>(right_exists);
    return is_same_word(name, "-nt") ? c > 0 : c < 0;
}

bool compare_files(const char* name, const binary_test& test)
{
    if (test.left_is_length || test.right_is_length) {
        if (is_same_word(name, "-nt"))
            report_syntax_error(gettext("-nt does not accept -l"), nullptr);
        if (is_same_word(name, "-ot"))
            report_syntax_error(gettext("-ot does not accept -l"), nullptr);
        report_syntax_error(gettext("-ef does not accept -l"), nullptr);
    }
    if (is_same_word(name, "-ef"))
        return is_same_file(test.left, test.right);
    return compare_modification_times(name, test);
}

bool is_integer_operator(const char* name)
{
    for (const char* candidate : { "-eq", "-ne", "-lt", "-le", "-gt", "-ge" }) {
        if (is_same_word(name, candidate))
            return true;
    }
    return false;
}

} // namespace

bool evaluate_binary_operator(bool left_is_length)
{
    if (left_is_length)
        step_argument(false);
    int op = arg_pos + 1;
    // A "-l" that is the last word is an ordinary right operand, not a length marker.
    bool right_is_length = arg_pos + 3 < arg_count && is_same_word(arg_vector[arg_pos + 2], "-l");
    if (right_is_length)
        step_argument(false);
    // With a marker on either side, string operators compare the words after the markers.
    binary_test test = {
        .left = arg_vector[op - 1],
        .right = arg_vector[right_is_length ? op + 2 : op + 1],
        .left_is_length = left_is_length,
        .right_is_length = right_is_length,
    };
    const char* name = arg_vector[op];
    for (int i = 0; i < 3; ++i)
        step_argument(false);

    if (is_same_word(name, "=") || is_same_word(name, "=="))
        return strcmp(test.left, test.right) == 0;
    if (is_same_word(name, "!="))
        return strcmp(test.left, test.right) != 0;
    if (name[0] != '-')
        abort();
    if (is_integer_operator(name))
        return compare_integers(name, test);
    if (is_same_word(name, "-nt") || is_same_word(name, "-ot") || is_same_word(name, "-ef"))
        return compare_files(name, test);
    report_syntax_error(gettext("unknown binary operator"), nullptr);
}

bool get_modification_time(const char* path, timespec& time)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    time = status.st_mtim;
    return true;
}
