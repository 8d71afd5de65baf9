#include "pacman_walk.h"

#include "list_file.h"
#include "pacman_syntax.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <glob.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

bool list_file_reached;

namespace {

// A section that a file of the configuration defines, in the order of the walk.
struct defined_section {
    defined_section* next;
    char* name;
    char* file;
};

// The sections of the last walk, and where the next one goes.
defined_section* first_section;
defined_section** next_section = &first_section;
// Set when the last walk ended at a file it could not read, which unread_file names then.
bool walk_ended_early;
char unread_file[PATH_MAX];
// Set when the last walk ended at a file that is neither regular nor a directory.
bool walk_met_special;
// Set at an Include beyond the deepest level: the package manager refuses the configuration there
// and reads nothing more of it.
bool walk_refused;
// Set at an Include of a file that cannot be opened, which the package manager refuses as well.
bool walk_passed_over;

char* copy_or_exit(std::string_view text)
{
    char* copy = strndup(text.data(), text.size());
    // There is no message for exhausted memory; the run ends as every other failure does.
    if (copy == nullptr)
        exit(1);
    return copy;
}

void note_section(std::string_view name, const char* file)
{
    auto* section = static_cast<defined_section*>(malloc(sizeof(defined_section)));
    if (section == nullptr)
        exit(1);
    *section = { nullptr, copy_or_exit(name), copy_or_exit(file) };
    *next_section = section;
    next_section = &section->next;
}

void forget_walk()
{
    while (first_section != nullptr) {
        defined_section* next = first_section->next;
        free(first_section->name);
        free(first_section->file);
        free(first_section);
        first_section = next;
    }
    next_section = &first_section;
    list_file_reached = false;
    walk_ended_early = false;
    walk_met_special = false;
    walk_refused = false;
    walk_passed_over = false;
}

// A longer path is cut short, which only shortens the message that shows it.
void note_unread_file(const char* path)
{
    walk_ended_early = true;
    (void)snprintf(unread_file, sizeof unread_file, "%s", path);
}

// Whether the file at path is the list file, compared as files: through links, whatever the
// spelling of either path.
bool is_list_file(const char* path)
{
    struct stat file;
    struct stat list_file;
    return stat(path, &file) == 0 && stat(list_file_path, &list_file) == 0 && file.st_dev == list_file.st_dev
        && file.st_ino == list_file.st_ino;
}

bool walk_file(const char* path, int depth);

// Follows an Include entry of a file at depth: every file that its value names, as glob expands it
// with GLOB_NOCHECK (a value that matches nothing stands for itself), in glob's order.
bool follow_include(const char* value, int depth)
{
    if (depth >= deepest_include) {
        walk_refused = true;
        return true;
    }
    glob_t found;
    // The package manager ignores an expansion that fails, so the walk does too.
    if (glob(value, GLOB_NOCHECK, nullptr, &found) != 0)
        return true;
    bool read = true;
    for (size_t i = 0; i < found.gl_pathc && read && !walk_refused; i++) {
        if (is_list_file(found.gl_pathv[i]))
            list_file_reached = true;
        else
            read = walk_file(found.gl_pathv[i], depth + 1);
    }
    globfree(&found);
    return read;
}

// Reads one line of the file at path, at depth, as the package manager does. The line is changed
// in place.
bool walk_line(char* line, const char* path, int depth)
{
    std::string_view name;
    if (is_pacman_ignored_line(line))
        return true;
    if (is_pacman_section_header(line, &name)) {
        note_section(name, path);
        return true;
    }
    pacman_entry entry = split_pacman_entry(line);
    if (!entry.has_value || entry.key != "Include")
        return true;
    // The value ends the line once the blanks after it are gone, so it can end in place.
    const_cast<char*>(entry.value.data())[entry.value.size()] = '\0';
    return follow_include(entry.value.data(), depth);
}

bool walk_file(const char* path, int depth)
{
    FILE* stream;
    switch (open_pacman_file(path, &stream)) {
    case pacman_file::opened:
        break;
    case pacman_file::directory:
        return true;
    case pacman_file::special:
        walk_met_special = true;
        note_unread_file(path);
        return false;
    case pacman_file::unopened:
        if (depth == 0)
            note_unread_file(path);
        walk_passed_over = true;
        return depth > 0;
    }
    char line[pacman_line_size];
    bool read = true;
    while (read && !walk_refused && read_pacman_line(stream, line))
        read = walk_line(line, path, depth);
    if (read && ferror(stream) != 0) {
        note_unread_file(path);
        read = false;
    }
    // Only read from, so closing cannot lose anything.
    (void)fclose(stream);
    return read;
}

} // namespace

pacman_file open_pacman_file(const char* path, FILE** stream)
{
    *stream = nullptr;
    // The type is looked at before the open, so that no device is ever opened, and again on the
    // open file, since another file may have taken the path's place in between.
    struct stat status;
    if (stat(path, &status) == 0 && !S_ISREG(status.st_mode))
        return S_ISDIR(status.st_mode) ? pacman_file::directory : pacman_file::special;
    // O_NONBLOCK keeps a FIFO put at the path meanwhile from stalling the open.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return pacman_file::unopened;
    bool known = fstat(fd, &status) == 0;
    if (known && S_ISREG(status.st_mode)) {
        *stream = fdopen(fd, "r");
        if (*stream != nullptr)
            return pacman_file::opened;
    }
    close(fd);
    if (!known || S_ISREG(status.st_mode))
        return pacman_file::unopened;
    return S_ISDIR(status.st_mode) ? pacman_file::directory : pacman_file::special;
}

walk_outcome walk_pacman_conf(const char* path, const char** file)
{
    forget_walk();
    *file = unread_file;
    if (!walk_file(path, 0))
        return walk_met_special ? walk_outcome::special : walk_outcome::unread;
    return walk_refused || walk_passed_over ? walk_outcome::partial : walk_outcome::whole;
}

int find_repository_definition(const char* name, const char** file)
{
    for (const defined_section* section = first_section; section != nullptr; section = section->next) {
        if (strcmp(section->name, name) == 0) {
            *file = section->file;
            return 1;
        }
    }
    *file = unread_file;
    return walk_ended_early ? -1 : 0;
}
