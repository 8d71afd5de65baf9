#include "support/locale_setup.h"

#include <clocale>
#include <gtest/gtest.h>
#include <libintl.h>
#include <string>

namespace {

// The unit tests choose the locale and the text domain themselves, whatever the environment of the
// test runner says; the program's own set-up would replace them at the first message.
class own_locale : public testing::Environment {
public:
    void SetUp() override { is_locale_set_up = true; }
};
[[maybe_unused]] testing::Environment* const own_locale_environment
    = testing::AddGlobalTestEnvironment(new own_locale);

TEST(set_up_locale, works_once)
{
    std::string saved_domain = textdomain(nullptr);
    is_locale_set_up = false;
    set_up_locale();
    EXPECT_STREQ("plendra", textdomain(nullptr));
    textdomain("elsewhere");
    set_up_locale();
    EXPECT_STREQ("elsewhere", textdomain(nullptr));
    textdomain(saved_domain.c_str());
    setlocale(LC_ALL, "C");
}

} // namespace
