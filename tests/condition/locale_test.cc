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

// How each locale quotes a word is the quoting's own table; here the program shows that it takes the
// locale named in its environment, its character set and its marks, from the compiled locales.
TEST_F(locales, the_program_quotes_as_its_locale_says)
{
    check_under({"LC_ALL=C.UTF-8"},
        {
            {"UTF-8: a printable character", {"-t", "\xc3\xa9'"}, 2,
                "invalid integer " + utf8_left + "\xc3\xa9'" + utf8_right},
            {"UTF-8: length counts bytes", {"-l", "\xc3\xa9", "-eq", "2"}, 0, ""},
        });
    check_under({"LC_ALL=en_US.ISO-8859-1"},
        {{"Latin-1: printable high byte", {"-t", "caf\xe9\x85"}, 2, "invalid integer 'caf\xe9\\205'"}});
    check_under({"LC_ALL=zh_CN.GB18030"},
        {{"GB18030: its marks", {"-t", "\xc4\xe3"}, 2,
            "invalid integer " + gb18030_left + "\xc4\xe3" + gb18030_right}});
}

// Around an integer, the locale says which bytes besides the space and the tab are blanks: in the
// tests' own locale the no-break space is one, as in no locale of the C library.
TEST_F(locales, the_locale_names_the_blanks_around_an_integer)
{
    check_under({"LC_ALL=xx_BL.ISO-8859-1"},
        {{"no-break spaces around the number", {"\xa0" "1\xa0", "-eq", "1"}, 0, ""}});
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
