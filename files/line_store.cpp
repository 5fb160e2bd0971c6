#include "files/line_store.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/c_runtime.h"
#include "core/float_to_int.h"
#include "core/number_text.h"
#include "files/file_stream.h"
#include "files/file_write_back.h"
#include "files/line_reading.h"
#include "files/media_resolver.h"
#include "files/memory_file.h"
#include "process/error_state.h"

LineStore g_lineStore;

namespace {

bool g_lineStoreBuilt = false;

bool NameFits(const char* name) { return std::strlen(name) <= kMaxPathBytes; }

void WriteBack(const LineStore& store) {
  if (store.name[0] == '\0' || store.changed != 1 || store.writePath[0] == '\0') return;
  std::string out;
  for (int32_t i = 0; i <= store.last; ++i) {
    out += store.lines[i];
    out += "\r\n";
  }
  WriteBackFile(store.writePath, out.data(), out.size());
}

void Empty(LineStore& store) {
  std::memset(store.lines, 0, sizeof store.lines);
  store.changed = 0;
  store.name[0] = '\0';
  store.writePath[0] = '\0';
  store.last = 0;
}

void SetWritePath(LineStore& store, const char* name) {
  const std::string path = WriteBackPath(name);
  if (path.size() < sizeof store.writePath) std::strcpy(store.writePath, path.c_str());
}

// Loads the named file into the emptied store; false when it cannot be
// read. A file found on disk under another case of its name is the one
// written back.
bool Load(LineStore& store, const char* name) {
  std::string resolved;
  if (MediaResolveName(name, &resolved) == 0) return false;
  if (!IsMemoryFileName(resolved.c_str())) SetWritePath(store, resolved.c_str());
  FileStream stream;
  if (!StreamOpen(stream, resolved.c_str())) return false;
  for (int32_t i = 0; i < kLineStoreLines; ++i) {
    if (!StreamReadLineDropRest(stream, store.lines[i], kLineStoreLineBytes)) break;
    store.last = i;
  }
  StreamClose(stream);
  return true;
}

void BuildOnce() {
  if (g_lineStoreBuilt) return;
  g_lineStoreBuilt = true;
  Empty(g_lineStore);
  std::atexit(LineFileFlush);
}

}  // namespace

double LineFileOpen(LineStore& store, const char* name) {
  ClearLastError();
  if (name != nullptr && std::strcmp(name, store.name) == 0) return 0;
  if (name != nullptr && !NameFits(name)) return RuntimeSetError(kErrorFile);
  WriteBack(store);
  Empty(store);
  if (name == nullptr) return 0;
  std::strcpy(store.name, name);
  SetWritePath(store, name);
  if (!Load(store, name)) return RuntimeSetError(kErrorFile);
  return 0;
}

double LineFileGet(const char* name, uint32_t index, RtString& out) {
  ClearLastError();
  BuildOnce();
  if (index >= static_cast<uint32_t>(kLineStoreLines)) {
    StringAssignCStr(out, "NO_DATA");
    return RuntimeSetError(kErrorOutOfMemory);
  }
  const double answer = LineFileOpen(g_lineStore, name);
  if (answer != 0) {
    StringAssignCStr(out, "NO_FILE");
    return answer;
  }
  const char* line = g_lineStore.lines[index];
  uint32_t length = static_cast<uint32_t>(std::strlen(line));
  while (length > 0 && static_cast<unsigned char>(line[length - 1]) < 0x20) --length;
  if (length == 0) {
    StringAssignCStr(out, "NO_DATA");
  } else {
    StringAssign(out, StringFromBytes(line, length));
  }
  return 0;
}

double LineFilePut(const char* name, uint32_t index, const RtString& text) {
  ClearLastError();
  BuildOnce();
  if (index >= static_cast<uint32_t>(kLineStoreLines) || StringLength(text) >= kLineStoreLineBytes) {
    return RuntimeSetError(kErrorOutOfMemory);
  }
  if (name != nullptr && !NameFits(name)) return RuntimeSetError(kErrorFile);
  LineFileOpen(g_lineStore, name);
  std::memcpy(g_lineStore.lines[index], text.c_str(), StringLength(text) + 1);
  if (static_cast<int32_t>(index) > g_lineStore.last) g_lineStore.last = static_cast<int32_t>(index);
  g_lineStore.changed = 1;
  return 0;
}

void LineFileFlush() { LineFileOpen(g_lineStore, nullptr); }

void LineStoreResetForTest() {
  BuildOnce();
  Empty(g_lineStore);
}

void LineFileGetString(const RtString& name, double line, RtString& out) {
  LineFileGet(name.c_str(), static_cast<uint32_t>(TruncToInt32(line)), out);
}

void LineFilePutString(const RtString& name, double line, const RtString& text) {
  LineFilePut(name.c_str(), static_cast<uint32_t>(TruncToInt32(line)), text);
}

void LineFileGetDouble(const RtString& name, double line, double& out) {
  RtString text;
  LineFileGetString(name, line, text);
  out = CrtAtof(text.c_str());
}

void LineFileGetInt(const RtString& name, double line, int32_t& out) {
  RtString text;
  LineFileGetString(name, line, text);
  out = CrtAtoi(text.c_str());
}

void LineFilePutDouble(const RtString& name, double line, double value) {
  LineFilePutString(name, line, StringFromDouble(value));
}
