#include "list_file.h"

#include "repository_list.h"
#include "test_file.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <gtest/gtest.h>
#include <ini.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A fresh directory for the list file, with list_file_path pointing into it.
struct scratch_directory {
    char path[64] = "/tmp/list_file_test.XXXXXX";
    std::string file;

    scratch_directory()
    {
        EXPECT_NE(nullptr, mkdtemp(path));
        file = std::string(path) + "/lurvek.conf";
        list_file_path = file.c_str();
    }
    ~scratch_directory()
    {
        std::string command = std::string("rm -rf ") + path;
        EXPECT_EQ(0, system(command.c_str()));
        list_file_path = "/etc/pacman.d/lurvek.conf";
    }
};

void write_file(const std::string& path, const char* text)
{
    FILE* stream = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, stream);
    fputs(text, stream);
    ASSERT_EQ(0, fclose(stream));
}

// The names in directory, sorted and joined by blanks, without "." and "..".
std::string list_directory(const char* directory)
{
    std::string names;
    struct dirent** entries;
    int count = scandir(directory, &entries, nullptr, alphasort);
    for (int i = 0; i < count; i++) {
        std::string name = entries[i]->d_name;
        if (name != "." && name != "..")
            names += (names.empty() ? "" : " ") + name;
        free(entries[i]);
    }
    free(entries);
    return names;
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
    { "key names are case-sensitive", "[a]\nserver = u\nSigLevel = Never\n", 0, "" },
    { "other keys are ignored", "[a]\nInclude = x\nServer = u\nUsage = All\nSigLevel = L\n", 1, "a|u|L" },
    { "keys before any section", "Server = u\nSigLevel = Never\n", 0, "" },
    { "a key before any section is no one's", "Server = u\n[a]\nSigLevel = L\n", 0, "" },
    { "empty section name", "[]\nServer = u\nSigLevel = L\n", 0, "" },
    { "a name that add refuses", "[local]\nServer = u\nSigLevel = L\n[b]\nServer = v\nSigLevel = M\n", 1,
        "b|v|M" },
    { "two sections", "[a]\nServer = u\nSigLevel = L\n[b]\nServer = v\nSigLevel = M\n", 2, "a|u|L;b|v|M" },
    { "keys after the record are ignored", "[a]\nServer = u\nSigLevel = L\nServer = v\nSigLevel = M\n", 1,
        "a|u|L" },
    { "mirrors stay in their section",
        "[x]\nSigLevel = Optional\nServer = http://x-main\nServer = http://x-mirror\n\n[y]\nSigLevel = "
        "Never\nServer = http://y-only\n",
        2, "x|http://x-main|Optional;y|http://y-only|Never" },
    { "last of several servers", "[a]\nServer = u\nServer = v\nSigLevel = L\n", 1, "a|v|L" },
    { "server only, then a full section", "[a]\nServer = x\n[b]\nServer = y\nSigLevel = z\n", 1, "b|y|z" },
    { "level only, then server first", "[a]\nSigLevel = x\n[b]\nServer = y\nSigLevel = z\n", 1, "b|y|z" },
    { "server only, then level first", "[a]\nServer = x\n[b]\nSigLevel = z\nServer = y\n", 1, "b|y|z" },
    { "incomplete last section", "[a]\nServer = u\nSigLevel = L\n[b]\nServer = v\n", 1, "a|u|L" },
    { "semicolon without a blank", "[a]\nServer = u;v\nSigLevel = L\n", 1, "a|u;v|L" },
    { "hash inside a value", "[a]\nServer = u\nSigLevel = Never #c\n", 1, "a|u|Never #c" },
    { "comment lines between keys", "[a]\n; one\nServer = u\n\n  # two\nSigLevel = L\n", 1, "a|u|L" },
    { "commented-out key", "[a]\n#Server = x\nServer = u\n;SigLevel = x\nSigLevel = L\n", 1, "a|u|L" },
    { "an indented line without a key is none", "[a]\nServer = u\n  v\nSigLevel = L\n", 1, "a|u|L" },
    { "an indented server under the level", "[a]\nSigLevel = L\n  Server = u\n", 1, "a|u|L" },
    { "an indented header", "[a]\nServer = u\nSigLevel = L\n\t[b]\nServer = v\nSigLevel = M\n", 2,
        "a|u|L;b|v|M" },
    { "an indented header ends the section", "[a]\nServer = u\n [b]\nSigLevel = L\n", 0, "" },
    { "indented keys", "[a]\n    SigLevel = L\n    Server = u\n", 1, "a|u|L" },
    { "carriage returns", "[a]\r\nServer = u\r\nSigLevel = L\r\n", 1, "a|u|L" },
};

