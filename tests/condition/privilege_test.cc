// Permissions and ownership as root and, through setpriv, as a user and group other than root.
#include "tests/condition/expression_case.h"
#include "tests/condition/scratch_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t other_user = 65534;
constexpr gid_t other_group = 65534;
constexpr gid_t supplementary_group = 4242;

struct owned_file {
    const char* name;
    uid_t owner;
    gid_t group;
    mode_t mode;
};
constexpr owned_file owned_files[] = {
    {"users-file", other_user, other_group, 0600},
    {"roots-file", 0, 0, 0644},
    {"roots-private", 0, 0, 0600},
    {"no-permissions", 0, 0, 0000},
    {"execute-for-others", 0, 0, 0701},
    {"group-readable", 0, other_group, 0040},
    {"supplementary-readable", 0, supplementary_group, 0040},
};

class privileges : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (geteuid() != 0 || access("/usr/bin/setpriv", X_OK) != 0)
            return;
        root = make_scratch_directory();
        ASSERT_FALSE(root.empty());
        for (const owned_file& f : owned_files) {
            std::string path = root + "/" + f.name;
            ASSERT_TRUE(write_file(path, "x", 0600) && chown(path.c_str(), f.owner, f.group) == 0
                && chmod(path.c_str(), f.mode) == 0)
                << path;
        }
        ASSERT_EQ(0, mkdir((root + "/closed").c_str(), 0700));
        ASSERT_TRUE(write_file(root + "/closed/inside", "x", 0644));
    }

    static void TearDownTestSuite() { remove_tree(root); }

    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "switching to another user needs root";
        if (access("/usr/bin/setpriv", X_OK) != 0)
            GTEST_SKIP() << "setpriv (util-linux) is not installed";
    }

    // Runs the rows as other_user, with the given setpriv options for the groups and the IDs.
    static void check_as(std::vector<std::string> launcher, const std::vector<expression_case>& cases)
    {
        run_options options;
        options.directory = root;
        launcher.insert(launcher.begin(), "/usr/bin/setpriv");
        launcher.push_back("--");
        options.launcher = launcher;
        check_cases(cases, options);
    }

    static std::string root;
};

std::string privileges::root;

TEST_F(privileges, root_is_refused_only_execution)
{
    run_options options;
    options.directory = root;
    check_cases({
                    {"-r without permissions", {"-r", "no-permissions"}, 0, ""},
                    {"-w without permissions", {"-w", "no-permissions"}, 0, ""},
                    {"-x without any execute bit", {"-x", "no-permissions"}, 1, ""},
                    {"-x with an execute bit for others", {"-x", "execute-for-others"}, 0, ""},
                    {"-O of root's file", {"-O", "roots-file"}, 0, ""},
                    {"-O of the user's file", {"-O", "users-file"}, 1, ""},
                    {"-O of root's file in another group", {"-O", "group-readable"}, 0, ""},
                    {"-G of root's file", {"-G", "roots-file"}, 0, ""},
                    {"-G of the group's file", {"-G", "group-readable"}, 1, ""},
                    {"-e inside a closed directory", {"-e", "closed/inside"}, 0, ""},
                },
        options);
}

TEST_F(privileges, another_user_without_groups)
{
    check_as({"--reuid=65534", "--regid=65534", "--clear-groups"},
        {
            {"-O of own file", {"-O", "users-file"}, 0, ""},
            {"-O of root's file", {"-O", "roots-file"}, 1, ""},
            {"-G of own group's file", {"-G", "users-file"}, 0, ""},
            {"-G of root's file", {"-G", "roots-file"}, 1, ""},
            {"-r of own private file", {"-r", "users-file"}, 0, ""},
            {"-w of own private file", {"-w", "users-file"}, 0, ""},
            {"-x of own private file", {"-x", "users-file"}, 1, ""},
            {"-r of a file all may read", {"-r", "roots-file"}, 0, ""},
            {"-w of a file only root may write", {"-w", "roots-file"}, 1, ""},
            {"-r of root's private file", {"-r", "roots-private"}, 1, ""},
            {"-r without permissions", {"-r", "no-permissions"}, 1, ""},
            {"-w without permissions", {"-w", "no-permissions"}, 1, ""},
            {"-x with an execute bit for others", {"-x", "execute-for-others"}, 0, ""},
            {"-r with no read bit for others", {"-r", "execute-for-others"}, 1, ""},
            {"-r through the group", {"-r", "group-readable"}, 0, ""},
            {"-r of a group not held", {"-r", "supplementary-readable"}, 1, ""},
            {"-G of a group not held", {"-G", "supplementary-readable"}, 1, ""},
            {"-e inside a closed directory", {"-e", "closed/inside"}, 1, ""},
            {"-f inside a closed directory", {"-f", "closed/inside"}, 1, ""},
            {"-e of the closed directory", {"-d", "closed"}, 0, ""},
        });
}

TEST_F(privileges, supplementary_group_reads_but_does_not_own)
{
    check_as({"--reuid=65534", "--regid=65534", "--groups=4242"},
        {
            {"-r through a supplementary group", {"-r", "supplementary-readable"}, 0, ""},
            {"-G counts the effective group only", {"-G", "supplementary-readable"}, 1, ""},
            {"-G of the effective group's file", {"-G", "group-readable"}, 0, ""},
        });
}

// A process whose real and effective users differ can neither be traced nor read its own
// /proc/self/environ, so a sanitizer runtime fails in it whatever its options say.
class effective_user : public privileges {
protected:
    void SetUp() override
    {
#ifdef PROGRAM_IS_SANITIZED
        GTEST_SKIP() << "the sanitizer runtime cannot run with differing real and effective users";
#endif
        privileges::SetUp();
    }
};

TEST_F(effective_user, decides_access_and_ownership)
{
    // Real user root, effective user another: access is checked against the effective one.
    check_as({"--ruid=0", "--euid=65534", "--rgid=0", "--egid=65534", "--clear-groups"},
        {
            {"-r of root's private file", {"-r", "roots-private"}, 1, ""},
            {"-r of own private file", {"-r", "users-file"}, 0, ""},
            {"-O of own file", {"-O", "users-file"}, 0, ""},
            {"-O of root's file", {"-O", "roots-file"}, 1, ""},
            {"-G of the effective group's file", {"-G", "group-readable"}, 0, ""},
        });
}

} // namespace
