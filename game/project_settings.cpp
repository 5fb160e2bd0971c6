#include "game/project_settings.h"

#include <utility>

#include "process/app_globals.h"

void ProjectSettings() {
  g_app.width = 640;
  g_app.height = 480;
  g_app.fullScreen = 0;
  g_app.debugMode = 0;
  g_app.exclusiveMouse = 1;
  g_app.multisample = 0;
  g_app.frameRate = 60;
  RtString title = "Zivure";
  std::swap(title.text, g_app.appTitle.text);
  std::swap(title.capacity, g_app.appTitle.capacity);
  std::swap(title.length, g_app.appTitle.length);
}

RtString ProjectCompiledText() {
  RtString dated = StringConcatCStr("May 16 2014", "-");
  return StringConcat(dated, "16:16:13");
}

RtString ProjectHostId() { return "3c7d19e4"; }

RtString ProjectVersion() { return "000.001"; }
