// Movies: a file decoded by libav, its pictures drawn into the game window
// through an OpenGL texture and its sound played through the sound
// device's mixer as a streaming voice.
//
// MoviePlay blocks the program while the movie plays: it ends at the end of
// the movie (a looping movie starts again instead) or when a key is typed
// or a mouse button pressed; window messages, the message hook and the
// music loop restart keep running meanwhile. Everything here runs on the
// main thread, decoding included; the audio thread only takes the sound
// frames decoded ahead. Times are milliseconds from the start of the movie.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

struct Movie;
struct SoundDevice;

// Where a picture of the source size goes in a client area of the given
// size: scaled by the smaller of the two side ratios, so it keeps its
// aspect, and centred. Empty for an empty source.
struct MovieRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};
MovieRect MovieFitRect(int32_t sourceWidth, int32_t sourceHeight, int32_t clientWidth, int32_t clientHeight);

// Opens a movie file: a picture stream, a sound stream, or both (the sound
// is played on the device when it has an output). Null when the file holds
// nothing that can be played, or pictures larger than 4096 on a side.
Movie* MovieOpen(const char* path, SoundDevice* device);
// Takes the sound off the mixer and frees the movie (and its texture).
// Null is ignored.
void MovieClose(Movie* movie);

// The length the file states; INT64_MAX when it states none.
int64_t MovieLength(const Movie& movie);
// The picture size (0 x 0 without pictures).
void MovieSize(const Movie& movie, int32_t* width, int32_t* height);

// Decodes what is due at `elapsed` milliseconds after the start: the latest
// picture whose time has come, and sound ahead of the mixer. The position:
// elapsed, or the length once every picture has had its time and all the
// sound has been played.
int64_t MovieAdvance(Movie& movie, int64_t elapsed);
// Whether a new picture is there to draw since the last MovieDraw.
bool MoviePictureChanged(const Movie& movie);
// Goes back to the start; the caller counts elapsed time from 0 again.
void MovieRewind(Movie& movie);

// Clears a client area of the given size to black and draws the current
// picture fitted into it, through the current OpenGL context, leaving the
// OpenGL state as it found it.
void MovieDraw(Movie& movie, int32_t clientWidth, int32_t clientHeight);

// Language commands. The file is found through the music resolver. 0 when
// the movie was played; 3 when the file is found nowhere or holds no movie
// (the last error is not touched).
int32_t MoviePlay(const RtString& file, bool loop);
int32_t MoviePlayLoop(const RtString& file);
int32_t MoviePlayOnce(const RtString& file);
