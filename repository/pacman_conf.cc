#include "pacman_conf.h"

#include "list_file.h"
#include "pacman_walk.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <ini.h>
#include <sys/stat.h>
#include <unistd.h>

const char* pacman_conf_path = "/etc/pacman.conf";
bool include_found;

namespace {

constexpr char include_comment[] = "\n# Automatically included by lurvek\n";
static_assert(sizeof include_comment - 1 == 36);

// Writes all of text to fd, which is open for appending.
bool write_whole(int fd, const char* text, size_t length)
{
    while (length > 0) {
        ssize_t written = write(fd, text, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text += written;
        length -= size_t(written);
    }
    return true;
}

// Reader function for the INI reader over the stream: hands over each line, or its first size - 1
// bytes when it is longer. The rest of a long line is dropped, where the INI reader would take it
// for a line of its own: the tail of a long comment is no entry.
char* read_line_start(char* text, int size, void* stream)
{
    FILE* file = static_cast<FILE*>(stream);
    int length = 0;
    int c;
    while ((c = getc_unlocked(file)) != EOF && c != '\n') {
        if (length < size - 1)
            text[length++] = char(c);
    }
    if (ferror(file) != 0 || (c == EOF && length == 0))
        return nullptr;
    text[length] = '\0';
    return text;
}

} // namespace

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): inih fixes the handler's signature.
int check_include(void*, const char*, const char* name, const char* value)
{
    if (include_found)
        return 1;
    if (strcmp(name, "Include") != 0)
        return 1;
    // The package manager expands an Include value as a file name pattern, so a pattern that
    // matches the list file includes it as surely as the path itself.
    include_found
        = strcasecmp(value, list_file_path) == 0 || fnmatch(value, list_file_path, FNM_PATHNAME) == 0;
    return 1;
}

bool read_pacman_conf(const char** file)
{
    *file = pacman_conf_path;
    FILE* stream;
    if (open_pacman_file(pacman_conf_path, &stream) != pacman_file::opened)
        return false;
    // A failed read ends the reading as the end of the file would; only the stream tells them apart.
    (void)ini_parse_stream(read_line_start, stream, check_include, nullptr);
    bool failed = ferror(stream) != 0;
    // Only read from, so closing cannot lose anything.
    (void)fclose(stream);
    if (failed)
        return false;
    walk_outcome walked = walk_pacman_conf(pacman_conf_path, file);
    if (walked == walk_outcome::special)
        return false;
    // The package manager reads all of it, so whether it reaches the list file decides, whatever
    // the entries of the text say.
    if (walked == walk_outcome::whole) {
        include_found = list_file_reached;
        return true;
    }
    // The package manager refuses this configuration until an included file is mended, or the walk
    // ended early and cannot tell: the entries of the text decide first, then what the walk reached,
    // and a walk that ended early must not have the block appended blindly.
    include_found = include_found || list_file_reached;
    return walked == walk_outcome::partial || include_found;
}

bool append_include_block()
{
    char block[sizeof include_comment + PATH_MAX + 16];
    int length = snprintf(block, sizeof block, "%sInclude = %s\n", include_comment, list_file_path);
    if (length < 0 || size_t(length) >= sizeof block)
        return false;

    // O_NONBLOCK: a FIFO put in the configuration's place since it was read must not stall the run,
    // and only a regular file takes the block.
    int fd = open(pacman_conf_path, O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat before;
    if (fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        close(fd);
        return false;
    }
    if (write_whole(fd, block, size_t(length)) && fsync(fd) == 0) {
        if (close(fd) == 0)
            return true;
        // The data may be lost even so; leave the file as it was, by its name now. (A result
        // cast to void still warns under warn_unused_result, hence the empty branches here.)
        if (truncate(pacman_conf_path, before.st_size) != 0) {
            // Nothing more can be undone; the run reports the failure all the same.
        }
        return false;
    }
    // Cutting back is all that can be done; should it fail, the run still reports the failure.
    if (ftruncate(fd, before.st_size) != 0) {
    }
    close(fd);
    return false;
}
