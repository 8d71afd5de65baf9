#include "support/close_streams.h"

#include <cerrno>
#include <error.h>
#include <libintl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include "support/failure.h"
#include "support/locale_setup.h"

int close_stream_with_status(FILE* stream)
{
    // The unlocked form is inline: the process is single-threaded, and a call into the library would
    // cost every run a symbol lookup.
    bool had_write_error = ferror_unlocked(stream) != 0;
    bool has_pending_output = __fpending(stream) != 0;
    bool close_failed = fclose(stream) != 0;
    if (had_write_error) {
        // The close may have succeeded; errno from an earlier call would then describe nothing.
        if (!close_failed)
            errno = 0;
        return -1;
    }
    if (!close_failed)
        return 0;
    // A descriptor that was closed when the program started is fine, as long as nothing was
    // written to it.
    if (has_pending_output || errno != EBADF)
        return -1;
    return 0;
}

void close_output_streams()
{
    if (close_stream_with_status(stdout) != 0) {
        // Taken before the locale is set up and the catalogue consulted, which must not be able to
        // change what is reported. error() gives errno's text in the locale too.
        int error_number = errno;
        set_up_locale();
        error(0, error_number, "%s", gettext("write error"));
        _exit(failure_exit_status);
    }
    // Standard error cannot carry a message about itself.
    if (close_stream_with_status(stderr) != 0)
        _exit(failure_exit_status);
}
