#include "condition/grammar.h"

#include <array>
#include <cstdlib>
#include <libintl.h>
#include <string_view>

#include "condition/arguments.h"
#include "condition/binary.h"
#include "condition/unary.h"
#include "condition/word.h"
#include "support/call_stack.h"

namespace {

constexpr std::string_view unary_letters = "GLNOSabcdefghknoprstuwxz";

constexpr std::array<bool, 256> make_unary_letter_table()
{
    std::array<bool, 256> table {};
    for (char letter : unary_letters)
        table[static_cast<unsigned char>(letter)] = true;
    return table;
}

constexpr std::array<bool, 256> unary_letter_table = make_unary_letter_table();
static_assert(unary_letters.size() == 24);
static_assert(unary_letter_table['G'] && unary_letter_table['z'] && unary_letter_table['N']);
static_assert(!unary_letter_table['l'] && !unary_letter_table['q'] && !unary_letter_table['-']);

// The stack that one level of parentheses may need below the check in parse_group: the frames down
// to the next group (about a hundred bytes optimised, a few times that unoptimised or with the
// sanitizers) and the deepest work that runs without passing a group, such as a message through the
// catalogue, whose character set conversion may load a module, and the routines that run at exit.
#if defined(HAS_ADDRESS_SANITIZER)
constexpr size_t room_for_group = 1 << 20;
#else
constexpr size_t room_for_group = 64 << 10;
#endif

// A new stack holds over a thousand levels, so that switching stacks costs little per level.
constexpr size_t group_stack_size = 4 * room_for_group;

// Each rule reads the words at arg_pos, evaluates them, leaves arg_pos after the last word it
// consumed and returns the truth value. A syntax error ends the process with status 2.
bool apply_one_word_rule();
bool apply_two_word_rule();
bool apply_three_word_rule();
bool parse_expression();
bool parse_conjunction();
bool parse_primary();

// True when the second character of word is a letter that names a unary test. Looks at that
// character alone; the caller checks the "-" and the length.
bool is_unary_operator_word(const char* word)
{
    return unary_letter_table[static_cast<unsigned char>(word[1])];
}

// Whether the word k places after arg_pos is text. Comparing through no temporaries keeps the
// frames of the recursive functions small, which matters at a depth of hundreds of thousands.
bool word_is(int k, const char* text)
{
    return is_same_word(arg_vector[arg_pos + k], text);
}

// "-" and exactly one more character.
bool has_unary_form(const char* w)
{
    return w[0] == '-' && w[1] != '\0' && w[2] == '\0';
}

bool evaluate_unary_word()
{
    const char* w = arg_vector[arg_pos];
    if (!is_unary_operator_word(w))
        report_syntax_error(gettext("%s: unary operator expected"), w);
    return evaluate_unary_operator();
}

bool parse_nonempty_expression()
{
    if (arg_pos >= arg_count)
        report_missing_argument();
    return parse_expression();
}

// Runs the rule for word_count words, then consumes the ")" that the caller has seen after them.
bool apply_rule_inside_parentheses(bool (*rule)())
{
    step_argument(false);
    bool value = rule();
    step_argument(false);
    return value;
}

// A ")" is looked for only among the 2nd to 5th words after the "(". Without one there, the group
// takes every word that is left.
int count_group_words()
{
    int n = 1;
    while (arg_pos + n < arg_count && !word_is(n, ")")) {
        if (n == 4)
            return arg_count - arg_pos;
        ++n;
    }
    return n;
}

// The words of a group, handed to a new stack.
bool dispatch_group_words(void* word_count)
{
    return dispatch_by_word_count(*static_cast<int*>(word_count));
}

bool parse_group()
{
    step_argument(true);
    int word_count = count_group_words();
    // Every level of nesting passes through here, so checking the room here alone keeps the
    // recursion within the stack, however deep it goes.
    bool value = stack_room_left() >= room_for_group
        ? dispatch_by_word_count(word_count)
        : run_on_new_stack(dispatch_group_words, &word_count, group_stack_size);
    if (arg_pos >= arg_count)
        report_syntax_error(gettext("')' expected"), nullptr);
    if (!word_is(0, ")"))
        report_syntax_error(gettext("')' expected, found %s"), arg_vector[arg_pos]);
    step_argument(false);
    return value;
}

// True when the word is nonempty; consumes it.
bool apply_one_word_rule()
{
    bool value = arg_vector[arg_pos][0] != '\0';
    step_argument(false);
    return value;
}

// "!" and a word, or a unary test; any other pair is a syntax error.
bool apply_two_word_rule()
{
    // After "!" the second word is a string, whatever it looks like.
    if (word_is(0, "!")) {
        step_argument(false);
        return !apply_one_word_rule();
    }
    if (has_unary_form(arg_vector[arg_pos]))
        return evaluate_unary_word();
    report_missing_argument();
}

// A binary test, "!" and two words, a parenthesised word, or a connective in the middle.
bool apply_three_word_rule()
{
    // The binary reading comes first, so "!" or "(" in front is an operand here.
    if (is_binary_operator_word(arg_vector[arg_pos + 1]))
        return evaluate_binary_operator(false);
    if (word_is(0, "!")) {
        step_argument(true);
        return !apply_two_word_rule();
    }
    if (word_is(0, "(") && word_is(2, ")"))
        return apply_rule_inside_parentheses(apply_one_word_rule);
    if (word_is(1, "-a") || word_is(1, "-o"))
        return parse_nonempty_expression();
    report_syntax_error(gettext("%s: binary operator expected"), arg_vector[arg_pos + 1]);
}

// Conjunctions joined by "-o". Stops, without consuming it, at a word after a primary that is
// neither "-a" nor "-o". Every primary is evaluated: nothing short-circuits.
bool parse_expression()
{
    bool value = false;
    for (;;) {
        // Parse first: a later operand may still be a syntax error when the value is known.
        bool operand = parse_conjunction();
        value = value || operand;
        if (arg_pos >= arg_count || !word_is(0, "-o"))
            return value;
        step_argument(false);
    }
}

// Primaries joined by "-a".
bool parse_conjunction()
{
    bool value = true;
    for (;;) {
        bool operand = parse_primary();
        value = value && operand;
        if (arg_pos >= arg_count || !word_is(0, "-a"))
            return value;
        step_argument(false);
    }
}

// Any number of "!", then a parenthesised group, a binary or unary test or a string test.
bool parse_primary()
{
    bool negated = false;
    while (arg_pos < arg_count && word_is(0, "!")) {
        step_argument(true);
        negated = !negated;
    }
    if (arg_pos >= arg_count)
        report_missing_argument();
    // Operator tests look as far as the end of the command line, not of an enclosing group.
    int remaining = arg_count - arg_pos;
    bool value;
    if (word_is(0, "("))
        value = parse_group();
    else if (remaining >= 4 && word_is(0, "-l") && is_binary_operator_word(arg_vector[arg_pos + 2]))
        value = evaluate_binary_operator(true);
    else if (remaining >= 3 && is_binary_operator_word(arg_vector[arg_pos + 1]))
        value = evaluate_binary_operator(false);
    else if (has_unary_form(arg_vector[arg_pos]))
        value = evaluate_unary_word();
    else
        value = apply_one_word_rule();
    return value != negated;
}

} // namespace

bool dispatch_by_word_count(int word_count)
{
    if (word_count < 1)
        abort();
    switch (word_count) {
    case 1:
        return apply_one_word_rule();
    case 2:
        return apply_two_word_rule();
    case 3:
        return apply_three_word_rule();
    case 4:
        if (word_is(0, "!")) {
            step_argument(true);
            return !apply_three_word_rule();
        }
        if (word_is(0, "(") && word_is(3, ")"))
            return apply_rule_inside_parentheses(apply_two_word_rule);
        break;
    }
    return parse_nonempty_expression();
}
