// Stands in for the fuzzing engine where there is none: runs the target once on every file named on
// the command line, and on every file of every directory named there. The normal build links the
// targets with it, so that the seed corpora and the inputs of past findings run with the other tests.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool run_file(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return false;
    std::vector<uint8_t> data;
    uint8_t block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, file)) > 0)
        data.insert(data.end(), block, block + n);
    bool read_whole = ferror(file) == 0;
    fclose(file);
    if (!read_whole)
        return false;
    // A block of exactly the input's size, so that a read past its end is caught.
    uint8_t* copy = static_cast<uint8_t*>(malloc(data.size() + 1));
    if (copy == nullptr)
        return false;
    std::copy(data.begin(), data.end(), copy);
    LLVMFuzzerTestOneInput(copy, data.size());
    free(copy);
    return true;
}

// Returns the number of inputs run, or -1 when something could not be read.
int run_path(const char* path)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return -1;
    if (!S_ISDIR(status.st_mode))
        return run_file(path) ? 1 : -1;
    DIR* directory = opendir(path);
    if (directory == nullptr)
        return -1;
    int runs = 0;
    while (dirent* entry = readdir(directory)) {
        if (entry->d_name[0] == '.')
            continue;
        char file[4096];
        snprintf(file, sizeof file, "%s/%s", path, entry->d_name);
        if (!run_file(file)) {
            runs = -1;
            break;
        }
        runs++;
    }
    closedir(directory);
    return runs;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (int i = 1; i < argc; i++) {
        int runs = run_path(argv[i]);
        if (runs < 0) {
            fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
            return 2;
        }
        printf("%s: %d inputs\n", argv[i], runs);
    }
    return 0;
}
