// The process-wide engine objects, project settings and run state.
//
// AppInit creates every engine object once and AppShutdown frees them;
// commands reach them through these pointers and never create or free them.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

class OpenGLDodevudi;
class Dodevudi3D;
struct NetSession;
struct InputDevice;
struct SoundDevice;
struct SoundSample;
struct MediaResolver;
struct PlatformWindow;

inline constexpr int kSoundSlotCount = 4096;

struct AppGlobals {
  // Engine objects; null before start-up and after teardown.
  OpenGLDodevudi* engine2d = nullptr;
  Dodevudi3D* engine3d = nullptr;
  NetSession* session = nullptr;
  InputDevice* input = nullptr;
  SoundDevice* soundDevice = nullptr;
  SoundSample* soundSlots = nullptr;  // kSoundSlotCount records
  MediaResolver* musicResolver = nullptr;  // music and movie files
  MediaResolver* mediaResolver = nullptr;  // every other media file
  PlatformWindow* mainWindow = nullptr;

  // Project settings, written by the game's ProjectSettings before start-up.
  int32_t width = 0;
  int32_t height = 0;
  int32_t fullScreen = 0;
  int32_t exclusiveMouse = 0;
  int32_t frameRate = 0;
  int32_t debugMode = 0;
  int32_t multisample = 0;
  int32_t desktopWidth = 0;
  int32_t desktopHeight = 0;

  // Run state.
  int32_t paused = 0;
  int32_t autoPause = 1;
  int32_t escapeEnds = 1;
  int32_t bringToFront = 0;
  int32_t currentFont = 0;
  uint32_t keyTestCounter = 0;
  int32_t messageHookState = -1;  // -1 not looked up, 0 none, 1 found
  void (*messageHook)() = nullptr;
  double frameTime = 0.0;
  double previousFrameTime = 0.0;
  double startTime = 0.0;

  // Texts kept beside them.
  RtString commandLine;
  RtString appTitle;
  RtString windowTitle;
};

extern AppGlobals g_app;
