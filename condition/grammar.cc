#include "condition/grammar.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <libintl.h>
#include <string_view>

#include "condition/arguments.h"
#include "condition/binary.h"
#include "condition/unary.h"
#include "condition/word.h"
#include "support/failure.h"
#include "support/locale_setup.h"

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

// What the count rules make of their words: a value, or the start of an expression for the
// general parser, whose value is then taken as it is or negated.
enum class reading : unsigned char { false_value, true_value, expression, negated_expression };

// What an open group keeps while the expression inside it is parsed, one flag a bit: where the
// expression around it stands, and what becomes of the inner value once the ")" is there.
using open_group = unsigned char;
constexpr open_group outer_disjunction = 1; // the enclosing expression's "-o" terms so far
constexpr open_group outer_conjunction = 2; // its current "-a" terms so far
constexpr open_group negated_group = 4; // an odd number of "!" before the "("
constexpr open_group negated_inner = 8; // the four-word "!" rule applies to the inner expression

// The open groups, outermost first. The first 64 fit in static storage, so that an ordinary
// expression needs no heap at all; a deeper nest moves them to a heap block that grows as the
// nesting deepens and is kept until the process ends, so that a parse cut short by a syntax error
// leaves nothing to release.
open_group initial_open_groups[64];
open_group* open_groups = initial_open_groups;
size_t open_group_capacity = sizeof initial_open_groups;

// True when the second character of word is a letter that names a unary test. Looks at that
// character alone; the caller checks the "-" and the length.
bool is_unary_operator_word(const char* word)
{
    return unary_letter_table[static_cast<unsigned char>(word[1])];
}

// Whether the word k places after arg_pos is text.
bool word_is(int k, const char* text)
{
    return is_same_word(arg_vector[arg_pos + k], text);
}

// "-" and exactly one more character.
bool has_unary_form(const char* w)
{
    return w[0] == '-' && w[1] != '\0' && w[2] == '\0';
}

constexpr reading reading_of(bool value)
{
    return value ? reading::true_value : reading::false_value;
}

// The low bit of a reading tells true from false, and a negated expression from one as it is.
constexpr reading negate(reading r)
{
    return static_cast<reading>(static_cast<unsigned>(r) ^ 1U);
}
static_assert(negate(reading::false_value) == reading::true_value);
static_assert(negate(reading::negated_expression) == reading::expression);

constexpr bool is_expression(reading r)
{
    return r == reading::expression || r == reading::negated_expression;
}

bool evaluate_unary_word()
{
    const char* w = arg_vector[arg_pos];
    if (!is_unary_operator_word(w)) {
        set_up_locale();
        report_syntax_error(gettext("%s: unary operator expected"), w);
    }
    return evaluate_unary_operator();
}

reading begin_expression()
{
    if (arg_pos >= arg_count)
        report_missing_argument();
    return reading::expression;
}

// Runs the rule for the words between a "(" and a ")" that the caller has seen, and consumes both.
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

// Consumes the ")" that ends a group.
void close_group()
{
    if (arg_pos >= arg_count) {
        set_up_locale();
        report_syntax_error(gettext("')' expected"), nullptr);
    }
    if (!word_is(0, ")")) {
        set_up_locale();
        report_syntax_error(gettext("')' expected, found %s"), arg_vector[arg_pos]);
    }
    step_argument(false);
}

void push_open_group(size_t depth, open_group group)
{
    if (depth == open_group_capacity) {
        size_t capacity = 2 * depth;
        auto* groups = static_cast<open_group*>(allocate_or_die(capacity * sizeof(open_group)));
        memcpy(groups, open_groups, depth * sizeof(open_group));
        if (open_groups != initial_open_groups)
            free(open_groups);
        open_groups = groups;
        open_group_capacity = capacity;
    }
    open_groups[depth] = group;
}

// Each rule reads the words at arg_pos, evaluates them, leaves arg_pos after the last word it
// consumed and returns the truth value or how to go on. A syntax error ends the process with
// status 2.
//
// One word: true when the word is nonempty; consumes it.
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

