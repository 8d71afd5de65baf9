#include "support/quote_mark.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libintl.h>
#include <string_view>

char* (*langinfo_query)(nl_item item) = nullptr;
// This platform has no ANSI code page; plain ASCII is the honest answer.
unsigned ansi_code_page = 20127;

namespace {

struct charset_alias {
    const char* code_page;
    const char* charset;
};

// Code-page names that are better known under the name of their character set.
constexpr std::array<charset_alias, 23> charset_alias_table = { {
    { .code_page = "CP936", .charset = "GBK" },
    { .code_page = "CP1361", .charset = "JOHAB" },
    { .code_page = "CP20127", .charset = "ASCII" },
    { .code_page = "CP20866", .charset = "KOI8-R" },
    { .code_page = "CP20936", .charset = "GB2312" },
    { .code_page = "CP21866", .charset = "KOI8-RU" },
    { .code_page = "CP28591", .charset = "ISO-8859-1" },
    { .code_page = "CP28592", .charset = "ISO-8859-2" },
    { .code_page = "CP28593", .charset = "ISO-8859-3" },
    { .code_page = "CP28594", .charset = "ISO-8859-4" },
    { .code_page = "CP28595", .charset = "ISO-8859-5" },
    { .code_page = "CP28596", .charset = "ISO-8859-6" },
    { .code_page = "CP28597", .charset = "ISO-8859-7" },
    { .code_page = "CP28598", .charset = "ISO-8859-8" },
    { .code_page = "CP28599", .charset = "ISO-8859-9" },
    { .code_page = "CP28605", .charset = "ISO-8859-15" },
    { .code_page = "CP38598", .charset = "ISO-8859-8" },
    { .code_page = "CP51932", .charset = "EUC-JP" },
    { .code_page = "CP51936", .charset = "GB2312" },
    { .code_page = "CP51949", .charset = "EUC-KR" },
    { .code_page = "CP51950", .charset = "EUC-TW" },
    { .code_page = "CP54936", .charset = "GB18030" },
    { .code_page = "CP65001", .charset = "UTF-8" },
} };

// "CP" and up to ten digits, or a character-set name of up to 12 bytes from the environment.
char charset_name_buffer[13];

constexpr bool is_code_page_name(std::string_view name)
{
    if (!name.starts_with("CP") || name.size() < 3 || name.size() >= sizeof charset_name_buffer)
        return false;
    for (char c : name.substr(2))
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Orders code-page names by their number: a shorter number is the smaller one.
constexpr bool is_before(std::string_view a, std::string_view b)
{
    return a.size() < b.size() || (a.size() == b.size() && a < b);
}

constexpr bool is_well_formed(const std::array<charset_alias, 23>& table)
{
    for (size_t i = 0; i < table.size(); ++i) {
        if (!is_code_page_name(table[i].code_page) || std::string_view(table[i].charset).empty())
            return false;
        if (i > 0 && !is_before(table[i - 1].code_page, table[i].code_page))
            return false;
    }
    return true;
}
static_assert(is_well_formed(charset_alias_table));
static_assert(std::string_view(charset_alias_table[2].code_page) == "CP20127");

constexpr char fold_ascii_letter(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
static_assert(fold_ascii_letter('a') == 'A' && fold_ascii_letter('z') == 'Z');
static_assert(
    fold_ascii_letter('`') == '`' && fold_ascii_letter('{') == '{' && fold_ascii_letter('-') == '-');
static_assert(fold_ascii_letter('\xe9') == '\xe9');

// The character set named after the "." of the first locale variable that is set, when it can be
// told from that one value; a null pointer sends the caller to the code page.
const char* charset_from_environment()
{
    const char* value = nullptr;
    for (const char* variable : { "LC_ALL", "LC_CTYPE", "LANG" }) {
        value = getenv(variable);
        if (value != nullptr && value[0] != '\0')
            break;
        value = nullptr;
    }
    if (value == nullptr)
        return nullptr;
    const char* dot = strchr(value, '.');
    if (dot == nullptr)
        return nullptr;
    const char* charset = dot + 1;
    const char* modifier = strchr(charset, '@');
    if (modifier == nullptr)
        return charset;
    size_t length = static_cast<size_t>(modifier - charset);
    if (length >= sizeof charset_name_buffer)
        return nullptr;
    memcpy(charset_name_buffer, charset, length);
    charset_name_buffer[length] = '\0';
    return charset_name_buffer;
}

} // namespace

const char* choose_quote_mark(const char* message_id)
{
    // gettext hands back the identifier itself when the catalogue has no translation.
    const char* translation = gettext(message_id);
    if (translation != message_id)
        return translation;
    const char* charset = current_charset_name();
    bool is_left = message_id[0] == '`';
    if (charset_name_is(charset, "UTF-8"))
        return is_left ? "\xe2\x80\x98" : "\xe2\x80\x99";
    if (charset_name_is(charset, "GB18030"))
        return is_left ? "\xa1\xae" : "\xa1\xaf";
    return "'";
}

const char* current_charset_name()
{
    const char* name = langinfo_query ? langinfo_query(CODESET) : nl_langinfo(CODESET);
    if (name == nullptr) {
        name = "";
    } else if (strcmp(name, "US-ASCII") == 0) {
        // Some systems answer US-ASCII for any locale they do not know; the environment may say more.
        if (const char* from_environment = charset_from_environment())
            return from_environment;
        // "CP" and at most ten digits always fit.
        (void)snprintf(charset_name_buffer, sizeof charset_name_buffer, "CP%u", ansi_code_page);
        name = charset_name_buffer;
    }
    for (const charset_alias& alias : charset_alias_table) {
        if (strcmp(name, alias.code_page) == 0) {
            name = alias.charset;
            break;
        }
    }
    return name[0] == '\0' ? "ASCII" : name;
}

bool charset_name_is(const char* name, const char* canonical)
{
    for (; *name != '\0' && *canonical != '\0'; ++name, ++canonical) {
        if (fold_ascii_letter(*name) != fold_ascii_letter(*canonical))
            return false;
    }
    return *name == *canonical;
}
