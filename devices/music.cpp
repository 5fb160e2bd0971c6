#include "devices/music.h"

#include <string>

#include "core/float_to_int.h"
#include "devices/music_stream.h"
#include "files/media_resolver.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/timer.h"

MusicState g_music;

namespace {

// The piece's length for the restart deadline: at least 500 ms, so that a
// silent or very short piece does not restart on every frame.
double LoopLength() {
  const int64_t length = MusicStreamLength(g_music.window);
  return length >= 500 ? static_cast<double>(length) : 500.0;
}

void CloseWindow() {
  MusicStreamStop(g_music.window);
  MusicStreamClose(g_music.window);
  g_music.window = nullptr;
}

}  // namespace

void MusicPlay(const RtString& file, bool loop) {
  RuntimeSetError(kErrorNone);
  g_music.volume = -1.0;
  g_music.loopDeadline = 0.0;
  CloseWindow();

  StringAssign(g_music.fileName, file);
  std::string resolved;
  if (g_app.musicResolver == nullptr || MediaResolve(*g_app.musicResolver, file.c_str(), &resolved, false) == 0) {
    RuntimeSetError(kErrorFile);
    return;
  }
  StringAssignCStr(g_music.fileName, resolved.c_str());

  // The stream keeps its own open file, so the resolver's temporary file
  // may go at its next call.
  g_music.window = MusicStreamOpen(resolved.c_str(), g_app.soundDevice);
  g_music.loopDeadline = loop ? TimerGetMillis() + LoopLength() : 0.0;
  MusicStreamSeekStart(g_music.window);
  MusicStreamPlay(g_music.window);
  if (g_music.volume != 1.0) {
    g_music.volume = 1.0;
    MusicStreamSetVolume(g_music.window, 1000);
  }
}

void MusicStop() {
  g_music.volume = -1.0;
  g_music.loopDeadline = 0.0;
  CloseWindow();
}

void MusicRestart() {
  MusicStreamSeekStart(g_music.window);
  MusicStreamPlay(g_music.window);
}

void MusicVolume(double v) {
  if (v == g_music.volume) return;
  g_music.volume = v;
  if (g_music.window != nullptr) MusicStreamSetVolume(g_music.window, TruncToInt32(v * 1000.0));
}

bool MusicIsPlaying() {
  if (g_music.window == nullptr) return false;
  if (g_music.loopDeadline > 0.0) return true;
  return MusicStreamLength(g_music.window) > MusicStreamPosition(g_music.window);
}

void MusicPause(bool pause) {
  if (g_music.window == nullptr) return;
  const double now = TimerGetMillis();
  if (pause) {
    if (g_music.loopDeadline > 0.0) {
      g_music.pauseStart = now;
      g_music.loopDeadline = -g_music.loopDeadline;
    }
    MusicStreamStop(g_music.window);
  } else {
    if (g_music.loopDeadline < 0.0) g_music.loopDeadline = -g_music.loopDeadline + (now - g_music.pauseStart);
    MusicStreamPlay(g_music.window);
  }
}

void MusicLoopRestart() {
  if (!(g_music.loopDeadline > 0.0)) return;
  const double now = TimerGetMillis();
  if (now < g_music.loopDeadline) return;
  g_music.loopDeadline = now + LoopLength();
  MusicRestart();
}
