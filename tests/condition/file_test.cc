// File tests on a tree of fixtures: every file type, links, mode bits, sizes and modification times.
#include "tests/condition/expression_case.h"
#include "tests/condition/scratch_directory.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Binds a socket to path and closes it: the socket file stays behind.
bool make_socket_file(const std::string& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    path.copy(address.sun_path, path.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return bound;
}

constexpr timespec at(time_t seconds, long nanoseconds) { return {seconds, nanoseconds}; }

class files : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = make_scratch_directory();
        ASSERT_FALSE(root.empty());
        auto in = [](const char* name) { return root + "/" + name; };
        bool made = write_file(in("empty"), "", 0644) && write_file(in("one"), "x", 0644)
            && write_file(in("program"), "#!/bin/sh\n", 0755) && write_file(in("suid"), "", 04755)
            && write_file(in("sgid"), "", 02755) && write_file(in("new"), "", 0644)
            && write_file(in("same"), "", 0644) && write_file(in("later"), "", 0644)
            && write_file(in("old"), "", 0644) && write_file(in("before-epoch"), "", 0644)
            && write_file(in("epoch"), "", 0644) && write_file(in("written"), "", 0644)
            && write_file(in("read"), "", 0644) && write_file(in("untouched"), "", 0644)
            && write_file(in("written-nanosecond"), "", 0644) && mkdir(in("dir").c_str(), 0755) == 0
            && mkdir(in("sticky").c_str(), 0755) == 0 && chmod(in("sticky").c_str(), 01777) == 0
            && mkfifo(in("fifo").c_str(), 0644) == 0 && make_socket_file(in("socket"))
            && mknod(in("char").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0
            && mknod(in("block").c_str(), S_IFBLK | 0644, makedev(7, 0)) == 0
            && symlink("one", in("link-one").c_str()) == 0 && symlink("dir", in("link-dir").c_str()) == 0
            && symlink("nowhere", in("dangling").c_str()) == 0 && symlink("suid", in("link-suid").c_str()) == 0
            && symlink("old", in("link-old").c_str()) == 0 && symlink("link-one", in("link-link").c_str()) == 0
            && link(in("one").c_str(), in("hard").c_str()) == 0
            && set_times(in("new"), at(5000, 0), at(2000, 500)) && set_times(in("same"), at(1, 0), at(2000, 500))
            && set_times(in("later"), at(1, 0), at(2000, 501)) && set_times(in("old"), at(1, 0), at(1000, 0))
            && set_times(in("before-epoch"), at(0, 0), at(-1, 999999999))
            && set_times(in("epoch"), at(0, 0), at(0, 0)) && set_times(in("written"), at(1000, 0), at(2000, 0))
            && set_times(in("read"), at(2000, 0), at(1000, 0)) && set_times(in("untouched"), at(1000, 5), at(1000, 5))
            && set_times(in("written-nanosecond"), at(1000, 5), at(1000, 6));
        ASSERT_TRUE(made) << "fixtures under " << root << ": " << strerror(errno);
    }

    static void TearDownTestSuite() { remove_tree(root); }

    static void check_in_root(const std::vector<expression_case>& cases)
    {
        run_options options;
        options.directory = root;
        check_cases(cases, options);
    }

    static std::string root;
};

std::string files::root;

