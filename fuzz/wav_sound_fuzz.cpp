// WAV files loaded into sound slots by the sound command: a file on disk
// and the same bytes as a memory file must both be refused with the same
// error, or both give the same sound in every voice asked for.
//
// Input: one byte choosing the number of voices, then the file.
#include <cstring>
#include <string>

#include "devices/sound_device.h"
#include "fuzz/fuzz_input.h"
#include "process/app_globals.h"
#include "process/error_state.h"

namespace {

constexpr const char* kTarget = "wav_sound";

std::string Describe(const SoundSample& sample) {
  if (sample.voiceCount == 0) return "free";
  std::string out = std::to_string(sample.voiceCount) + " voices";
  const SoundData* data = sample.voices[0] != nullptr ? sample.voices[0]->data.get() : nullptr;
  if (data == nullptr) return out + ", no data";
  out += ", " + std::to_string(data->channels) + " x " + std::to_string(data->bits) + " bits at " +
         std::to_string(data->rate) + ": ";
  out.append(reinterpret_cast<const char*>(data->bytes), data->byteCount);
  for (int v = 1; v < sample.voiceCount; ++v) {
    if (sample.voices[v] == nullptr || sample.voices[v]->data.get() != data) out += " (a voice without the data)";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSoundOnce();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const int32_t voices = input.Byte() % 6;
  const std::string path = FuzzWriteFile("sound.wav", input.RestData(), input.RestSize());
  const FuzzMemoryFile memory(input.RestData(), input.RestSize());

  SoundLoad(path.c_str(), 0, voices);
  const int32_t diskError = g_errorState.code;
  SoundLoad(memory.name(), 1, voices);
  const int32_t memoryError = g_errorState.code;
  const SoundSample& disk = g_app.soundSlots[0];
  const SoundSample& mem = g_app.soundSlots[1];
  FUZZ_CHECK(diskError == memoryError, kTarget, "disk and memory file end with other errors");
  FUZZ_CHECK((diskError == 0) == (disk.voiceCount > 0), kTarget, "the error does not match the slot");
  FUZZ_CHECK(Describe(disk) == Describe(mem), kTarget, "disk and memory file give other sounds");
  if (disk.voiceCount > 0) {
    const int32_t want = voices < 1 ? 1 : voices > kSoundMaxVoices ? kSoundMaxVoices : voices;
    FUZZ_CHECK(disk.voiceCount == want, kTarget, "the slot has another number of voices");
  }
  SampleFree(g_app.soundSlots[0]);
  SampleFree(g_app.soundSlots[1]);
  FuzzForgetErrorLog();
  return 0;
}
