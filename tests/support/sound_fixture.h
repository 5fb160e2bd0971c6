// Helpers of the sound tests: WAV file bytes, sample data for the mixer,
// and g_app's sound system as start-up makes it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "devices/sound_device.h"
#include "files/media_resolver.h"

// One RIFF chunk: identifier, little-endian size (the body's size unless
// given), body.
std::string WavChunk(const char* id, const std::string& body, int64_t size = -1);
// The 16 bytes of a format chunk's body; block align -1 means one whole
// frame of the format.
std::string WavFormat(uint16_t channels, uint32_t rate, uint16_t bits, int32_t blockAlign = -1, uint16_t tag = 1);
// The 40 bytes of an extensible format chunk's body (tag 0xFFFE) whose
// sub-format names the coding: 1 PCM, 6 A-law, 7 u-law.
std::string WavExtensibleFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t coding);
// "RIFF", the size, "WAVE", then the chunks.
std::string WavRiff(const std::string& chunks);
// A plain file: format chunk, then data chunk.
std::string WavFile(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data);
// 16-bit little-endian samples.
std::string Pcm16(std::initializer_list<int> samples);

// Sample data of the format holding the bytes.
std::shared_ptr<SoundData> MakeSoundData(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& bytes);

// g_app's sound device (on the driver SDL_AUDIODRIVER names), its 4096 free
// slots and a media resolver without a pack, made as start-up makes them
// and freed as teardown frees them.
class SoundSystem {
 public:
  SoundSystem();
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  // Frees the slots and closes the output now (the destructor then does
  // nothing more for them).
  void Shutdown();

  SoundDevice device;
  MediaResolver resolver;
};

// Makes the playing piece's loop deadline due: a positive deadline that the
// clock has already passed. The clock counts from its first reading in the
// process, so early on it may read less than any deadline one could choose;
// its base is then moved back, as if the process had started a second
// earlier.
void MakeMusicLoopDue();
