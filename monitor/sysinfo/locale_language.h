#pragma once
// The user's language on Linux as a Windows language identifier, so that the language table of
// the version record answers for it.

#include <cstdint>
#include <string>
#include <string_view>

// The locale that names the user's language: LC_ALL, else LC_MESSAGES, else LANG; "" when none
// is set.
std::string UserLocaleName();

// The language identifier of a locale name such as "de_DE.UTF-8" or "pt_BR@euro"; a name without
// a territory takes the language's default one ("pt" as pt_BR). 0 when the locale has no
// identifier here, as for "C" and "POSIX".
uint16_t LanguageIdFromLocale(std::string_view locale);
