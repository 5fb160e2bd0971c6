#include "files/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/c_runtime.h"
#include "files/file_paths.h"
#include "files/file_stream.h"
#include "files/memory_file.h"
#include "platform/file_io.h"
#include "process/error_state.h"

extern char** environ;

namespace {

// stat of the path as the system sees it; false for a path too long.
bool StatPath(const RtString& path, struct stat* st) {
  std::string system;
  return SystemPath(path.c_str(), &system) && !system.empty() && stat(system.c_str(), st) == 0;
}

void ReplaceByte(RtString& s, char from, char to) {
  for (uint32_t i = 0; i < s.length; ++i) {
    if (s.text[i] == from) s.text[i] = to;
  }
}

uint8_t Lower(char c) { return CrtToLower(static_cast<uint8_t>(c)); }

}  // namespace

bool FileExists(const RtString& path) {
  struct stat st {};
  return StatPath(path, &st) && !S_ISDIR(st.st_mode);
}

bool DirExists(const RtString& path) {
  struct stat st {};
  return StatPath(path, &st) && S_ISDIR(st.st_mode);
}

int32_t FileDelete(const RtString& path) {
  std::string system;
  if (!SystemPath(path.c_str(), &system) || system.empty()) return 0;
  return RemovePath(system) ? 1 : 0;
}

bool DirCreate(const RtString& path) {
  std::string system;
  return SystemPath(path.c_str(), &system) && !system.empty() && mkdir(system.c_str(), 0777) == 0;
}

RtString DirGetCurrent() {
  std::vector<char> buffer(1024);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return RtString("/");
    buffer.resize(buffer.size() * 2);
  }
  RtString path(buffer.data());
  PathToSlashes(path);
  if (path.length == 0 || path.text[path.length - 1] != '/') StringAppendChar(path, '/');
  return path;
}

double DirSetCurrent(RtString& path) {
  ClearLastError();
  ReplaceByte(path, '/', '\\');
  std::string system;
  if (!SystemPath(path.c_str(), &system) || system.empty() || chdir(system.c_str()) != 0) {
    RuntimeSetError(kErrorFile);
    return 0.0;
  }
  return 1.0;
}

RtString EnvGet(const RtString& name) {
  if (name.length == 0) {
    RtString all;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
      StringAppendCStr(all, *entry);
      StringAppendChar(all, '\n');
    }
    return all;
  }
  const char* value = std::getenv(name.c_str());
  return RtString(value != nullptr ? value : "");
}

void EnvPut(RtString& name, const RtString& value) {
  StringAppendChar(name, '=');
  StringAppend(name, value);
  StringReserve(name, 1024, true);
  // The entry as _putenv reads it: the name up to the first '=', the value
  // behind it; an empty value removes the variable.
  const std::string entry = name.c_str();
  const size_t equals = entry.find('=');
  if (equals == 0 || equals == std::string::npos) return;
  const std::string key = entry.substr(0, equals);
  const std::string text = entry.substr(equals + 1);
  if (text.empty()) {
    unsetenv(key.c_str());
  } else {
    setenv(key.c_str(), text.c_str(), 1);
  }
}

void PathToSlashes(RtString& s) { ReplaceByte(s, '\\', '/'); }

bool WildcardMatch(const char* pattern, const char* name) {
  const char* p = pattern != nullptr ? pattern : "";
  const char* s = name != nullptr ? name : "";
  if (p[0] == '*' && p[1] == '.' && p[2] == '*' && p[3] == '\0') return true;
  const char* starPattern = nullptr;  // behind the last '*'
  const char* starName = nullptr;     // where that '*' began matching
  while (*s != '\0') {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (*p == '\0') return true;
      starPattern = p;
      starName = s;
      continue;
    }
    if ((*p == '?' && *s != '.') || (*p != '\0' && *p != '?' && Lower(*p) == Lower(*s))) {
      ++p;
      ++s;
      continue;
    }
    if (starPattern == nullptr) return false;
    p = starPattern;
    s = ++starName;
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

int32_t StringCompareNoCase(const RtString& a, const RtString& b) { return CrtStricmp(a.c_str(), b.c_str()); }

void FileCopy(const RtString& source, const RtString& destination) {
  ClearLastError();
  FileStream in;
  std::string target;
  const bool targetOk = !IsMemoryFileName(destination.c_str()) && SystemPath(destination.c_str(), &target) &&
                        !target.empty();
  if (!StreamOpen(in, source.c_str()) || !targetOk) {
    StreamClose(in);
    RuntimeSetError(kErrorFile);
    return;
  }
  // Copying a file onto itself would delete it first: refuse.
  struct stat from {};
  struct stat to {};
  if (in.fd != -1 && fstat(in.fd, &from) == 0 && stat(target.c_str(), &to) == 0 && from.st_dev == to.st_dev &&
      from.st_ino == to.st_ino) {
    StreamClose(in);
    RuntimeSetError(kErrorFile);
    return;
  }
  int out = CreateFresh(target, 0666);
  if (out == -1) {
    StreamClose(in);
    RuntimeSetError(kErrorFile);
    return;
  }
  char chunk[4096];
  bool ok = true;
  for (int64_t offset = 0; ok && offset < in.size; offset += static_cast<int64_t>(sizeof chunk)) {
    const int64_t left = in.size - offset;
    const int32_t n = static_cast<int32_t>(left < static_cast<int64_t>(sizeof chunk) ? left : sizeof chunk);
    ok = StreamRead(in, chunk, n) && PlatformWriteAll(out, chunk, static_cast<size_t>(n));
  }
  StreamClose(in);
  PlatformCloseFd(out);
  if (!ok) {
    RemovePath(target);
    RuntimeSetError(kErrorFile);
  }
}
