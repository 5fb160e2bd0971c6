#include "devices/movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <GL/gl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <deque>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "core/float_to_int.h"
#include "core/min_max.h"
#include "devices/input_device.h"
#include "devices/keyboard.h"
#include "devices/mouse.h"
#include "devices/music.h"
#include "devices/sound_device.h"
#include "devices/sound_stream.h"
#include "files/media_resolver.h"
#include "gfx2d/gl_extensions.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/offscreen_screens.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/texture_upload.h"
#include "platform/audio.h"
#include "platform/file_io.h"
#include "platform/gl_window.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/frame_hooks.h"
#include "process/program_end.h"
#include "process/timer.h"

namespace {

constexpr int32_t kLargestSide = 4096;
// Decoded pictures wait for their time in a queue of at most this many;
// the file is read on while the last one is due within the look-ahead.
constexpr size_t kMaxQueued = 32;
constexpr int64_t kLookAheadMs = 500;
// Sound is decoded half a second ahead into a ring of two seconds.
constexpr uint32_t kSoundRingFrames = 2 * kAudioRate;
constexpr uint32_t kSoundAheadFrames = kAudioRate / 2;
// Sound rates and channel counts taken from a file.
constexpr int kLowestRate = 1000;
constexpr int kHighestRate = 384000;
constexpr int kMostChannels = 64;
// The most packets one MovieAdvance reads, so one call stays short.
constexpr int kPacketsPerStep = 64;
constexpr int kIoBufferSize = 32768;
// The largest block libav may take at once: a plane of the largest picture
// at four bytes a pixel, with room for the decoders' padding. Its readers
// trust sizes written in a file (a tag of a few bytes can claim a gigabyte,
// zero-filled before anything is read), so a larger request is refused and
// the file does not open.
constexpr size_t kLargestLibraryBlock = size_t{kLargestSide} * kLargestSide * 4 + (size_t{1} << 20);
// The movie loop rests this long between passes.
constexpr uint32_t kPassMillis = 5;

struct QueuedPicture {
  AVFrame* frame;
  int64_t ms;
};

}  // namespace

struct Movie {
  int fd = -1;
  AVIOContext* io = nullptr;
  AVFormatContext* format = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;

  int videoIndex = -1;
  AVCodecContext* video = nullptr;
  SwsContext* scaler = nullptr;
  std::deque<QueuedPicture> queued;
  int64_t untimedPictureMs = 0;  // the time of a picture decoded without one
  int64_t firstTimestamp = AV_NOPTS_VALUE;  // the stream time of the first timed picture
  int64_t firstTimestampMs = 0;  // when that picture is due
  int64_t picturesEndMs = 0;  // when the latest picture decoded stops showing
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> picture;  // RGBA, top row first
  bool hasPicture = false;
  bool pictureChanged = false;
  GLuint texture = 0;

  int audioIndex = -1;
  AVCodecContext* audio = nullptr;
  SwrContext* resampler = nullptr;
  AVChannelLayout resamplerLayout = {};
  int resamplerFormat = -1;
  int resamplerRate = 0;
  std::vector<int16_t> converted;
  SoundDevice* device = nullptr;  // set while the sound is attached
  SoundStream sound;

  int64_t lengthMs = INT64_MAX;
  bool inputDone = false;  // every packet read and the decoders drained
};

namespace {

void LibraryInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(AV_LOG_QUIET);
    av_max_alloc(kLargestLibraryBlock);
  });
}

// The demuxer reads the movie's own open file, and nothing else: a file
// that names other files or addresses is not followed.
int ReadFile(void* opaque, uint8_t* buffer, int size) {
  const int fd = static_cast<Movie*>(opaque)->fd;
  ssize_t got = 0;
  do {
    got = read(fd, buffer, static_cast<size_t>(size));
  } while (got < 0 && errno == EINTR);
  if (got < 0) return AVERROR(EIO);
  return got == 0 ? AVERROR_EOF : static_cast<int>(got);
}

