#include "platform/audio.h"

#include <SDL.h>

#include <cstring>
#include <new>

struct PlatformAudio {
  SDL_AudioDeviceID device = 0;
  PlatformAudioMixer mixer = nullptr;
  void* user = nullptr;
  PlatformAudioFormat format = {kAudioRate, kAudioChannels, kAudioBits};
};

namespace {

void Callback(void* userdata, Uint8* stream, int bytes) {
  auto* audio = static_cast<PlatformAudio*>(userdata);
  std::memset(stream, 0, static_cast<size_t>(bytes));
  const int frames = bytes / (kAudioChannels * static_cast<int>(sizeof(int16_t)));
  audio->mixer(audio->user, reinterpret_cast<int16_t*>(stream), frames);
}

}  // namespace

PlatformAudio* PlatformAudioOpen(PlatformAudioMixer mixer, void* user) {
  if (mixer == nullptr) return nullptr;
  // Each open device holds one reference to SDL's audio subsystem, so the
  // subsystem (and its choice of driver) goes when the last device closes.
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  auto* audio = new (std::nothrow) PlatformAudio;
  if (audio == nullptr) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  audio->mixer = mixer;
  audio->user = user;
  SDL_AudioSpec wanted = {};
  wanted.freq = kAudioRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kAudioChannels;
  // 512 frames: about 23 ms a buffer. Closing the device waits for two
  // buffers to drain, so a small buffer keeps the program's end quick.
  wanted.samples = 512;
  wanted.callback = Callback;
  wanted.userdata = audio;
  SDL_AudioSpec obtained = {};
  // The format is fixed: SDL converts to whatever the hardware takes.
  audio->device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (audio->device == 0) {
    delete audio;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  SDL_PauseAudioDevice(audio->device, 0);
  return audio;
}

void PlatformAudioClose(PlatformAudio* audio) {
  if (audio == nullptr) return;
  SDL_CloseAudioDevice(audio->device);
  delete audio;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void PlatformAudioLock(PlatformAudio* audio) {
  if (audio != nullptr) SDL_LockAudioDevice(audio->device);
}

void PlatformAudioUnlock(PlatformAudio* audio) {
  if (audio != nullptr) SDL_UnlockAudioDevice(audio->device);
}

PlatformAudioFormat PlatformAudioGetFormat(const PlatformAudio* audio) {
  return audio != nullptr ? audio->format : PlatformAudioFormat{0, 0, 0};
}
