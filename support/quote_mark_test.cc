#include "support/quote_mark.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <libintl.h>
#include <string>
#include <unistd.h>

#include "support/quote.h"

namespace {

const char* codeset_answer;

char* answer_codeset(nl_item)
{
    return const_cast<char*>(codeset_answer);
}

struct locale_environment {
    const char* lc_all; // a null pointer leaves the variable unset
    const char* lc_ctype;
    const char* lang;
};

void set_variable(const char* name, const char* value)
{
    if (value == nullptr)
        unsetenv(name);
    else
        setenv(name, value, 1);
}

void set_locale_environment(const locale_environment& environment)
{
    set_variable("LC_ALL", environment.lc_all);
    set_variable("LC_CTYPE", environment.lc_ctype);
    set_variable("LANG", environment.lang);
}

// The locale variables as the test started, put back when it ends.
struct saved_environment {
    std::string values[3];
    bool is_set[3];
};
constexpr const char* locale_variables[] = { "LC_ALL", "LC_CTYPE", "LANG" };

saved_environment save_locale_environment()
{
    saved_environment saved;
    for (int i = 0; i < 3; ++i) {
        const char* value = getenv(locale_variables[i]);
        saved.is_set[i] = value != nullptr;
        saved.values[i] = value != nullptr ? value : "";
    }
    return saved;
}

void restore_locale_environment(const saved_environment& saved)
{
    for (int i = 0; i < 3; ++i)
        set_variable(locale_variables[i], saved.is_set[i] ? saved.values[i].c_str() : nullptr);
    langinfo_query = nullptr;
    ansi_code_page = 20127;
}

struct charset_case {
    const char* label;
    const char* codeset; // what nl_langinfo(CODESET) answers
    locale_environment environment;
    unsigned code_page;
    const char* name;
};

constexpr locale_environment no_variables = { nullptr, nullptr, nullptr };

constexpr charset_case charset_cases[] = {
    { "UTF-8 passes through", "UTF-8", no_variables, 1252, "UTF-8" },
    { "lower case passes unchanged", "utf-8", no_variables, 1252, "utf-8" },
    { "a code-page answer is looked up", "CP65001", no_variables, 1252, "UTF-8" },
    { "the lookup is case-sensitive", "cp65001", no_variables, 1252, "cp65001" },
    { "no answer", nullptr, no_variables, 1252, "ASCII" },
    { "empty answer", "", no_variables, 1252, "ASCII" },
    { "only US-ASCII byte for byte asks further", "us-ascii", { "x.UTF-8", nullptr, nullptr }, 1252,
        "us-ascii" },
    { "the default code page", "US-ASCII", no_variables, 20127, "ASCII" },
    { "code page 65001", "US-ASCII", no_variables, 65001, "UTF-8" },
    { "code page 54936", "US-ASCII", no_variables, 54936, "GB18030" },
    { "code page not in the table", "US-ASCII", no_variables, 1252, "CP1252" },
    { "the longest code page", "US-ASCII", no_variables, 4294967295u, "CP4294967295" },
    { "LC_ALL with a dot", "US-ASCII", { "en_US.UTF-8", nullptr, nullptr }, 1252, "UTF-8" },
    { "LC_ALL with a modifier", "US-ASCII", { "de_DE.UTF-8@euro", nullptr, nullptr }, 1252, "UTF-8" },
    { "LC_ALL without a dot hides LANG", "US-ASCII", { "POSIX", nullptr, "en_US.UTF-8" }, 1252, "CP1252" },
    { "LC_ALL before LC_CTYPE", "US-ASCII", { "a.UTF-8", "a.GB18030", nullptr }, 1252, "UTF-8" },
    { "empty LC_ALL counts as unset", "US-ASCII", { "", "a.GB18030", "a.UTF-8" }, 1252, "GB18030" },
    { "LC_CTYPE before LANG", "US-ASCII", { nullptr, "a.GB18030", "a.UTF-8" }, 1252, "GB18030" },
    { "LANG alone", "US-ASCII", { nullptr, nullptr, "a.KOI8-R" }, 1252, "KOI8-R" },
    { "LANG ending in a dot", "US-ASCII", { nullptr, nullptr, "en_US." }, 1252, "" },
    { "nothing before the modifier", "US-ASCII", { nullptr, nullptr, "en_US.@euro" }, 1252, "" },
    { "environment names are not looked up", "US-ASCII", { nullptr, nullptr, "x.CP65001" }, 1252, "CP65001" },
    { "copied names are not looked up", "US-ASCII", { nullptr, nullptr, "x.CP65001@m" }, 1252, "CP65001" },
    { "12 bytes before the modifier", "US-ASCII", { "x.ABCDEFGHIJKL@m", nullptr, nullptr }, 1252,
        "ABCDEFGHIJKL" },
    { "13 bytes before the modifier", "US-ASCII", { "x.ABCDEFGHIJKLM@m", nullptr, nullptr }, 1252, "CP1252" },
    { "13 bytes without a modifier", "US-ASCII", { "x.ABCDEFGHIJKLM", nullptr, nullptr }, 1252,
        "ABCDEFGHIJKLM" },
    { "the first dot", "US-ASCII", { "a.b.c", nullptr, nullptr }, 1252, "b.c" },
    { "the first modifier", "US-ASCII", { "a.UTF-8@x@y", nullptr, nullptr }, 1252, "UTF-8" },
    { "a modifier before the dot", "US-ASCII", { "a@x.UTF-8", nullptr, nullptr }, 1252, "UTF-8" },
};

TEST(current_charset_name, follows_the_locale_then_the_environment_then_the_code_page)
{
    saved_environment saved = save_locale_environment();
    langinfo_query = answer_codeset;
    for (const charset_case& c : charset_cases) {
        SCOPED_TRACE(c.label);
        codeset_answer = c.codeset;
        set_locale_environment(c.environment);
        ansi_code_page = c.code_page;
        EXPECT_STREQ(c.name, current_charset_name());
    }
    restore_locale_environment(saved);
}

TEST(current_charset_name, asks_the_real_locale_by_default)
{
    setlocale(LC_ALL, "C.UTF-8");
    EXPECT_STREQ("UTF-8", current_charset_name());
    setlocale(LC_ALL, "C");
    EXPECT_STREQ("ANSI_X3.4-1968", current_charset_name());
}

struct name_case {
    const char* label;
    const char* name;
    const char* canonical;
    bool is_equal;
};

constexpr name_case name_cases[] = {
    { "same", "UTF-8", "UTF-8", true },
    { "lower case", "utf-8", "UTF-8", true },
    { "mixed case", "Utf-8", "UTF-8", true },
    { "lower-case canonical", "GB18030", "gb18030", true },
    { "no hyphen", "utf8", "UTF-8", false },
    { "longer", "UTF-8x", "UTF-8", false },
    { "shorter", "UTF-", "UTF-8", false },
    { "empty", "", "UTF-8", false },
    { "both empty", "", "", true },
    { "carriage return is not a folded hyphen", "UTF\r8", "UTF-8", false },
    { "0x11 is not a folded digit 1", "GB\0218030", "GB18030", false },
    { "underscore is not a folded DEL", "UTF\1778", "UTF_8", false },
    { "Latin-1 letters do not fold", "\xe9", "\xc9", false },
};

TEST(charset_name_is, folds_ascii_letters_only)
{
    for (const name_case& c : name_cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.is_equal, charset_name_is(c.name, c.canonical));
    }
}

