#include "condition/unary.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "condition/arguments.h"
#include "condition/integer.h"

namespace {

bool has_type(const char* path, mode_t type)
{
    struct stat status;
    return stat(path, &status) == 0 && (status.st_mode & S_IFMT) == type;
}

bool has_mode_bit(const char* path, mode_t bit)
{
    struct stat status;
    return stat(path, &status) == 0 && (status.st_mode & bit) != 0;
}

// lstat(), except that a path ending in "/" names a directory, reached through a symbolic link if
// need be. Returns 0 with status filled in, or -1 with errno set.
int lstat_checking_slash(const char* path, struct stat& status)
{
    int result = lstat(path, &status);
    if (result != 0)
        return result;
    // lstat() succeeded, so the name is not empty.
    if (path[strlen(path) - 1] != '/' || S_ISDIR(status.st_mode))
        return 0;
    if (S_ISLNK(status.st_mode))
        return stat(path, &status);
    errno = ENOTDIR;
    return -1;
}

bool is_symbolic_link(const char* path)
{
    struct stat status;
    return lstat_checking_slash(path, status) == 0 && S_ISLNK(status.st_mode);
}

bool is_nonempty_file(const char* path)
{
    struct stat status;
    return stat(path, &status) == 0 && status.st_size > 0;
}

// An ID of all ones with errno set is a failure, not an ID.
bool is_owned_by_effective_id(const char* path, bool by_group)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    errno = 0;
    id_t id = by_group ? getegid() : geteuid();
    if (id == static_cast<id_t>(-1) && errno != 0)
        return false;
    return id == (by_group ? status.st_gid : status.st_uid);
}

bool is_modified_since_read(const char* path)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    if (status.st_mtim.tv_sec != status.st_atim.tv_sec)
        return status.st_mtim.tv_sec > status.st_atim.tv_sec;
    return status.st_mtim.tv_nsec > status.st_atim.tv_nsec;
}

// Descriptors beyond the largest 32-bit long count as no terminal, whatever long holds here.
bool is_terminal(const char* operand)
{
    const char* text = scan_integer_operand(operand);
    errno = 0;
    long descriptor = strtol(text, nullptr, 10);
    if (descriptor < 0 || descriptor > 2147483647)
        return false;
    return isatty(static_cast<int>(descriptor)) != 0;
}

} // namespace

bool evaluate_unary_operator()
{
    char letter = arg_vector[arg_pos][1];
    step_argument(true);
    const char* operand = arg_vector[arg_pos];
    step_argument(false);
    switch (letter) {
    case 'a':
    case 'e': {
        struct stat status;
        return stat(operand, &status) == 0;
    }
    case 'f':
        return has_type(operand, S_IFREG);
    case 'd':
        return has_type(operand, S_IFDIR);
    case 'b':
        return has_type(operand, S_IFBLK);
    case 'c':
        return has_type(operand, S_IFCHR);
    case 'p':
        return has_type(operand, S_IFIFO);
    case 'S':
        return has_type(operand, S_IFSOCK);
    case 'h':
    case 'L':
        return is_symbolic_link(operand);
    case 's':
        return is_nonempty_file(operand);
    case 'u':
        return has_mode_bit(operand, S_ISUID);
    case 'g':
        return has_mode_bit(operand, S_ISGID);
    case 'k':
        return has_mode_bit(operand, S_ISVTX);
    case 'r':
        return euidaccess(operand, R_OK) == 0;
    case 'w':
        return euidaccess(operand, W_OK) == 0;
    case 'x':
        return euidaccess(operand, X_OK) == 0;
    case 'O':
        return is_owned_by_effective_id(operand, false);
    case 'G':
        return is_owned_by_effective_id(operand, true);
    case 'N':
        return is_modified_since_read(operand);
    case 't':
        return is_terminal(operand);
    case 'n':
        return operand[0] != '\0';
    case 'z':
        return operand[0] == '\0';
    case 'o':
        // A program of its own sees no options of the shell that started it.
        return false;
    }
    abort();
}
