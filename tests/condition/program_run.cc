#include "tests/condition/program_run.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <utility>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

std::string program_path = PROGRAM_UNDER_TEST;

namespace {

constexpr const char* sanitizer_variables[] = {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"};

// Null-terminated vector of pointers into strings, which must outlive it.
std::vector<char*> make_vector(const std::vector<std::string>& strings)
{
    std::vector<char*> vector;
    vector.reserve(strings.size() + 1);
    for (const std::string& s : strings)
        vector.push_back(const_cast<char*>(s.c_str()));
    vector.push_back(nullptr);
    return vector;
}

// Descriptor that the child puts in place of a standard stream: -1 leaves the stream closed.
int open_stream(stream_setup setup, int capture)
{
    switch (setup) {
    case stream_setup::captured:
        return capture;
    case stream_setup::closed:
        return -1;
    case stream_setup::full_device:
        return open("/dev/full", O_WRONLY | O_CLOEXEC);
    case stream_setup::broken_pipe: {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return -1;
        close(ends[0]);
        return ends[1];
    }
    }
    return -1;
}

std::string read_whole(int fd)
{
    std::string text;
    char chunk[4096];
    ssize_t n;
    lseek(fd, 0, SEEK_SET);
    while ((n = read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<size_t>(n));
    return text;
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void become_program(const run_options& options, const int streams[3], char** argv, char** envp,
    int report_fd)
{
    for (int target = 0; target < 3; ++target) {
        if (streams[target] < 0)
            close(target);
        else if (dup2(streams[target], target) < 0)
            _exit(126);
    }
    // Nothing of the driver's may leak into the program; the error report pipe closes on exec too.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    if (!options.directory.empty() && chdir(options.directory.c_str()) != 0)
        _exit(126);
    if (options.output == stream_setup::broken_pipe || options.errors == stream_setup::broken_pipe)
        signal(SIGPIPE, SIG_IGN);
    // Last, so that nothing here runs under the program's limits.
    if (options.data_limit != 0) {
        rlimit limit = {static_cast<rlim_t>(options.data_limit), static_cast<rlim_t>(options.data_limit)};
        if (setrlimit(RLIMIT_DATA, &limit) != 0)
            _exit(126);
    }
    if (options.address_limit != 0) {
        rlim_t bytes = static_cast<rlim_t>(options.address_limit);
        rlimit limit = {bytes, bytes};
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(126);
    }
    if (options.launcher.empty())
        execve(program_path.c_str(), argv, envp);
    else
        execvpe(argv[0], argv, envp);
    int error = errno;
    ssize_t ignored = write(report_fd, &error, sizeof error);  // the parent sees a short read as success
    (void)ignored;
    _exit(127);
}

} // namespace

std::vector<std::string> environment_with(std::vector<std::string> entries)
{
    std::vector<std::string> environment = std::move(entries);
    for (const char* name : sanitizer_variables) {
        if (const char* value = getenv(name))
            environment.push_back(std::string(name) + "=" + value);
    }
    return environment;
}

run_result run_program(const std::vector<std::string>& words, const run_options& options)
{
    std::vector<std::string> arguments = options.launcher;
    if (arguments.empty())
        arguments.push_back(options.invocation_name);
    else
        arguments.push_back(program_path);
    arguments.insert(arguments.end(), words.begin(), words.end());
    std::vector<char*> argv = make_vector(arguments);
    std::vector<char*> envp = make_vector(options.environment);

    int captured_output = memfd_create("output", MFD_CLOEXEC);
    int captured_errors = memfd_create("errors", MFD_CLOEXEC);
    int input = options.terminal >= 0 ? options.terminal : open("/dev/null", O_RDONLY | O_CLOEXEC);
    int streams[3] = {options.input_closed ? -1 : input, open_stream(options.output, captured_output),
        open_stream(options.errors, captured_errors)};
    if (options.terminal_on_output)
        streams[1] = options.terminal;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        abort();

    run_result result;
    pid_t child = fork();
    if (child == 0)
        become_program(options, streams, argv.data(), envp.data(), report[1]);
    close(report[1]);
    if (child > 0 && read(report[0], &result.exec_error, sizeof result.exec_error) <= 0)
        result.exec_error = 0;
    close(report[0]);
    int wait_status = 0;
    if (child > 0 && waitpid(child, &wait_status, 0) == child) {
        if (WIFEXITED(wait_status))
            result.status = WEXITSTATUS(wait_status);
        if (WIFSIGNALED(wait_status)) {
            result.signal = WTERMSIG(wait_status);
            result.status = 128 + result.signal;
        }
    }
    result.output = read_whole(captured_output);
    result.errors = read_whole(captured_errors);
    for (int fd : {streams[1], streams[2]}) {
        if (fd >= 0 && fd != captured_output && fd != captured_errors && fd != options.terminal)
            close(fd);
    }
    for (int fd : {captured_output, captured_errors, input}) {
        if (fd >= 0 && fd != options.terminal)
            close(fd);
    }
    return result;
}
