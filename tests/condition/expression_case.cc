#include "tests/condition/expression_case.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

std::string shown_words(const std::vector<std::string>& words)
{
    constexpr size_t shown = 12;
    std::string text;
    if (words.size() > shown)
        text = " (" + std::to_string(words.size()) + " words, the first " + std::to_string(shown) + ":)";
    for (size_t i = 0; i < words.size() && i < shown; ++i) {
        const std::string& word = words[i];
        if (word.size() > 40)
            text += " [" + std::to_string(word.size()) + " bytes]";
        else
            text += " \"" + word + "\"";
    }
    return text;
}

} // namespace

void check_cases(const std::vector<expression_case>& cases, const run_options& options)
{
    // The launcher (setpriv) hands the program its own path as element 0.
    const std::string& name = options.launcher.empty() ? options.invocation_name : program_path;
    for (const expression_case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + ":" + shown_words(c.words));
        run_result result = run_program(c.words, options);
        EXPECT_EQ(0, result.exec_error) << strerror(result.exec_error);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.message.empty() ? "" : name + ": " + c.message + "\n", result.errors);
        EXPECT_EQ("", result.output);
    }
}