TEST_F(files, type_tests)
{
    check_in_root({
        {"-e regular", {"-e", "one"}, 0, ""},
        {"-a regular", {"-a", "one"}, 0, ""},
        {"-f regular", {"-f", "one"}, 0, ""},
        {"-d regular", {"-d", "one"}, 1, ""},
        {"-e missing", {"-e", "missing"}, 1, ""},
        {"-a missing", {"-a", "missing"}, 1, ""},
        {"-f missing", {"-f", "missing"}, 1, ""},
        {"-e empty name", {"-e", ""}, 1, ""},
        {"-d directory", {"-d", "dir"}, 0, ""},
        {"-f directory", {"-f", "dir"}, 1, ""},
        {"-p fifo", {"-p", "fifo"}, 0, ""},
        {"-f fifo", {"-f", "fifo"}, 1, ""},
        {"-S socket", {"-S", "socket"}, 0, ""},
        {"-p socket", {"-p", "socket"}, 1, ""},
        {"-c character device", {"-c", "char"}, 0, ""},
        {"-b character device", {"-b", "char"}, 1, ""},
        {"-b block device", {"-b", "block"}, 0, ""},
        {"-c block device", {"-c", "block"}, 1, ""},
        {"-S fifo", {"-S", "fifo"}, 1, ""},
        {"-d block device", {"-d", "block"}, 1, ""},
        {"-s empty file", {"-s", "empty"}, 1, ""},
        {"-s one byte", {"-s", "one"}, 0, ""},
        {"-s missing", {"-s", "missing"}, 1, ""},
        {"-e through a file as directory", {"-e", "one/x"}, 1, ""},
        {"-f regular named with a slash", {"-f", "one/"}, 1, ""},
        {"-d directory named with a slash", {"-d", "dir/"}, 0, ""},
    });
}

TEST_F(files, symbolic_links)
{
    check_in_root({
        {"-h link", {"-h", "link-one"}, 0, ""},
        {"-L link", {"-L", "link-one"}, 0, ""},
        {"-h regular", {"-h", "one"}, 1, ""},
        {"-L directory", {"-L", "dir"}, 1, ""},
        {"-f follows the link", {"-f", "link-one"}, 0, ""},
        {"-f follows two links", {"-f", "link-link"}, 0, ""},
        {"-s follows the link", {"-s", "link-one"}, 0, ""},
        {"-L dangling", {"-L", "dangling"}, 0, ""},
        {"-h dangling", {"-h", "dangling"}, 0, ""},
        {"-e dangling", {"-e", "dangling"}, 1, ""},
        {"-f dangling", {"-f", "dangling"}, 1, ""},
        {"-L missing", {"-L", "missing"}, 1, ""},
        {"-L empty name", {"-L", ""}, 1, ""},
        {"-L link to directory", {"-L", "link-dir"}, 0, ""},
        {"-L link to directory with a slash", {"-L", "link-dir/"}, 1, ""},
        {"-h link to directory with a slash", {"-h", "link-dir/"}, 1, ""},
        {"-d link to directory with a slash", {"-d", "link-dir/"}, 0, ""},
        {"-d link to directory", {"-d", "link-dir"}, 0, ""},
        {"-L link to file with a slash", {"-L", "link-one/"}, 1, ""},
        {"-L regular file with a slash", {"-L", "one/"}, 1, ""},
        {"-L dangling with a slash", {"-L", "dangling/"}, 1, ""},
        {"-L directory with a slash", {"-L", "dir/"}, 1, ""},
    });
}

TEST_F(files, mode_bits)
{
    check_in_root({
        {"-u set-user-ID", {"-u", "suid"}, 0, ""},
        {"-u plain", {"-u", "one"}, 1, ""},
        {"-g set-group-ID", {"-g", "sgid"}, 0, ""},
        {"-g set-user-ID only", {"-g", "suid"}, 1, ""},
        {"-u set-group-ID only", {"-u", "sgid"}, 1, ""},
        {"-k sticky", {"-k", "sticky"}, 0, ""},
        {"-k plain directory", {"-k", "dir"}, 1, ""},
        {"-u through a link", {"-u", "link-suid"}, 0, ""},
        {"-u missing", {"-u", "missing"}, 1, ""},
        {"-k missing", {"-k", "missing"}, 1, ""},
        {"-x program", {"-x", "program"}, 0, ""},
        {"-x directory", {"-x", "dir"}, 0, ""},
        {"-x missing", {"-x", "missing"}, 1, ""},
        {"-r missing", {"-r", "missing"}, 1, ""},
        {"-w missing", {"-w", "missing"}, 1, ""},
        {"-O missing", {"-O", "missing"}, 1, ""},
        {"-G missing", {"-G", "missing"}, 1, ""},
    });
}

