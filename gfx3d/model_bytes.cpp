#include "gfx3d/model_bytes.h"

#include <new>

#include "files/file_stream.h"

ModelBytesResult ModelBytesLoad(const char* name, ModelBytes* out) {
  out->data.reset();
  out->size = 0;
  FileStream s{};
  if (name == nullptr || name[0] == '\0' || !StreamOpen(s, name)) return ModelBytesResult::kNotOpened;
  const int64_t size = s.size > 0 ? s.size : 0;
  out->data.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]);
  if (out->data == nullptr) {
    StreamClose(s);
    return ModelBytesResult::kNoMemory;
  }
  bool ok = true;
  for (int64_t done = 0; ok && done < size;) {
    const int32_t piece = static_cast<int32_t>(size - done < (int64_t{1} << 30) ? size - done : int64_t{1} << 30);
    ok = StreamRead(s, out->data.get() + done, piece);
    done += piece;
  }
  StreamClose(s);
  if (!ok) {
    out->data.reset();
    return ModelBytesResult::kShortRead;
  }
  out->size = static_cast<size_t>(size);
  return ModelBytesResult::kRead;
}
