// The locale and the message catalogue, set up the first time a result depends on them.
#pragma once

// Process-wide: false until set_up_locale first runs. Tests that choose their own locale and text
// domain set it to true, so that nothing replaces them with the environment's.
extern bool is_locale_set_up;

// Sets the locale of every category from the environment and makes "plendra", under
// /usr/share/locale, the text domain; the first call does the work and later calls nothing. Callers
// run it before they look up a message, ask about the locale's characters or have error() print
// anything. errno may change.
void set_up_locale();
