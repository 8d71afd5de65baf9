// Runs every input through the real entry of test, as the words of its command line, and checks how the
// run ends. The input is split into words at null bytes (each null byte ends a word, and a last
// unterminated piece is a word when it is not empty), so every argument list can be written.
//
// The entry ends the process through exit, _exit or abort, so each input runs in a child process and the
// parent judges the outcome. The child's status must be 0, 1 or 2; 0 and 1 come with an empty standard
// error; 2 comes with exactly one diagnostic, "test: " and a known message, whose argument is one of the
// words either as typed or quoted. A signal, a sanitizer report or anything else aborts the parent, which
// is what the fuzzer records as a crash.
//
// Built three ways: with afl-clang-fast it loops in the fork server's persistent mode, reading inputs
// from shared memory (the child's coverage lands in the same shared map); otherwise it replays the files
// and directories named on its command line, or standard input when none is named.
#include "support/quote.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// main.cc keeps main() alone; included here under another name, it runs each input through the very
// code of the program.
#define main run_test_entry
#include "condition/main.cc"
#undef main

#ifdef __AFL_FUZZ_TESTCASE_LEN
__AFL_FUZZ_INIT();
#endif

namespace {

constexpr size_t max_input = 1 << 20;
constexpr size_t max_words = max_input + 2;
constexpr size_t max_report = 1 << 16;

char* word_storage; // the input, with a null byte after every word
char** word_vector; // "test", the words, a null pointer
int word_count; // elements of word_vector before the null pointer
char report[max_report + 1];
size_t report_length;

// Splits data into word_vector, argv-style.
void split_words(const unsigned char* data, size_t size)
{
    memcpy(word_storage, data, size);
    word_storage[size] = '\0';
    static char invocation_name[] = "test";
    word_vector[0] = invocation_name;
    word_count = 1;
    size_t start = 0;
    for (size_t i = 0; i <= size; i++) {
        if (i < size && data[i] != '\0')
            continue;
        if (i < size || i > start)
            word_vector[word_count++] = word_storage + start;
        start = i + 1;
    }
    word_vector[word_count] = nullptr;
}

[[noreturn]] void run_child(int error_pipe)
{
    // Die with the parent, so that a run the fuzzer kills for taking too long leaves nothing behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    alarm(10);
    int null_fd = open("/dev/null", O_RDWR);
    if (null_fd < 0 || dup2(null_fd, 0) < 0 || dup2(null_fd, 1) < 0 || dup2(error_pipe, 2) < 0)
        _exit(120);
    close(null_fd);
    close(error_pipe);
    exit(run_test_entry(word_count, word_vector));
}

[[noreturn]] void report_violation(const char* what, int status)
{
    fprintf(stderr, "test_words: %s (wait status 0x%x) for %d words:\n", what, status, word_count - 1);
    for (int i = 1; i < word_count; i++)
        fprintf(stderr, "  word %d: %s\n", i, quote_argument(word_vector[i]));
    fprintf(stderr, "standard error of the run (%zu bytes):\n", report_length);
    fwrite(report, 1, report_length, stderr);
    abort();
}

bool is_some_word(std::string_view text)
{
    for (int i = 1; i < word_count; i++) {
        if (text == word_vector[i])
            return true;
    }
    return false;
}

bool is_some_quoted_word(std::string_view text)
{
    for (int i = 1; i < word_count; i++) {
        if (text == quote_argument(word_vector[i]))
            return true;
    }
    return false;
}

// The messages of a syntax error, untranslated: the run uses no catalogue of its own.
struct message_form {
    std::string_view prefix;
    std::string_view suffix;
    bool quoted; // the argument is a word as quote_argument shows it
    bool has_word;
};
constexpr message_form message_forms[] = {
    { "extra argument ", "", true, true },
    { "missing argument after ", "", true, true },
    { "invalid integer ", "", true, true },
    { "", ": unary operator expected", false, true },
    { "", ": binary operator expected", false, true },
    { "')' expected, found ", "", false, true },
    { "')' expected", "", false, false },
    { "-nt does not accept -l", "", false, false },
    { "-ot does not accept -l", "", false, false },
    { "-ef does not accept -l", "", false, false },
};

bool is_expected_diagnostic(std::string_view text)
{
    if (!text.starts_with("test: ") || !text.ends_with('\n'))
        return false;
    text.remove_prefix(6);
    text.remove_suffix(1);
    for (const message_form& form : message_forms) {
        if (!form.has_word) {
            if (text == form.prefix)
                return true;
            continue;
        }
        if (text.size() < form.prefix.size() + form.suffix.size() || !text.starts_with(form.prefix)
            || !text.ends_with(form.suffix))
            continue;
        std::string_view word
            = text.substr(form.prefix.size(), text.size() - form.prefix.size() - form.suffix.size());
        if (form.quoted ? is_some_quoted_word(word) : is_some_word(word))
            return true;
    }
    return false;
}

void read_report(int fd)
{
    report_length = 0;
    char discard[4096];
    for (;;) {
        char* into = report_length < max_report ? report + report_length : discard;
        size_t room = report_length < max_report ? max_report - report_length : sizeof discard;
        ssize_t n = read(fd, into, room);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (into != discard)
            report_length += n;
    }
    report[report_length] = '\0';
}

void check_one_run(const unsigned char* data, size_t size)
{
    if (size > max_input)
        return;
    split_words(data, size);
    int error_pipe[2];
    if (pipe(error_pipe) != 0)
        abort();
    fflush(nullptr);
    pid_t child = fork();
    if (child < 0)
        abort();
    if (child == 0) {
        close(error_pipe[0]);
        run_child(error_pipe[1]);
    }
    close(error_pipe[1]);
    read_report(error_pipe[0]);
    close(error_pipe[0]);
    int status;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            abort();
    }
    if (WIFSIGNALED(status))
        report_violation("killed by a signal", status);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 2)
        report_violation("unexpected exit status", status);
    std::string_view text(report, report_length);
    if (text.find("Sanitizer") != text.npos || text.find("runtime error") != text.npos)
        report_violation("sanitizer report", status);
    if (WEXITSTATUS(status) < 2 && report_length != 0)
        report_violation("output on standard error with status 0 or 1", status);
    if (WEXITSTATUS(status) == 2 && !is_expected_diagnostic(text))
        report_violation("status 2 without exactly one expected diagnostic", status);
}

