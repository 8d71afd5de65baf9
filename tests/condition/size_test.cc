// The largest expressions a command line can carry: the deepest nesting of parentheses that the
// argument limit allows, chains of 100,000 words and integers of 100,000 digits; and nesting under
// an address-space limit that leaves room for little more than a diagnostic.
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

// Under an address-space limit, the room for a deep nest is what the program maps. From the
// smallest limit under which a flat expression of as many words still gets its diagnostic, in steps
// of 128 KiB, the nest answers or runs out of memory, and never ends by a signal. Where the layout
// is randomised, the room the loader needs varies by a few pages from run to run: near that smallest
// limit it may fail to start the program at all (status 127, its own message), which says nothing of
// the program and moves on to the next step.
TEST(size, nesting_under_an_address_space_limit)
{
#ifdef PROGRAM_IS_SANITIZED
    GTEST_SKIP() << "the sanitizer runtime reserves more address space than any limit here";
#endif
    constexpr long depth = 20000;
    // "extra argument 'y'", after the string test of x.
    std::vector<std::string> flat = {"x", "y"};
    flat.insert(flat.end(), 2 * depth + 3, ")");
    std::vector<std::string> nest = make_nest(depth, "y");
    run_options options;
    constexpr long most = 64 << 20;
    for (options.address_limit = 1 << 20; options.address_limit < most; options.address_limit += 64 << 10) {
        if (run_program(flat, options).status == 2)
            break;
    }
    ASSERT_LT(options.address_limit, most) << "the program does not start under any address-space limit";
    for (int step = 0; step < 64; ++step, options.address_limit += 128 << 10) {
        SCOPED_TRACE("address-space limit of " + std::to_string(options.address_limit >> 10) + " KiB");
        run_result result = run_program(nest, options);
        if (result.status == 0 && result.errors.empty())
            return;
        if (result.status == 127 && result.errors.rfind("test:", 0) != 0)
            continue;
        ASSERT_EQ(2, result.status) << result.errors.substr(0, 400);
        ASSERT_EQ("test: memory exhausted\n", result.errors);
    }
    ADD_FAILURE() << "no answer 8 MiB above the smallest limit under which the program starts";
}

} // namespace
