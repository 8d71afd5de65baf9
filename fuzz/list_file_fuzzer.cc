// Reads the input as lurvek's list file through the real INI reader, writes the table back in the
// program's format and reads that again. Checks: the table never holds more than its 1024 records, every
// record is complete and has a name that `add` accepts, and the second reading gives the same table as
// the first, for every table whose values the format can carry (see can_round_trip).
//
// Then, as `add` would, adds the repository whose name and URL are the first two null-terminated pieces
// of the input, when the checks of `add` accept them, and checks that the file written afterwards reads
// back as exactly the expected table: whatever `add` accepts, the file must carry. Last, removes one
// of the records and checks the file written afterwards in the same way.
//
// Of the program it calls read_list_stream, clear_repository_table,
// add_repository, remove_repository, write_repository_records, is_valid_repository_name and
// is_valid_repository_url, and reads repository_table and record_count. Files are streams over memory,
// and a table is kept as one string ("name", "server", "level", each ended by a null byte, record
// after record) whose storage serves every input, so that the checks allocate next to nothing of
// their own.
#include "repository/list_file.h"
#include "repository/repository_list.h"
#include "repository/validate.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The reader takes a line in pieces of at most 199 characters, so the longest value that comes back
// whole after "Server = " or "SigLevel = " is 190 or 188 characters.
constexpr size_t max_line = 199;
constexpr size_t max_server = max_line - std::string_view("Server = ").size();
constexpr size_t max_sig_level = max_line - std::string_view("SigLevel = ").size();
static_assert(max_server == 190 && max_sig_level == 188);

// A written table: at most 1024 records of three values, none longer than the line that held it.
char written_storage[max_repositories * 4 * (max_line + 16)];
// The buffers of the streams, which would otherwise be allocated for each one.
char read_buffer[BUFSIZ];
char write_buffer[BUFSIZ];

[[noreturn]] void report_violation(const char* what, std::string_view input, std::string_view rewritten)
{
    fprintf(stderr, "list_file: %s\n--- input (%zu bytes) ---\n", what, input.size());
    fwrite(input.data(), 1, input.size(), stderr);
    fprintf(stderr, "\n--- written back (%zu bytes) ---\n", rewritten.size());
    fwrite(rewritten.data(), 1, rewritten.size(), stderr);
    fputc('\n', stderr);
    abort();
}

// Reads text as the list file, into the table, which must be empty. Returns what the reading found.
list_reading read_list(std::string_view text)
{
    // A stream over the bytes reads them as a file would be read, null bytes included.
    FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (stream == nullptr || setvbuf(stream, read_buffer, _IOFBF, sizeof read_buffer) != 0)
        abort();
    list_reading result = read_list_stream(stream);
    fclose(stream);
    return result;
}

void append_record(std::string& table, std::string_view name, std::string_view server, std::string_view level)
{
    for (std::string_view value : { name, server, level }) {
        table += value;
        table += '\0';
    }
}

// Copies the records of the program's table into table, and returns their number.
size_t copy_table(std::string& table, std::string_view input)
{
    table.clear();
    size_t count = 0;
    for (const repository_record& record : repository_table) {
        if (record.name == nullptr)
            break;
        if (record.server == nullptr || record.sig_level == nullptr || record.removed)
            report_violation("incomplete record in the table", input, "");
        if (!is_valid_repository_name(record.name))
            report_violation("a record whose name add refuses", input, "");
        append_record(table, record.name, record.server, record.sig_level);
        count++;
    }
    return count;
}

// Takes the next value off a table kept as one string.
std::string_view take_value(std::string_view& table)
{
    std::string_view value = table.substr(0, table.find('\0'));
    table.remove_prefix(value.size() + 1);
    return value;
}

// Whether the format can carry a value that the reader delivered. The reader takes lines of at most
// 199 characters, so a file with a longer "Server = " or "SigLevel = " line is refused; and it takes
// a ";" after white space for the start of a comment, which the blank after "=" makes of a ";" at
// the start of a value. Such values are lost at the first rewrite.
bool can_carry(std::string_view value, size_t longest)
{
    if (value.size() > longest || value.starts_with(';'))
        return false;
    for (size_t i = 1; i < value.size(); i++) {
        if (value[i] == ';' && isspace(static_cast<unsigned char>(value[i - 1])))
            return false;
    }
    return true;
}

bool can_round_trip(std::string_view table)
{
    while (!table.empty()) {
        take_value(table);
        if (!can_carry(take_value(table), max_server) || !can_carry(take_value(table), max_sig_level))
            return false;
    }
    return true;
}

std::string_view write_table(std::string_view input)
{
    FILE* stream = fmemopen(written_storage, sizeof written_storage, "w");
    if (stream == nullptr || setvbuf(stream, write_buffer, _IOFBF, sizeof write_buffer) != 0)
        abort();
    if (!write_repository_records(stream) || fflush(stream) != 0)
        report_violation("writing the table failed", input, "");
    long length = ftell(stream);
    fclose(stream);
    return std::string_view(written_storage, static_cast<size_t>(length));
}

