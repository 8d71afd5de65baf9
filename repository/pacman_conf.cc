#include "pacman_conf.h"

#include "list_file.h"

#include <cerrno>
#include <climits>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fnmatch.h>
#include <glob.h>
#include <ini.h>
#include <string_view>
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

// Whether the file at path is the list file itself, compared as files: through links, and whatever
// the spelling of either path.
bool is_list_file(const char* path)
{
    struct stat file;
    struct stat list_file;
    return stat(path, &file) == 0 && stat(list_file_path, &list_file) == 0 && file.st_dev == list_file.st_dev
        && file.st_ino == list_file.st_ino;
}

// Whether one of the files that an Include value names, expanded as the package manager expands it,
// is the list file.
bool names_list_file(const char* value)
{
    glob_t found;
    // GLOB_NOCHECK gives back a value that matches nothing as it is, as the package manager reads it.
    if (glob(value, GLOB_NOCHECK, nullptr, &found) != 0)
        return false;
    bool names = false;
    for (size_t i = 0; i < found.gl_pathc && !names; i++)
        names = is_list_file(found.gl_pathv[i]);
    globfree(&found);
    return names;
}

// The package manager follows at most this many nested Include entries.
constexpr int deepest_include = 10;

// The file that find_repository_definition names.
char reported_file[PATH_MAX];

// A longer name is cut short, which only shortens the message that shows it.
void note_reported_file(const char* path)
{
    (void)snprintf(reported_file, sizeof reported_file, "%s", path);
}

// One file being searched for a section: the name sought, the file and how deep it is included.
struct definition_search {
    const char* name;
    const char* path;
    int depth;
    int result; // as find_repository_definition returns it
};

int search_file(const char* path, const char* name, int depth);

// Searches the files that an Include value names, the list file excepted.
void search_included_files(definition_search& search, const char* value)
{
    glob_t found;
    if (glob(value, GLOB_NOCHECK, nullptr, &found) != 0)
        return;
    for (size_t i = 0; i < found.gl_pathc && search.result == 0; i++) {
        if (!is_list_file(found.gl_pathv[i]))
            search.result = search_file(found.gl_pathv[i], search.name, search.depth + 1);
    }
    globfree(&found);
}

// INI handler of the search: notes a section of the name sought, and follows Include entries.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): inih fixes the handler's signature.
int look_for_definition(void* user, const char* section, const char* name, const char* value)
{
    definition_search& search = *static_cast<definition_search*>(user);
    if (search.result != 0)
        return 1;
    // The package manager compares repository names byte for byte.
    if (strcmp(section, search.name) == 0) {
        note_reported_file(search.path);
        search.result = 1;
    } else if (strcmp(name, "Include") == 0 && search.depth < deepest_include) {
        search_included_files(search, value);
    }
    return 1;
}

// Whether the stream holds a line that is "[name]" once the blanks around it are gone. The INI reader
// reports a section only through its keys, while the package manager registers a repository for its
// header alone.
bool has_section_header(FILE* stream, const char* name)
{
    rewind(stream);
    std::string_view wanted = name;
    char* line = nullptr;
    size_t size = 0;
    bool found = false;
    while (!found && getline(&line, &size, stream) >= 0) {
        std::string_view text = line;
        while (!text.empty() && isspace(static_cast<unsigned char>(text.front())) != 0)
            text.remove_prefix(1);
        while (!text.empty() && isspace(static_cast<unsigned char>(text.back())) != 0)
            text.remove_suffix(1);
        found = text.size() == wanted.size() + 2 && text.front() == '[' && text.back() == ']'
            && text.substr(1, wanted.size()) == wanted;
    }
    free(line);
    return found;
}

// Searches one file; an included file that cannot be opened is passed over, as it defines nothing.
int search_file(const char* path, const char* name, int depth)
{
    FILE* stream = fopen(path, "re");
    if (stream == nullptr) {
        note_reported_file(path);
        return depth == 0 ? -1 : 0;
    }
    definition_search search = { name, path, depth, 0 };
    (void)ini_parse_file(stream, look_for_definition, &search);
    if (search.result == 0 && ferror(stream) == 0 && has_section_header(stream, name)) {
        note_reported_file(path);
        search.result = 1;
    }
    if (ferror(stream) != 0) {
        note_reported_file(path);
        search.result = -1;
    }
    // Only read from, so closing cannot lose anything.
    (void)fclose(stream);
    return search.result;
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
    // matches the list file includes it as surely as the path itself, and so does any other
    // spelling of its path ("/./", "//", a link to its directory).
    include_found = strcasecmp(value, list_file_path) == 0
        || fnmatch(value, list_file_path, FNM_PATHNAME) == 0 || names_list_file(value);
    return 1;
}

bool read_pacman_conf()
{
    FILE* stream = fopen(pacman_conf_path, "re");
    if (stream == nullptr)
        return false;
    // A failed read ends the reading as the end of the file would; only the stream tells them apart.
    (void)ini_parse_file(stream, check_include, nullptr);
    bool failed = ferror(stream) != 0;
    // Only read from, so closing cannot lose anything.
    (void)fclose(stream);
    return !failed;
}

int find_repository_definition(const char* name, const char** file)
{
    *file = reported_file;
    return search_file(pacman_conf_path, name, 0);
}

bool append_include_block()
{
    char block[sizeof include_comment + PATH_MAX + 16];
    int length = snprintf(block, sizeof block, "%sInclude = %s\n", include_comment, list_file_path);
    if (length < 0 || size_t(length) >= sizeof block)
        return false;

    int fd = open(pacman_conf_path, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat before;
    if (fstat(fd, &before) != 0) {
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
