// The largest expressions a command line can carry: the deepest nesting of parentheses that the
// argument limit allows, chains of 100,000 words and integers of 100,000 digits; and nesting under
// a stack limit that leaves room for little more than a diagnostic.
#include "tests/condition/expression_case.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// depth times "(", then x -a innermost, then depth times ")". Parentheses around a single word
// would be read by the group-counting rule as two words, so the innermost group holds three.
std::vector<std::string> make_nest(long depth, const char* innermost)
{
    std::vector<std::string> words(static_cast<size_t>(depth), "(");
    for (const char* word : {"x", "-a", innermost})
        words.push_back(word);
    words.insert(words.end(), static_cast<size_t>(depth), ")");
    return words;
}

// The kernel's room for the strings and pointers of a new program's arguments and environment:
// a quarter of the stack limit, at most three quarters of 8 MiB and at least 128 KiB.
long argument_room()
{
    rlimit stack;
    unsigned long limit = 6ul << 20;
    if (getrlimit(RLIMIT_STACK, &stack) == 0 && stack.rlim_cur != RLIM_INFINITY)
        limit = std::min(limit, static_cast<unsigned long>(stack.rlim_cur / 4));
    return static_cast<long>(std::max(limit, 128ul << 10));
}

// The depth at which the nest, the program path, argv[0] and the environment fill argument_room:
// each level costs two words of two bytes and a pointer each.
long estimate_deepest_nest(const run_options& options)
{
    long fixed = static_cast<long>(program_path.size() + 1 + options.invocation_name.size() + 1 + 8);
    long pointers = 1 + 3 + static_cast<long>(options.environment.size());
    for (const std::string& entry : options.environment)
        fixed += static_cast<long>(entry.size() + 1);
    fixed += 2 + 3 + 2 + pointers * static_cast<long>(sizeof(char*));
    return (argument_room() - fixed) / static_cast<long>(2 * (2 + sizeof(char*)));
}

// Runs the nest of depth and checks its answer; false when the kernel refused the argument list.
bool run_nest(long depth, const char* innermost, int status)
{
    run_result result = run_program(make_nest(depth, innermost));
    if (result.exec_error == E2BIG)
        return false;
    SCOPED_TRACE("depth " + std::to_string(depth) + ", innermost \"" + innermost + "\"");
    EXPECT_EQ(0, result.exec_error) << strerror(result.exec_error);
    EXPECT_EQ(status, result.status) << result.errors.substr(0, 400);
    EXPECT_EQ("", result.errors.substr(0, 400));
    return true;
}

TEST(size, deepest_nesting_the_argument_limit_allows)
{
    long depth = estimate_deepest_nest(run_options{});
    ASSERT_GT(depth, 1000);
    // Find the boundary: the estimate may be off by a few levels either way. A depth that the kernel
    // refuses costs nothing; one that it accepts runs the program, whose answer is checked.
    int tries = 0;
    if (run_nest(depth, "y", 0)) {
        while (run_nest(depth + 1, "y", 0) && ++tries < 50)
            ++depth;
    } else {
        do
            --depth;
        while (!run_nest(depth, "y", 0) && ++tries < 50);
    }
    ASSERT_LT(tries, 50) << "no boundary near the estimated depth";
    run_nest(depth, "", 1);
    printf("deepest nesting: %ld levels (%ld words)\n", depth, 2 * depth + 3);
    RecordProperty("deepest_nesting", static_cast<int>(depth));
}

TEST(size, long_chains)
{
    constexpr int words = 100001;
    std::vector<std::string> conjunction;
    for (int i = 0; i < words; ++i)
        conjunction.push_back(i % 2 ? "-a" : "x");
    std::vector<std::string> conjunction_false = conjunction;
    conjunction_false.back() = "";
    std::vector<std::string> disjunction;
    for (int i = 0; i < words; ++i)
        disjunction.push_back(i % 2 ? "-o" : "");
    std::vector<std::string> disjunction_true = disjunction;
    disjunction_true[words / 2] = "x";  // an operand: operands sit at even places
    std::vector<std::string> bangs(words - 1, "!");
    bangs.push_back("x");
    std::vector<std::string> odd_bangs(words - 2, "!");
    odd_bangs.push_back("x");
    check_cases({
        {"conjunction of nonempty words", conjunction, 0, ""},
        {"conjunction ending in the empty word", conjunction_false, 1, ""},
        {"disjunction of empty words", disjunction, 1, ""},
        {"disjunction with one nonempty word", disjunction_true, 0, ""},
        {"even number of bangs", bangs, 0, ""},
        {"odd number of bangs", odd_bangs, 1, ""},
    });
}

