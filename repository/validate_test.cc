#include "validate.h"

#include "list_file.h"
#include "repository_list.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::string name_49(49, 'n');
const std::string name_50(50, 'n');
const std::string url_190 = "http://" + std::string(183, 'u');
const std::string url_191 = url_190 + "u";

TEST(validate, repository_names)
{
    struct {
        const char* label;
        std::string name;
        bool valid;
    } const cases[] = {
        { "plain", "core-extra_2", true },
        { "one byte", "a", true },
        { "49 bytes", name_49, true },
        { "50 bytes", name_50, false },
        { "empty", "", false },
        { "line feed", "a\nb", false },
        { "carriage return", "a\rb", false },
        { "opening bracket", "a[b", false },
        { "closing bracket", "a]b", false },
        { "slash", "a/b", false },
        { "semicolon after a blank", "a ;b", false },
        { "semicolon after a tab", "a\t;b", false },
        { "semicolon alone", "a;b", true },
        { "semicolon first", ";a", true },
        { "hash", "a #b", true },
        { "inner blank", "a b", true },
        { "leading blank", " a", false },
        { "trailing blank", "a ", false },
        { "trailing tab", "a\t", false },
        { "leading vertical tab", "\va", false },
        { "local", "local", false },
        { "options", "options", false },
        { "Local differs in case", "Local", true },
        { "localhost", "localhost", true },
        { "UTF-8", "d\xC3\xA9p\xC3\xB4t", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.valid, is_valid_repository_name(c.name.c_str()));
    }
}

TEST(validate, repository_urls)
{
    struct {
        const char* label;
        std::string url;
        bool valid;
    } const cases[] = {
        { "plain", "https://example.org/$repo/os/$arch", true },
        { "one byte", "u", true },
        { "190 bytes", url_190, true },
        { "191 bytes", url_191, false },
        { "empty", "", false },
        { "line feed", "http://a\n", false },
        { "carriage return", "http://a\rb", false },
        { "leading blank", " http://a", false },
        { "trailing blank", "http://a ", false },
        { "trailing form feed", "http://a\f", false },
        { "semicolon after a blank", "http://a ;b", false },
        { "semicolon alone", "http://a;b", true },
        { "semicolon first", ";http://a", false },
        { "semicolon after a tab", "http://a\t;b", false },
        { "brackets and hash", "http://a/[b]#c", true },
        { "inner blank", "http://a b", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.valid, is_valid_repository_url(c.url.c_str()));
    }
}

// What the limits stand for: a valid name and URL come back from the list file unchanged, and the
// first ones past the limits do not.
TEST(validate, limits_match_the_reader)
{
    struct {
        const char* label;
        std::string name;
        std::string url;
        bool unchanged;
    } const cases[] = {
        { "longest name and URL", name_49, url_190, true },
        { "name one byte longer", name_50, url_190, false },
        { "URL one byte longer", name_49, url_191, false },
        { "blank before a semicolon", "a", "http://a ;b", false },
        { "semicolon first in the URL", "a", ";http://a", false },
        { "semicolon first in the name", ";a", "http://a;b", true },
        { "inner blank", "a b", "http://a b", true },
        { "hash after a blank", "a", "http://a #b", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        char path[] = "/tmp/validate_test.XXXXXX";
        int fd = mkstemp(path);
        ASSERT_LE(0, fd);
        close(fd);
        list_file_path = path;
        clear_repository_table();
        ASSERT_TRUE(add_repository(c.name.c_str(), c.url.c_str(), "Optional"));
        ASSERT_TRUE(write_repository_file());
        clear_repository_table();
        // A name or URL past the limits makes the reading refuse the file, which leaves no record.
        (void)read_list_file();
        bool unchanged = repository_table[0].name != nullptr && repository_table[0].name == c.name
            && repository_table[0].server == c.url;
        EXPECT_EQ(c.unchanged, unchanged);
        EXPECT_EQ(
            c.unchanged, is_valid_repository_name(c.name.c_str()) && is_valid_repository_url(c.url.c_str()));
        unlink(path);
    }
    list_file_path = "/etc/pacman.d/lurvek.conf";
}

} // namespace
