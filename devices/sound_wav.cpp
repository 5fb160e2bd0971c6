#include "devices/sound_wav.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "devices/sound_device.h"
#include "files/file_stream.h"

namespace {

// The range of sample rates and buffer sizes the device plays.
constexpr uint32_t kMinRate = 100;
constexpr uint32_t kMaxRate = 200000;
constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

constexpr uint32_t kFormatBytes = 16;  // the PCM part of a format chunk

// G.711 A-law and u-law: 8 bits a sample, but each byte is a logarithmic
// code, not a PCM sample; copied into a PCM buffer they play as noise. A
// file of either is refused, as are the other codings the device cannot
// play. An extensible format (0xFFFE) names its coding in the first two
// bytes of its sub-format, 24 bytes into the format chunk.
constexpr uint32_t kTagALaw = 6;
constexpr uint32_t kTagMuLaw = 7;
constexpr uint32_t kTagExtensible = 0xFFFE;
constexpr uint32_t kExtensibleFormatBytes = 40;
constexpr uint32_t kSubFormatAt = 24;

bool IsLogarithmicCode(uint32_t tag) { return tag == kTagALaw || tag == kTagMuLaw; }

uint32_t Get16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

int64_t Remaining(const FileStream& s) { return s.position < s.size ? s.size - s.position : 0; }

// Reads exactly n bytes. A memory view would hand out what is left of a
// short block and report success, so the count is checked against the
// stream's size first, for disk files and blocks alike.
bool ReadExact(FileStream& s, void* buffer, int64_t n) {
  if (n < 0 || n > INT32_MAX || s.position < 0 || n > Remaining(s)) return false;
  return StreamRead(s, buffer, static_cast<int32_t>(n));
}

// Steps over the pad byte that RIFF puts behind a chunk of an odd size.
// Some writers leave it out; a chunk identifier is four printable
// characters, so a byte outside ' '..'~' there is the pad, and a printable
// one already starts the next chunk.
void SkipPadByte(FileStream& s) {
  uint8_t pad = 0;
  const int64_t at = s.position;
  if (!ReadExact(s, &pad, 1) || (pad >= ' ' && pad <= '~')) s.position = at;
}

// Moves the stream to the data of the first chunk with the identifier,
// from the stream's position on, skipping the chunks before it with their
// pad bytes. False when it is not found before the end or a chunk runs past
// the end.
bool FindChunk(FileStream& s, const char* id, uint32_t* size) {
  for (;;) {
    uint8_t header[8];
    if (!ReadExact(s, header, sizeof header)) return false;
    *size = Get32(header + 4);
    if (*size > Remaining(s)) return false;
    if (std::memcmp(header, id, 4) == 0) return true;
    s.position += *size;
    if ((*size & 1) != 0) SkipPadByte(s);
  }
}

bool ReadWav(SoundSample& sample, FileStream& s) {
  uint8_t riff[12];
  if (!ReadExact(s, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return false;
  }
  uint32_t size = 0;
  // A format chunk shorter than the PCM fields would lend its missing
  // fields from whatever follows it.
  if (!FindChunk(s, "fmt ", &size) || size < kFormatBytes) return false;
  const int64_t formatEnd = s.position + size;
  uint8_t format[kExtensibleFormatBytes];
  const uint32_t formatBytes = size >= kExtensibleFormatBytes ? kExtensibleFormatBytes : kFormatBytes;
  if (!ReadExact(s, format, formatBytes)) return false;
  const uint32_t tag = Get16(format);
  const bool extensible = tag == kTagExtensible && formatBytes == kExtensibleFormatBytes;
  if (IsLogarithmicCode(extensible ? Get16(format + kSubFormatAt) : tag)) return false;
  const uint32_t channels = Get16(format + 2);
  const uint32_t rate = Get32(format + 4);
  const uint32_t blockAlign = Get16(format + 12);
  const uint32_t bits = Get16(format + 14);
  s.position = formatEnd;
  if ((size & 1) != 0) SkipPadByte(s);
  if (!FindChunk(s, "data", &size)) return false;
  return SampleCreateBuffer(sample, size, rate, static_cast<uint16_t>(bits), static_cast<uint16_t>(blockAlign),
                            channels > 1) &&
         SampleFillBuffer(sample, s, size, 0xFFFFFFFF);
}

}  // namespace

bool SampleLoad(SoundSample& sample, SoundDevice* device, const char* name, int32_t voices) {
  SampleRelease(sample);
  sample.currentVoice = 0;
  sample.device = device;
  const int32_t count = std::clamp(voices, 1, kSoundMaxVoices);
  if (device == nullptr || device->output == nullptr) {
    sample.fileName = nullptr;
    return false;
  }
  // The name belongs to the caller: it is held only while the file is read.
  sample.fileName = name;
  const bool loaded = WavLoad(sample);
  sample.fileName = nullptr;
  if (!loaded) {
    SampleRelease(sample);
    return false;
  }
  SoundOutputLock lock(SampleOutput(sample));
  for (int32_t v = 1; v < count; ++v) {
    // A voice that cannot be had stays missing; the others still play.
    SoundBuffer* voice = new (std::nothrow) SoundBuffer;
    if (voice != nullptr) voice->data = sample.voices[0]->data;
    sample.voices[v] = voice;
  }
  sample.voiceCount = count;
  return true;
}

bool WavLoad(SoundSample& sample) {
  if (sample.fileName == nullptr || sample.fileName[0] == '\0') return false;
  FileStream s{};
  const bool ok = StreamOpen(s, sample.fileName) && ReadWav(sample, s);
  StreamClose(s);
  return ok;
}

bool SampleCreateBuffer(SoundSample& sample, uint32_t bytes, uint32_t rate, uint16_t bits, uint16_t blockAlign,
                        bool stereo) {
  const uint16_t channels = stereo ? 2 : 1;
  const bool accepted = (bits == 8 || bits == 16) && blockAlign == channels * bits / 8 && rate >= kMinRate &&
                        rate <= kMaxRate && bytes >= blockAlign && bytes <= kMaxBufferBytes;
  auto* voice = accepted ? new (std::nothrow) SoundBuffer : nullptr;
  auto* data = voice != nullptr ? new (std::nothrow) SoundData : nullptr;
  if (data != nullptr) data->bytes = static_cast<uint8_t*>(std::malloc(bytes));
  if (data == nullptr || data->bytes == nullptr) {
    delete data;
    delete voice;
    sample.device = nullptr;
    return false;
  }
  // Silence until it is filled: 8-bit samples are unsigned around 128.
  std::memset(data->bytes, bits == 8 ? 128 : 0, bytes);
  data->byteCount = bytes;
  data->rate = rate;
  data->channels = channels;
  data->bits = bits;
  voice->data.reset(data);
  SoundOutputLock lock(SampleOutput(sample));
  delete sample.voices[0];
  sample.voices[0] = voice;
  return true;
}

bool SampleFillBuffer(SoundSample& sample, FileStream& stream, uint32_t bytes, uint32_t offset) {
  const SoundBuffer* voice = sample.voices[0];
  if (voice == nullptr || voice->data == nullptr || bytes > voice->data->byteCount) return false;
  if (offset != 0xFFFFFFFF) stream.position = offset;
  return ReadExact(stream, voice->data->bytes, bytes);
}
