// Music: one piece at a time, played by a music stream
// (devices/music_stream.h), optionally looping.
//
// Looping is the program's own: MusicPlay remembers a deadline (start time
// plus the piece's length, at least 500 ms) and MusicLoopRestart, run by the
// frame end, the idle and wait loops and the movie loop, starts the piece
// again once the deadline has passed. Main thread only.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

struct MusicStream;

struct MusicState {
  MusicStream* window = nullptr;  // the current piece; none when no music
  // Milliseconds on the TimerGetMillis clock: 0 = not looping; positive =
  // restart when the clock reaches it; negative = paused (its magnitude is
  // the deadline that was pending).
  double loopDeadline = 0.0;
  double pauseStart = 0.0;  // clock reading when the music was paused
  double volume = -1.0;     // last volume sent, 0..1; -1 = none sent yet
  RtString fileName;        // resolved name of the current piece
};

extern MusicState g_music;

// Language commands.
// Stops the old piece and plays the file, found through the music
// resolver, from its start at full volume. Clears the last error; a name
// that is found nowhere gives error 3 and no music. A file that does not
// decode still counts as the current piece, silent and of length 0.
void MusicPlay(const RtString& file, bool loop);
// Stops and closes the current piece; no looping, no volume sent.
void MusicStop();
// Plays the current piece again from its start.
void MusicRestart();
// Volume 0..1 (sent as 0..1000) when it differs from the last one sent.
void MusicVolume(double v);
// A looping piece counts as playing until it is stopped, also between its
// end and its restart; else while its position is before its end.
bool MusicIsPlaying();
// Holds (true) or resumes (false) the current piece; the restart deadline
// moves on by the time spent paused.
void MusicPause(bool pause);

// Restarts a looping piece whose deadline has passed and sets the next one.
void MusicLoopRestart();
