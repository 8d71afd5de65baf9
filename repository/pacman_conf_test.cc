#include "pacman_conf.h"

#include "list_file.h"

#include "test_file.h"

#include <gtest/gtest.h>
#include <ini.h>
#include <string>

namespace {

struct include_case {
    const char* label;
    const char* text; // contents of the configuration
    bool found;
};
constexpr include_case include_cases[] = {
    { "no entry", "[options]\nHoldPkg = pacman\n", false },
    { "entry in a section", "[options]\nInclude = /etc/pacman.d/lurvek.conf\n", true },
    { "entry before any section", "Include = /etc/pacman.d/lurvek.conf\n[options]\n", true },
    { "entry after a bare option", "[options]\nCheckSpace\nInclude = /etc/pacman.d/lurvek.conf\n", true },
    { "path in capitals", "Include = /ETC/PACMAN.D/LURVEK.CONF\n", true },
    { "key in lower case", "include = /etc/pacman.d/lurvek.conf\n", false },
    { "commented out with a hash", "#Include = /etc/pacman.d/lurvek.conf\n", false },
    { "commented out with a semicolon", "  ;Include = /etc/pacman.d/lurvek.conf\n", false },
    { "semicolon comment after the path", "Include = /etc/pacman.d/lurvek.conf ;ours\n", true },
    { "hash comment after the path", "Include = /etc/pacman.d/lurvek.conf #ours\n", false },
    { "another file", "Include = /etc/pacman.d/mirrorlist\n", false },
    { "a prefix of the path", "Include = /etc/pacman.d/lurvek\n", false },
    { "indented path under an Include",
        "[x]\nInclude = /etc/pacman.d/mirrorlist\n\n# c\n  /etc/pacman.d/lurvek.conf\n", true },
    { "indented path under another key", "[x]\nServer = u\n  /etc/pacman.d/lurvek.conf\n", false },
    { "indented Include under another key", "[x]\nServer = u\n  Include = /etc/pacman.d/lurvek.conf\n",
        false },
    { "found entry stays found", "Include = /etc/pacman.d/lurvek.conf\nInclude = /etc/x\n", true },
    { "pattern of every conf file", "Include = /etc/pacman.d/*.conf\n", true },
    { "pattern with a class", "Include = /etc/pacman.d/[kl]urvek.con?\n", true },
    { "star does not cross a slash", "Include = /etc/*.conf\n", false },
    { "pattern of other files", "Include = /etc/pacman.d/*.list\n", false },
    { "pattern in capitals", "Include = /ETC/PACMAN.D/*.CONF\n", false },
    { "pattern under a lower-case key", "include = /etc/pacman.d/*\n", false },
    { "pattern of the whole directory", "Include = /etc/pacman.d/*\n", true },
    { "pattern with a range and a ?", "Include = /etc/pacman.d/lurvek.co[a-z]?\n", true },
    { "key and value split at a colon", "[options]\nInclude: /etc/pacman.d/lurvek.conf\n", true },
};

TEST(pacman_conf, checks_for_the_include_entry)
{
    for (const include_case& c : include_cases) {
        SCOPED_TRACE(c.label);
        include_found = false;
        ini_parse_string(c.text, check_include, nullptr);
        EXPECT_EQ(c.found, include_found);
    }
}

// Which reading decides whether the list file is included: the walk, when it reads every file,
// else the entries of the text. "@" stands for the directory of the list file.
TEST(pacman_conf, decides_by_the_walk_when_it_reads_every_file)
{
    struct {
        const char* label;
        std::string text; // configuration
        bool found;
    } const cases[] = {
        { "an entry for the text only", "[options]\nInclude: @/lurvek.conf\n", false },
        { "the same, an Include unopened", "[options]\nInclude: @/lurvek.conf\nInclude = @/none\n", true },
    };
    char directory[] = "/tmp/pacman_conf_test.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(directory));
    const std::string list = std::string(directory) + "/lurvek.conf";
    const std::string conf = std::string(directory) + "/pacman.conf";
    list_file_path = list.c_str();
    pacman_conf_path = conf.c_str();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::string text = c.text;
        for (size_t at; (at = text.find('@')) != std::string::npos;)
            text.replace(at, 1, directory);
        for (const std::string& path : { list, conf }) {
            FILE* stream = fopen(path.c_str(), "w");
            ASSERT_NE(nullptr, stream);
            fputs(path == conf ? text.c_str() : "", stream);
            fclose(stream);
        }
        include_found = false;
        const char* file;
        EXPECT_TRUE(read_pacman_conf(&file));
        EXPECT_EQ(c.found, include_found);
    }
    EXPECT_EQ(0, system(("rm -r " + std::string(directory)).c_str()));
    list_file_path = "/etc/pacman.d/lurvek.conf";
    pacman_conf_path = "/etc/pacman.conf";
}

TEST(pacman_conf, appends_the_include_block)
{
    constexpr char block[] = "\n# Automatically included by lurvek\nInclude = /etc/pacman.d/lurvek.conf\n";
    static_assert(sizeof block - 1 == 72);
    struct {
        const char* label;
        const char* text; // configuration before
    } const cases[] = {
        { "empty file", "" },
        { "last line ended", "[options]\nHoldPkg = pacman\n" },
        { "last line unended", "[options]\nHoldPkg = pacman" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        char path[] = "/tmp/pacman_conf_test.XXXXXX";
        int fd = mkstemp(path);
        ASSERT_LE(0, fd);
        ASSERT_EQ(ssize_t(strlen(c.text)), write(fd, c.text, strlen(c.text)));
        close(fd);
        pacman_conf_path = path;
        EXPECT_TRUE(append_include_block());
        EXPECT_EQ(std::string(c.text) + block, read_file(path));
        unlink(path);
    }
    pacman_conf_path = "/etc/pacman.conf";
}

TEST(pacman_conf, appends_nothing_to_a_missing_file)
{
    pacman_conf_path = "/tmp/pacman_conf_test.absent/pacman.conf";
    EXPECT_FALSE(append_include_block());
    EXPECT_EQ("(missing)", read_file(pacman_conf_path));
    pacman_conf_path = "/etc/pacman.conf";
}

} // namespace
