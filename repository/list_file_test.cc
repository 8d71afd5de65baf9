#include "list_file.h"

#include "repository_list.h"
#include "test_file.h"

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
            "; comment\n[a]\nSigLevel=L\n\nServer =  u \n[b]\nServer: v\nSigLevel = M ;x\nOther = 1\n",
            nullptr, "[a]\nServer = u\nSigLevel = L\n\n[b]\nServer = v\nSigLevel = M\n\n" },
        { "incomplete section is dropped", "[a]\nServer = u\nSigLevel = L\n[b]\nServer = v\n", nullptr,
            "[a]\nServer = u\nSigLevel = L\n\n" },
        { "removed first of three",
            "[a]\nServer=u\nSigLevel=L\n[b]\nServer=v\nSigLevel=L\n[c]\nServer=w\nSigLevel=L\n", "a",
            "[b]\nServer = v\nSigLevel = L\n\n[c]\nServer = w\nSigLevel = L\n\n" },
        { "removed only record", "[a]\nServer = u\nSigLevel = L\n", "a", "" },
        { "keys before any section", "Server = u\nSigLevel = L\n", nullptr,
            "[]\nServer = u\nSigLevel = L\n\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        scratch_directory scratch;
        write_file(scratch.file, c.text);
        clear_repository_table();
        ASSERT_LE(0, ini_parse(list_file_path, collect_repository, nullptr));
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
        bool exists;
        mode_t mode; // of the file before, if it exists
        mode_t umask;
        mode_t expected; // mode afterwards
    } const cases[] = {
        { "new file under umask 077", false, 0, 077, 0644 },
        { "new file under umask 0", false, 0, 0, 0644 },
        { "private file stays private", true, 0600, 022, 0600 },
        { "group-writable file stays so", true, 0664, 077, 0664 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        scratch_directory scratch;
        if (c.exists) {
            write_file(scratch.file, "");
            ASSERT_EQ(0, chmod(scratch.file.c_str(), c.mode));
            // Owned by someone else, as far as root can arrange it.
            if (geteuid() == 0) {
                ASSERT_EQ(0, chown(scratch.file.c_str(), 65534, 65534));
            }
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
        if (c.exists) {
            EXPECT_EQ(before.st_uid, after.st_uid);
            EXPECT_EQ(before.st_gid, after.st_gid);
        }
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
