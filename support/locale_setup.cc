#include "support/locale_setup.h"

#include <clocale>
#include <libintl.h>

bool is_locale_set_up = false;

void set_up_locale()
{
    if (is_locale_set_up)
        return;
    is_locale_set_up = true;
    // Without a locale or a catalogue the messages stay untranslated, and nothing else changes.
    (void)setlocale(LC_ALL, "");
    bindtextdomain("plendra", "/usr/share/locale");
    textdomain("plendra");
}
