// The user's language as a Windows language identifier (LANGID), the form
// the runtime's language table is keyed by.
#pragma once

#include <cstdint>

// The LANGID of the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty ("de_AT.UTF-8" gives German, 0x0407). The language gives the
// primary language with its first sublanguage; Chinese takes its
// sublanguage from the territory (TW 0x0404, CN 0x0804, HK 0x0C04,
// SG 0x1004, MO 0x1404) and Serbian from the script (0x0C1A Cyrillic,
// 0x081A with "@latin"). 0x0409 (English) for "C", "POSIX", no variable, or
// a language without a LANGID.
uint16_t PlatformUserLanguageId();

// The same for one locale text, as the variables hold it.
uint16_t LanguageIdFromLocale(const char* locale);
