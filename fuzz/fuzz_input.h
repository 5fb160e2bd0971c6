// What the fuzz targets share: the process set-up of a run, the input as a
// disk file and as a memory file, the split of an input into pieces, an
// offscreen GL context, and the check that stops the run when two ways of
// reading the same bytes disagree.
//
// Each target is a libFuzzer program (fuzz/<name>_fuzz.cpp) built by the
// CMake option VNL_FUZZ and run by scripts/fuzz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Once per process, before the first input (libFuzzer's initialiser does it
// for every target that has none of its own; one that has calls it first):
// a scratch folder of its own
// that becomes TMPDIR (the error log and the media pack's temporary files
// go there), no sound card, no message boxes, offscreen video. The folder
// is removed when the process ends.
void FuzzSetUp();

// The scratch folder (without a trailing '/').
const std::string& FuzzScratchDir();

// Writes the bytes as the file of that name in the scratch folder and
// returns its path. Read-ahead windows of files are forgotten first, as any
// writer of the runtime does.
std::string FuzzWriteFile(const std::string& name, const uint8_t* data, size_t size);
std::string FuzzWriteFile(const std::string& name, const std::string& bytes);

// The whole contents of a file; empty when it cannot be read.
std::string FuzzReadFile(const std::string& path);

// Deletes the error log, so a campaign of millions of refused inputs does
// not fill the disk. Each target calls it at the end of a run.
void FuzzForgetErrorLog();

// The bytes published as a memory file for the object's lifetime.
class FuzzMemoryFile {
 public:
  FuzzMemoryFile(const uint8_t* data, size_t size);
  ~FuzzMemoryFile();
  FuzzMemoryFile(const FuzzMemoryFile&) = delete;
  FuzzMemoryFile& operator=(const FuzzMemoryFile&) = delete;
  const char* name() const { return name_.c_str(); }

 private:
  const void* base_;
  std::string name_;
};

// A run's input read from the front: a few bytes that steer the harness
// (Byte, U16), then the rest as the data proper (Rest). Reads past the end
// give 0.
class FuzzBytes {
 public:
  FuzzBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte();
  uint16_t U16();
  const uint8_t* RestData() const { return data_ + position_; }
  size_t RestSize() const { return size_ - position_; }
  std::string Rest() const { return std::string(reinterpret_cast<const char*>(RestData()), RestSize()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Sends the bytes on the connection in the pieces FuzzSplit gives, with a
// short pause after each, so that the reader on the other side meets them
// apart. False when the other side dropped the connection first.
bool FuzzSendSplit(int fd, const std::string& bytes, uint32_t seed, int maxPieces);

// Cuts size bytes into at most maxPieces pieces (every piece at least one
// byte) at points chosen by the seed; the lengths of the pieces.
std::vector<size_t> FuzzSplit(size_t size, uint32_t seed, int maxPieces);

// Makes an offscreen window with its GL context current, once per process.
// A failure ends the process: a target that needs GL cannot run without it.
void FuzzGlContextOnce();

// g_app's sound device on the dummy driver, its slots and a media resolver
// without a pack, made once per process as start-up makes them.
void FuzzSoundOnce();

// Two ways of reading the same bytes disagreed, or a reader broke a rule
// it states: says what and aborts, so libFuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* target, const std::string& what);

#define FUZZ_CHECK(condition, target, what) \
  do {                                      \
    if (!(condition)) FuzzFail(target, what); \
  } while (0)
