#include "process/error_state.h"

#include <cstdio>

#include "process/debug_output.h"
#include "process/program_end.h"

ErrorState g_errorState = {0, 0, 0, 0};

int32_t RuntimeSetError(int32_t code) {
  g_errorState.code = code;
  g_errorState.errorLine = g_errorState.debugLine;
  if (code != 0 && DebuggerAttached()) {
    char text[32];
    std::snprintf(text, sizeof text, "error: %x\n", static_cast<uint32_t>(code));
    DebugOutput(text);
  }
  return code;
}

void ClearLastError() { g_errorState.code = 0; }

void SetDebugPosition(int32_t module, int32_t line) {
  g_errorState.debugModule = module;
  g_errorState.debugLine = line;
}

namespace {

const char* ErrorCodeText(int32_t code) {
  switch (code) {
    case kErrorNone: return "success";
    case kErrorFile: return "no such file";
    case kErrorOutOfMemory: return "out of memory";
    case kErrorOutOfBounds: return "out of bounds";
    case kErrorOutOfData: return "out of data";
    default: return "unknown error";
  }
}

}  // namespace

RtString LastErrorText() {
  char text[64];
  std::snprintf(text, sizeof text, "%.4d %s", g_errorState.code, ErrorCodeText(g_errorState.code));
  return StringFromCStr(text);
}

void RuntimeAssert(int32_t value) {
  if (value != 0) return;
  if (DebuggerAttached()) {
    char text[48];
    std::snprintf(text, sizeof text, "Assertion: Value = %d\n", value);
    DebugOutput(text);
  }
  RuntimeFatal(kErrorAssertion);
}

void RuntimeFatal(int32_t code) {
  RuntimeSetError(code);
  ProgramEnd();
}
