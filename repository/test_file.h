// Reading a whole file in the unit tests of lurvek.
#pragma once

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