#ifndef __AFL_FUZZ_TESTCASE_LEN
bool read_file(const char* path, unsigned char* data, size_t* size)
{
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return false;
    *size = 0;
    ssize_t n;
    while ((n = read(fd, data + *size, max_input - *size)) > 0)
        *size += n;
    close(fd);
    return n == 0;
}

// Replays one file, or every file of one directory. Returns the number of inputs run, -1 on failure.
int replay_path(const char* path, unsigned char* data)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return -1;
    size_t size;
    if (!S_ISDIR(status.st_mode)) {
        if (!read_file(path, data, &size))
            return -1;
        check_one_run(data, size);
        return 1;
    }
    DIR* directory = opendir(path);
    if (!directory)
        return -1;
    int runs = 0;
    while (dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        char file[4096];
        snprintf(file, sizeof file, "%s/%s", path, entry->d_name);
        if (!read_file(file, data, &size)) {
            runs = -1;
            break;
        }
        check_one_run(data, size);
        runs++;
    }
    closedir(directory);
    return runs;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    // The diagnostics are checked against the untranslated messages, and the parent quotes words the
    // way the child will, so both take the same locale: C.UTF-8 unless LC_ALL names another.
    unsetenv("LANGUAGE");
    setenv("LC_ALL", "C.UTF-8", 0);
    setlocale(LC_ALL, "");
    word_storage = static_cast<char*>(malloc(max_input + 1));
    word_vector = static_cast<char**>(malloc(max_words * sizeof(char*)));
    if (!word_storage || !word_vector)
        return 2;
#ifdef __AFL_FUZZ_TESTCASE_LEN
    (void)argc;
    (void)argv;
    __AFL_INIT();
    unsigned char* buffer = __AFL_FUZZ_TESTCASE_BUF;
    while (__AFL_LOOP(100000))
        check_one_run(buffer, __AFL_FUZZ_TESTCASE_LEN);
    return 0;
#else
    unsigned char* data = static_cast<unsigned char*>(malloc(max_input));
    if (!data)
        return 2;
    int status = 0;
    if (argc < 2) {
        size_t size = fread(data, 1, max_input, stdin);
        check_one_run(data, size);
    }
    for (int i = 1; i < argc && status == 0; i++) {
        int runs = replay_path(argv[i], data);
        if (runs < 0) {
            fprintf(stderr, "test_words: cannot read %s\n", argv[i]);
            status = 2;
        } else {
            printf("%s: %d inputs\n", argv[i], runs);
        }
    }
    // Freed so that the leak checker of a sanitized replay has nothing to report.
    free(data);
    return status;
#endif
}
