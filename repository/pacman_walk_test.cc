#include "pacman_walk.h"

#include "list_file.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

using file_set = std::vector<std::pair<std::string, std::string>>; // name and contents

// A chain of Include entries from pacman.conf down to a file depth levels deep, which holds last.
file_set include_chain(int depth, const std::string& last)
{
    file_set files;
    for (int i = 0; i < depth; i++)
        files.emplace_back(
            i == 0 ? "pacman.conf" : "c" + std::to_string(i), "Include = @/c" + std::to_string(i + 1) + "\n");
    files.emplace_back("c" + std::to_string(depth), last);
    return files;
}

struct walk_case {
    const char* label;
    file_set files; // in a fresh directory that also holds the list file; "@" stands for its path,
                    // and "(fifo)" for contents makes a FIFO
    bool reached;
    std::string name; // looked up after the walk
    int defined; // as find_repository_definition returns it
    const char* file; // the file it reports, in the directory unless it starts with "/"
    walk_outcome outcome = walk_outcome::whole;
};

const std::string name_50(50, 'n');
const std::string long_comment = "#" + std::string(198, 'c');
// A comment of 4095 bytes, as much as the package manager reads at a time, and one a byte shorter.
const std::string comment_4095 = "#" + std::string(4094, 'c');
const std::string comment_4094 = "#" + std::string(4093, 'c');

const walk_case walk_cases[] = {
    { "other spelling of the path", { { "pacman.conf", "Include =  @/./lurvek.conf  \n[options]\n" } }, true,
        "a", 0, "" },
    { "hash after the path is part of it", { { "pacman.conf", "Include = @/lurvek.conf #ours\n" } }, false,
        "a", 0, "", walk_outcome::partial },
    { "key in lower case", { { "pacman.conf", "include = @/lurvek.conf\n" } }, false, "a", 0, "" },
    { "nested through a pattern",
        { { "pacman.conf", "[options]\nInclude = @/conf.d/*.conf\n" }, { "conf.d/a.conf", "[a]\n" },
            { "conf.d/b.conf", "Include = @/lurvek.conf\n" } },
        true, "a", 1, "conf.d/a.conf" },
    { "list at the deepest level", include_chain(9, "Include = @/lurvek.conf\n"), true, "a", 0, "" },
    { "list one level past it", include_chain(10, "Include = @/lurvek.conf\n"), false, "a", 0, "",
        walk_outcome::partial },
    { "section at the deepest level", include_chain(10, "[a]\n"), false, "a", 1, "c10" },
    { "section one level past it", include_chain(11, "[a]\n"), false, "a", 0, "", walk_outcome::partial },
    { "header with blanks around it", { { "pacman.conf", " \t[a]  \n" } }, false, "a", 1, "pacman.conf" },
    { "header with text after it", { { "pacman.conf", "[a] x\nServer = u\n" } }, false, "a", 0, "" },
    { "50-byte name, its 49 bytes sought", { { "pacman.conf", "[" + name_50 + "]\nServer = u\n" } }, false,
        name_50.substr(1), 0, "" },
    { "50-byte name sought whole", { { "pacman.conf", "[" + name_50 + "]\n" } }, false, name_50, 1,
        "pacman.conf" },
    { "long comment ending in a header", { { "pacman.conf", long_comment + "[a]\nServer = u\n" } }, false,
        "a", 0, "" },
    { "first of two definitions",
        { { "pacman.conf", "Include = @/x.conf\n[a]\n" }, { "x.conf", "[a]\nInclude = @/missing.conf\n" } },
        false, "a", 1, "x.conf", walk_outcome::partial },
    { "entry after 4095 bytes of a comment",
        { { "pacman.conf", comment_4095 + "Include = @/lurvek.conf\n" } }, true, "a", 0, "" },
    { "entry after 4094 bytes of a comment",
        { { "pacman.conf", comment_4094 + "Include = @/lurvek.conf\n" } }, false, "a", 0, "" },
    { "header after 4095 bytes of a comment", { { "pacman.conf", comment_4095 + "[a]\n" } }, false, "a", 1,
        "pacman.conf" },
    { "a directory is passed over",
        { { "pacman.conf", "Include = @/d/*\n[a]\n" }, { "d/e.conf", "[b]\n" }, { "d/dir/x", "" } }, false,
        "b", 1, "d/e.conf" },
    { "a FIFO that a pattern names",
        { { "pacman.conf", "[a]\nInclude = @/r3/*.conf\n" }, { "r3/f.conf", "(fifo)" } }, false, "b", -1,
        "r3/f.conf", walk_outcome::special },
    { "a device", { { "pacman.conf", "Include = /dev/zero\n[a]\n" } }, false, "a", -1, "/dev/zero",
        walk_outcome::special },
    { "the configuration a FIFO", { { "pacman.conf", "(fifo)" } }, false, "a", -1, "pacman.conf",
        walk_outcome::special },
};

TEST(pacman_walk, reads_the_configuration_as_pacman_does)
{
    for (const walk_case& c : walk_cases) {
        SCOPED_TRACE(c.label);
        char directory[] = "/tmp/pacman_walk_test.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(directory));
        const std::string base = directory;
        const std::string list_file = base + "/lurvek.conf";
        list_file_path = list_file.c_str();
        FILE* list = fopen(list_file_path, "w");
        ASSERT_NE(nullptr, list);
        fclose(list);
        for (const auto& [name, text] : c.files) {
            std::string path = base + "/" + name;
            if (size_t slash = name.rfind('/'); slash != std::string::npos)
                mkdir((base + "/" + name.substr(0, slash)).c_str(), 0755);
            std::string contents = text;
            for (size_t at; (at = contents.find('@')) != std::string::npos;)
                contents.replace(at, 1, base);
            if (contents == "(fifo)") {
                ASSERT_EQ(0, mkfifo(path.c_str(), 0644));
                continue;
            }
            FILE* stream = fopen(path.c_str(), "w");
            ASSERT_NE(nullptr, stream);
            fputs(contents.c_str(), stream);
            fclose(stream);
        }
        const char* file;
        EXPECT_EQ(c.outcome, walk_pacman_conf((base + "/pacman.conf").c_str(), &file));
        EXPECT_EQ(c.reached, list_file_reached);
        EXPECT_EQ(c.defined, find_repository_definition(c.name.c_str(), &file));
        std::string want = c.file[0] == '/' ? c.file : base + "/" + c.file;
        EXPECT_EQ(c.defined == 0 ? "" : want, c.defined == 0 ? "" : std::string(file));
        EXPECT_EQ(0, system(("rm -rf " + base).c_str()));
    }
    list_file_path = "/etc/pacman.d/lurvek.conf";
}

TEST(pacman_walk, fails_on_a_missing_configuration)
{
    const char* file;
    EXPECT_EQ(walk_outcome::unread, walk_pacman_conf("/tmp/pacman_walk_test.absent/pacman.conf", &file));
    EXPECT_STREQ("/tmp/pacman_walk_test.absent/pacman.conf", file);
}

} // namespace
