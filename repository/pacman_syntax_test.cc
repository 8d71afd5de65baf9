#include "pacman_syntax.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::string long_comment = "#" + std::string(4094, 'c');
const std::string line_4094 = std::string(4094, 'x');

struct piece_case {
    const char* label;
    std::string text; // the whole stream
    std::string pieces; // each piece read, up to its first NUL byte, followed by "|"
};

const piece_case piece_cases[] = {
    { "last line without a newline", "a\nb", "a\n|b|" },
    { "4095 bytes with the newline", line_4094 + "\n", line_4094 + "\n|" },
    { "4096 bytes with the newline", line_4094 + "y\n", line_4094 + "y|\n|" },
    { "rest of a long comment", long_comment + "Include = x\n", long_comment + "|Include = x\n|" },
    { "NUL byte ends the piece", std::string("a\0b\nc\n", 6), "a|c\n|" },
};

TEST(pacman_syntax, reads_lines_in_pieces)
{
    for (const piece_case& c : piece_cases) {
        SCOPED_TRACE(c.label);
        std::string text = c.text;
        FILE* stream = fmemopen(text.data(), text.size(), "r");
        ASSERT_NE(nullptr, stream);
        std::string pieces;
        char piece[pacman_line_size];
        while (read_pacman_line(stream, piece))
            pieces += std::string(piece) + "|";
        EXPECT_EQ(0, ferror(stream));
        fclose(stream);
        EXPECT_EQ(c.pieces, pieces);
    }
}

struct line_case {
    const char* label;
    const char* line;
    char kind; // 'i' ignored, 'h' header, 'e' entry with "=", 'k' key without a value
    const char* first; // the header's name, or the key
    const char* value;
};

constexpr line_case line_cases[] = {
    { "blanks only", " \t\v\f\r\n", 'i', "", "" },
    { "indented comment", "  # [a]", 'i', "", "" },
    { "header in blanks", " \t[a] \n", 'h', "a", "" },
    { "blanks inside the brackets", "[ a ;b ]", 'h', " a ;b ", "" },
    { "empty name", "[]", 'h', "", "" },
    { "lone bracket", "[", 'k', "[", "" },
    { "text after the bracket", "[a] # mine", 'k', "[a] # mine", "" },
    { "byte-order mark first", "\xef\xbb\xbf[a]", 'k', "\xef\xbb\xbf[a]", "" },
    { "first equals splits", " Include = a = b \n", 'e', "Include", "a = b" },
    { "colon is no equals", "Include: /x", 'k', "Include: /x", "" },
    { "empty key and value", "=", 'e', "", "" },
    { "no-break space is no blank", "\xa0Include = x", 'e', "\xa0Include", "x" },
};

TEST(pacman_syntax, tells_the_kind_of_a_line)
{
    for (const line_case& c : line_cases) {
        SCOPED_TRACE(c.label);
        std::string_view name;
        bool header = is_pacman_section_header(c.line, &name);
        pacman_entry entry = split_pacman_entry(c.line);
        char kind = is_pacman_ignored_line(c.line) ? 'i' : header ? 'h' : entry.has_value ? 'e' : 'k';
        EXPECT_EQ(c.kind, kind);
        EXPECT_EQ(c.first, kind == 'h' ? name : kind == 'i' ? "" : entry.key);
        EXPECT_EQ(c.value, entry.value);
    }
}

} // namespace
