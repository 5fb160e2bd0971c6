#include "app/sub_table.h"

#include <cstring>

#include "process/app_globals.h"
#include "process/debug_output.h"

namespace {

const SubTableEntry kNoSubs[] = {{nullptr, nullptr}};

RtString g_currentLoopName;
RtString g_nextLoopName;

bool g_hookLookedUp = false;
SubFunction g_hookFunction = nullptr;

bool NameEquals(const RtString& name, const char* text) {
  return name.length == CStrLength(text) && std::memcmp(name.text, text, name.length) == 0;
}

void SetPauseAndCall(int32_t paused, const char* sub) {
  g_app.paused = paused;
  SubCallByName(sub);
  // The SUB cannot change the flag for good.
  g_app.paused = paused;
}

}  // namespace

const SubTableEntry* g_subTable = kNoSubs;

SubFunction SubFindByName(const RtString& name) {
  for (const SubTableEntry* entry = g_subTable; entry->fn != nullptr; ++entry) {
    if (NameEquals(name, entry->name)) return entry->fn;
  }
  return nullptr;
}

int32_t SubCallByName(const RtString& name) {
  SubFunction fn = SubFindByName(name);
  if (fn != nullptr) {
    fn();
    return 1;
  }
  if (NameEquals(name, "VNL_ON_QUIT") || NameEquals(name, "VNL_WIN32_MSG")) return 0;
  if (DebuggerAttached()) {
    RtString text = "CALLBYNAME \"";
    StringAppend(text, name);
    StringAppendCStr(text, "\" *** failed ***\n");
    DebugOutput(text);
  }
  return 0;
}

void SubRunLoop(const RtString& name) {
  if (!g_currentLoopName.empty()) {
    // Called from inside the loop: switch once the running SUB returns.
    g_nextLoopName = name;
    StringRelease(g_currentLoopName);
    return;
  }
  StringRelease(g_nextLoopName);
  g_currentLoopName = name;
  while (!g_currentLoopName.empty()) {
    SubFunction fn = SubFindByName(g_currentLoopName);
    if (fn == nullptr) {
      StringRelease(g_currentLoopName);
      return;
    }
    do {
      fn();
    } while (!g_currentLoopName.empty());
    g_currentLoopName = g_nextLoopName;
  }
}

void AppPauseResume(int32_t paused) {
  if (paused != 0 && g_app.autoPause != 0) {
    if (g_app.paused == 1) return;
    SetPauseAndCall(1, "VNL_ON_PAUSE");
  } else {
    if (g_app.paused == 0) return;
    SetPauseAndCall(0, "VNL_ON_RESUME");
  }
}

void AppSetAutoPause(int32_t on) {
  g_app.autoPause = on != 0 ? 1 : 0;
  if (on == 0 && g_app.paused != 0) SetPauseAndCall(0, "VNL_ON_RESUME");
}

void CallWin32MsgHook() {
  if (!g_hookLookedUp) {
    g_hookFunction = SubFindByName("VNL_WIN32_MSG");
    g_hookLookedUp = true;
  }
  if (g_hookFunction != nullptr) g_hookFunction();
}

void SubTableResetState() {
  StringRelease(g_currentLoopName);
  StringRelease(g_nextLoopName);
  g_hookLookedUp = false;
  g_hookFunction = nullptr;
}
