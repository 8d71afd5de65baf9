// The quotation marks that suit the locale, and the name of the locale's character set.
#pragma once

#include <langinfo.h>

// Process-wide, for tests only: what the machine cannot be made to answer on demand. Only tests set
// them. A null langinfo_query means nl_langinfo itself: a pointer initialised to a library function
// would cost every run a symbol lookup at load time.
extern char* (*langinfo_query)(nl_item item);
extern unsigned ansi_code_page; // stands in for the system's ANSI code page: 20127

// Both functions take the locale and the catalogue as they are: callers set them up first.

// Returns the mark for message_id, "`" (left) or "'" (right): the catalogue's translation when there
// is one, else U+2018 or U+2019 in UTF-8 or GB18030 when the character set is one of those, else "'".
// The result stays valid for the rest of the process.
const char* choose_quote_mark(const char* message_id);

// Returns the name of the locale's character set. It may point into a buffer that the next call
// overwrites, or into the environment, so read it before anything else changes either.
const char* current_charset_name();

// Returns true when name and canonical are equal, ignoring the case of ASCII letters only.
bool charset_name_is(const char* name, const char* canonical);
