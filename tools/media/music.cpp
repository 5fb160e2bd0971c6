#include "tools/media/music.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/media/sounds.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 0.5;  // seconds, 120 beats a minute

double NoteHz(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

// Adds a plucked note: a soft square wave with a quick attack and a fade.
void AddNote(std::vector<double>& out, double start, double seconds, double hz, double gain, double brightness) {
  const size_t from = static_cast<size_t>(start * kRate);
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n && from + i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double phase = 2 * kPi * hz * t;
    double v = std::sin(phase) + brightness * std::sin(3 * phase) / 3 + brightness * std::sin(5 * phase) / 5;
    const double envelope = std::min(1.0, t / 0.01) * std::exp(-t * 3.0) * std::min(1.0, (seconds - t) / 0.02);
    out[from + i] += gain * envelope * v;
  }
}

// Eight bars of four beats in A minor: Am, F, Dm, E, twice, the second
// time an octave higher on top. It loops without a seam.
std::vector<double> Compose() {
  const int bars = 8;
  std::vector<double> out(static_cast<size_t>(bars * 4 * kBeat * kRate), 0.0);
  // Chords as semitones from A4: root, third, fifth.
  const int chords[4][3] = {{0, 3, 7}, {-4, 0, 3}, {-7, -4, 0}, {-5, -1, 2}};
  for (int bar = 0; bar < bars; ++bar) {
    const int* chord = chords[bar % 4];
    const double barStart = bar * 4 * kBeat;
    // The bass: the root two octaves down on every beat, the last one
    // an octave higher.
    for (int beat = 0; beat < 4; ++beat) {
      const int octave = beat == 3 ? -12 : -24;
      AddNote(out, barStart + beat * kBeat, kBeat * 0.9, NoteHz(chord[0] + octave), 0.35, 0.6);
    }
    // The arpeggio in eighths, up and back down.
    const int pattern[8] = {0, 1, 2, 1, 0, 1, 2, 1};
    for (int step = 0; step < 8; ++step) {
      const int lift = bar >= 4 && step % 2 == 0 ? 12 : 0;
      AddNote(out, barStart + step * kBeat / 2, kBeat * 0.45, NoteHz(chord[pattern[step]] + lift), 0.16, 0.3);
    }
  }
  // A ticking clock on the off-beats.
  Noise noise(7);
  for (int tick = 0; tick < bars * 4; ++tick) {
    const size_t from = static_cast<size_t>((tick * kBeat + kBeat / 2) * kRate);
    for (size_t i = 0; i < 800 && from + i < out.size(); ++i) {
      out[from + i] += 0.05 * std::exp(-static_cast<double>(i) / 120) * noise.Next();
    }
  }
  return out;
}

// Sends one frame (or the end, with null) and writes what comes out.
bool Encode(AVCodecContext* context, AVFrame* frame, AVPacket* packet, std::FILE* file) {
  if (avcodec_send_frame(context, frame) < 0) return false;
  for (;;) {
    const int result = avcodec_receive_packet(context, packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return false;
    const bool written = std::fwrite(packet->data, 1, packet->size, file) == static_cast<size_t>(packet->size);
    av_packet_unref(packet);
    if (!written) return false;
  }
}

}  // namespace

bool SaveMusicMp3(const std::string& path) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
  if (codec == nullptr) {
    std::fprintf(stderr, "make_media: this libavcodec has no MP3 encoder (libmp3lame)\n");
    return false;
  }
  AVCodecContext* context = avcodec_alloc_context3(codec);
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = context != nullptr && frame != nullptr && packet != nullptr && file != nullptr;
  if (ok) {
    context->bit_rate = 96000;
    context->sample_rate = kRate;
    context->sample_fmt = AV_SAMPLE_FMT_S16P;
    av_channel_layout_default(&context->ch_layout, 1);
    ok = avcodec_open2(context, codec, nullptr) >= 0;
  }
  if (ok) {
    frame->nb_samples = context->frame_size;
    frame->format = context->sample_fmt;
    ok = av_channel_layout_copy(&frame->ch_layout, &context->ch_layout) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
  }
  if (ok) {
    const std::vector<double> music = Compose();
    for (size_t at = 0; ok && at < music.size(); at += static_cast<size_t>(frame->nb_samples)) {
      ok = av_frame_make_writable(frame) >= 0;
      int16_t* samples = reinterpret_cast<int16_t*>(frame->data[0]);
      for (int i = 0; ok && i < frame->nb_samples; ++i) {
        const double v = at + i < music.size() ? std::clamp(music[at + i], -1.0, 1.0) : 0.0;
        samples[i] = static_cast<int16_t>(std::lround(v * 32767));
      }
      frame->pts = static_cast<int64_t>(at);
      ok = ok && Encode(context, frame, packet, file);
    }
    ok = ok && Encode(context, nullptr, packet, file);
  }
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&context);
  if (!ok) std::fprintf(stderr, "make_media: could not encode %s\n", path.c_str());
  return ok;
}