int64_t SeekFile(void* opaque, int64_t offset, int whence) {
  const int fd = static_cast<Movie*>(opaque)->fd;
  if ((whence & AVSEEK_SIZE) != 0) return PlatformFileSize(fd);
  const off_t at = lseek(fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(EIO) : static_cast<int64_t>(at);
}

int RefuseOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

int64_t StatedLength(const AVFormatContext& format) {
  if (format.duration != AV_NOPTS_VALUE && format.duration > 0) return format.duration / (AV_TIME_BASE / 1000);
  return INT64_MAX;
}

bool OpenInput(Movie& m, const char* path) {
  m.fd = PlatformOpenRegularFile(path);
  if (m.fd < 0) return false;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return false;
  m.io = avio_alloc_context(buffer, kIoBufferSize, 0, &m, ReadFile, nullptr, SeekFile);
  if (m.io == nullptr) {
    av_free(buffer);
    return false;
  }
  m.format = avformat_alloc_context();
  if (m.format == nullptr) return false;
  m.format->pb = m.io;
  m.format->flags |= AVFMT_FLAG_CUSTOM_IO;
  m.format->io_open = RefuseOpen;
  // A failed open frees the context and clears the pointer.
  if (avformat_open_input(&m.format, nullptr, nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(m.format, nullptr) < 0) return false;
  m.lengthMs = StatedLength(*m.format);
  m.packet = av_packet_alloc();
  m.frame = av_frame_alloc();
  return m.packet != nullptr && m.frame != nullptr;
}

AVCodecContext* OpenDecoder(const AVStream& stream) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (codec == nullptr) return nullptr;
  AVCodecContext* context = avcodec_alloc_context3(codec);
  if (context == nullptr) return nullptr;
  if (avcodec_parameters_to_context(context, stream.codecpar) < 0 || avcodec_open2(context, codec, nullptr) < 0) {
    avcodec_free_context(&context);
  }
  return context;
}

bool SideFits(int side) { return side >= 1 && side <= kLargestSide; }

// The picture stream, when there is one that decodes. False for pictures
// too large.
bool OpenVideo(Movie& m) {
  const int index = av_find_best_stream(m.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return true;
  AVCodecContext* video = OpenDecoder(*m.format->streams[index]);
  if (video == nullptr) return true;
  m.video = video;
  m.videoIndex = index;
  if (!SideFits(video->width) || !SideFits(video->height)) return false;
  m.width = video->width;
  m.height = video->height;
  m.picture.assign(static_cast<size_t>(m.width) * static_cast<size_t>(m.height) * 4, 0);
  return true;
}

// The sound stream, when there is one that decodes and an output to play it.
void OpenAudio(Movie& m, SoundDevice* device) {
  if (device == nullptr || device->output == nullptr) return;
  const int index = av_find_best_stream(m.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) return;
  m.audio = OpenDecoder(*m.format->streams[index]);
  if (m.audio == nullptr) return;
  m.audioIndex = index;
  if (!SoundStreamCreate(m.sound, kSoundRingFrames) || !SoundStreamAttach(*device, &m.sound)) return;
  m.device = device;
  m.sound.playing = true;
}

// The time of a decoded picture, from the decoder's best-effort timestamp
// counted from the first timed picture, which is due when the pictures
// before it end (at 0 when it is the first). Not from the stream's start:
// an AVI file times the packets in decoding order, and a decoder that
// reorders pictures (B-frames) hands each one out with the time of the
// packet that pushed it out, a frame or more later, so every picture
// would be late by that delay and the last ones would fall past the
// movie's length. One without a time (the decoder drains the last
// pictures of such a file untimed) comes when the picture before it ends,
// so that it is not due together with that one.
int64_t PictureTime(Movie& m, const AVFrame& frame) {
  const int64_t timestamp = frame.best_effort_timestamp;
  if (timestamp == AV_NOPTS_VALUE) return m.untimedPictureMs;
  if (m.firstTimestamp == AV_NOPTS_VALUE) {
    m.firstTimestamp = timestamp;
    m.firstTimestampMs = m.untimedPictureMs;
  }
  const AVStream& stream = *m.format->streams[m.videoIndex];
  const double seconds =
      (static_cast<double>(timestamp) - static_cast<double>(m.firstTimestamp)) * av_q2d(stream.time_base);
  // Times beyond every range (or none at all) are due at once.
  const int64_t ms = TruncToInt64(static_cast<double>(m.firstTimestampMs) + seconds * 1000.0);
  return ms == INT64_MIN ? 0 : ms;
}

// How long a picture shows: its own duration, else one frame of the
// stream's rate; at most 10 seconds.
int64_t PictureDuration(const Movie& m, const AVFrame& frame) {
  const AVStream& stream = *m.format->streams[m.videoIndex];
  double seconds = static_cast<double>(frame.pkt_duration) * av_q2d(stream.time_base);
  if (!(seconds > 0.0) && stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0) {
    seconds = av_q2d(av_inv_q(stream.avg_frame_rate));
  }
  if (!(seconds > 0.0)) return 0;
  return seconds < 10.0 ? TruncToInt64(seconds * 1000.0) : 10000;
}

void ReceivePictures(Movie& m) {
  while (avcodec_receive_frame(m.video, m.frame) >= 0) {
    // A packet gives a picture or a few; a decoder that keeps giving them
    // has the rest dropped.
    AVFrame* copy = m.queued.size() < 2 * kMaxQueued ? av_frame_alloc() : nullptr;
    if (copy == nullptr) {
      av_frame_unref(m.frame);
      continue;
    }
    av_frame_move_ref(copy, m.frame);
    const int64_t ms = PictureTime(m, *copy);
    const int64_t duration = PictureDuration(m, *copy);
    const int64_t end = ms > INT64_MAX - duration ? INT64_MAX : ms + duration;
    m.untimedPictureMs = end;
    m.picturesEndMs = std::max(m.picturesEndMs, end);
    m.queued.push_back({copy, ms});
  }
}

// A resampler from the frame's format to the output's; false for a format
// outside the accepted ranges.
bool ResamplerFor(Movie& m, const AVFrame& frame) {
  AVChannelLayout layout = {};
  if (frame.ch_layout.nb_channels < 1 || frame.ch_layout.nb_channels > kMostChannels) return false;
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&layout, frame.ch_layout.nb_channels);
  } else if (av_channel_layout_copy(&layout, &frame.ch_layout) < 0) {
    return false;
  }
  const bool same = m.resampler != nullptr && frame.format == m.resamplerFormat &&
                    frame.sample_rate == m.resamplerRate && av_channel_layout_compare(&layout, &m.resamplerLayout) == 0;
  if (same) {
    av_channel_layout_uninit(&layout);
    return true;
  }
  swr_free(&m.resampler);
  av_channel_layout_uninit(&m.resamplerLayout);
  m.resamplerLayout = layout;
  m.resamplerFormat = frame.format;
  m.resamplerRate = frame.sample_rate;
  if (frame.sample_rate < kLowestRate || frame.sample_rate > kHighestRate || frame.format < 0) return false;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (swr_alloc_set_opts2(&m.resampler, &stereo, AV_SAMPLE_FMT_S16, kAudioRate, &layout,
                          static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr) < 0 ||
      swr_init(m.resampler) < 0) {
    swr_free(&m.resampler);
    return false;
  }
  return true;
}

