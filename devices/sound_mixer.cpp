#include "devices/sound_mixer.h"

#include <algorithm>
#include <cmath>

#include "devices/sound_device.h"
#include "devices/sound_stream.h"

namespace {

constexpr int kChunkFrames = 256;
constexpr uint64_t kOneFrame = uint64_t{1} << 32;  // voice positions carry 32 bits of fraction

// One channel of one frame as a signed 16-bit value.
int32_t SampleAt(const SoundData& data, uint32_t frame, uint32_t channel) {
  const size_t index = static_cast<size_t>(frame) * data.channels + channel;
  if (data.bits == 8) return (static_cast<int32_t>(data.bytes[index]) - 128) * 256;
  const uint8_t* p = data.bytes + index * 2;
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
}

// The channel's value between frame and the frame after it (the first one
// again when the voice loops; the last one held at the end).
int32_t Interpolate(const SoundData& data, uint32_t frames, uint64_t position, bool looping, uint32_t channel) {
  const uint32_t frame = static_cast<uint32_t>(position >> 32);
  const int64_t a = SampleAt(data, frame, channel);
  uint32_t next = frame + 1;
  if (next >= frames) next = looping ? 0 : frame;
  const int64_t b = SampleAt(data, next, channel);
  const int64_t fraction = static_cast<int64_t>((position >> 16) & 0xFFFF);
  return static_cast<int32_t>(a + (b - a) * fraction / 65536);
}

// Adds the voice into count frames of the 32-bit sums.
void MixVoice(SoundBuffer& voice, int32_t* sums, int count) {
  const SoundData& data = *voice.data;
  const uint32_t frames = SoundDataFrames(data);
  const uint64_t end = frames * kOneFrame;
  const uint64_t step = (static_cast<uint64_t>(data.rate) << 32) / kAudioRate;
  const int64_t volume = SoundGainFromHundredthsDb(voice.volume);
  const int64_t left = volume * SoundGainFromHundredthsDb(-voice.pan) / 65536;
  const int64_t right = volume * SoundGainFromHundredthsDb(voice.pan) / 65536;
  const uint32_t rightChannel = data.channels - 1u;
  for (int f = 0; f < count; ++f) {
    if (voice.position >= end) {
      if (!voice.looping || frames == 0) {
        SoundVoiceRewind(voice);
        return;
      }
      voice.position %= end;
    }
    sums[2 * f] += static_cast<int32_t>(Interpolate(data, frames, voice.position, voice.looping, 0) * left / 65536);
    sums[2 * f + 1] +=
        static_cast<int32_t>(Interpolate(data, frames, voice.position, voice.looping, rightChannel) * right / 65536);
    voice.position += step;
  }
  // A voice that played its last frame has ended, also when that was the
  // last frame of this call.
  if (voice.position >= end && !voice.looping) SoundVoiceRewind(voice);
}

// Adds the frames the stream has ready, up to count, at its gain; a stream
// that has fewer frames ready adds silence for the rest.
void MixStream(SoundStream& stream, int32_t* sums, int count) {
  int16_t frames[2 * kChunkFrames];
  const int taken = static_cast<int>(SoundStreamRead(stream, frames, static_cast<uint32_t>(count)));
  const int64_t gain = stream.gain.load(std::memory_order_relaxed);
  for (int i = 0; i < 2 * taken; ++i) sums[i] += static_cast<int32_t>(frames[i] * gain / 65536);
}

}  // namespace

uint32_t SoundGainFromHundredthsDb(int32_t value) {
  if (value >= 0) return 65536;
  if (value <= kSoundVolumeMin) return 0;
  return static_cast<uint32_t>(std::lround(65536.0 * std::pow(10.0, value / 2000.0)));
}

void SoundVoiceRewind(SoundBuffer& voice) {
  voice.playing = false;
  voice.position = 0;
}

void SoundVoiceSetVolume(SoundBuffer& voice, int32_t volume) { voice.volume = std::clamp(volume, kSoundVolumeMin, 0); }

void SoundVoiceSetPan(SoundBuffer& voice, int32_t pan) { voice.pan = std::clamp(pan, -kSoundPanMax, kSoundPanMax); }

void SoundMix(SoundSample* slots, int slotCount, SoundStream* const* streams, int streamCount, int16_t* samples,
              int frameCount) {
  int32_t sums[2 * kChunkFrames];
  for (int start = 0; start < frameCount; start += kChunkFrames) {
    const int count = std::min(kChunkFrames, frameCount - start);
    int16_t* out = samples + 2 * start;
    for (int i = 0; i < 2 * count; ++i) sums[i] = out[i];
    for (int s = 0; s < slotCount; ++s) {
      const SoundSample& sample = slots[s];
      for (int v = 0; v < sample.voiceCount && v < kSoundMaxVoices; ++v) {
        SoundBuffer* voice = sample.voices[v];
        if (voice != nullptr && voice->playing && voice->data != nullptr) MixVoice(*voice, sums, count);
      }
    }
    for (int s = 0; s < streamCount; ++s) {
      SoundStream* stream = streams[s];
      if (stream != nullptr && stream->playing.load(std::memory_order_acquire)) MixStream(*stream, sums, count);
    }
    for (int i = 0; i < 2 * count; ++i) out[i] = static_cast<int16_t>(std::clamp(sums[i], -32768, 32767));
  }
}
