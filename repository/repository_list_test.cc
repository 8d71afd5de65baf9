#include "repository_list.h"

#include <gtest/gtest.h>
#include <ini.h>
#include <string>

namespace {

// The complete records as "name|server|level" joined by ";", in table order.
std::string describe_table()
{
    std::string text;
    for (const repository_record& record : repository_table) {
        if (record.name == nullptr)
            break;
        if (!text.empty())
            text += ";";
        text += std::string(record.name) + "|" + record.server + "|" + record.sig_level;
        if (record.removed)
            text += "|removed";
    }
    return text;
}

void read_text(const char* text)
{
    clear_repository_table();
    ini_parse_string(text, collect_repository, nullptr);
}

struct read_case {
    const char* label;
    const char* text; // contents of the list file
    int records; // complete records afterwards
    const char* records_read; // as describe_table gives them
};
constexpr read_case read_cases[] = {
    { "empty file", "", 0, "" },
    { "one section", "[a]\nServer = u\nSigLevel = Optional\n", 1, "a|u|Optional" },
    { "level before server", "[a]\nSigLevel = Never\nServer = u\n", 1, "a|u|Never" },
    { "blanks around the equals sign", "[a]\n  Server=u\nSigLevel   =  L  \n", 1, "a|u|L" },
    { "colon instead of equals sign", "[a]\nServer: u=v\nSigLevel: L\n", 1, "a|u=v|L" },
    { "key names are case-sensitive", "[a]\nserver = u\nSigLevel = Never\n", 0, "" },
    { "other keys are ignored", "[a]\nInclude = x\nServer = u\nUsage = All\nSigLevel = L\n", 1, "a|u|L" },
    { "keys before any section", "Server = u\nSigLevel = Never\n", 1, "|u|Never" },
    { "two sections", "[a]\nServer = u\nSigLevel = L\n[b]\nServer = v\nSigLevel = M\n", 2, "a|u|L;b|v|M" },
    { "a section read twice", "[a]\nServer = u\nSigLevel = L\nServer = v\nSigLevel = M\n", 2, "a|u|L;a|v|M" },
    { "last of several servers", "[a]\nServer = u\nServer = v\nSigLevel = L\n", 1, "a|v|L" },
    { "server only, then a full section", "[a]\nServer = x\n[b]\nServer = y\nSigLevel = z\n", 1, "b|y|z" },
    { "level only, then server first", "[a]\nSigLevel = x\n[b]\nServer = y\nSigLevel = z\n", 1, "b|y|x" },
    { "incomplete last section", "[a]\nServer = u\nSigLevel = L\n[b]\nServer = v\n", 1, "a|u|L" },
    { "semicolon comment after a blank", "[a]\nServer = u\nSigLevel = Never ;c\n", 1, "a|u|Never" },
    { "semicolon without a blank", "[a]\nServer = u;v\nSigLevel = L\n", 1, "a|u;v|L" },
    { "hash inside a value", "[a]\nServer = u\nSigLevel = Never #c\n", 1, "a|u|Never #c" },
    { "comment lines between keys", "[a]\n; one\nServer = u\n\n  # two\nSigLevel = L\n", 1, "a|u|L" },
    { "commented-out key", "[a]\n#Server = x\nServer = u\n;SigLevel = x\nSigLevel = L\n", 1, "a|u|L" },
    { "indented line continues the server", "[a]\nServer = u\n  v\nSigLevel = L\n", 1, "a|v|L" },
    { "indented server replaces the level", "[a]\nSigLevel = L\n  Server = u\n", 0, "" },
    { "indented section line is a value", "[a]\nServer = u\n [b]\nSigLevel = L\n", 1, "a|[b]|L" },
    { "indented key first in its section", "[a]\n  Server = u\nSigLevel = L\n", 1, "a|u|L" },
    { "indented key after an indented key", "[a]\n  Server = u\n  SigLevel = L\n", 0, "" },
    { "byte-order mark", "\xEF\xBB\xBF[a]\nServer = u\nSigLevel = L\n", 1, "a|u|L" },
    { "carriage returns", "[a]\r\nServer = u\r\nSigLevel = L\r\n", 1, "a|u|L" },
};

TEST(repository_list, reads_records)
{
    for (const read_case& c : read_cases) {
        SCOPED_TRACE(c.label);
        read_text(c.text);
        EXPECT_EQ(c.records, record_count);
        EXPECT_EQ(c.records_read, describe_table());
    }
}

// A file of count complete records named r1, r2, ...
std::string numbered_records(int count)
{
    std::string text;
    for (int i = 1; i <= count; i++)
        text += "[r" + std::to_string(i) + "]\nServer = u\nSigLevel = L\n\n";
    return text;
}

TEST(repository_list, counts_records_beyond_the_table)
{
    struct {
        const char* label;
        int records;
        const char* tail; // text after the numbered records
        int expected_count;
    } const cases[] = {
        { "a full table", 1024, "", 1024 },
        { "a full table and a lone server", 1024, "[x]\nServer = u\n", 1024 },
        { "one record too many", 1025, "", 1025 },
        { "one record too many and a lone server", 1025, "[x]\nServer = u\n", 1025 },
        { "many records too many", 1100, "", 1100 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        read_text((numbered_records(c.records) + c.tail).c_str());
        EXPECT_EQ(c.expected_count, record_count);
        EXPECT_STREQ("r1024", repository_table[max_repositories - 1].name);
    }
}

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