TEST(size, integers_of_100000_digits)
{
    const std::string power = "1" + std::string(99999, '0');  // 10^99999
    const std::string next = "1" + std::string(99998, '0') + "1";
    const std::string nines = std::string(99999, '9');  // one digit shorter
    const std::string padded_seven = std::string(99999, '0') + "7";
    check_cases({
        {"smaller -lt larger", {power, "-lt", next}, 0, ""},
        {"larger -lt smaller", {next, "-lt", power}, 1, ""},
        {"larger -gt smaller", {next, "-gt", power}, 0, ""},
        {"smaller -gt larger", {power, "-gt", next}, 1, ""},
        {"equal", {next, "-eq", next}, 0, ""},
        {"differ in the last digit", {next, "-eq", power}, 1, ""},
        {"negative, larger magnitude is smaller", {"-" + next, "-lt", "-" + power}, 0, ""},
        {"negative, reversed", {"-" + power, "-lt", "-" + next}, 1, ""},
        {"longer is greater", {power, "-gt", nines}, 0, ""},
        {"shorter is smaller", {nines, "-ge", power}, 1, ""},
        {"leading zeros", {padded_seven, "-eq", "7"}, 0, ""},
        {"negative against positive", {"-" + power, "-lt", "0"}, 0, ""},
        {"length of a long word", {"-l", power, "-eq", "100000"}, 0, ""},
        {"invalid at the very end", {power + "x", "-eq", "0"}, 2, "invalid integer '" + power + "x'"},
    });
}

// The environment as run_options has it, with a variable of size bytes that pushes the stack down.
std::vector<std::string> padded_environment(long size)
{
    return environment_with({"LC_ALL=C", "PADDING=" + std::string(static_cast<size_t>(size), 'x')});
}

// Under a stack limit of 24 KiB, without address randomisation, a growing environment leaves less
// and less room below the words. Wherever the program still prints a diagnostic for a flat expression
// of as many words, it answers a nest of 128 levels without a signal, whatever the answer; and when
// no further stack can be mapped, it says so.
TEST(size, nesting_under_a_small_stack)
{
    constexpr long depth = 128;
    // "extra argument 'y'", after the string test of x.
    std::vector<std::string> flat = {"x", "y"};
    flat.insert(flat.end(), 2 * depth + 3, ")");
    run_options options;
    options.stack_limit = 24 << 10;
    options.fixed_layout = true;
    long padding = -1;
    for (long size = 0; size <= 24 << 10; size += 256) {
        options.environment = padded_environment(size);
        if (run_program(flat, options).status != 2)
            break;
        padding = size;
    }
    if (padding < 0)
        GTEST_SKIP() << "the program does not start under a stack limit of 24 KiB (sanitizer runtime?)";
    std::vector<std::string> error = make_nest(depth, "y");
    error.insert(error.begin() + depth + 3, "z");
    const std::vector<expression_case> nests = {
        {"true", make_nest(depth, "y"), 0, ""},
        {"false", make_nest(depth, ""), 1, ""},
        {"syntax error", error, 2, "')' expected, found z"},
    };
    // Room just enough for the diagnostic, and some more.
    for (long less : {0, 1024, 2048, 4096}) {
        SCOPED_TRACE("padding of " + std::to_string(padding - less) + " bytes");
        options.environment = padded_environment(padding - less);
        check_cases(nests, options);
    }

#ifndef PROGRAM_IS_SANITIZED
    // The smallest data limit, in steps of 32 KiB, under which the flat expression still runs leaves
    // no room to map a stack. "memory exhausted" comes through error(), and from below the first
    // group: it needs a few hundred bytes more than the flat diagnostic.
    options.environment = padded_environment(padding - 1024);
    for (long limit = 64 << 10; limit <= 4 << 20; limit += 32 << 10) {
        options.data_limit = limit;
        if (run_program(flat, options).status == 2)
            break;
    }
    check_cases({{"no stack to be had", make_nest(depth, "y"), 2, "memory exhausted"}}, options);
#endif
}

} // namespace
