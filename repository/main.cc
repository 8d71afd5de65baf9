// lurvek: keeps a list of extra package repositories in a file that pacman includes.

#include "list_file.h"
#include "list_lock.h"
#include "pacman_conf.h"
#include "pacman_walk.h"
#include "refresh.h"
#include "repository_list.h"
#include "validate.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Lines 1 to 9 of the usage text; the tenth, empty line comes from the newline printed after it.
constexpr char usage_text[] = "\n"
                              "\tLurvek 2015.3.1\n"
                              "\tCopyright (C) 2026 The plendra authors\n"
                              "\tFree software under the MIT License.\n"
                              "\n"
                              "Usage:\n"
                              "\tlurvek add NAME URL\n"
                              "\tlurvek remove NAME\n"
                              "\tlurvek list\n";

// Print one message on standard output, format filled with argument, and end the run with status 1.
[[noreturn]] void fail_with(const char* format, const char* argument = "")
{
    printf(format, argument);
    exit(1);
}

// Print the usage text, after "Unknown command WORD." when a command word was given, and end the
// run with status 1.
[[noreturn]] void fail_with_usage(const char* unknown_command)
{
    if (unknown_command != nullptr)
        printf("Unknown command %s.\n", unknown_command);
    printf("%s\n", usage_text);
    exit(1);
}

// Registered with atexit: a run whose output was lost ends with status 1. Nothing can report it,
// since standard output is the only stream the program writes to.
void close_standard_output()
{
    bool lost = ferror(stdout) != 0;
    if (fflush(stdout) != 0)
        lost = true;
    if (fclose(stdout) != 0)
        lost = true;
    if (lost)
        _exit(1);
}

// Puts /dev/null, open for reading only, on each of the descriptors 0, 1 and 2 that is closed, so
// that no file the program opens takes one of them: the output meant for a closed standard output
// then fails as a write error instead of landing in that file. The placeholders close on exec, so
// the refresh finds closed what was closed. Without a placeholder the run ends with status 1 before
// it opens anything.
void occupy_closed_standard_descriptors()
{
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor is fd itself, since those below it are open.
        if (open("/dev/null", O_RDONLY | O_CLOEXEC) != fd)
            exit(1);
    }
}

// The asynchronous signals whose default action ends the process.
constexpr int termination_signals[]
    = { SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF, SIGPOLL };

// Runs step with the termination signals held back, so that one arriving meanwhile takes effect only
// once the step has finished or undone what it began. Returns what step returned.
[[nodiscard]] bool run_uninterrupted(bool (*step)())
{
    sigset_t held;
    sigset_t found;
    sigemptyset(&held);
    for (int signal_number : termination_signals)
        sigaddset(&held, signal_number);
    // Neither call can fail with a valid set and action.
    (void)sigprocmask(SIG_BLOCK, &held, &found);
    bool result = step();
    (void)sigprocmask(SIG_SETMASK, &found, nullptr);
    return result;
}

// How the run found SIGXFSZ, restored for the refresh to inherit.
struct sigaction found_file_size_action;

// A write past the file-size limit then fails with EFBIG, which the writers undo and report like any
// other failed write, instead of ending the run half way through it.
void ignore_file_size_limit()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    (void)sigaction(SIGXFSZ, &ignore, &found_file_size_action);
}

// Whether the list file, through links, is a regular file. The include entry waits for one: pacman
// would wait for ever on a FIFO there, or read a device.
bool is_regular_list_file()
{
    struct stat status;
    return stat(list_file_path, &status) == 0 && S_ISREG(status.st_mode);
}

void add_to_table(int argc, char** argv)
{
    if (argc < 4)
        fail_with("Please specify the repository name and URL.\n");
    if (!is_valid_repository_name(argv[2]))
        fail_with("Invalid repository name %s.\n", argv[2]);
    if (!is_valid_repository_url(argv[3]))
        fail_with("Invalid repository URL %s.\n", argv[3]);
    // The package manager keeps the first definition of a name and refuses every later one.
    const char* file;
    switch (find_repository_definition(argv[2], &file)) {
    case 0:
        break;
    case 1:
        printf("Repository %s is already defined in %s.\n", argv[2], file);
        exit(1);
    default:
        fail_with("Could not read %s.\n", file);
    }
    if (!add_repository(argv[2], argv[3], "Optional"))
        fail_with("Too many repositories in %s.\n", list_file_path);
}

void remove_from_table(int argc, char** argv)
{
    if (argc < 3)
        fail_with("Please specify the repository to remove.\n");
    if (!remove_repository(argv[2]))
        fail_with("Could not find repository %s.\n", argv[2]);
}

} // namespace

int main(int argc, char** argv)
{
    occupy_closed_standard_descriptors();
    // Should registration fail, lost output goes unnoticed; the run itself is unaffected.
    (void)atexit(close_standard_output);
    if (argc < 2)
        fail_with_usage(nullptr);
    ignore_file_size_limit();

    // Held from the reading of the list file until it is written, so concurrent runs take turns.
    // Without the lock the run may still read, which `list` needs on a read-only /etc/pacman.d, but
    // it refuses before it would change either file.
    bool locked = lock_list_file();
    if (locked) {
        remove_leftover_files();
        create_list_file();
    }

    switch (read_list_file()) {
    case list_reading::read:
        break;
    case list_reading::unreadable:
        fail_with("Could not read %s.\n", list_file_path);
    case list_reading::line_too_long:
        printf("Line %d of %s is longer than 199 bytes.\n", refused_line, list_file_path);
        exit(1);
    case list_reading::name_too_long:
        printf("Line %d of %s names a section longer than 49 bytes.\n", refused_line, list_file_path);
        exit(1);
    case list_reading::pacman_differs:
        printf("Line %d of %s is read differently by pacman.\n", refused_line, list_file_path);
        exit(1);
    case list_reading::too_many:
        fail_with("Too many repositories in %s.\n", list_file_path);
    }

    const char* unread_file;
    if (!read_pacman_conf(&unread_file))
        fail_with("Could not read %s.\n", unread_file);
    bool appending = !include_found && is_regular_list_file();
    if (appending && !locked)
        fail_with("Could not lock %s.\n", list_file_path);
    if (appending && !run_uninterrupted(append_include_block))
        fail_with("Could not write %s.\n", pacman_conf_path);

    std::string_view command = argv[1];
    if (command == "list") {
        if (argc > 2)
            fail_with("Extra arguments to list command.\n");
        list_repositories();
        exit(0);
    }
    if (command == "add")
        add_to_table(argc, argv);
    else if (command == "remove")
        remove_from_table(argc, argv);
    else
        fail_with_usage(argv[1]);

    if (!locked)
        fail_with("Could not lock %s.\n", list_file_path);
    if (!run_uninterrupted(write_repository_file))
        fail_with("Could not write %s.\n", list_file_path);
    unlock_list_file();

    // The refresh writes to the same standard output; what is buffered here must come first. A
    // failure stays in the stream's error indicator, which is examined at exit.
    (void)fflush(stdout);
    (void)sigaction(SIGXFSZ, &found_file_size_action, nullptr);
    exit(refresh_exit_status(refresh_databases()));
}
