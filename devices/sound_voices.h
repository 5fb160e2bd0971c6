// Playing the voices of the sound slots, and the sound commands.
//
// A channel names one voice of one slot: slot * 256 + voice. A sample of
// several voices can overlap itself: each play takes the next voice, and
// when that one is still sounding it is cut off and restarted.
#pragma once

#include <cstdint>

struct SoundBuffer;
struct SoundSample;

// The voice to play next: the current one when it is idle; else, with more
// than one voice, the next one (current moves on, wrapping), stopped and
// rewound when it still plays. None when a one-voice sample still plays.
// Callers hold the sample's output lock: the mixer keeps the play states.
SoundBuffer* SampleChooseVoice(SoundSample& sample);

// Plays the next voice at pan (-10000..10000) and volume (percent, 0..100:
// 0 or below is silence, else 2000 * log10(volume / 100) hundredths of a
// decibel); flags 1 loops. The voice number, or -1 when the sample is not
// loaded or no voice is free.
int32_t SamplePlay(SoundSample& sample, int32_t pan, int32_t volume, uint32_t flags);

// Stops and rewinds voice n, or every voice for any other n. False for a
// sample that is not loaded.
bool SampleStop(SoundSample& sample, int32_t voice);

// True while voice n (0..count-1) plays.
bool SampleIsPlaying(SoundSample& sample, int32_t voice);

// Language commands over g_app's sound slots.
// Plays the slot once at pan -1..1 (right positive) and volume 0..1; the
// channel, -1 when nothing plays, or 0 with error 7 for a slot above 4095.
int32_t SoundPlay(uint32_t slot, double pan, double volume);
// Error 7 and false for a channel whose slot is out of range (negative
// channels included).
bool SoundIsPlaying(int32_t channel);
// Negative channels and slots out of range are ignored; a voice number
// above the slot's voices stops all of them.
void SoundStop(int32_t channel);
void SoundStopAll();
