#include "fuzz/fuzz_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/error_log.h"
#include "files/file_stream.h"
#include "files/memory_file.h"
#include "platform/gl_window.h"
#include "tests/support/raw_peer.h"
#include "tests/support/sound_fixture.h"

// The sanitizers' settings for every target: readers answer a failed
// allocation themselves (new (std::nothrow), malloc), so the allocator
// returns null instead of ending the run; libFuzzer's own limits
// (-malloc_limit_mb, -rss_limit_mb) report an input that asks for too much.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
// Mesa and SDL keep allocations of their own for the process's life; they
// are no leak of a run.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libGLX_mesa\nleak:swrast_dri\nleak:libLLVM\nleak:libSDL2\nleak:libdbus\nleak:libX11\n";
}

namespace {

std::string g_scratch;

void RemoveScratch() {
  std::error_code ignored;
  if (!g_scratch.empty()) std::filesystem::remove_all(g_scratch, ignored);
}

}  // namespace

extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int*, char***) {
  FuzzSetUp();
  return 0;
}

void FuzzSetUp() {
  if (!g_scratch.empty()) return;
  std::string base = std::filesystem::temp_directory_path().string() + "/vnl-fuzz-XXXXXX";
  if (mkdtemp(base.data()) == nullptr) {
    std::perror("vnl fuzz: mkdtemp");
    std::abort();
  }
  g_scratch = base;
  std::atexit(RemoveScratch);
  setenv("TMPDIR", g_scratch.c_str(), 1);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("VNL_NO_MSGBOX", "1", 0);
}

const std::string& FuzzScratchDir() {
  FuzzSetUp();
  return g_scratch;
}

std::string FuzzWriteFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = FuzzScratchDir() + "/" + name;
  StreamForgetReadAhead();
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  bool ok = fd >= 0;
  size_t done = 0;
  while (ok && done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  if (fd >= 0) close(fd);
  if (!ok) {
    std::fprintf(stderr, "vnl fuzz: cannot write %s\n", path.c_str());
    std::abort();
  }
  return path;
}

std::string FuzzWriteFile(const std::string& name, const std::string& bytes) {
  return FuzzWriteFile(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::string FuzzReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void FuzzForgetErrorLog() { unlink(ErrorLogPath().c_str()); }

FuzzMemoryFile::FuzzMemoryFile(const uint8_t* data, size_t size)
    : base_(data), name_(MemoryFilePublish(data, static_cast<uint32_t>(size))) {}

FuzzMemoryFile::~FuzzMemoryFile() { MemoryFileWithdraw(base_); }

uint8_t FuzzBytes::Byte() { return position_ < size_ ? data_[position_++] : 0; }

uint16_t FuzzBytes::U16() {
  const uint16_t low = Byte();
  return static_cast<uint16_t>(low | Byte() << 8);
}

std::vector<size_t> FuzzSplit(size_t size, uint32_t seed, int maxPieces) {
  std::vector<size_t> pieces;
  size_t left = size;
  uint32_t state = seed * 2654435761u + 1;
  while (left > 0) {
    state = state * 1103515245u + 12345u;
    const bool last = static_cast<int>(pieces.size()) + 1 >= maxPieces;
    // Mostly short pieces, so that frame and header boundaries fall
    // inside them; now and then a long one.
    size_t piece = (state >> 16) % 8 == 0 ? left : 1 + (state >> 8) % 16;
    if (last || piece > left) piece = left;
    pieces.push_back(piece);
    left -= piece;
  }
  return pieces;
}

bool FuzzSendSplit(int fd, const std::string& bytes, uint32_t seed, int maxPieces) {
  size_t sent = 0;
  for (const size_t piece : FuzzSplit(bytes.size(), seed, maxPieces)) {
    if (!RawWrite(fd, bytes.substr(sent, piece))) return false;
    sent += piece;
    usleep(200);
  }
  return true;
}

void FuzzGlContextOnce() {
  static PlatformWindow* window = nullptr;
  if (window != nullptr) return;
  FuzzSetUp();
  PlatformWindowConfig config;
  config.width = 64;
  config.height = 48;
  config.visible = false;
  config.title = "fuzz";
  window = PlatformWindowCreate(config);
  if (window == nullptr) {
    std::fprintf(stderr, "vnl fuzz: no GL context: %s\n", PlatformLastError().c_str());
    std::exit(1);
  }
}

void FuzzSoundOnce() {
  FuzzSetUp();
  static SoundSystem* const sound = new SoundSystem;
  (void)sound;
}

void FuzzFail(const char* target, const std::string& what) {
  std::fprintf(stderr, "\n%s: %s\n", target, what.c_str());
  std::fflush(stderr);
  std::abort();
}
