// Unit-test helpers: command lines written as one string, and the messages they should print.
#pragma once

#include <string>
#include <vector>

#include "condition/arguments.h"

// Sets the argument state as main does for the invocation name "test" and the words of line,
// separated by single spaces. '' stands for an empty word and ~ for a space inside a word. An empty
// line gives no words.
inline void set_words(const char* line)
{
    static std::vector<std::string> words;
    static std::vector<char*> vector;
    words.assign({ "test" });
    std::string text = line;
    for (size_t start = 0; !text.empty() && start <= text.size();) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        std::string word = text.substr(start, end - start);
        for (char& c : word)
            c = c == '~' ? ' ' : c;
        words.push_back(word == "''" ? "" : word);
        start = end + 1;
    }
    vector.clear();
    for (std::string& word : words)
        vector.push_back(word.data());
    vector.push_back(nullptr);
    arg_vector = vector.data();
    arg_count = static_cast<int>(words.size());
    arg_pos = 1;
}

// The whole of standard error for a syntax error, as a pattern that matches it and nothing else.
inline std::string syntax_error_pattern(const char* message)
{
    std::string pattern = "^test: ";
    for (const char* p = message; *p != '\0'; ++p) {
        if (std::string("\\.^$|()[]{}*+?").find(*p) != std::string::npos)
            pattern += '\\';
        pattern += *p;
    }
    return pattern + "\n$";
}
