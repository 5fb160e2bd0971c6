#include "app/declare_registry.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/runtime_main.h"
#include "files/error_log.h"
#include "platform/dynamic_library.h"
#include "process/debug_output.h"

namespace {

RtString LowerCased(const char* text) {
  RtString lower = StringFromCStr(text);
  for (uint32_t i = 0; i < lower.length; ++i) {
    const char c = lower.text[i];
    if (c >= 'A' && c <= 'Z') lower.text[i] = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Sends the text with a line end to the debugger and the error log.
void ReportDeclareFailure(const RtString& text) {
  const RtString line = StringConcatCStr(text, "\n");
  DebugOutput(line);
  ErrorLogAppend(line.c_str());
}

// The module's file name for the system: '\' separators become '/'.
RtString SystemModuleName(const char* module) {
  RtString name = StringFromCStr(module);
  for (uint32_t i = 0; i < name.length; ++i) {
    if (name.text[i] == '\\') name.text[i] = '/';
  }
  return name;
}

// Loads the module by its system name as the Windows loader finds a DLL:
// a name without an extension in its last part is tried as written, then
// with ".so" (where that loader adds ".dll"); a bare name (no folder) is
// looked for beside the program first, then through the system's library
// search.
void* OpenModule(const RtString& name) {
  const std::string written = name.c_str();
  const size_t slash = written.rfind('/');
  const bool bare = slash == std::string::npos;
  const bool has_extension = written.find('.', bare ? 0 : slash + 1) != std::string::npos;
  std::string names[2] = {written, written + ".so"};
  const int count = has_extension ? 1 : 2;
  if (bare && !written.empty()) {
    const std::string beside = ProgramDirectory() + "/";
    for (int i = 0; i < count; ++i) {
      if (void* handle = PlatformLibraryOpen((beside + names[i]).c_str())) return handle;
    }
  }
  for (int i = 0; i < count; ++i) {
    if (void* handle = PlatformLibraryOpen(names[i].c_str())) return handle;
  }
  return nullptr;
}

int32_t FindModule(const DeclareRegistryState& registry, const RtString& name) {
  for (int32_t i = 0; i < registry.modules.count; ++i) {
    const RtString& known = registry.modules[i].name;
    if (known.length == name.length && std::memcmp(known.text, name.text, name.length) == 0) return i;
  }
  return -1;
}

}  // namespace

DeclareRegistryState& DeclareRegistry() {
  static DeclareRegistryState registry;
  static const bool registered = (std::atexit(DeclareRegistryFree), true);
  (void)registered;
  return registry;
}

void DeclareRegister(const char* module, const char* entry, void** pointer) {
  if (pointer != nullptr) *pointer = nullptr;
  DeclareRegistry().pending.Push(DeclareRecord{module, entry, pointer});
}

void DeclareLoadAll() {
  DeclareRegistryState& registry = DeclareRegistry();
  if (registry.pending.count == 0) return;
  ErrorLogAppend("Delay load DLLs\n");
  for (int32_t i = 0; i < registry.pending.count; ++i) {
    const DeclareRecord record = registry.pending[i];
    DeclareResolve(record.module, record.entry, record.pointer);
  }
}

void DeclareResolve(const char* module, const char* entry, void** pointer) {
  DeclareRegistryState& registry = DeclareRegistry();
  const RtString lower = LowerCased(module);
  void* handle = nullptr;
  const int32_t known = FindModule(registry, lower);
  if (known >= 0) {
    handle = registry.modules[known].handle;
  } else {
    handle = OpenModule(SystemModuleName(module));
    // A module that cannot be kept beside its name is unloaded again, so
    // that the registry never holds a handle it would not release.
    DeclareModule loaded;
    loaded.name = lower;
    loaded.handle = handle;
    if (handle != nullptr && !registry.modules.Push(loaded)) {
      PlatformLibraryClose(handle);
      handle = nullptr;
    }
    if (handle == nullptr) {
      ReportDeclareFailure(CStrConcatString("DECLARE module not found: ", lower));
      return;
    }
  }
  void* address = PlatformLibrarySymbol(handle, entry != nullptr ? entry : "");
  if (pointer != nullptr) *pointer = address;
  if (address == nullptr) ReportDeclareFailure(CStrConcatCStr("DECLARE entry not found: ", entry));
}

void DeclareRegistryFree() {
  DeclareRegistryState& registry = DeclareRegistry();
  registry.pending.Release();
  for (int32_t i = 0; i < registry.modules.count; ++i) PlatformLibraryClose(registry.modules[i].handle);
  registry.modules.Release();
}
