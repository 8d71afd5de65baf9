// What the list file and the package manager can carry as a repository's name and URL.
#pragma once

// Whether name survives a round trip through the list file as a section name and is a name the
// package manager accepts: 1 to 49 bytes; no line break, "[", "]" or "/"; no white space at either
// end or before a ";"; neither "local" nor "options".
[[nodiscard]] bool is_valid_repository_name(const char* name);

// Whether url survives a round trip through the list file as the value of a "Server" line: 1 to 190
// bytes; no line break; no white space at either end or before a ";"; no ";" at the start.
[[nodiscard]] bool is_valid_repository_url(const char* url);
