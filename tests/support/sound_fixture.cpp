#include "tests/support/sound_fixture.h"

#include <cstdlib>
#include <cstring>

#include "devices/music.h"
#include "process/app_globals.h"
#include "process/timer.h"

namespace {

std::string Le(uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
  return out;
}

}  // namespace

std::string WavChunk(const char* id, const std::string& body, int64_t size) {
  return std::string(id, 4) + Le(size < 0 ? body.size() : static_cast<uint64_t>(size), 4) + body;
}

std::string WavFormat(uint16_t channels, uint32_t rate, uint16_t bits, int32_t blockAlign, uint16_t tag) {
  const uint32_t align = blockAlign < 0 ? channels * bits / 8 : static_cast<uint32_t>(blockAlign);
  return Le(tag, 2) + Le(channels, 2) + Le(rate, 4) + Le(static_cast<uint64_t>(rate) * align, 4) + Le(align, 2) +
         Le(bits, 2);
}

std::string WavExtensibleFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t coding) {
  const std::string guidRest("\0\0\0\0\x10\0\x80\0\0\xaa\0\x38\x9b\x71", 14);
  // 22 bytes follow: valid bits, channel mask, the sub-format GUID.
  return WavFormat(channels, rate, bits, -1, 0xFFFE) + Le(22, 2) + Le(bits, 2) + Le(4, 4) + Le(coding, 2) + guidRest;
}

std::string WavRiff(const std::string& chunks) { return "RIFF" + Le(chunks.size() + 4, 4) + "WAVE" + chunks; }

std::string WavFile(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data) {
  return WavRiff(WavChunk("fmt ", WavFormat(channels, rate, bits)) + WavChunk("data", data));
}

std::string Pcm16(std::initializer_list<int> samples) {
  std::string out;
  for (int s : samples) out += Le(static_cast<uint16_t>(s), 2);
  return out;
}

std::shared_ptr<SoundData> MakeSoundData(uint16_t channels, uint32_t rate, uint16_t bits, const std::string& bytes) {
  auto data = std::make_shared<SoundData>();
  data->bytes = static_cast<uint8_t*>(std::malloc(bytes.size() + 1));
  std::memcpy(data->bytes, bytes.data(), bytes.size());
  data->byteCount = static_cast<uint32_t>(bytes.size());
  data->rate = rate;
  data->channels = channels;
  data->bits = bits;
  return data;
}

SoundSystem::SoundSystem() {
  resolver.packEnabled = 0;
  g_app.mediaResolver = &resolver;
  SoundDeviceCreate(device);
  g_app.soundDevice = &device;
  g_app.soundSlots = SoundSlotsNew();
  SoundDeviceInit(device, nullptr);
}

void SoundSystem::Shutdown() {
  SoundSlotsFree(SoundSlotsDetach(&device));
  SoundDeviceRelease(device);
}

SoundSystem::~SoundSystem() {
  Shutdown();
  MediaResolverRelease(resolver);
  g_app.soundDevice = nullptr;
  g_app.mediaResolver = nullptr;
}

void MakeMusicLoopDue() {
  if (TimerGetMillis() < 1000.0) g_timerClock.base -= 1000.0;
  g_music.loopDeadline = TimerGetMillis() - 500.0;
}
