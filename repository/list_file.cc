#include "list_file.h"

#include "repository_list.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ini.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

const char* list_file_path = "/etc/pacman.d/lurvek.conf";

namespace {

constexpr mode_t new_file_mode = 0644;

// Fills directory with the directory part of list_file_path and temporary with a mkstemp template
// for a hidden file beside the list file, which no pattern such as "*.conf" matches.
bool compose_paths(char (&directory)[PATH_MAX], char (&temporary)[PATH_MAX])
{
    if (!copy_list_directory(directory, sizeof directory))
        return false;
    const char* slash = strrchr(list_file_path, '/');
    const char* base = slash == nullptr ? list_file_path : slash + 1;
    int length = snprintf(temporary, sizeof temporary, "%s/.%s.XXXXXX", directory, base);
    return length >= 0 && size_t(length) < sizeof temporary;
}

// Gives the file behind fd the mode and owner of the list file it is to replace, or the mode of a
// new list file when there is none yet.
bool copy_mode_and_owner(int fd)
{
    struct stat old_file;
    if (stat(list_file_path, &old_file) != 0)
        return errno == ENOENT && fchmod(fd, new_file_mode) == 0;
    struct stat new_file;
    if (fstat(fd, &new_file) != 0)
        return false;
    // The owner goes first: changing it clears the set-id bits that fchmod restores.
    if ((new_file.st_uid != old_file.st_uid || new_file.st_gid != old_file.st_gid)
        && fchown(fd, old_file.st_uid, old_file.st_gid) != 0)
        return false;
    return fchmod(fd, old_file.st_mode & 07777) == 0;
}

// Writes the records to the temporary file behind fd and makes them durable; closes fd either way.
bool fill_temporary_file(int fd)
{
    FILE* stream = fdopen(fd, "w");
    if (stream == nullptr) {
        close(fd);
        return false;
    }
    bool written = copy_mode_and_owner(fd) && write_repository_records(stream) && fflush(stream) == 0
        && fsync(fd) == 0;
    return fclose(stream) == 0 && written;
}

// Makes the rename that put the new file in place durable.
bool sync_directory(const char* directory)
{
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
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

int collect_repository(void*, const char* section, const char* name, const char* value)
{
    repository_record& slot = slot_being_filled();
    if (strcmp(name, "Server") == 0)
        store_copy(slot.server, value);
    else if (strcmp(name, "SigLevel") == 0)
        store_copy(slot.sig_level, value);
    else
        return 0;
    if (slot.server != nullptr && slot.sig_level != nullptr)
        complete_slot(section);
    return 1;
}

list_reading read_list_file()
{
    create_list_file();
    FILE* stream = fopen(list_file_path, "re");
    if (stream == nullptr)
        return list_reading::unreadable;
    // The reader stops at the first failed read as at the end of the file; only the stream knows
    // which it was. Nothing was written, so closing cannot lose anything.
    (void)ini_parse_file(stream, collect_repository, nullptr);
    bool failed = ferror(stream) != 0;
    fclose(stream);
    if (failed)
        return list_reading::unreadable;
    // Keeping only part of the list would drop the rest at the next rewrite.
    if (record_count > max_repositories)
        return list_reading::too_many;
    return list_reading::read;
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
    char directory[PATH_MAX];
    char temporary[PATH_MAX];
    char previous[PATH_MAX];
    if (!compose_paths(directory, temporary))
        return false;
    int fd = mkostemp(temporary, O_CLOEXEC);
    if (fd < 0)
        return false;
    // The old file keeps a second, hidden name until the new one is known to be in place, so that a
    // failure of the last step can still put it back. Without an old file there is nothing to keep.
    int length = snprintf(previous, sizeof previous, "%s.old", temporary);
    bool kept = length >= 0 && size_t(length) < sizeof previous && link(list_file_path, previous) == 0;
    // Should an unlink below fail, the hidden names keep the leftovers out of every pattern.
    if (!fill_temporary_file(fd) || rename(temporary, list_file_path) != 0) {
        unlink(temporary);
        if (kept)
            unlink(previous);
        return false;
    }
    if (!sync_directory(directory)) {
        // The run reports a failure, so the list must be the one it found.
        if (kept && rename(previous, list_file_path) != 0)
            unlink(previous);
        return false;
    }
    if (kept)
        unlink(previous);
    return true;
}
