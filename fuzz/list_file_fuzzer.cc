// Reads the input as lurvek's list file through the real INI reader, writes the table back in the
// program's format and reads that again. Checks: the table never holds more than its 1024 records, every
// record is complete, and the second reading gives the same table as the first, for every table whose
// values the format can carry (see can_round_trip).
//
// Then, as `add` would, adds the repository whose name and URL are the first two null-terminated pieces
// of the input, when the checks of `add` accept them, and checks that the file written afterwards reads
// back as exactly the expected table: whatever `add` accepts, the file must carry. Last, removes one
// of the records and checks the file written afterwards in the same way.
#include "repository/list_file.h"
#include "repository/repository_list.h"
#include "repository/validate.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ini.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct record_copy {
    std::string name;
    std::string server;
    std::string sig_level;
    bool operator==(const record_copy&) const = default;
};

// The reader takes a line in pieces of at most 199 characters, so the longest value that comes back
// whole after "Server = " or "SigLevel = " is 190 or 188 characters.
constexpr size_t max_line = 199;
constexpr size_t max_server = max_line - std::string_view("Server = ").size();
constexpr size_t max_sig_level = max_line - std::string_view("SigLevel = ").size();
static_assert(max_server == 190 && max_sig_level == 188);

[[noreturn]] void report_violation(const char* what, std::string_view input, std::string_view rewritten)
{
    fprintf(stderr, "list_file: %s\n--- input (%zu bytes) ---\n", what, input.size());
    fwrite(input.data(), 1, input.size(), stderr);
    fprintf(stderr, "\n--- written back (%zu bytes) ---\n", rewritten.size());
    fwrite(rewritten.data(), 1, rewritten.size(), stderr);
    fputc('\n', stderr);
    abort();
}

// Reads text as the list file, into the cleared table.
void read_list(std::string_view text)
{
    clear_repository_table();
    // A stream over the bytes reads them as a file would be read, null bytes included.
    FILE* stream = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (stream == nullptr)
        abort();
    // The result only tells whether some line was not taken, which the program ignores as well.
    (void)ini_parse_file(stream, collect_repository, nullptr);
    fclose(stream);
}

std::vector<record_copy> copy_table(std::string_view input)
{
    std::vector<record_copy> table;
    for (const repository_record& record : repository_table) {
        if (record.name == nullptr)
            break;
        if (record.server == nullptr || record.sig_level == nullptr || record.removed)
            report_violation("incomplete record in the table", input, "");
        table.push_back({ record.name, record.server, record.sig_level });
    }
    return table;
}

// Whether the format can carry a value that the reader delivered. The reader takes a line in pieces
// of at most 199 characters, so a longer "Server = " or "SigLevel = " line comes back cut; and it takes
// a ";" after white space for the start of a comment, which a value can hold when it came from an
// indented continuation line (where this reader keeps such comments), and which the blank after "="
// makes of a ";" at the start of a value. Such values are lost at the first rewrite.
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

bool can_round_trip(const std::vector<record_copy>& table)
{
    for (const record_copy& record : table) {
        if (!can_carry(record.server, max_server) || !can_carry(record.sig_level, max_sig_level))
            return false;
    }
    return true;
}

std::string write_table(std::string_view input)
{
    char* text = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&text, &size);
    if (stream == nullptr)
        abort();
    if (!write_repository_records(stream))
        report_violation("writing the table failed", input, "");
    fclose(stream);
    std::string written(text, size);
    free(text);
    return written;
}

// The table that add_repository(name, server, "Optional") should leave behind.
std::vector<record_copy> expect_added(std::vector<record_copy> table, const char* name, const char* server)
{
    for (record_copy& record : table) {
        if (record.name == name) {
            record.server = server;
            record.sig_level = "Optional";
            return table;
        }
    }
    if (table.size() < size_t(max_repositories))
        table.push_back({ name, server, "Optional" });
    return table;
}

void check_add(std::string_view input, const std::vector<record_copy>& before)
{
    std::string name(input.substr(0, input.find('\0')));
    std::string_view rest = input.substr(std::min(input.size(), name.size() + 1));
    std::string server(rest.substr(0, rest.find('\0')));
    if (!is_valid_repository_name(name.c_str()) || !is_valid_repository_url(server.c_str()))
        return;
    read_list(input);
    if (!add_repository(name.c_str(), server.c_str(), "Optional")) {
        if (before.size() != size_t(max_repositories))
            report_violation("add refused with room in the table", input, "");
        return;
    }
    std::string written = write_table(input);
    read_list(written);
    if (copy_table(input) != expect_added(before, name.c_str(), server.c_str()))
        report_violation("the table read back after add differs", input, written);
}

// Removes one record, chosen by the input's size, as `remove` would, and checks that the file written
// afterwards reads back as the table without the first record of that name.
void check_remove(std::string_view input, const std::vector<record_copy>& before)
{
    if (before.empty())
        return;
    std::string name = before[input.size() % before.size()].name;
    read_list(input);
    if (!remove_repository(name.c_str()))
        report_violation("remove did not find a record of the table", input, "");
    std::vector<record_copy> expected = before;
    for (size_t i = 0; i < expected.size(); i++) {
        if (expected[i].name == name) {
            expected.erase(expected.begin() + i);
            break;
        }
    }
    std::string written = write_table(input);
    read_list(written);
    if (copy_table(input) != expected)
        report_violation("the table read back after remove differs", input, written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    read_list(input);
    if (record_count < 0)
        report_violation("negative record count", input, "");
    // Beyond the table the program refuses to go on, so there is nothing to write back.
    if (record_count > max_repositories)
        return 0;
    std::vector<record_copy> first = copy_table(input);
    if (first.size() != size_t(record_count))
        report_violation("record count disagrees with the table", input, "");
    std::string written = write_table(input);
    read_list(written);
    std::vector<record_copy> second = copy_table(input);
    if (!can_round_trip(first))
        return 0;
    if (second != first)
        report_violation("the table read back differs", input, written);
    check_add(input, first);
    check_remove(input, first);
    return 0;
}
