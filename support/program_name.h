// The name under which the program was started, as error() prints it.
#pragma once

// Stores name (element 0 of argv) in program_invocation_name, without a "/.libs/" directory and "lt-"
// prefix that a libtool wrapper leaves. Aborts with a message when name is a null pointer.
void record_invocation_name(const char* name);
