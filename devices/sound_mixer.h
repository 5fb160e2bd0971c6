// The mixer: adds the playing voices of the sound slots into the device's
// 22050 Hz 16-bit stereo output.
//
// Each voice steps through its data at the data's own rate (linear
// interpolation between frames), scaled by its volume and pan; the voices
// are summed in 32 bits and the sum saturates at the 16-bit limits. A mono
// voice sounds on both sides.
#pragma once

#include <cstdint>

struct SoundBuffer;
struct SoundSample;
struct SoundStream;

inline constexpr int32_t kSoundVolumeMin = -10000;  // silence
inline constexpr int32_t kSoundPanMax = 10000;      // the other side silent

// The gain of an attenuation in hundredths of a decibel, as a 16.16 fixed
// point factor: 0 and above give 65536 (the gain never exceeds 1), -10000
// and below give 0.
uint32_t SoundGainFromHundredthsDb(int32_t value);

// Stops the voice and puts it back at the start of its data.
void SoundVoiceRewind(SoundBuffer& voice);

// The voice's volume, brought into -10000..0, and pan, brought into
// -10000..10000 (positive values take that much off the left side,
// negative ones off the right). Callers of these three hold the sample's
// lock.
void SoundVoiceSetVolume(SoundBuffer& voice, int32_t volume);
void SoundVoiceSetPan(SoundBuffer& voice, int32_t pan);

// Adds every playing voice of the slots, and the buffered frames of every
// playing stream (null entries are skipped) at the stream's gain, into the
// stereo frames (left first); a voice that reaches the end of its data
// stops and goes back to the start unless it loops. The device's mixer
// callback, with the output locked.
void SoundMix(SoundSample* slots, int slotCount, SoundStream* const* streams, int streamCount, int16_t* samples,
              int frameCount);