struct mark_case {
    const char* label;
    const char* codeset;
    unsigned code_page;
    const char* left;
    const char* right;
};

constexpr mark_case mark_cases[] = {
    { "UTF-8", "UTF-8", 20127, "\xe2\x80\x98", "\xe2\x80\x99" },
    { "utf-8", "utf-8", 20127, "\xe2\x80\x98", "\xe2\x80\x99" },
    { "Utf-8", "Utf-8", 20127, "\xe2\x80\x98", "\xe2\x80\x99" },
    { "utf8 is not UTF-8", "utf8", 20127, "'", "'" },
    { "GB18030", "GB18030", 20127, "\xa1\xae", "\xa1\xaf" },
    { "gb18030", "gb18030", 20127, "\xa1\xae", "\xa1\xaf" },
    { "GBK is not GB18030", "GBK", 20127, "'", "'" },
    { "ISO-8859-1", "ISO-8859-1", 20127, "'", "'" },
    { "no answer", nullptr, 65001, "'", "'" },
    { "code page 65001", "US-ASCII", 65001, "\xe2\x80\x98", "\xe2\x80\x99" },
    { "code page 54936", "US-ASCII", 54936, "\xa1\xae", "\xa1\xaf" },
    { "code page 1252", "US-ASCII", 1252, "'", "'" },
    { "the default code page", "US-ASCII", 20127, "'", "'" },
};

