// Quoting of words in messages under real locales. CTest's locales fixture compiles them into the
// build tree and names the directory in LOCPATH, which the program receives too.
#include "tests/condition/expression_case.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const std::string utf8_left = "\xe2\x80\x98";
const std::string utf8_right = "\xe2\x80\x99";
const std::string gb18030_left = "\xa1\xae";
const std::string gb18030_right = "\xa1\xaf";

class locales : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, getenv("LOCPATH")) << "no compiled locales: run me through ctest"; }

    // Runs the rows with the driver's LOCPATH and the given locale variables.
    static void check_under(const std::vector<std::string>& variables, const std::vector<expression_case>& cases)
    {
        run_options options;
        options.environment = environment_with(variables);
        options.environment.push_back(std::string("LOCPATH=") + getenv("LOCPATH"));
        check_cases(cases, options);
    }
};

TEST_F(locales, c_locale_uses_apostrophes_and_octal_escapes)
{
    check_under({"LC_ALL=C"},
        {
            {"plain word", {"-t", "foo bar"}, 2, "invalid integer 'foo bar'"},
            {"apostrophe is escaped", {"-t", "it's"}, 2, "invalid integer 'it\\'s'"},
            {"empty word", {"-t", ""}, 2, "invalid integer ''"},
            {"control characters", {"-t", "\a\b\t\n\v\f\r"}, 2, "invalid integer '\\a\\b\\t\\n\\v\\f\\r'"},
            {"backslash is doubled", {"-t", "back\\slash"}, 2, "invalid integer 'back\\\\slash'"},
            {"double quote and grave accent", {"-t", "a\"b`c$?*"}, 2, "invalid integer 'a\"b`c$?*'"},
            {"at sign", {"-t", "@"}, 2, "invalid integer '@'"},
            {"byte 0x01", {"-t", "\x01"}, 2, "invalid integer '\\001'"},
            {"escape character", {"-t", "\x1b[m"}, 2, "invalid integer '\\033[m'"},
            {"byte 0x7f", {"-t", "\x7f"}, 2, "invalid integer '\\177'"},
            {"high byte", {"-t", "\xe9"}, 2, "invalid integer '\\351'"},
            {"two-byte character", {"-t", "\xc3\xa9"}, 2, "invalid integer '\\303\\251'"},
            {"quoted form of 255 bytes", {"-t", std::string(253, 'a')}, 2,
                "invalid integer '" + std::string(253, 'a') + "'"},
            {"quoted form of 256 bytes", {"-t", std::string(254, 'a')}, 2,
                "invalid integer '" + std::string(254, 'a') + "'"},
            {"long word with escapes", {"-t", std::string(300, '\'')}, 2,
                "invalid integer '" + [] {
                    std::string s;
                    for (int i = 0; i < 300; ++i)
                        s += "\\'";
                    return s;
                }() + "'"},
            {"missing argument", {"x", "y"}, 2, "missing argument after 'y'"},
            {"extra argument", {"a", "-a", "b", "c d"}, 2, "extra argument 'c d'"},
        });
}

TEST_F(locales, utf8_uses_typographic_marks)
{
    auto quoted = [](const std::string& s) { return utf8_left + s + utf8_right; };
    check_under({"LC_ALL=C.UTF-8"},
        {
            {"plain word", {"-t", "foo bar"}, 2, "invalid integer " + quoted("foo bar")},
            {"apostrophe is left alone", {"-t", "it's"}, 2, "invalid integer " + quoted("it's")},
            {"empty word", {"-t", ""}, 2, "invalid integer " + quoted("")},
            {"right mark is escaped", {"-t", "a" + utf8_right + "b"}, 2,
                "invalid integer " + quoted("a\\" + utf8_right + "b")},
            {"left mark is left alone", {"-t", utf8_left}, 2, "invalid integer " + quoted(utf8_left)},
            {"printable character", {"-t", "\xc3\xa9"}, 2, "invalid integer " + quoted("\xc3\xa9")},
            {"invalid byte", {"-t", "\xe9x"}, 2, "invalid integer " + quoted("\\351x")},
            {"incomplete character at the end", {"-t", "\xe2\x80"}, 2, "invalid integer " + quoted("\\342\\200")},
            {"unprintable character", {"-t", "\xc2\x85"}, 2, "invalid integer " + quoted("\\302\\205")},
            {"control character", {"-t", "a\tb"}, 2, "invalid integer " + quoted("a\\tb")},
            {"missing argument", {"x", "y"}, 2, "missing argument after " + quoted("y")},
            {"length counts bytes", {"-l", "\xc3\xa9", "-eq", "2"}, 0, ""},
        });
}

TEST_F(locales, latin1_prints_high_bytes)
{
    check_under({"LC_ALL=en_US.ISO-8859-1"},
        {
            {"printable high byte", {"-t", "caf\xe9"}, 2, "invalid integer 'caf\xe9'"},
            {"apostrophe is escaped", {"-t", "it's"}, 2, "invalid integer 'it\\'s'"},
            {"control byte of the upper half", {"-t", "\x85"}, 2, "invalid integer '\\205'"},
            {"missing argument", {"x", "y"}, 2, "missing argument after 'y'"},
        });
}

TEST_F(locales, gb18030_uses_its_marks)
{
    auto quoted = [](const std::string& s) { return gb18030_left + s + gb18030_right; };
    check_under({"LC_ALL=zh_CN.GB18030"},
        {
            {"plain word", {"-t", "x"}, 2, "invalid integer " + quoted("x")},
            {"apostrophe is left alone", {"-t", "it's"}, 2, "invalid integer " + quoted("it's")},
            {"right mark is escaped", {"-t", "a" + gb18030_right + "b"}, 2,
                "invalid integer " + quoted("a\\" + gb18030_right + "b")},
            {"two-byte character", {"-t", "\xc4\xe3"}, 2, "invalid integer " + quoted("\xc4\xe3")},
            {"incomplete character at the end", {"-t", "\x81"}, 2, "invalid integer " + quoted("\\201")},
            // 81 30 opens a four-byte character: cut off by the end, both bytes are escaped, the digit too.
            {"incomplete four-byte character", {"-t", "\x81" "0"}, 2, "invalid integer " + quoted("\\201\\060")},
            {"missing argument", {"x", "y"}, 2, "missing argument after " + quoted("y")},
        });
}

TEST_F(locales, variables_choose_the_character_set)
{
    const std::string utf8_y = "missing argument after " + utf8_left + "y" + utf8_right;
    for (const std::vector<std::string>& variables : std::vector<std::vector<std::string>>{
             {"LANG=C.UTF-8"}, {"LC_CTYPE=C.UTF-8", "LANG=C"}, {"LC_ALL=C.UTF-8", "LC_CTYPE=C"}}) {
        SCOPED_TRACE(variables.front());
        check_under(variables, {{"UTF-8 marks", {"x", "y"}, 2, utf8_y}});
    }
    for (const std::vector<std::string>& variables : std::vector<std::vector<std::string>>{
             {}, {"LC_ALL=C", "LC_CTYPE=C.UTF-8"}, {"LC_ALL=xx_YY.UTF-8"}, {"LC_ALL=POSIX", "LANG=C.UTF-8"}}) {
        SCOPED_TRACE(variables.empty() ? "no variables" : variables.front());
        check_under(variables, {{"apostrophes", {"x", "y"}, 2, "missing argument after 'y'"}});
    }
}

} // namespace