// A binary test, "!" and two words, a parenthesised word, or a connective in the middle, which
// starts an expression.
reading apply_three_word_rule()
{
    // The binary reading comes first, so "!" or "(" in front is an operand here.
    if (is_binary_operator_word(arg_vector[arg_pos + 1]))
        return reading_of(evaluate_binary_operator(false));
    if (word_is(0, "!")) {
        step_argument(true);
        return reading_of(!apply_two_word_rule());
    }
    if (word_is(0, "(") && word_is(2, ")"))
        return reading_of(apply_rule_inside_parentheses(apply_one_word_rule));
    if (word_is(1, "-a") || word_is(1, "-o"))
        return begin_expression();
    set_up_locale();
    report_syntax_error(gettext("%s: binary operator expected"), arg_vector[arg_pos + 1]);
}

// The rules for one to four words. Words that none of them settles start an expression.
reading read_by_word_count(int word_count)
{
    if (word_count < 1)
        abort();
    switch (word_count) {
    case 1:
        return reading_of(apply_one_word_rule());
    case 2:
        return reading_of(apply_two_word_rule());
    case 3:
        return apply_three_word_rule();
    case 4:
        if (word_is(0, "!")) {
            step_argument(true);
            return negate(apply_three_word_rule());
        }
        if (word_is(0, "(") && word_is(3, ")"))
            return reading_of(apply_rule_inside_parentheses(apply_two_word_rule));
        break;
    }
    return begin_expression();
}

// Any number of "!" before a primary; true for an odd number. A word is left after them.
bool skip_negations()
{
    bool negated = false;
    while (arg_pos < arg_count && word_is(0, "!")) {
        step_argument(true);
        negated = !negated;
    }
    if (arg_pos >= arg_count)
        report_missing_argument();
    return negated;
}

// A primary other than a group: a binary or unary test or a string test.
bool evaluate_test()
{
    // Operator tests look as far as the end of the command line, not of an enclosing group.
    int remaining = arg_count - arg_pos;
    if (remaining >= 4 && word_is(0, "-l") && is_binary_operator_word(arg_vector[arg_pos + 2]))
        return evaluate_binary_operator(true);
    if (remaining >= 3 && is_binary_operator_word(arg_vector[arg_pos + 1]))
        return evaluate_binary_operator(false);
    if (has_unary_form(arg_vector[arg_pos]))
        return evaluate_unary_word();
    return apply_one_word_rule();
}

// Primaries joined by "-a" into conjunctions, joined by "-o". Stops, without consuming it, at a word
// after a primary that is neither "-a" nor "-o". Every primary is evaluated: nothing
// short-circuits. A group whose words start an expression is parsed in the same loop, its
// surroundings kept in open_groups, so that the depth of the calls stays the same at any nesting.
bool parse_expression()
{
    size_t depth = 0;
    bool disjunction = false;
    bool conjunction = true;
    for (;;) {
        bool negated = skip_negations();
        bool value;
        if (word_is(0, "(")) {
            step_argument(true);
            reading inner = read_by_word_count(count_group_words());
            if (is_expression(inner)) {
                push_open_group(depth++,
                    static_cast<open_group>((disjunction ? outer_disjunction : 0)
                        | (conjunction ? outer_conjunction : 0) | (negated ? negated_group : 0)
                        | (inner == reading::negated_expression ? negated_inner : 0)));
                disjunction = false;
                conjunction = true;
                continue;
            }
            close_group();
            value = (inner == reading::true_value) != negated;
        } else {
            value = evaluate_test() != negated;
        }
        // Take the value in, then close each group whose expression ends with it.
        for (;;) {
            conjunction = conjunction && value;
            if (arg_pos < arg_count && word_is(0, "-a"))
                break;
            disjunction = disjunction || conjunction;
            if (arg_pos < arg_count && word_is(0, "-o")) {
                conjunction = true;
                break;
            }
            if (depth == 0)
                return disjunction;
            open_group group = open_groups[--depth];
            close_group();
            value = (disjunction != ((group & negated_inner) != 0)) != ((group & negated_group) != 0);
            disjunction = (group & outer_disjunction) != 0;
            conjunction = (group & outer_conjunction) != 0;
        }
        // The "-a" or "-o".
        step_argument(false);
    }
}

} // namespace

bool dispatch_by_word_count(int word_count)
{
    reading r = read_by_word_count(word_count);
    if (is_expression(r))
        return parse_expression() != (r == reading::negated_expression);
    return r == reading::true_value;
}
