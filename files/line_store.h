// The line store: one text file cached in a static block as 256 lines of
// up to 1023 bytes, read and written by line number (0 to 255).
//
// Every get or put names the file; a name other than the cached one (under
// strcmp) writes the cached file back when it was changed, then loads the
// named one. The changed file is also written back at exit. A file is
// written as lines 0 to `last`, each followed by "\r\n"; a file cached from
// a memory-file name is never written back.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

inline constexpr int32_t kLineStoreLines = 256;
inline constexpr int32_t kLineStoreLineBytes = 1024;  // 1023 bytes and the terminator

struct LineStore {
  char name[kLineStoreLineBytes];  // the cached file as the caller named it; "" when none
  char lines[kLineStoreLines][kLineStoreLineBytes];
  int32_t last;       // the highest line number in use
  uint8_t changed;    // 1 after a put since the file was loaded
  char writePath[4096];  // the name made absolute when it was loaded; "" = never written
};

// The process-wide store of the line commands.
extern LineStore g_lineStore;

// Each of these three first clears the last error code.
// Switches the store to name (null: writes back and empties). Answers 0, or
// 3 with error 3 when the file cannot be found or opened, or the name is
// longer than 1023 bytes (the store is then left as it was).
double LineFileOpen(LineStore& store, const char* name);
// index above 255: "NO_DATA", error 7, answer 7. An unreadable file:
// "NO_FILE", answer 3. Otherwise the line with the control bytes at its end
// cut, "NO_DATA" when nothing is left; answer 0.
double LineFileGet(const char* name, uint32_t index, RtString& out);
// index above 255, or a text longer than 1023 bytes: error 7, answer 7,
// nothing stored. A name longer than 1023 bytes: error 3, answer 3.
// Otherwise the text becomes the line (a missing file is started empty,
// leaving error 3 set); answer 0.
double LineFilePut(const char* name, uint32_t index, const RtString& text);
// The exit handler: writes the cached file back when changed and empties.
void LineFileFlush();

// The commands of the BASIC program; line numbers are truncated to integers.
void LineFileGetString(const RtString& name, double line, RtString& out);
void LineFileGetDouble(const RtString& name, double line, double& out);
void LineFileGetInt(const RtString& name, double line, int32_t& out);
void LineFilePutString(const RtString& name, double line, const RtString& text);
void LineFilePutDouble(const RtString& name, double line, double value);

// Tests: empties the store without writing it back.
void LineStoreResetForTest();
