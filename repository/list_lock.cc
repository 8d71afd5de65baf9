#include "list_lock.h"

#include "list_file.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The open directory that carries the lock, or -1.
int lock_fd = -1;

} // namespace

bool lock_list_file()
{
    char directory[PATH_MAX];
    if (!copy_list_directory(directory, sizeof directory))
        return false;
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
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
    // Closing the only descriptor of the open directory drops the lock with it.
    close(lock_fd);
    lock_fd = -1;
}
