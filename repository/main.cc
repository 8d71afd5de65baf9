// lurvek: keeps a list of extra package repositories in a file that pacman includes.

#include "list_file.h"
#include "list_lock.h"
#include "pacman_hook.h"
#include "repository_list.h"
#include "validate.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ini.h>
#include <string_view>
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

// Registered with atexit: a run whose output was lost ends with status 1. Nothing can report it,
// since standard output is the only stream the program writes to.
void close_standard_output()
{
    bool lost = ferror(stdout) != 0;
    if (fflush(stdout) != 0)
        lost = true;
    // With nothing left to write, a descriptor that was never open loses no output.
    if (fclose(stdout) != 0 && errno != EBADF)
        lost = true;
    if (lost)
        _exit(1);
}

// Reads the list file and makes sure the package manager's configuration includes it.
void load_state()
{
    create_list_file();
    if (ini_parse(list_file_path, collect_repository, nullptr) < 0)
        fail_with("Could not read %s.\n", list_file_path);
    // Keeping only part of the list would drop the rest at the next rewrite.
    if (record_count > max_repositories)
        fail_with("Too many repositories in %s.\n", list_file_path);
    if (ini_parse(pacman_conf_path, check_include, nullptr) < 0)
        fail_with("Could not read %s.\n", pacman_conf_path);
    if (!include_found && !append_include_block())
        fail_with("Could not write %s.\n", pacman_conf_path);
}

// Carries out add or remove on the table; any other command ends the run here.
void change_table(int argc, char** argv)
{
    std::string_view command = argv[1];
    if (command == "list") {
        if (argc > 2)
            fail_with("Extra arguments to list command.\n");
        list_repositories();
        exit(0);
    }
    if (command == "add") {
        if (argc < 4)
            fail_with("Please specify the repository name and URL.\n");
        if (!is_valid_repository_name(argv[2]))
            fail_with("Invalid repository name %s.\n", argv[2]);
        if (!is_valid_repository_url(argv[3]))
            fail_with("Invalid repository URL %s.\n", argv[3]);
        if (!add_repository(argv[2], argv[3], "Optional"))
            fail_with("Too many repositories in %s.\n", list_file_path);
        return;
    }
    if (command == "remove") {
        if (argc < 3)
            fail_with("Please specify the repository to remove.\n");
        if (!remove_repository(argv[2]))
            fail_with("Could not find repository %s.\n", argv[2]);
        return;
    }
    printf("Unknown command %s.\n%s\n", argv[1], usage_text);
    exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    // Should registration fail, lost output goes unnoticed; the run itself is unaffected.
    (void)atexit(close_standard_output);
    if (argc < 2) {
        puts(usage_text);
        exit(1);
    }

    // Held from the reading of the list file until it is written, so concurrent runs take turns.
    // Without the lock the run still goes on: the file operations report what is wrong.
    (void)lock_list_directory();
    load_state();
    change_table(argc, argv);
    if (!write_repository_file())
        fail_with("Could not write %s.\n", list_file_path);
    unlock_list_directory();

    // The refresh writes to the same standard output; what is buffered here must come first. A
    // failure stays in the stream's error indicator, which is examined at exit.
    fflush(stdout);
    exit(refresh_exit_status(refresh_databases()));
}