// Converts the frame to the output's format into the sound ring; what does
// not fit is dropped.
void PushSound(Movie& m, const AVFrame& frame) {
  if (frame.nb_samples < 1 || !ResamplerFor(m, frame)) return;
  const int room = swr_get_out_samples(m.resampler, frame.nb_samples);
  if (room < 1) return;
  m.converted.resize(2 * static_cast<size_t>(room));
  auto* out = reinterpret_cast<uint8_t*>(m.converted.data());
  const int made = swr_convert(m.resampler, &out, room, const_cast<const uint8_t**>(frame.extended_data),
                               frame.nb_samples);
  if (made > 0) SoundStreamWrite(m.sound, m.converted.data(), static_cast<uint32_t>(made));
}

void ReceiveSound(Movie& m) {
  while (avcodec_receive_frame(m.audio, m.frame) >= 0) {
    if (m.device != nullptr) PushSound(m, *m.frame);
    av_frame_unref(m.frame);
  }
}

void EndInput(Movie& m) {
  if (m.video != nullptr && avcodec_send_packet(m.video, nullptr) >= 0) ReceivePictures(m);
  if (m.audio != nullptr && avcodec_send_packet(m.audio, nullptr) >= 0) ReceiveSound(m);
  m.inputDone = true;
}

void ReadPacket(Movie& m) {
  if (av_read_frame(m.format, m.packet) < 0) {
    EndInput(m);
    return;
  }
  if (m.packet->stream_index == m.videoIndex && m.video != nullptr) {
    // A packet that does not decode is passed over.
    if (avcodec_send_packet(m.video, m.packet) >= 0) ReceivePictures(m);
  } else if (m.packet->stream_index == m.audioIndex && m.audio != nullptr && m.device != nullptr) {
    if (avcodec_send_packet(m.audio, m.packet) >= 0) ReceiveSound(m);
  }
  av_packet_unref(m.packet);
}

