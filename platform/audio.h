// The sound output: one SDL audio device at 22050 Hz, 16-bit signed,
// stereo, filled by a mixer callback of the caller's own.
//
// The callback runs on the audio thread; PlatformAudioLock keeps it from
// running while the caller changes what it reads.
#pragma once

#include <cstdint>

struct PlatformAudio;

inline constexpr int kAudioRate = 22050;
inline constexpr int kAudioChannels = 2;
inline constexpr int kAudioBits = 16;

// Fills frameCount stereo frames (2 * frameCount samples, left first).
using PlatformAudioMixer = void (*)(void* user, int16_t* samples, int frameCount);

// Opens the device and starts playing; null when there is no sound output.
// The audio driver is chosen (SDL_AUDIODRIVER) when no other device is open.
PlatformAudio* PlatformAudioOpen(PlatformAudioMixer mixer, void* user);
void PlatformAudioClose(PlatformAudio* audio);

void PlatformAudioLock(PlatformAudio* audio);
void PlatformAudioUnlock(PlatformAudio* audio);

// The obtained output format.
struct PlatformAudioFormat {
  int rate;
  int channels;
  int bits;
};
PlatformAudioFormat PlatformAudioGetFormat(const PlatformAudio* audio);
