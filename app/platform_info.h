// PlatformInfo: answers about the platform and the program, by key.
//
// Keys match without regard to case: "" "WIN32", "DEVICE" "DESKTOP",
// "GLEXT:" + name "1" or "0", "ID" the device id, "TIME" and "UTCTIME"
// "YYYY-MM-DD hh:mm:ss", "BATTERY" percent (100 without a battery),
// "COMPILED", "HOSTID", "VERSION" the game's texts, "LOCALE" a two-letter
// language code ("us" by default), "DOCUMENTS", "APPDATA" (with "/Vantrel",
// created) and "TEMP" (with a trailing '/') folders, "DPI" at least 96; any
// other key, or a folder the environment does not name, "NO_DATA".
#pragma once

#include <cstdint>

#include "core/rt_string.h"

RtString PlatformInfo(RtString key);

// The "ID" answer for a volume serial number: with a serial, 8 hexadecimal
// digits derived from it; with 0, the 32 digits kept in "vantrel.deviceid"
// in the "APPDATA" folder (made there on first use); "FA17ED" when that file
// can be neither read nor written, or when there is no application-data
// folder (no file is touched then).
RtString DeviceIdForSerial(uint32_t serial);

// The two-letter answer of "LOCALE" for a Windows language id; "us" for an
// id the table does not hold.
const char* LanguageCodeFromId(uint16_t language_id);