bool WantsInput(const Movie& m, int64_t elapsed) {
  if (m.inputDone || m.queued.size() >= kMaxQueued) return false;
  const bool wantsPicture =
      m.video != nullptr && (m.queued.empty() || m.queued.back().ms <= elapsed + kLookAheadMs);
  const bool wantsSound = m.device != nullptr && SoundStreamBuffered(m.sound) < kSoundAheadFrames;
  return wantsPicture || wantsSound;
}

void ConvertPicture(Movie& m, const AVFrame& frame) {
  if (!SideFits(frame.width) || !SideFits(frame.height) || frame.format < 0) return;
  m.scaler = sws_getCachedContext(m.scaler, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                                  m.width, m.height, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (m.scaler == nullptr) return;
  uint8_t* rows[4] = {m.picture.data(), nullptr, nullptr, nullptr};
  int strides[4] = {4 * m.width, 0, 0, 0};
  if (sws_scale(m.scaler, frame.data, frame.linesize, 0, frame.height, rows, strides) > 0) {
    m.hasPicture = true;
    m.pictureChanged = true;
  }
}

// Shows the latest queued picture whose time has come; earlier ones that
// are also due are passed over.
void PresentDue(Movie& m, int64_t elapsed) {
  AVFrame* due = nullptr;
  while (!m.queued.empty() && m.queued.front().ms <= elapsed) {
    av_frame_free(&due);
    due = m.queued.front().frame;
    m.queued.pop_front();
  }
  if (due == nullptr) return;
  ConvertPicture(m, *due);
  av_frame_free(&due);
}

void ClearQueue(Movie& m) {
  for (QueuedPicture& queued : m.queued) av_frame_free(&queued.frame);
  m.queued.clear();
}

// Uploads a changed picture into the movie's texture (made at the first
// upload, of power-of-two sides); false when there is nothing to draw.
bool UploadPicture(Movie& m, float* uMax, float* vMax) {
  const int32_t textureWidth = TextureSideFor(m.width);
  const int32_t textureHeight = TextureSideFor(m.height);
  if (!m.hasPicture || textureWidth > MaxTextureSide() || textureHeight > MaxTextureSide()) return false;
  if (m.texture == 0) {
    glGenTextures(1, &m.texture);
    glBindTexture(GL_TEXTURE_2D, m.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureWidth, textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    m.pictureChanged = true;
  }
  glBindTexture(GL_TEXTURE_2D, m.texture);
  if (m.pictureChanged) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, m.width, m.height, GL_RGBA, GL_UNSIGNED_BYTE, m.picture.data());
    glPopClientAttrib();
    m.pictureChanged = false;
  }
  *uMax = static_cast<float>(m.width) / static_cast<float>(textureWidth);
  *vMax = static_cast<float>(m.height) / static_cast<float>(textureHeight);
  return true;
}

