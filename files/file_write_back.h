// Writing a whole file back safely, for the stores that keep a file in
// memory and write it at exit (INI data, the line store), and for files
// written in pieces that must replace the old one only once complete (a
// download).
//
// The name is fixed as an absolute path when the file is opened, so that a
// later change of the current directory cannot send the write elsewhere.
// The write goes to a temporary file beside the target which is then renamed
// over it, so a failed write never loses the old file.
#pragma once

#include <cstddef>
#include <string>

#include "files/file_paths.h"

// The path the system is asked for (SystemPath: every '\' turned into '/'),
// made absolute against the current directory. Empty when the name is
// empty, longer than kMaxPathBytes (never cut), a memory-file name, or the
// current directory is unknown.
std::string WriteBackPath(const char* name);

// Replaces the file at the absolute path with the bytes: a temporary file
// beside it (O_CREAT|O_EXCL|O_NOFOLLOW) is written in full and renamed over
// the path. An empty directory standing under the name is removed first.
// The new file keeps the mode of the file it replaces (a new one gets 0666
// less the umask). Returns false, leaving the old file as it was, when
// anything fails.
bool WriteBackFile(const std::string& path, const char* bytes, size_t count);

// The same in steps: WriteBackBegin opens the temporary file beside the
// absolute path (false when it cannot), the caller writes to fd, and then
// either WriteBackFinish puts it in the path's place as WriteBackFile does
// (false, with the temporary file removed, when that fails) or
// WriteBackAbandon removes it. Either way fd is closed and the old file is
// untouched unless the finish succeeded.
struct StagedWrite {
  std::string path;
  std::string tempName;
  int fd = -1;
};
bool WriteBackBegin(StagedWrite& file, const std::string& path);
bool WriteBackFinish(StagedWrite& file);
void WriteBackAbandon(StagedWrite& file);
