#include "tools/media/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.14159265358979323846;

Wave Silence(double seconds) { return Wave(static_cast<size_t>(seconds * kSoundRate), 0.0); }

// A one-pole low-pass filter step; `a` near 1 keeps only low tones.
struct LowPass {
  double a;
  double y = 0;
  double operator()(double x) { return y = a * y + (1 - a) * x; }
};

// Noise with an exponential fade, low-passed: the body of shots and splats.
void AddNoiseBurst(Wave& w, double start, double seconds, double decay, double smooth, double gain,
                   uint32_t seed) {
  Noise noise(seed);
  LowPass filter{smooth};
  const size_t from = static_cast<size_t>(start * kSoundRate);
  const size_t n = static_cast<size_t>(seconds * kSoundRate);
  for (size_t i = 0; i < n && from + i < w.size(); ++i) {
    const double t = static_cast<double>(i) / kSoundRate;
    w[from + i] += gain * std::exp(-t * decay) * filter(noise.Next());
  }
}

// A sine whose pitch slides from f0 to f1, fading: thumps and cracks.
void AddSweep(Wave& w, double start, double seconds, double f0, double f1, double decay, double gain) {
  const size_t from = static_cast<size_t>(start * kSoundRate);
  const size_t n = static_cast<size_t>(seconds * kSoundRate);
  double phase = 0;
  for (size_t i = 0; i < n && from + i < w.size(); ++i) {
    const double t = static_cast<double>(i) / kSoundRate;
    const double f = f0 + (f1 - f0) * t / seconds;
    phase += 2 * kPi * f / kSoundRate;
    w[from + i] += gain * std::exp(-t * decay) * std::sin(phase);
  }
}

Wave Pistol() {
  Wave w = Silence(0.35);
  AddNoiseBurst(w, 0, 0.35, 22, 0.35, 0.9, 11);
  AddSweep(w, 0, 0.2, 180, 60, 25, 0.6);
  return w;
}

// Three shots, 5 frames apart like the uzi's bullets.
Wave Uzi() {
  Wave w = Silence(0.42);
  for (int shot = 0; shot < 3; ++shot) {
    const double at = shot * 5.0 / 60.0;
    AddNoiseBurst(w, at, 0.12, 40, 0.25, 0.8, 20 + shot);
    AddSweep(w, at, 0.08, 240, 90, 40, 0.4);
  }
  return w;
}

// A heavy boom, then the pump.
Wave Shotgun() {
  Wave w = Silence(0.9);
  AddNoiseBurst(w, 0, 0.6, 9, 0.6, 1.0, 31);
  AddSweep(w, 0, 0.4, 110, 40, 9, 0.8);
  AddNoiseBurst(w, 0.55, 0.05, 80, 0.1, 0.5, 32);
  AddNoiseBurst(w, 0.68, 0.05, 80, 0.1, 0.5, 33);
  return w;
}

// A long falling "nooo": a voice-like buzz through the formants of an
// "oo", with a little vibrato.
Wave Cry() {
  const double seconds = 1.3;
  Wave w = Silence(seconds);
  const double formants[3][2] = {{320, 1.0}, {800, 0.45}, {2400, 0.08}};
  double phase = 0;
  for (size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / kSoundRate;
    const double f = (260 - 90 * t / seconds) * (1 + 0.02 * std::sin(2 * kPi * 5.5 * t));
    phase += 2 * kPi * f / kSoundRate;
    double v = 0;
    for (int h = 1; h * f < 4000; ++h) {
      double gain = 0;
      for (const auto& formant : formants) {
        const double d = (h * f - formant[0]) / 180.0;
        gain += formant[1] * std::exp(-d * d);
      }
      v += gain * std::sin(h * phase) / h;
    }
    const double envelope = std::min(1.0, t / 0.08) * std::min(1.0, (seconds - t) / 0.3);
    w[i] = 0.7 * envelope * v;
  }
  return w;
}

// Wet hits: low-passed noise with a falling thud.
Wave Splat() {
  Wave w = Silence(0.4);
  AddNoiseBurst(w, 0, 0.4, 12, 0.8, 1.2, 41);
  AddSweep(w, 0, 0.25, 140, 50, 14, 0.5);
  return w;
}

// Squishes: noise pulsed by a slow wobble.
Wave Squish(double wobble, uint32_t seed) {
  Wave w = Silence(0.45);
  Noise noise(seed);
  LowPass filter{0.85};
  for (size_t i = 0; i < w.size(); ++i) {
    const double t = static_cast<double>(i) / kSoundRate;
    const double pulse = 0.5 + 0.5 * std::sin(2 * kPi * wobble * t);
    w[i] = 1.6 * std::exp(-t * 7) * pulse * filter(noise.Next());
  }
  return w;
}
Wave Squish2() { return Squish(18, 51); }
Wave Squish3() { return Squish(11, 52); }

// Bone and gristle: a run of short sharp cracks.
Wave Crunch() {
  Wave w = Silence(0.7);
  Noise timing(61);
  double at = 0;
  for (int crack = 0; crack < 14 && at < 0.6; ++crack) {
    AddNoiseBurst(w, at, 0.05, 70, 0.15, 0.9 - crack * 0.04, 62 + crack);
    at += 0.03 + 0.02 * (timing.Next() + 1);
  }
  AddNoiseBurst(w, 0, 0.7, 6, 0.9, 0.6, 90);
  return w;
}

void PutLittle(std::FILE* f, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
}

}  // namespace

double Noise::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
}

bool SaveWav(const Wave& wave, int rate, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(wave.size() * 2);
  std::fputs("RIFF", f);
  PutLittle(f, 36 + dataBytes, 4);
  std::fputs("WAVEfmt ", f);
  PutLittle(f, 16, 4);
  PutLittle(f, 1, 2);  // PCM
  PutLittle(f, 1, 2);  // mono
  PutLittle(f, static_cast<uint32_t>(rate), 4);
  PutLittle(f, static_cast<uint32_t>(rate) * 2, 4);
  PutLittle(f, 2, 2);
  PutLittle(f, 16, 2);
  std::fputs("data", f);
  PutLittle(f, dataBytes, 4);
  for (double v : wave) {
    const double clipped = std::clamp(v, -1.0, 1.0);
    PutLittle(f, static_cast<uint32_t>(static_cast<int16_t>(std::lround(clipped * 32767))), 2);
  }
  return std::fclose(f) == 0;
}

const SoundFile kSoundFiles[8] = {
    {"pistol.wav", Pistol},     {"uzi 02.wav", Uzi},         {"shotgun2.wav", Shotgun},   {"nooo.wav", Cry},
    {"splat01.wav", Splat},     {"squish02.wav", Squish2},   {"squish03.wav", Squish3},   {"crunch.wav", Crunch},
};
