// Helpers shared by the unit tests of lurvek.
#pragma once

#include "list_file.h"
#include "repository_list.h"

#include <cstdio>
#include <string>

// Returns the bytes of the file at path, or "(missing)" when it cannot be opened.
inline std::string read_file(const std::string& path)
{
    std::string text;
    FILE* stream = fopen(path.c_str(), "rb");
    if (stream == nullptr)
        return "(missing)";
    for (int c; (c = getc(stream)) != EOF;)
        text += char(c);
    fclose(stream);
    return text;
}

// The complete records as "name|server|level" joined by ";", in table order.
inline std::string describe_table()
{
    std::string text;
    for (const repository_record& record : repository_table) {
        if (record.name == nullptr)
            break;
        if (!text.empty())
            text += ";";
        text += std::string(record.name) + "|" + record.server + "|" + record.sig_level;
        if (record.removed)
            text += "|removed";
    }
    return text;
}

// A file of count complete records named r1, r2, ...
inline std::string numbered_records(int count)
{
    std::string text;
    for (int i = 1; i <= count; i++)
        text += "[r" + std::to_string(i) + "]\nServer = u\nSigLevel = L\n\n";
    return text;
}

// Empties the table and reads text into it as the list file; returns what the reading found.
inline list_reading read_text(const std::string& text)
{
    clear_repository_table();
    // A stream over no bytes at all cannot be made; an empty file reads as one empty line would.
    FILE* stream = text.empty() ? fmemopen(const_cast<char*>("\n"), 1, "r")
                                : fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    list_reading result = read_list_stream(stream);
    fclose(stream);
    return result;
}