double Elapsed(double start) { return TimerGetMillis() - start; }

// A typed key or a pressed mouse button.
bool UserInterrupts() {
  if (g_app.input == nullptr) return false;
  return InputPopKeyPressed(g_app.input->typed) || MouseAnyButton(*g_app.input);
}

// Waits until no key waits and no mouse button is down, so that the input
// which started the movie does not end it. Messages are pumped meanwhile:
// the button states come from them.
void WaitForQuietInput(void (*hook)()) {
  if (g_app.input == nullptr) return;
  for (;;) {
    CallPumpMessages(hook);
    while (InputPopKeyPressed(g_app.input->typed)) {
    }
    if (!MouseAnyButton(*g_app.input)) return;
    SleepMillis(kPassMillis);
  }
}

}  // namespace

MovieRect MovieFitRect(int32_t sourceWidth, int32_t sourceHeight, int32_t clientWidth, int32_t clientHeight) {
  if (sourceWidth < 1 || sourceHeight < 1 || clientWidth < 1 || clientHeight < 1) return {0, 0, 0, 0};
  const double scale = MinF(static_cast<double>(clientWidth) / sourceWidth,
                            static_cast<double>(clientHeight) / sourceHeight);
  const int32_t width = TruncToInt32(sourceWidth * scale);
  const int32_t height = TruncToInt32(sourceHeight * scale);
  return {(clientWidth - width) / 2, (clientHeight - height) / 2, width, height};
}

Movie* MovieOpen(const char* path, SoundDevice* device) {
  LibraryInit();
  auto* m = new (std::nothrow) Movie;
  if (m == nullptr) return nullptr;
  if (!OpenInput(*m, path) || !OpenVideo(*m)) {
    MovieClose(m);
    return nullptr;
  }
  OpenAudio(*m, device);
  if (m->video == nullptr && m->device == nullptr) {
    MovieClose(m);
    return nullptr;
  }
  return m;
}

void MovieClose(Movie* movie) {
  if (movie == nullptr) return;
  Movie& m = *movie;
  if (m.device != nullptr) SoundStreamDetach(*m.device, &m.sound);
  SoundStreamDestroy(m.sound);
  ClearQueue(m);
  if (m.texture != 0) glDeleteTextures(1, &m.texture);
  sws_freeContext(m.scaler);
  swr_free(&m.resampler);
  av_channel_layout_uninit(&m.resamplerLayout);
  avcodec_free_context(&m.video);
  avcodec_free_context(&m.audio);
  av_packet_free(&m.packet);
  av_frame_free(&m.frame);
  avformat_close_input(&m.format);
  if (m.io != nullptr) av_freep(&m.io->buffer);
  avio_context_free(&m.io);
  PlatformCloseFd(m.fd);
  delete movie;
}

int64_t MovieLength(const Movie& movie) { return movie.lengthMs; }

void MovieSize(const Movie& movie, int32_t* width, int32_t* height) {
  *width = movie.width;
  *height = movie.height;
}

int64_t MovieAdvance(Movie& m, int64_t elapsed) {
  for (int packets = 0; packets < kPacketsPerStep && WantsInput(m, elapsed); ++packets) ReadPacket(m);
  PresentDue(m, elapsed);
  const bool soundPlayed = m.device == nullptr || SoundStreamBuffered(m.sound) == 0;
  if (m.inputDone && m.queued.empty() && soundPlayed && elapsed >= m.picturesEndMs) return m.lengthMs;
  return elapsed;
}

bool MoviePictureChanged(const Movie& movie) { return movie.pictureChanged; }

