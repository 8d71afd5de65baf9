#include "list_lock.h"

#include "list_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The open lock file that carries the lock, or -1.
int lock_fd = -1;

// Opens the lock file, creating it when it is missing and the directory can be written.
int open_lock_file()
{
    char directory[PATH_MAX];
    char path[PATH_MAX];
    if (!copy_list_directory(directory, sizeof directory))
        return -1;
    int length = snprintf(path, sizeof path, "%s/.lurvek.lock", directory);
    if (length < 0 || size_t(length) >= sizeof path)
        return -1;
    // O_NONBLOCK keeps a FIFO of that name from stalling the open; it changes nothing for a file.
    constexpr int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = open(path, O_RDWR | O_CREAT | flags, 0600);
    if (fd < 0)
        fd = open(path, O_RDONLY | flags);
    return fd;
}

// Whether no one but root can open the file behind fd.
bool is_private_to_root(int fd)
{
    struct stat status;
    return fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == 0
        && (status.st_mode & 077) == 0;
}

} // namespace

bool lock_list_file()
{
    int fd = open_lock_file();
    if (fd < 0)
        return false;
    if (!is_private_to_root(fd)) {
        close(fd);
        return false;
    }
    int result;
    do
        result = flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        close(fd);
        return false;
    }
    lock_fd = fd;
    return true;
}

void unlock_list_file()
{
    if (lock_fd < 0)
        return;
    // Closing the only descriptor of the open file drops the lock with it.
    close(lock_fd);
    lock_fd = -1;
}
