#include "tests/support/media_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <mpg123.h>

#include <algorithm>
#include <cmath>

namespace {

// One encoder writing into one stream of a muxer.
struct Track {
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  int64_t lastPts = AV_NOPTS_VALUE;
  bool reordered = false;  // a packet came before one shown earlier
};

struct Output {
  AVFormatContext* format = nullptr;
  Track tracks[2];
  AVPacket* packet = nullptr;
  bool headerWritten = false;

  ~Output() {
    for (Track& t : tracks) avcodec_free_context(&t.codec);
    av_packet_free(&packet);
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }
};

bool OpenOutput(Output& out, const char* muxer, const std::string& path) {
  av_log_set_level(AV_LOG_QUIET);
  if (avformat_alloc_output_context2(&out.format, nullptr, muxer, path.c_str()) < 0) return false;
  out.packet = av_packet_alloc();
  return out.packet != nullptr && avio_open(&out.format->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0;
}

// Opens the encoder the caller has set up and gives the track a stream.
bool OpenTrack(Output& out, Track& track) {
  if ((out.format->oformat->flags & AVFMT_GLOBALHEADER) != 0) track.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(track.codec, track.codec->codec, nullptr) < 0) return false;
  track.stream = avformat_new_stream(out.format, nullptr);
  if (track.stream == nullptr) return false;
  track.stream->time_base = track.codec->time_base;
  return avcodec_parameters_from_context(track.stream->codecpar, track.codec) >= 0;
}

Track* NewTrack(Output& out, const char* encoder) {
  const AVCodec* codec = avcodec_find_encoder_by_name(encoder);
  if (codec == nullptr) return nullptr;
  for (Track& t : out.tracks) {
    if (t.codec == nullptr) {
      t.codec = avcodec_alloc_context3(codec);
      return t.codec != nullptr ? &t : nullptr;
    }
  }
  return nullptr;
}

// Sends a frame (null drains the encoder) and writes every packet it gives.
bool Encode(Output& out, Track& track, const AVFrame* frame) {
  if (avcodec_send_frame(track.codec, frame) < 0) return false;
  for (;;) {
    const int result = avcodec_receive_packet(track.codec, out.packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return false;
    if (track.lastPts != AV_NOPTS_VALUE && out.packet->pts < track.lastPts) track.reordered = true;
    track.lastPts = out.packet->pts;
    av_packet_rescale_ts(out.packet, track.codec->time_base, track.stream->time_base);
    out.packet->stream_index = track.stream->index;
    if (av_interleaved_write_frame(out.format, out.packet) < 0) return false;
  }
}

bool Finish(Output& out) {
  for (Track& t : out.tracks) {
    if (t.codec != nullptr && !Encode(out, t, nullptr)) return false;
  }
  return av_write_trailer(out.format) >= 0;
}

// A sound track of interleaved 16-bit samples in frames of the encoder's
// size (or 1024 when it takes any size), first as planes when it asks.
bool AddSound(Output& out, const char* encoder, int channels, int rate, int bitRate, Track** made) {
  Track* track = NewTrack(out, encoder);
  if (track == nullptr) return false;
  AVCodecContext* c = track->codec;
  const AVSampleFormat planar = AV_SAMPLE_FMT_S16P;
  c->sample_fmt = AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* f = c->codec->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE; ++f) {
    if (*f == planar) c->sample_fmt = planar;
  }
  c->sample_rate = rate;
  av_channel_layout_default(&c->ch_layout, channels);
  c->bit_rate = bitRate;
  c->time_base = {1, rate};
  *made = track;
  return OpenTrack(out, *track);
}

bool EncodeSound(Output& out, Track& track, const std::vector<int16_t>& samples) {
  AVCodecContext* c = track.codec;
  const int channels = c->ch_layout.nb_channels;
  const int total = static_cast<int>(samples.size()) / channels;
  const int size = c->frame_size > 0 ? c->frame_size : 1024;
  AVFrame* frame = av_frame_alloc();
  bool ok = frame != nullptr;
  for (int at = 0; ok && at < total; at += size) {
    av_frame_unref(frame);
    frame->format = c->sample_fmt;
    frame->nb_samples = std::min(size, total - at);
    frame->sample_rate = c->sample_rate;
    frame->pts = at;
    ok = av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; ok && i < frame->nb_samples; ++i) {
      for (int ch = 0; ch < channels; ++ch) {
        const int16_t value = samples[static_cast<size_t>(at + i) * channels + ch];
        if (c->sample_fmt == AV_SAMPLE_FMT_S16P) {
          reinterpret_cast<int16_t*>(frame->data[ch])[i] = value;
        } else {
          reinterpret_cast<int16_t*>(frame->data[0])[i * channels + ch] = value;
        }
      }
    }
    ok = ok && Encode(out, track, frame);
  }
  av_frame_free(&frame);
  return ok;
}

