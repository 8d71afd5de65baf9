#include "tests/condition/scratch_directory.h"

#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int remove_entry(const char* path, const struct stat*, int, FTW*)
{
    // A failure leaves litter in the temporary directory, which is no reason to fail a test.
    (void)remove(path);
    return 0;
}

} // namespace

std::string make_scratch_directory()
{
    const char* base = getenv("TMPDIR");
    std::string path = std::string(base && *base ? base : "/tmp") + "/condition-e2e.XXXXXX";
    if (!mkdtemp(path.data()) || chmod(path.c_str(), 0755) != 0)
        return "";
    return path;
}

void remove_tree(const std::string& path)
{
    if (!path.empty())
        nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

bool write_file(const std::string& path, const std::string& contents, mode_t mode)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool written = write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
    // fchmod, not the creation mode: the umask must not take bits away.
    bool changed = fchmod(fd, mode) == 0;
    return close(fd) == 0 && written && changed;
}

bool set_times(const std::string& path, timespec access, timespec modification)
{
    timespec times[2] = {access, modification};
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}