TEST(list_file, reads_records)
{
    for (const read_case& c : read_cases) {
        SCOPED_TRACE(c.label);
        read_text(c.text);
        EXPECT_EQ(c.records, record_count);
        EXPECT_EQ(c.records_read, describe_table());
    }
}

// A line longer than the INI reader takes, or a section name longer than it keeps, would come back
// cut, and a header, Server or SigLevel line that pacman reads otherwise would give records that
// pacman does not have; the reading refuses the file instead, naming the line.
TEST(list_file, refuses_what_pacman_reads_otherwise)
{
    const std::string url_190 = "u" + std::string(189, 'v');
    const std::string name_49(49, 'n');
    struct {
        const char* label;
        std::string text;
        list_reading result;
        int line; // the line refused
    } const cases[] = {
        { "199-byte line", "[a]\nServer = " + url_190 + "\nSigLevel = L\n", list_reading::read, 0 },
        { "200-byte line", "[a]\nServer = " + url_190 + "w\nSigLevel = L\n", list_reading::line_too_long, 2 },
        { "200-byte last line, unended", "[a]\nSigLevel = L\nServer = " + url_190 + "w",
            list_reading::line_too_long, 3 },
        { "200-byte comment line", "#" + std::string(199, 'c') + "\n", list_reading::line_too_long, 1 },
        { "49-byte section name", "[" + name_49 + "]\nServer = u\nSigLevel = L\n", list_reading::read, 0 },
        { "50-byte section name", "[a]\n[" + name_49 + "n]  \nServer = u\n", list_reading::name_too_long, 2 },
        { "50 bytes in an indented header", "[a]\nServer = u\n [" + name_49 + "n]\nSigLevel = L\n",
            list_reading::name_too_long, 3 },
        { "a header for pacman only", "[h]\nServer = u\n[h ;b]\nSigLevel = L\n", list_reading::pacman_differs,
            3 },
        { "a header for the reader only",
            "[g]\nServer = u\nSigLevel = L\n[h] # mine\nServer = v\nSigLevel = L\n",
            list_reading::pacman_differs, 4 },
        { "a header after a byte-order mark", "\xEF\xBB\xBF[a]\nServer = u\nSigLevel = L\n",
            list_reading::pacman_differs, 1 },
        { "a header named otherwise", "[a]]\nServer = u\nSigLevel = L\n", list_reading::pacman_differs, 1 },
        { "a comment after a server", "[a]\nSigLevel = L\nServer = u ;c\n", list_reading::pacman_differs, 3 },
        { "a colon after the key", "[a]\nServer: u=v\nSigLevel = L\n", list_reading::pacman_differs, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        refused_line = 0;
        EXPECT_EQ(int(c.result), int(read_text(c.text)));
        EXPECT_EQ(c.line, refused_line);
    }
}

TEST(list_file, counts_records_beyond_the_table)
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

TEST(list_file, writes_exact_bytes)
{
    struct {
        const char* label;
        const char* text; // list file before
        const char* removed; // name to remove, or null
        const char* expected;
    } const cases[] = {
        { "empty table gives an empty file", "", nullptr, "" },
        { "two records normalised",
            "; comment\n[a]\nSigLevel=L\n\nServer =  u \n[b]\nServer =v\nSigLevel = M\nOther = 1 ;x\n",
            nullptr, "[a]\nServer = u\nSigLevel = L\n\n[b]\nServer = v\nSigLevel = M\n\n" },
        { "incomplete section is dropped", "[a]\nServer = u\nSigLevel = L\n[b]\nServer = v\n", nullptr,
            "[a]\nServer = u\nSigLevel = L\n\n" },
        { "removed first of three",
            "[a]\nServer=u\nSigLevel=L\n[b]\nServer=v\nSigLevel=L\n[c]\nServer=w\nSigLevel=L\n", "a",
            "[b]\nServer = v\nSigLevel = L\n\n[c]\nServer = w\nSigLevel = L\n\n" },
        { "removed only record", "[a]\nServer = u\nSigLevel = L\n", "a", "" },
        { "keys before any section", "Server = u\nSigLevel = L\n", nullptr, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        scratch_directory scratch;
        write_file(scratch.file, c.text);
        clear_repository_table();
        ASSERT_EQ(int(list_reading::read), int(read_list_file()));
        if (c.removed != nullptr) {
            ASSERT_TRUE(remove_repository(c.removed));
        }
        EXPECT_TRUE(write_repository_file());
        EXPECT_EQ(c.expected, read_file(scratch.file));
        EXPECT_EQ("lurvek.conf", list_directory(scratch.path));
    }
}

TEST(list_file, keeps_mode_and_owner)
{
    struct {
        const char* label;
        mode_t mode; // of the file before
        mode_t umask;
        mode_t expected; // mode afterwards
    } const cases[] = {
        { "private file stays private", 0600, 022, 0600 },
        { "group-writable file stays so", 0664, 077, 0664 },
    };
    bool owner_kept_as_is = false;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        scratch_directory scratch;
        write_file(scratch.file, "");
        ASSERT_EQ(0, chmod(scratch.file.c_str(), c.mode));
        // Owned by someone else. Only root can arrange that, and not root of a user namespace
        // in which that owner has no identity (EINVAL): the modes are checked all the same.
        if (chown(scratch.file.c_str(), 65534, 65534) != 0) {
            ASSERT_TRUE(errno == EPERM || errno == EINVAL) << strerror(errno);
            owner_kept_as_is = true;
        }
        struct stat before = {};
        stat(scratch.file.c_str(), &before);
        clear_repository_table();
        ASSERT_TRUE(add_repository("a", "u", "Optional"));
        mode_t old_umask = umask(c.umask);
        EXPECT_TRUE(write_repository_file());
        umask(old_umask);

        struct stat after;
        ASSERT_EQ(0, stat(scratch.file.c_str(), &after));
        EXPECT_EQ(c.expected, after.st_mode & 07777);
        EXPECT_EQ(before.st_uid, after.st_uid);
        EXPECT_EQ(before.st_gid, after.st_gid);
    }
    if (owner_kept_as_is) {
        GTEST_SKIP() << "the list file cannot be given another owner here; only its modes were checked";
    }
}

TEST(list_file, fails_without_a_trace)
{
    struct {
        const char* label;
        const char* directory; // made inside the scratch directory, or null
        const char* file; // list file path inside the scratch directory
        const char* left; // what the scratch directory holds afterwards
    } const cases[] = {
        { "no directory", nullptr, "absent/lurvek.conf", "" },
        { "rename over a directory", "lurvek.conf", "lurvek.conf", "lurvek.conf" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        scratch_directory scratch;
        if (c.directory != nullptr) {
            ASSERT_EQ(0, mkdir((std::string(scratch.path) + "/" + c.directory).c_str(), 0755));
        }
        std::string path = std::string(scratch.path) + "/" + c.file;
        list_file_path = path.c_str();
        clear_repository_table();
        ASSERT_TRUE(add_repository("a", "u", "Optional"));
        EXPECT_FALSE(write_repository_file());
        EXPECT_EQ(c.left, list_directory(scratch.path));
    }
}

TEST(list_file, creates_only_a_missing_file)
{
    struct {
        const char* label;
        const char* text; // contents before, or null for no file
        mode_t mode; // of the file before, if any
        const char* expected_text;
        mode_t expected_mode;
    } const cases[] = {
        { "missing file", nullptr, 0, "", 0644 },
        { "existing file is left alone", "[a]\n", 0600, "[a]\n", 0600 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        scratch_directory scratch;
        if (c.text != nullptr) {
            write_file(scratch.file, c.text);
            ASSERT_EQ(0, chmod(scratch.file.c_str(), c.mode));
        }
        mode_t old_umask = umask(077);
        create_list_file();
        umask(old_umask);
        struct stat after;
        ASSERT_EQ(0, stat(scratch.file.c_str(), &after));
        EXPECT_EQ(c.expected_mode, after.st_mode & 07777);
        EXPECT_EQ(c.expected_text, read_file(scratch.file));
    }
}

TEST(list_file, names_its_directory)
{
    struct {
        const char* label;
        const char* path;
        const char* directory;
    } const cases[] = {
        { "absolute path", "/etc/pacman.d/lurvek.conf", "/etc/pacman.d" },
        { "file in the root", "/lurvek.conf", "/" },
        { "bare name", "lurvek.conf", "." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        list_file_path = c.path;
        char directory[64];
        EXPECT_TRUE(copy_list_directory(directory, sizeof directory));
        EXPECT_STREQ(c.directory, directory);
    }
    list_file_path = "/etc/pacman.d/lurvek.conf";
    char small[13];
    EXPECT_FALSE(copy_list_directory(small, sizeof small));
}

} // namespace
