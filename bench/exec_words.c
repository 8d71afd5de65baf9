/* exec_words FILE PROGRAM
   Replaces itself with PROGRAM, whose arguments are the words of FILE, each ended by a NUL byte.
   A timing tool takes its command as one string, which the kernel caps at 128 KiB; this lets it
   start a program with an argument list of up to the whole argument limit. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char* read_whole_file(const char* path, size_t* length)
{
    FILE* file = fopen(path, "rb");
    if (!file)
        return NULL;
    size_t capacity = 1 << 20, used = 0;
    char* text = malloc(capacity);
    while (text) {
        used += fread(text + used, 1, capacity - used, file);
        if (used < capacity)
            break;
        capacity *= 2;
        text = realloc(text, capacity);
    }
    if (ferror(file)) {
        free(text);
        text = NULL;
    }
    fclose(file);
    *length = used;
    return text;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fputs("usage: exec_words FILE PROGRAM\n", stderr);
        return 2;
    }
    size_t length;
    char* text = read_whole_file(argv[1], &length);
    if (!text) {
        perror(argv[1]);
        return 2;
    }
    if (length > 0 && text[length - 1] != '\0') {
        fprintf(stderr, "%s: the last word is not ended by a NUL byte\n", argv[1]);
        return 2;
    }
    size_t count = 0;
    for (size_t i = 0; i < length; i++)
        count += text[i] == '\0';
    char** words = malloc((count + 2) * sizeof *words);
    if (!words) {
        perror("exec_words");
        return 2;
    }
    words[0] = argv[2];
    size_t n = 1;
    for (size_t i = 0; i < length; i += strlen(text + i) + 1)
        words[n++] = text + i;
    words[n] = NULL;
    execv(argv[2], words);
    perror(argv[2]);
    return 127;
}