TEST_F(files, modification_newer_than_access)
{
    check_in_root({
        {"-N written after read", {"-N", "written"}, 0, ""},
        {"-N read after written", {"-N", "read"}, 1, ""},
        {"-N same times", {"-N", "untouched"}, 1, ""},
        {"-N later by a nanosecond", {"-N", "written-nanosecond"}, 0, ""},
        {"-N missing", {"-N", "missing"}, 1, ""},
        {"-N without operand", {"x", "-a", "-N"}, 2, "missing argument after '-N'"},
        {"-o without operand", {"x", "-a", "-o"}, 2, "missing argument after '-o'"},
        {"-o is false on a file", {"-o", "one"}, 1, ""},
        {"-o is false on a word", {"-o", "errexit"}, 1, ""},
    });
}

TEST_F(files, comparisons)
{
    check_in_root({
        {"newer -nt older", {"new", "-nt", "old"}, 0, ""},
        {"older -nt newer", {"old", "-nt", "new"}, 1, ""},
        {"newer -ot older", {"new", "-ot", "old"}, 1, ""},
        {"older -ot newer", {"old", "-ot", "new"}, 0, ""},
        {"equal times -nt", {"new", "-nt", "same"}, 1, ""},
        {"equal times -ot", {"new", "-ot", "same"}, 1, ""},
        {"a nanosecond later -nt", {"later", "-nt", "new"}, 0, ""},
        {"a nanosecond earlier -nt", {"new", "-nt", "later"}, 1, ""},
        {"a nanosecond earlier -ot", {"new", "-ot", "later"}, 0, ""},
        {"seconds are signed", {"before-epoch", "-ot", "epoch"}, 0, ""},
        {"seconds are signed, reversed", {"epoch", "-ot", "before-epoch"}, 1, ""},
        {"-ot follows links", {"link-old", "-ot", "new"}, 0, ""},
        {"existing -nt missing", {"new", "-nt", "missing"}, 0, ""},
        {"missing -nt existing", {"missing", "-nt", "new"}, 1, ""},
        {"missing -ot existing", {"missing", "-ot", "new"}, 0, ""},
        {"existing -ot missing", {"new", "-ot", "missing"}, 1, ""},
        {"both missing -nt", {"missing", "-nt", "missing"}, 1, ""},
        {"both missing -ot", {"missing", "-ot", "missing"}, 1, ""},
        {"same file -ef", {"one", "-ef", "one"}, 0, ""},
        {"hard link -ef", {"one", "-ef", "hard"}, 0, ""},
        {"symbolic link -ef", {"link-one", "-ef", "one"}, 0, ""},
        {"link to a link -ef", {"one", "-ef", "link-link"}, 0, ""},
        {"directory and its link -ef", {"dir", "-ef", "link-dir/"}, 0, ""},
        {"different files -ef", {"one", "-ef", "empty"}, 1, ""},
        {"both missing -ef", {"missing", "-ef", "missing"}, 1, ""},
        {"missing left -ef", {"missing", "-ef", "one"}, 1, ""},
        {"missing right -ef", {"one", "-ef", "missing"}, 1, ""},
        {"dangling links -ef", {"dangling", "-ef", "dangling"}, 1, ""},
    });
}

TEST_F(files, connectives_over_file_tests)
{
    check_in_root({
        {"two file tests", {"-f", "one", "-a", "-d", "dir"}, 0, ""},
        {"file test and comparison", {"-f", "one", "-a", "abc", "=", "abc"}, 0, ""},
        {"negated missing file", {"!", "-e", "missing"}, 0, ""},
        {"either type", {"-d", "one", "-o", "-p", "fifo"}, 0, ""},
        {"grouped file tests", {"(", "-e", "missing", "-o", "-e", "one", ")", "-a", "-s", "one"}, 0, ""},
    });
}

} // namespace
