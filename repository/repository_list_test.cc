#include "repository_list.h"

#include "test_file.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct change_case {
    const char* label;
    const char* text; // contents of the list file
    char command; // 'a' to add, 'r' to remove
    const char* name;
    bool succeeds;
    const char* records_after;
};
constexpr const char* two = "[a]\nServer = u\nSigLevel = Never\n[b]\nServer = v\nSigLevel = Never\n";
constexpr change_case change_cases[] = {
    { "add to an empty table", "", 'a', "n", true, "n|w|Optional" },
    { "add a new name last", two, 'a', "n", true, "a|u|Never;b|v|Never;n|w|Optional" },
    { "add an existing name in place", two, 'a', "a", true, "a|w|Optional;b|v|Never" },
    { "a name differing in case is new", two, 'a', "A", true, "a|u|Never;b|v|Never;A|w|Optional" },
    { "add replaces only the first of two", "[a]\nServer = u\nSigLevel = L\n[a]\nServer = v\nSigLevel = M\n",
        'a', "a", true, "a|w|Optional;a|v|M" },
    { "add overwrites a lone key", "[a]\nServer = u\nSigLevel = L\n[b]\nSigLevel = M\n", 'a', "n", true,
        "a|u|L;n|w|Optional" },
    { "remove the first", two, 'r', "a", true, "a|u|Never|removed;b|v|Never" },
    { "remove an unknown name", two, 'r', "c", false, "a|u|Never;b|v|Never" },
    { "remove is case-sensitive", two, 'r', "B", false, "a|u|Never;b|v|Never" },
    { "remove only the first of two", "[a]\nServer = u\nSigLevel = L\n[a]\nServer = v\nSigLevel = M\n", 'r',
        "a", true, "a|u|L|removed;a|v|M" },
    { "remove from an empty table", "", 'r', "a", false, "" },
};

TEST(repository_list, adds_and_removes_in_order)
{
    for (const change_case& c : change_cases) {
        SCOPED_TRACE(c.label);
        read_text(c.text);
        bool result = c.command == 'a' ? add_repository(c.name, "w", "Optional") : remove_repository(c.name);
        EXPECT_EQ(c.succeeds, result);
        EXPECT_EQ(c.records_after, describe_table());
    }
}

TEST(repository_list, add_to_a_full_table)
{
    const std::string full = numbered_records(1024);
    struct {
        const char* label;
        const char* name;
        bool succeeds;
    } const cases[] = {
        { "new name", "n", false },
        { "last name", "r1024", true },
        { "first name", "r1", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        read_text(full.c_str());
        EXPECT_EQ(c.succeeds, add_repository(c.name, "w", "Optional"));
        EXPECT_STREQ("r1024", repository_table[max_repositories - 1].name);
    }
}

TEST(repository_list, lists_every_record)
{
    struct {
        const char* label;
        const char* text;
        const char* listing;
    } const cases[] = {
        { "empty table", "", "" },
        { "two records", two, "a\n\tServer: u\n\tSigLevel: Never\nb\n\tServer: v\n\tSigLevel: Never\n" },
        { "lone key is no record", "[a]\nServer = u\n", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        read_text(c.text);
        testing::internal::CaptureStdout();
        list_repositories();
        fflush(stdout);
        EXPECT_EQ(c.listing, testing::internal::GetCapturedStdout());
    }
}

} // namespace