// The table that add_repository(name, server, "Optional") should leave behind.
void expect_added(std::string& expected, std::string_view before, size_t count, std::string_view name,
    std::string_view server)
{
    expected.clear();
    bool found = false;
    while (!before.empty()) {
        std::string_view record_name = take_value(before);
        std::string_view record_server = take_value(before);
        std::string_view record_level = take_value(before);
        if (!found && record_name == name) {
            found = true;
            append_record(expected, name, server, "Optional");
        } else {
            append_record(expected, record_name, record_server, record_level);
        }
    }
    if (!found && count < size_t(max_repositories))
        append_record(expected, name, server, "Optional");
}

// The table without its first record called name.
void expect_removed(std::string& expected, std::string_view before, std::string_view name)
{
    expected.clear();
    bool found = false;
    while (!before.empty()) {
        std::string_view record_name = take_value(before);
        std::string_view record_server = take_value(before);
        std::string_view record_level = take_value(before);
        if (!found && record_name == name)
            found = true;
        else
            append_record(expected, record_name, record_server, record_level);
    }
}

// The tables of one input: as first read, expected after a change, and as read back.
std::string first;
std::string expected;
std::string read_back;

// Adds the repository named by the input to the program's table, which holds the records of first.
// Returns true when it added one, which changes the table.
bool check_add(std::string_view input, size_t count)
{
    std::string_view name = input.substr(0, input.find('\0'));
    std::string_view rest = input.substr(std::min(input.size(), name.size() + 1));
    std::string_view server = rest.substr(0, rest.find('\0'));
    // Both end at a null byte of the input or at its end; copies give them their own.
    std::string name_copy(name);
    std::string server_copy(server);
    if (!is_valid_repository_name(name_copy.c_str()) || !is_valid_repository_url(server_copy.c_str()))
        return false;
    if (!add_repository(name_copy.c_str(), server_copy.c_str(), "Optional")) {
        if (count != size_t(max_repositories))
            report_violation("add refused with room in the table", input, "");
        return false;
    }
    std::string_view written = write_table(input);
    clear_repository_table();
    read_list(written);
    copy_table(read_back, input);
    expect_added(expected, first, count, name, server);
    if (read_back != expected)
        report_violation("the table read back after add differs", input, written);
    return true;
}

// Removes one record, chosen by the input's size, as `remove` would, from the program's table, which
// holds the records of first, and checks that the file written afterwards reads back as the table
// without the first record of that name.
void check_remove(std::string_view input, size_t count)
{
    if (count == 0)
        return;
    std::string_view table = first;
    for (size_t i = input.size() % count; i > 0; i--) {
        for (int value = 0; value < 3; value++)
            take_value(table);
    }
    std::string name(take_value(table));
    if (!remove_repository(name.c_str()))
        report_violation("remove did not find a record of the table", input, "");
    std::string_view written = write_table(input);
    clear_repository_table();
    read_list(written);
    copy_table(read_back, input);
    expect_removed(expected, first, name);
    if (read_back != expected)
        report_violation("the table read back after remove differs", input, written);
}

// Checks the input, with the table empty before and filled after.
void check_list(std::string_view input)
{
    // A file that the program refuses leaves nothing to check.
    if (read_list(input) != list_reading::read)
        return;
    if (record_count < 0)
        report_violation("negative record count", input, "");
    // Beyond the table the program refuses to go on, so there is nothing to write back.
    if (record_count > max_repositories)
        return;
    size_t count = copy_table(first, input);
    if (count != size_t(record_count))
        report_violation("record count disagrees with the table", input, "");
    std::string_view written = write_table(input);
    clear_repository_table();
    read_list(written);
    copy_table(read_back, input);
    if (!can_round_trip(first))
        return;
    if (read_back != first)
        report_violation("the table read back differs", input, written);
    // The table read back is the table of the input, record for record: add and remove can work on
    // it as they would on the input's. After an add, the input is read again for the remove.
    if (check_add(input, count)) {
        clear_repository_table();
        read_list(input);
    }
    check_remove(input, count);
}

} // namespace

// Clearing the table frees three pointers of each of its 1024 slots, most of them null. The address
// sanitizer records a stack trace for every call to free, null or not, which made the clearing a
// large part of the cost of an input; the link sends the calls to free here (-Wl,--wrap=free), and only those
// with a block to free go on.
extern "C" void __real_free(void* block);
extern "C" void __wrap_free(void* block)
{
    if (block != nullptr)
        __real_free(block);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check_list(std::string_view(reinterpret_cast<const char*>(data), size));
    // Every input frees what it allocated, so that the fuzzer's leak check stays quiet, and leaves the
    // table empty for the next.
    clear_repository_table();
    return 0;
}
