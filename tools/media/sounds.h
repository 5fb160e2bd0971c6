// The game's sound effects, synthesised, and the WAV files they are saved
// as (PCM, 16-bit, mono, 22050 samples a second).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kSoundRate = 22050;

// Samples from -1 to 1.
using Wave = std::vector<double>;

struct SoundFile {
  const char* name;
  Wave (*make)();
};

// Every sound of the game's media folder.
extern const SoundFile kSoundFiles[8];

// A deterministic noise source, so that every build makes the same files.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  // A value from -1 to 1.
  double Next();

 private:
  uint32_t state_;
};

// Writes the samples (clipped to -1..1) as a 16-bit mono WAV file.
bool SaveWav(const Wave& wave, int rate, const std::string& path);
