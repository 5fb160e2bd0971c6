#include "bench/sprite_frames_protocol.h"

#include <GL/gl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace sprite_frames {

double Millis() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Reply(const std::string& line) {
  const std::string text = line + "\n";
  if (write(kReplyFd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::exit(1);
}

std::vector<uint8_t> ReadBackBuffer() {
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

namespace {

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace

int Serve(double (*frame)(int count), std::vector<uint8_t> (*picture)(int count)) {
  Reply("ready");
  char line[4096];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    int count = 0;
    char path[4000];
    if (std::sscanf(line, "frame %d", &count) == 1 && count >= 0) {
      char text[64];
      std::snprintf(text, sizeof text, "%.6f", frame(count));
      Reply(text);
    } else if (std::sscanf(line, "picture %d %3999s", &count, path) == 2 && count >= 0) {
      Reply(WriteFile(path, picture(count)) ? "ok" : "failed");
    } else {
      Reply("unknown command");
    }
  }
  return 0;
}

}  // namespace sprite_frames
