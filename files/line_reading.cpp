#include "files/line_reading.h"

#include "platform/file_io.h"

namespace {

// After StreamReadLine moved the position by `advance` bytes with room for
// max - 1: true when it stopped inside a line. A piece that was cut moves
// exactly max - 1 bytes and ends on a byte other than '\n' with data still
// to come; every line that ended moves by another count, or ends on its
// '\n', or reaches the end of the data.
bool PieceWasCut(const FileStream& s, int64_t advance, int32_t max) {
  if (advance != max - 1 || s.position >= s.size || s.position < 1) return false;
  uint8_t last = '\n';
  if (s.memory != nullptr) {
    last = s.memory[s.position - 1];
  } else if (PlatformReadAt(s.fd, &last, 1, s.position - 1) != 1) {
    return false;
  }
  return last != '\n';
}

}  // namespace

bool StreamReadLineDropRest(FileStream& s, char* buffer, int32_t max) {
  int64_t start = s.position;
  if (!StreamReadLine(s, buffer, max)) return false;
  if (!PieceWasCut(s, s.position - start, max)) return true;
  char rest[1024];
  constexpr int32_t kRestMax = sizeof rest;
  do {
    start = s.position;
    if (!StreamReadLine(s, rest, kRestMax)) break;
  } while (PieceWasCut(s, s.position - start, kRestMax));
  return true;
}