TEST(choose_quote_mark, suits_the_character_set)
{
    saved_environment saved = save_locale_environment();
    set_locale_environment(no_variables);
    langinfo_query = answer_codeset;
    for (const mark_case& c : mark_cases) {
        SCOPED_TRACE(c.label);
        codeset_answer = c.codeset;
        ansi_code_page = c.code_page;
        EXPECT_STREQ(c.left, choose_quote_mark("`"));
        EXPECT_STREQ(c.right, choose_quote_mark("'"));
    }
    restore_locale_environment(saved);
}

// A message catalogue compiled for the test, in a directory of its own.
struct catalogue_case {
    const char* label;
    const char* domain;
    const char* translations; // the body of the .po file
    const char* left;
    const char* right;
    const char* quoted; // quote_argument("it's")
};

constexpr catalogue_case catalogue_cases[] = {
    { "both marks translated", "quote_both", "msgid \"`\"\nmsgstr \"<<\"\nmsgid \"'\"\nmsgstr \">>\"\n", "<<",
        ">>", "<<it's>>" },
    { "a translation equal to the identifier still counts", "quote_same",
        "msgid \"`\"\nmsgstr \"`\"\nmsgid \"'\"\nmsgstr \"'\"\n", "`", "'", "`it\\'s'" },
    { "the left mark alone", "quote_left", "msgid \"`\"\nmsgstr \"<<\"\n", "<<", "\xe2\x80\x99",
        "<<it's\xe2\x80\x99" },
    { "the right mark alone", "quote_right", "msgid \"'\"\nmsgstr \"'\"\n", "\xe2\x80\x98", "'",
        "\xe2\x80\x98it\\'s'" },
};

bool write_file(const std::string& path, const std::string& text)
{
    FILE* file = fopen(path.c_str(), "w");
    if (file == nullptr)
        return false;
    bool is_written = fputs(text.c_str(), file) >= 0;
    return fclose(file) == 0 && is_written;
}

// Compiles translations into directory/C.UTF-8/LC_MESSAGES/domain.mo.
bool compile_catalogue(const std::string& directory, const catalogue_case& c)
{
    std::string po = directory + "/" + c.domain + ".po";
    std::string messages = directory + "/C.UTF-8/LC_MESSAGES";
    std::string header = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
    std::string command = "mkdir -p " + messages + " && msgfmt -o " + messages + "/" + c.domain + ".mo " + po;
    return write_file(po, header + c.translations) && system(command.c_str()) == 0;
}

TEST(choose_quote_mark, prefers_the_catalogue)
{
    char directory[] = "/tmp/quote_mark_test.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(directory));
    const char* language = getenv("LANGUAGE");
    std::string saved_language = language != nullptr ? language : "";
    unsetenv("LANGUAGE");
    std::string saved_domain = textdomain(nullptr);
    ASSERT_NE(nullptr, setlocale(LC_ALL, "C.UTF-8"));
    for (const catalogue_case& c : catalogue_cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(compile_catalogue(directory, c));
        bindtextdomain(c.domain, directory);
        textdomain(c.domain);
        EXPECT_STREQ(c.left, choose_quote_mark("`"));
        EXPECT_STREQ(c.right, choose_quote_mark("'"));
        EXPECT_STREQ(c.quoted, quote_argument("it's"));
    }
    textdomain(saved_domain.c_str());
    setlocale(LC_ALL, "C");
    if (language != nullptr)
        setenv("LANGUAGE", saved_language.c_str(), 1);
    EXPECT_EQ(0, system(("rm -rf " + std::string(directory)).c_str()));
}

} // namespace
