#include "list_file.h"

#include "list_reader.h"
#include "repository_list.h"
#include "validate.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ini.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

const char* list_file_path = "/etc/pacman.d/lurvek.conf";
int refused_line;

namespace {

constexpr mode_t new_file_mode = 0644;

// The places of one rewrite, all in the directory of the file that the list file's path names
// once every symbolic link is followed: that file is the one replaced, and the links stay.
struct rewrite_paths {
    char target[PATH_MAX]; // the list file itself
    char directory[PATH_MAX]; // its directory
    char temporary[PATH_MAX]; // a mkstemp template for the new file
};

// Fills paths for the list file as the file system has it. The hidden temporary name matches no
// pattern such as "*.conf" that an Include might hold. Returns false when the target is not a
// regular file: a rewrite would put a file in place of a device such as /dev/null, and new files
// beside it.
bool compose_paths(rewrite_paths& paths)
{
    struct stat target;
    if (realpath(list_file_path, paths.target) == nullptr || lstat(paths.target, &target) != 0
        || !S_ISREG(target.st_mode))
        return false;
    // realpath gives an absolute path, so there is a slash.
    const char* slash = strrchr(paths.target, '/');
    int directory_length = slash == paths.target ? 1 : int(slash - paths.target);
    // A part of target, which has the same size, always fits.
    (void)snprintf(paths.directory, sizeof paths.directory, "%.*s", directory_length, paths.target);
    int length
        = snprintf(paths.temporary, sizeof paths.temporary, "%s/.%s.XXXXXX", paths.directory, slash + 1);
    return length >= 0 && size_t(length) < sizeof paths.temporary;
}

// A character that mkstemp puts in place of an X.
constexpr bool is_mkstemp_character(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether name is one of the hidden names that a rewrite of the file called base gives its new file
// (".BASE." and six characters from mkstemp) or the old one (the same and ".old").
constexpr bool is_rewrite_name(std::string_view name, std::string_view base)
{
    if (!name.starts_with('.') || !name.substr(1).starts_with(base))
        return false;
    name.remove_prefix(1 + base.size());
    if (!name.starts_with('.'))
        return false;
    name.remove_prefix(1);
    if (name.ends_with(".old"))
        name.remove_suffix(4);
    if (name.size() != 6)
        return false;
    for (char c : name) {
        if (!is_mkstemp_character(c))
            return false;
    }
    return true;
}
static_assert(is_rewrite_name(".lurvek.conf.aZ09xY", "lurvek.conf"));
static_assert(is_rewrite_name(".lurvek.conf.aZ09xY.old", "lurvek.conf"));
static_assert(!is_rewrite_name(".lurvek.conf.aZ09x", "lurvek.conf"));
static_assert(!is_rewrite_name(".lurvek.conf.aZ09xYz", "lurvek.conf"));
static_assert(!is_rewrite_name(".lurvek.conf.aZ-9xY", "lurvek.conf"));
static_assert(!is_rewrite_name(".lurvek.conf.aZ09xY.bak", "lurvek.conf"));
static_assert(!is_rewrite_name(".lurvek.confXaZ09xY", "lurvek.conf"));
static_assert(!is_rewrite_name(".other.conf.aZ09xY", "lurvek.conf"));

// Gives the file behind fd the mode and owner of the list file at target.
bool copy_mode_and_owner(int fd, const char* target)
{
    struct stat old_file;
    struct stat new_file;
    if (stat(target, &old_file) != 0 || fstat(fd, &new_file) != 0)
        return false;
    // The owner goes first: changing it clears the set-id bits that fchmod restores.
    if ((new_file.st_uid != old_file.st_uid || new_file.st_gid != old_file.st_gid)
        && fchown(fd, old_file.st_uid, old_file.st_gid) != 0)
        return false;
    return fchmod(fd, old_file.st_mode & 07777) == 0;
}

// Writes the records to the temporary file behind fd and makes them durable; closes fd either way.
bool fill_temporary_file(int fd, const char* target)
{
    FILE* stream = fdopen(fd, "w");
    if (stream == nullptr) {
        close(fd);
        return false;
    }
    bool written = copy_mode_and_owner(fd, target) && write_repository_records(stream) && fflush(stream) == 0
        && fsync(fd) == 0;
    return fclose(stream) == 0 && written;
}

// What the reading of the list file keeps beside the reader's own state: which section the slot
// being filled holds values of, and which section completed a record last.
struct list_collection {
    list_scan scan;
    int filled_section;
    int completed_section;
};

// Makes the rename that put the new file in place durable.
bool sync_directory(const char* directory)
{
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
}

// Opens the list file for reading. A target that is neither a regular file nor a directory (a
// device such as /dev/null, a FIFO) holds no list and is not read, which could stall or never end:
// *stream is then null and the result true.
bool open_list_file(FILE** stream)
{
    *stream = nullptr;
    // O_NONBLOCK keeps a FIFO from stalling the open.
    int fd = open(list_file_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    // A directory opens, but reading it fails, which reports it.
    if (fstat(fd, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        close(fd);
        return true;
    }
    *stream = fdopen(fd, "r");
    if (*stream == nullptr) {
        close(fd);
        return false;
    }
    return true;
}

} // namespace

bool copy_list_directory(char* directory, size_t size)
{
    std::string_view path = list_file_path;
    size_t slash = path.rfind('/');
    std::string_view part = slash == std::string_view::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int length = snprintf(directory, size, "%.*s", int(part.size()), part.data());
    return length >= 0 && size_t(length) < size;
}

namespace {

// INI handler of the list file; user is the list_collection of the reading.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): inih fixes the handler's signature.
int collect_repository(void* user, const char* section, const char* name, const char* value)
{
    list_collection& collection = *static_cast<list_collection*>(user);
    if (!is_read_alike(collection.scan, name, value))
        return 0;
    bool is_server = strcmp(name, "Server") == 0;
    if (!is_server && strcmp(name, "SigLevel") != 0)
        return 0;
    int current = collection.scan.section_number;
    if (current == 0 || current == collection.completed_section)
        return 0;
    // A value never carries over into another section: what an incomplete one left goes.
    if (collection.filled_section != current) {
        clear_slot_being_filled();
        collection.filled_section = current;
    }
    repository_record& slot = slot_being_filled();
    store_copy(is_server ? slot.server : slot.sig_level, value);
    if (slot.server == nullptr || slot.sig_level == nullptr)
        return 1;
    collection.completed_section = current;
    // pacman would reject a name that add refuses, or take it for something else.
    if (is_valid_repository_name(section))
        complete_slot(section);
    else
        clear_slot_being_filled();
    return 1;
}

} // namespace

list_reading read_list_stream(FILE* stream)
{
    list_collection collection = {};
    collection.scan.stream = stream;
    (void)ini_parse_stream(read_list_line, &collection.scan, collect_repository, &collection);
    clear_slot_being_filled();
    // The reader stops at the first failed read as at the end of the file; only the stream knows
    // which it was.
    if (ferror(stream) != 0)
        return list_reading::unreadable;
    if (collection.scan.fault != line_fault::none)
        refused_line = collection.scan.line_number;
    switch (collection.scan.fault) {
    case line_fault::none:
        break;
    case line_fault::line_too_long:
        return list_reading::line_too_long;
    case line_fault::name_too_long:
        return list_reading::name_too_long;
    case line_fault::pacman_differs:
        return list_reading::pacman_differs;
    }
    // Keeping only part of the list would drop the rest at the next rewrite.
    if (record_count > max_repositories)
        return list_reading::too_many;
    return list_reading::read;
}

list_reading read_list_file()
{
    FILE* stream;
    if (!open_list_file(&stream))
        return list_reading::unreadable;
    if (stream == nullptr)
        return list_reading::read;
    list_reading result = read_list_stream(stream);
    // Nothing was written, so closing cannot lose anything.
    (void)fclose(stream);
    return result;
}

void create_list_file()
{
    // O_EXCL leaves an existing file alone; only a file made here gets its mode set.
    int fd = open(list_file_path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, new_file_mode);
    if (fd < 0)
        return;
    // The umask may have taken bits away. Should this fail, the file is still there to be read, and
    // the rewrite after a change gives it its proper mode.
    (void)fchmod(fd, new_file_mode);
    // Nothing was written, so closing cannot lose anything.
    close(fd);
}

bool write_repository_records(FILE* stream)
{
    for (const repository_record& record : repository_table) {
        if (record.name == nullptr)
            break;
        if (record.removed)
            continue;
        if (fprintf(
                stream, "[%s]\nServer = %s\nSigLevel = %s\n\n", record.name, record.server, record.sig_level)
            < 0)
            return false;
    }
    return ferror(stream) == 0;
}

bool write_repository_file()
{
    rewrite_paths paths;
    if (!compose_paths(paths))
        return false;
    int fd = mkostemp(paths.temporary, O_CLOEXEC);
    if (fd < 0)
        return false;
    // The old file keeps a second, hidden name until the new one is known to be in place, so that a
    // failure of the last step can still put it back. Without that name there is no going back, so
    // there is no rename either.
    char previous[PATH_MAX];
    int length = snprintf(previous, sizeof previous, "%s.old", paths.temporary);
    if (length < 0 || size_t(length) >= sizeof previous || link(paths.target, previous) != 0) {
        close(fd);
        unlink(paths.temporary);
        return false;
    }
    // Should an unlink below fail, the next run that holds the lock removes what is left.
    if (!fill_temporary_file(fd, paths.target) || rename(paths.temporary, paths.target) != 0) {
        unlink(paths.temporary);
        unlink(previous);
        return false;
    }
    // A run that reports a failure must leave the list it found. Should the old file not go back, the
    // new one is what everyone reads, and the run goes on as one that succeeded.
    if (!sync_directory(paths.directory) && rename(previous, paths.target) == 0)
        return false;
    unlink(previous);
    return true;
}

void remove_leftover_files()
{
    rewrite_paths paths;
    if (!compose_paths(paths))
        return;
    DIR* directory = opendir(paths.directory);
    if (directory == nullptr)
        return;
    std::string_view base = strrchr(paths.target, '/') + 1;
    while (const dirent* entry = readdir(directory)) {
        if (!is_rewrite_name(entry->d_name, base))
            continue;
        struct stat status;
        // What cannot be removed stays for a later run; only lurvek's own kind of file goes.
        if (fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(status.st_mode))
            (void)unlinkat(dirfd(directory), entry->d_name, 0);
    }
    closedir(directory);
}
