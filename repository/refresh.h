// The database refresh that follows every change of the list.
#pragma once

// Runs "pacman --sync --refresh" through the command interpreter, which inherits the standard
// streams, with SIGCHLD at its default action, and returns what system() returned.
int refresh_databases();

// The exit status that the result of refresh_databases gives the run: 1 when the command could not
// be run, its own exit status when it exited, and 128 plus the signal number when a signal ended it.
int refresh_exit_status(int system_result);
