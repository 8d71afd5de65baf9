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

// Every retry means that another run replaced the lock file or removed its spare meanwhile; a run
// that still finds them changing after this many attempts gives up.
constexpr int max_attempts = 100;

// What an attempt to lock the file at a path found.
enum class attempt {
    locked, // the lock is held on the file that the path names
    changed, // the path named another file once the lock was taken
    not_private, // the path names something other than a regular file private to root
    failed, // the file cannot be opened or locked, or it is a directory
};

// Stores the path of the lock file, followed by suffix, in path.
bool compose_lock_path(char* path, size_t size, const char* suffix)
{
    char directory[PATH_MAX];
    if (!copy_list_directory(directory, sizeof directory))
        return false;
    int length = snprintf(path, size, "%s/.lurvek.lock%s", directory, suffix);
    return length >= 0 && size_t(length) < size;
}

// Whether no one but root can open the file.
bool is_private_to_root(const struct stat& status)
{
    return S_ISREG(status.st_mode) && status.st_uid == 0 && (status.st_mode & 077) == 0;
}

// Opens the file at path, creating it as a private file when it is missing and the directory can be
// written. A read-only file system refuses the creating open even for a file that exists, while a
// lock needs no right to write.
int open_lock_file(const char* path)
{
    // O_NONBLOCK keeps a FIFO of that name from stalling the open; it changes nothing for a file.
    constexpr int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = open(path, O_RDWR | O_CREAT | flags, 0600);
    if (fd < 0 && errno == EROFS)
        fd = open(path, O_RDONLY | flags);
    return fd;
}

// Whether path names the file open on fd.
bool names_open_file(const char* path, int fd)
{
    struct stat opened;
    struct stat named;
    return fstat(fd, &opened) == 0 && lstat(path, &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino;
}

// Takes the lock on the file at path, waiting for any other run that holds it, but only on a file
// private to root: another user could hold the lock on any other for ever. On success *fd is the
// open file that carries the lock.
attempt try_lock(const char* path, int* fd)
{
    int opened = open_lock_file(path);
    if (opened < 0) // O_NOFOLLOW refuses a symbolic link, and a socket cannot be opened at all.
        return errno == ELOOP || errno == ENXIO ? attempt::not_private : attempt::failed;
    struct stat status;
    attempt found = attempt::failed;
    if (fstat(opened, &status) == 0 && !S_ISDIR(status.st_mode))
        found = is_private_to_root(status) ? attempt::locked : attempt::not_private;
    if (found == attempt::locked) {
        int result;
        do
            result = flock(opened, LOCK_EX);
        while (result != 0 && errno == EINTR);
        if (result != 0)
            found = attempt::failed;
        else if (!names_open_file(path, opened))
            found = attempt::changed;
    }
    if (found != attempt::locked) {
        close(opened);
        return found;
    }
    *fd = opened;
    return found;
}

// Puts a new private lock file in place of what stands at path. Runs that do so take turns on the
// lock of a second private file, spare, which then becomes the lock file under the new name: so one
// run at a time replaces, and only what it still finds unfit once its turn has come. A lock file in
// use is fit, so it is never replaced, and a run that holds its lock keeps it. Returns false when
// nothing could be put in place, or when a directory stands there, which no rename can replace.
bool replace_lock_file(const char* path, const char* spare)
{
    int fd = -1;
    attempt spare_lock = attempt::changed;
    for (int i = 0; i < max_attempts && spare_lock == attempt::changed; i++)
        spare_lock = try_lock(spare, &fd);
    // A spare that is not private was left by a killed run and changed since; it stays for root.
    if (spare_lock != attempt::locked)
        return false;
    struct stat status;
    bool replaced;
    bool renamed = false;
    if (lstat(path, &status) != 0)
        replaced = errno == ENOENT; // the next attempt creates the lock file
    else if (S_ISDIR(status.st_mode))
        replaced = false;
    else if (is_private_to_root(status))
        replaced = true; // by the run whose turn came first
    else
        replaced = renamed = rename(spare, path) == 0;
    // The spare is held and was named by its path, so no other run can be using that name.
    if (!renamed)
        (void)unlink(spare);
    // Closing the only descriptor of the open file drops the lock with it.
    close(fd);
    return replaced;
}

} // namespace

bool lock_list_file()
{
    char path[PATH_MAX];
    char spare[PATH_MAX];
    if (!compose_lock_path(path, sizeof path, "") || !compose_lock_path(spare, sizeof spare, ".new"))
        return false;
    for (int i = 0; i < max_attempts; i++) {
        int fd = -1;
        switch (try_lock(path, &fd)) {
        case attempt::locked:
            lock_fd = fd;
            return true;
        case attempt::changed:
            break;
        case attempt::not_private:
            if (!replace_lock_file(path, spare))
                return false;
            break;
        case attempt::failed:
            return false;
        }
    }
    return false;
}

void unlock_list_file()
{
    if (lock_fd < 0)
        return;
    // Closing the only descriptor of the open file drops the lock with it.
    close(lock_fd);
    lock_fd = -1;
}
