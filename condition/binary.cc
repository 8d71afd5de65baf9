#include "condition/binary.h"

#include <cstring>
#include <iterator>
#include <libintl.h>
#include <sys/stat.h>

#include "condition/arguments.h"
#include "condition/integer.h"
#include "condition/word.h"
#include "support/locale_setup.h"

// Marks a message for the catalogue template; the translation is looked up where it is used.
#define N_(message) message

namespace {

// What the two operands of an operator are compared as.
enum class operand_kind : unsigned char { string, integer, modification_time, file_identity };

// The outcomes of a comparison of LEFT with RIGHT, as bits: a row is true for the ones it names.
constexpr unsigned char below = 1;
constexpr unsigned char equal = 2;
constexpr unsigned char above = 4;

// Arrays of characters rather than pointers leave the loader nothing to relocate.
struct binary_operator {
    char word[4];
    operand_kind kind;
    unsigned char true_for;
    char refuses_length[24]; // the message for a length operand; empty when one is accepted
};

constexpr binary_operator binary_operators[] = {
    { .word = "=", .kind = operand_kind::string, .true_for = equal, .refuses_length = "" },
    { .word = "!=", .kind = operand_kind::string, .true_for = below | above, .refuses_length = "" },
    { .word = "==", .kind = operand_kind::string, .true_for = equal, .refuses_length = "" },
    { .word = "-nt",
        .kind = operand_kind::modification_time,
        .true_for = above,
        .refuses_length = N_("-nt does not accept -l") },
    { .word = "-ot",
        .kind = operand_kind::modification_time,
        .true_for = below,
        .refuses_length = N_("-ot does not accept -l") },
    { .word = "-ef",
        .kind = operand_kind::file_identity,
        .true_for = equal,
        .refuses_length = N_("-ef does not accept -l") },
    { .word = "-eq", .kind = operand_kind::integer, .true_for = equal, .refuses_length = "" },
    { .word = "-ne", .kind = operand_kind::integer, .true_for = below | above, .refuses_length = "" },
    { .word = "-lt", .kind = operand_kind::integer, .true_for = below, .refuses_length = "" },
    { .word = "-le", .kind = operand_kind::integer, .true_for = below | equal, .refuses_length = "" },
    { .word = "-gt", .kind = operand_kind::integer, .true_for = above, .refuses_length = "" },
    { .word = "-ge", .kind = operand_kind::integer, .true_for = above | equal, .refuses_length = "" },
};
static_assert(std::size(binary_operators) == 12);

struct binary_test {
    const char* left;
    const char* right;
    bool left_is_length;
    bool right_is_length;
};

// The row of word, or a null pointer when it is no binary operator.
const binary_operator* find_binary_operator(const char* word)
{
    for (const binary_operator& row : binary_operators) {
        if (is_same_word(row.word, word))
            return &row;
    }
    return nullptr;
}

unsigned char outcome_of(int comparison)
{
    if (comparison < 0)
        return below;
    return comparison == 0 ? equal : above;
}

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

int compare_integers(const binary_test& test)
{
    char left_buffer[decimal_buffer_size];
    char right_buffer[decimal_buffer_size];
    // The left side first, so that of two bad operands the left one is named.
    const char* left = integer_text(test.left, test.left_is_length, left_buffer);
    const char* right = integer_text(test.right, test.right_is_length, right_buffer);
    return compare_decimal_strings(left, right);
}

// Stores the modification time of path (symbolic links followed) in time and returns true; returns
// false and leaves time alone when the file cannot be examined.
bool get_modification_time(const char* path, timespec& time)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    time = status.st_mtim;
    return true;
}

// A file that cannot be examined is older than any file that can.
int compare_modification_times(const binary_test& test)
{
    timespec left_time;
    timespec right_time;
    bool left_exists = get_modification_time(test.left, left_time);
    bool right_exists = get_modification_time(test.right, right_time);
    if (left_exists && right_exists)
        return compare_times(left_time, right_time);
    return static_cast<int>(left_exists) - static_cast<int>(right_exists);
}

bool is_same_file(const char* left, const char* right)
{
    struct stat left_status;
    struct stat right_status;
    if (stat(left, &left_status) != 0 || stat(right, &right_status) != 0)
        return false;
    return left_status.st_dev == right_status.st_dev && left_status.st_ino == right_status.st_ino;
}

unsigned char compare_operands(const binary_operator& row, const binary_test& test)
{
    switch (row.kind) {
    case operand_kind::string:
        return outcome_of(strcmp(test.left, test.right));
    case operand_kind::integer:
        return outcome_of(compare_integers(test));
    case operand_kind::modification_time:
        return outcome_of(compare_modification_times(test));
    case operand_kind::file_identity:
        return is_same_file(test.left, test.right) ? equal : above;
    }
    return 0;
}

} // namespace

bool is_binary_operator_word(const char* word)
{
    return find_binary_operator(word) != nullptr;
}

bool evaluate_binary_operator(bool left_is_length)
{
    if (left_is_length)
        step_argument(false);
    int op = arg_pos + 1;
    // A "-l" that is the last word is an ordinary right operand, not a length marker.
    bool right_is_length = arg_pos + 3 < arg_count && is_same_word(arg_vector[arg_pos + 2], "-l");
    if (right_is_length)
        step_argument(false);
    // The grammar hands over operator words only; anything else is reported rather than guessed at.
    const binary_operator* row = find_binary_operator(arg_vector[op]);
    if (row == nullptr) {
        set_up_locale();
        report_syntax_error(gettext("unknown binary operator"), nullptr);
    }
    // With a marker on either side, string operators compare the words after the markers.
    binary_test test = {
        .left = arg_vector[op - 1],
        .right = arg_vector[right_is_length ? op + 2 : op + 1],
        .left_is_length = left_is_length,
        .right_is_length = right_is_length,
    };
    for (int i = 0; i < 3; ++i)
        step_argument(false);
    if (row->refuses_length[0] != '\0' && (left_is_length || right_is_length)) {
        set_up_locale();
        report_syntax_error(gettext(row->refuses_length), nullptr);
    }
    return (compare_operands(*row, test) & row->true_for) != 0;
}
