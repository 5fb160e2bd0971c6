// The music player of one piece: an MP3 file decoded by libmpg123 into a
// streaming voice of the sound device's mixer.
//
// A thread of the stream's own decodes ahead into the voice's ring, so the
// audio thread only copies frames that are ready. The piece is decoded at
// the output's rate and layout (22050 Hz, 16-bit, stereo) whatever the
// file's. Times are milliseconds from the start of the piece.
//
// A file that cannot be decoded, or a device without an output, still
// gives a stream: a silent one of length 0. Main thread only (the decoding
// thread is the stream's own business).
#pragma once

#include <cstdint>

struct MusicStream;
struct SoundDevice;

// Opens the file on the device, stopped at the start at full volume. Null
// only when memory runs out.
MusicStream* MusicStreamOpen(const char* path, SoundDevice* device);
// Detaches the stream from the mixer, stops its decoding and frees it.
// Null is ignored.
void MusicStreamClose(MusicStream* stream);

// The length of the piece (0 for a silent stream), and the position of
// what has been played; the length once the piece has played to its end.
int64_t MusicStreamLength(const MusicStream* stream);
int64_t MusicStreamPosition(const MusicStream* stream);

// Plays on from the position, or holds it there.
void MusicStreamPlay(MusicStream* stream);
void MusicStreamStop(MusicStream* stream);
// Stops and goes back to the start of the piece.
void MusicStreamSeekStart(MusicStream* stream);

// Volume 0 (silent) to 1000 (as decoded); values beyond are brought into
// that range.
void MusicStreamSetVolume(MusicStream* stream, int32_t volume);
