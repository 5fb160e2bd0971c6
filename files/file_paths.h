// Names on their way to the system: bounded, with '/' separators.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// The longest name the file layer hands to the system. A longer name fails:
// it is never cut, since a cut name would open another file.
inline constexpr size_t kMaxPathBytes = 1023;

// The name as the system sees it: a copy with every '\' turned into '/'.
// False for null or a name longer than kMaxPathBytes.
bool SystemPath(const char* name, std::string* out);

// Removes what has the (system) path: a directory with rmdir (only when
// empty), anything else, symbolic links included, with unlink. Returns
// true on success.
bool RemovePath(const std::string& path);

// Removes what has the path, then creates a new empty file there for
// reading and writing (never through a symbolic link, O_EXCL). Returns
// the fd or -1.
int CreateFresh(const std::string& path, mode_t mode);