bool EncodePictures(Output& out, Track& track, const TestMovie& movie) {
  AVCodecContext* c = track.codec;
  SwsContext* scaler = sws_getContext(movie.width, movie.height, AV_PIX_FMT_RGB24, movie.width, movie.height,
                                      c->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
  AVFrame* frame = av_frame_alloc();
  std::vector<uint8_t> rgb(static_cast<size_t>(movie.width) * movie.height * 3);
  bool ok = scaler != nullptr && frame != nullptr;
  for (size_t n = 0; ok && n < movie.colours.size(); ++n) {
    for (size_t p = 0; p < rgb.size(); p += 3) {
      rgb[p] = static_cast<uint8_t>(movie.colours[n] >> 16);
      rgb[p + 1] = static_cast<uint8_t>(movie.colours[n] >> 8);
      rgb[p + 2] = static_cast<uint8_t>(movie.colours[n]);
    }
    av_frame_unref(frame);
    frame->format = c->pix_fmt;
    frame->width = movie.width;
    frame->height = movie.height;
    frame->pts = static_cast<int64_t>(n);
    ok = av_frame_get_buffer(frame, 0) >= 0;
    const uint8_t* source[1] = {rgb.data()};
    const int stride[1] = {3 * movie.width};
    ok = ok && sws_scale(scaler, source, stride, 0, movie.height, frame->data, frame->linesize) > 0;
    ok = ok && Encode(out, track, frame);
  }
  av_frame_free(&frame);
  sws_freeContext(scaler);
  return ok;
}

}  // namespace

std::vector<int16_t> ToneSamples(int channels, int rate, int frames) {
  std::vector<int16_t> samples;
  const double pi = std::acos(-1.0);
  for (int i = 0; i < frames; ++i) {
    for (int ch = 0; ch < channels; ++ch) {
      const double hz = ch == 0 ? 440.0 : 660.0;
      samples.push_back(static_cast<int16_t>(8000.0 * std::sin(2.0 * pi * hz * i / rate)));
    }
  }
  return samples;
}

bool WriteMp3File(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate) {
  Output out;
  Track* track = nullptr;
  return OpenOutput(out, "mp3", path) && AddSound(out, "libmp3lame", channels, rate, 64000, &track) &&
         avformat_write_header(out.format, nullptr) >= 0 && EncodeSound(out, *track, samples) && Finish(out);
}

std::vector<int16_t> DecodeMp3File(const std::string& path) {
  std::vector<int16_t> samples;
  mpg123_init();
  mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
  if (decoder == nullptr) return samples;
  mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  mpg123_format_none(decoder);
  mpg123_format(decoder, 22050, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  if (mpg123_open(decoder, path.c_str()) == MPG123_OK) {
    int16_t buffer[4096];
    for (;;) {
      size_t bytes = 0;
      const int result = mpg123_read(decoder, buffer, sizeof buffer, &bytes);
      samples.insert(samples.end(), buffer, buffer + bytes / 2);
      if (result != MPG123_OK && result != MPG123_NEW_FORMAT) break;
    }
    mpg123_close(decoder);
  }
  mpg123_delete(decoder);
  return samples;
}

bool CanWriteH264Movies() { return avcodec_find_encoder_by_name("libx264") != nullptr; }

bool WriteMovieFile(const std::string& path, const TestMovie& movie) {
  Output out;
  if (!OpenOutput(out, "avi", path)) return false;
  const bool bFrames = movie.h264 || movie.bFrames > 0;
  Track* pictures = NewTrack(out, movie.h264 ? "libx264" : movie.bFrames > 0 ? "mpeg4" : "mjpeg");
  if (pictures == nullptr) return false;
  AVCodecContext* c = pictures->codec;
  c->width = movie.width;
  c->height = movie.height;
  c->pix_fmt = AV_PIX_FMT_YUVJ444P;
  c->time_base = {1, movie.framesPerSecond};
  c->framerate = {movie.framesPerSecond, 1};
  if (movie.h264) {
    // x264's defaults (up to three B-frames between references, the middle
    // one a reference too), but with the B-frames placed everywhere rather
    // than where its look-ahead finds them worth it, so that every movie
    // has them, and a fixed fine quantiser, so that every picture keeps its
    // colour. x264 makes no B-frames in pictures under three blocks wide.
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    if (av_opt_set(c->priv_data, "qp", "12", 0) < 0 || av_opt_set(c->priv_data, "x264-params", "b-adapt=0", 0) < 0) {
      return false;
    }
  } else {
    if (movie.bFrames > 0) {
      c->pix_fmt = AV_PIX_FMT_YUV420P;
      c->max_b_frames = movie.bFrames;
      c->gop_size = 12;
      c->codec_tag = MKTAG('X', 'V', 'I', 'D');
    }
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->global_quality = FF_QP2LAMBDA * 1;
  }
  if (!OpenTrack(out, *pictures)) return false;
  Track* sound = nullptr;
  if (!movie.sound.empty() && !AddSound(out, "pcm_s16le", 2, 22050, 0, &sound)) return false;
  if (avformat_write_header(out.format, nullptr) < 0 || !EncodePictures(out, *pictures, movie)) return false;
  if (sound != nullptr && !EncodeSound(out, *sound, movie.sound)) return false;
  return Finish(out) && (!bFrames || pictures->reordered);
}
