// File-system and environment commands.
//
// Paths come in with '/' or '\' separators and reach the system with '/';
// a path longer than 1023 bytes is refused (tests answer false, changes
// fail), never cut. Paths handed back use '/'.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The path exists and is not a directory.
bool FileExists(const RtString& path);
// The path exists and is a directory.
bool DirExists(const RtString& path);
// Removes an empty directory or a file (a symbolic link itself). Non-zero
// on success.
int32_t FileDelete(const RtString& path);
bool DirCreate(const RtString& path);
// The current directory with '/' separators, ending in exactly one '/'.
RtString DirGetCurrent();
// Clears the last error and changes the current directory. Turns every '/'
// of the caller's string itself into '\'. Failure is error 3 and 0.0.
double DirSetCurrent(RtString& path);
// The variable's value, empty when unset; an empty name gives the whole
// environment, every "name=value" entry followed by "\n".
RtString EnvGet(const RtString& name);
// Appends "=" and the value to the name string itself, then sets the
// variable (an empty value removes it).
void EnvPut(RtString& name, const RtString& value);
// Turns every '\' of the string into '/'.
void PathToSlashes(RtString& s);
// Matches a name against a pattern of '*' (any run) and '?' (any one
// character but '.'); letters compare without regard to case; "*.*"
// matches every name. Null counts as empty.
bool WildcardMatch(const char* pattern, const char* name);
// _stricmp of the two texts: negative, 0 or positive.
int32_t StringCompareNoCase(const RtString& a, const RtString& b);
// Clears the last error and copies the source (a file or a memory-file
// name) over the destination in chunks of 4096 bytes. Error 3 when either
// cannot be opened, when both name the same file (the source is kept), or
// when a read or write fails midway (the partial destination is deleted).
void FileCopy(const RtString& source, const RtString& destination);
