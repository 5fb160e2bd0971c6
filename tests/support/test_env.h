// Test helpers for the process environment and scratch folders.
#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"

// Sets (or, with nullopt, unsets) an environment variable for the lifetime
// of the object, restoring the old value afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A fresh folder under the system's temporary folder (or under the folder
// given), removed with all its contents at the end of the object's life.
// path() ends without '/'.
class ScratchDir {
 public:
  ScratchDir();
  explicit ScratchDir(const std::string& parent);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole contents of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Collects what the runtime sends to the debugger while it lives (through
// the VNL_DEBUG_OUT file).
class DebugCapture {
 public:
  DebugCapture();
  std::string Text() const { return ReadFileBytes(dir_.File("debug.txt")); }

 private:
  ScratchDir dir_;
  ScopedEnv env_;
};

// Polls until the condition holds, for at most about 30 seconds; whether
// it held.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 3000; ++i) {
    if (condition()) return true;
    PlatformSleep(10);
  }
  return condition();
}
