#include "process/debug_output.h"

#include "platform/debugger.h"

bool DebuggerAttached() { return PlatformDebuggerAttached(); }

void DebugOutput(const RtString& text) {
  if (!PlatformDebuggerAttached()) return;
  RtString line = CStrConcatString("TX", text);
  PlatformDebuggerWrite(line.text, line.length);
}