void MovieRewind(Movie& m) {
  const int64_t start = m.format->start_time != AV_NOPTS_VALUE ? m.format->start_time : 0;
  avformat_seek_file(m.format, -1, INT64_MIN, start, start, 0);
  if (m.video != nullptr) avcodec_flush_buffers(m.video);
  if (m.audio != nullptr) avcodec_flush_buffers(m.audio);
  ClearQueue(m);
  m.untimedPictureMs = 0;
  m.firstTimestamp = AV_NOPTS_VALUE;
  m.firstTimestampMs = 0;
  m.picturesEndMs = 0;
  m.inputDone = false;
  // The resampler is made again for the first frame, without what it held.
  swr_free(&m.resampler);
  if (m.device != nullptr) {
    SoundOutputLock lock(m.device->output);
    SoundStreamDrop(m.sound);
  }
}

void MovieDraw(Movie& m, int32_t clientWidth, int32_t clientHeight) {
  // Everything changed here is put back, so the 2D layer's caches stay
  // true, but for the movie's own texture, made and filled here. The 2D
  // quads queued before are drawn first.
  QuadBatchFlush();
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, clientWidth, clientHeight, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glViewport(0, 0, clientWidth, clientHeight);
  for (GLenum capability : {GL_SCISSOR_TEST, GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_STENCIL_TEST, GL_CULL_FACE,
                            GL_LIGHTING, GL_FOG}) {
    glDisable(capability);
  }
  if (g_glext.glActiveTextureARB != nullptr) {
    g_glext.glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    g_glext.glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);

  float uMax = 0.0f;
  float vMax = 0.0f;
  if (UploadPicture(m, &uMax, &vMax)) {
    const MovieRect r = MovieFitRect(m.width, m.height, clientWidth, clientHeight);
    const auto left = static_cast<float>(r.x);
    const auto top = static_cast<float>(r.y);
    const auto right = static_cast<float>(r.x + r.width);
    const auto bottom = static_cast<float>(r.y + r.height);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // Texture row 0 holds the picture's top row.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, top);
    glTexCoord2f(uMax, 0.0f);
    glVertex2f(right, top);
    glTexCoord2f(uMax, vMax);
    glVertex2f(right, bottom);
    glTexCoord2f(0.0f, vMax);
    glVertex2f(left, bottom);
    glEnd();
  }

  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  GlTextureCacheInvalidate();
}

int32_t MoviePlay(const RtString& file, bool loop) {
  std::string resolved;
  if (g_app.musicResolver == nullptr || MediaResolve(*g_app.musicResolver, file.c_str(), &resolved, false) == 0) {
    return kErrorFile;
  }
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr || engine->window == nullptr) return kErrorFile;
  Movie* movie = MovieOpen(resolved.c_str(), g_app.soundDevice);
  if (movie == nullptr) return kErrorFile;
  const int64_t end = MovieLength(*movie);
  // The movie shows in the window, not in an offscreen screen.
  if (engine->currentScreen >= 0) ScreenEndCurrent(*engine);

  void (*hook)() = CallWin32MsgHookGet();
  WaitForQuietInput(hook);
  double start = TimerGetMillis();
  bool redraw = true;
  int64_t position = 0;
  while (position < end) {
    position = MovieAdvance(*movie, TruncToInt64(Elapsed(start)));
    if (redraw || MoviePictureChanged(*movie)) {
      int32_t width = 0;
      int32_t height = 0;
      PlatformWindowGetSize(engine->window, &width, &height);
      MovieDraw(*movie, width, height);
      PlatformWindowSwap(engine->window);
      redraw = false;
    }
    if (UserInterrupts()) break;
    MusicLoopRestart();
    if (CallPumpMessages(hook) == 0) {
      ProgramEnd();
      break;
    }
    if (loop && position >= end) {
      MovieRewind(*movie);
      start = TimerGetMillis();
      position = -1;
    }
    SleepMillis(kPassMillis);
  }
  MovieClose(movie);
  return 0;
}

int32_t MoviePlayLoop(const RtString& file) { return MoviePlay(file, true); }

int32_t MoviePlayOnce(const RtString& file) { return MoviePlay(file, false); }
