#include "devices/music_stream.h"

#include <mpg123.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "devices/sound_device.h"
#include "devices/sound_stream.h"
#include "platform/audio.h"
#include "platform/file_io.h"

namespace {

// About three quarters of a second decoded ahead, taken in pieces of about
// a tenth of a second.
constexpr uint32_t kRingFrames = 16384;
constexpr uint32_t kDecodeFrames = 2048;
// A decoder that answers this many reads in a row with nothing has nothing
// more to give.
constexpr int kEmptyReadLimit = 16;

}  // namespace

struct MusicStream {
  SoundDevice* device = nullptr;  // set while the voice is attached
  SoundStream voice;
  int fd = -1;
  mpg123_handle* decoder = nullptr;  // null for a silent stream
  int64_t lengthMs = 0;

  // The decoder, the flags below and the voice's writing side belong to
  // whoever holds the lock: the decoding thread or the main thread.
  mutable std::mutex lock;
  std::condition_variable wake;
  bool quit = false;
  bool decoderDone = false;  // the decoder has given its last frame
  uint64_t startFrame = 0;   // the voice's read count at the start of the piece
  std::thread thread;
};

namespace {

void LibraryInit() {
  static std::once_flag once;
  std::call_once(once, [] { mpg123_init(); });
}

bool OutputFormat(mpg123_handle* decoder) {
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  return mpg123_getformat(decoder, &rate, &channels, &encoding) == MPG123_OK && rate == kAudioRate &&
         channels == kAudioChannels && encoding == MPG123_ENC_SIGNED_16;
}

// A decoder over the file with the library's own flags; null when it
// cannot be made.
mpg123_handle* NewDecoder(int fd, long extraFlags) {
  int error = MPG123_OK;
  mpg123_handle* decoder = mpg123_new(nullptr, &error);
  if (decoder == nullptr) return nullptr;
  if (mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | extraFlags, 0.0) != MPG123_OK ||
      lseek(fd, 0, SEEK_SET) != 0) {
    mpg123_delete(decoder);
    return nullptr;
  }
  return decoder;
}

// Scans the file at its own rate (no resampling): the piece's length, and
// whether an info header at its start claims more frames than the file
// holds. A header that lies must not be believed: a decoder resampling to
// the output's rate walks every frame the header claims, so a few
// kilobytes claiming 2^31 frames would hold it for many seconds. False
// when the file does not decode.
bool ScanFile(int fd, int64_t* lengthMs, bool* headerLies) {
  mpg123_handle* decoder = NewDecoder(fd, 0);
  if (decoder == nullptr) return false;
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  bool ok = mpg123_open_fd(decoder, fd) == MPG123_OK &&
            mpg123_getformat(decoder, &rate, &channels, &encoding) == MPG123_OK && rate > 0;
  const off_t claimed = ok ? mpg123_framelength(decoder) : -1;
  ok = ok && mpg123_scan(decoder) == MPG123_OK;
  const off_t frames = ok ? mpg123_framelength(decoder) : -1;
  const off_t samples = ok ? mpg123_length(decoder) : -1;
  mpg123_delete(decoder);
  if (frames < 0 || samples < 0) return false;
  *lengthMs = static_cast<int64_t>(samples) * 1000 / rate;
  *headerLies = claimed > frames;
  return true;
}

// A decoder over the stream's file giving the output's format, with the
// piece's length (from the scan at the file's own rate); null when the
// file does not decode.
mpg123_handle* OpenDecoder(int fd, int64_t* lengthMs) {
  LibraryInit();
  bool headerLies = false;
  if (!ScanFile(fd, lengthMs, &headerLies)) return nullptr;
  mpg123_handle* decoder = NewDecoder(fd, headerLies ? MPG123_IGNORE_INFOFRAME : 0);
  if (decoder == nullptr) return nullptr;
  const bool ready = mpg123_format_none(decoder) == MPG123_OK &&
                     mpg123_format(decoder, kAudioRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
                     mpg123_open_fd(decoder, fd) == MPG123_OK && OutputFormat(decoder);
  if (!ready) {
    mpg123_delete(decoder);
    return nullptr;
  }
  return decoder;
}

// The decoding thread: fills the ring whenever a piece fits, and sleeps
// while it is full, at the end, or until the main thread wakes it.
void DecodeLoop(MusicStream* stream) {
  std::vector<int16_t> buffer(2 * kDecodeFrames);
  int emptyReads = 0;
  std::unique_lock<std::mutex> hold(stream->lock);
  while (!stream->quit) {
    if (stream->decoderDone || SoundStreamSpace(stream->voice) < kDecodeFrames) {
      stream->wake.wait_for(hold, std::chrono::milliseconds(10));
      continue;
    }
    size_t bytes = 0;
    const int result = mpg123_read(stream->decoder, buffer.data(), buffer.size() * sizeof(int16_t), &bytes);
    const auto frames = static_cast<uint32_t>(bytes / 4);
    SoundStreamWrite(stream->voice, buffer.data(), frames);
    emptyReads = frames == 0 ? emptyReads + 1 : 0;
    const bool goesOn = (result == MPG123_OK || (result == MPG123_NEW_FORMAT && OutputFormat(stream->decoder))) &&
                        emptyReads < kEmptyReadLimit;
    if (!goesOn) stream->decoderDone = true;
  }
}

bool StartDecoding(MusicStream* stream) {
  try {
    stream->thread = std::thread(DecodeLoop, stream);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void FreeDecoder(MusicStream* stream) {
  if (stream->decoder != nullptr) mpg123_delete(stream->decoder);
  stream->decoder = nullptr;
  stream->lengthMs = 0;
}

}  // namespace

MusicStream* MusicStreamOpen(const char* path, SoundDevice* device) {
  auto* stream = new (std::nothrow) MusicStream;
  if (stream == nullptr) return nullptr;
  // Without an output nothing would ever play the piece: it stays silent.
  if (device == nullptr || device->output == nullptr) return stream;
  stream->fd = PlatformOpenRegularFile(path);
  if (stream->fd < 0) return stream;
  stream->decoder = OpenDecoder(stream->fd, &stream->lengthMs);
  if (stream->decoder == nullptr) return stream;
  if (!SoundStreamCreate(stream->voice, kRingFrames) || !SoundStreamAttach(*device, &stream->voice)) {
    FreeDecoder(stream);
    SoundStreamDestroy(stream->voice);
    return stream;
  }
  stream->device = device;
  if (!StartDecoding(stream)) {
    SoundStreamDetach(*device, &stream->voice);
    stream->device = nullptr;
    FreeDecoder(stream);
  }
  return stream;
}

void MusicStreamClose(MusicStream* stream) {
  if (stream == nullptr) return;
  // The mixer lets go of the voice first, then the decoding thread ends;
  // only then is anything freed.
  if (stream->device != nullptr) SoundStreamDetach(*stream->device, &stream->voice);
  if (stream->thread.joinable()) {
    {
      std::lock_guard<std::mutex> hold(stream->lock);
      stream->quit = true;
    }
    stream->wake.notify_all();
    stream->thread.join();
  }
  FreeDecoder(stream);
  PlatformCloseFd(stream->fd);
  SoundStreamDestroy(stream->voice);
  delete stream;
}

int64_t MusicStreamLength(const MusicStream* stream) { return stream != nullptr ? stream->lengthMs : 0; }

int64_t MusicStreamPosition(const MusicStream* stream) {
  if (stream == nullptr || stream->decoder == nullptr) return 0;
  std::lock_guard<std::mutex> hold(stream->lock);
  if (stream->decoderDone && SoundStreamBuffered(stream->voice) == 0) return stream->lengthMs;
  const uint64_t played = stream->voice.read.load() - stream->startFrame;
  return std::min<int64_t>(stream->lengthMs, static_cast<int64_t>(played * 1000 / kAudioRate));
}

void MusicStreamPlay(MusicStream* stream) {
  if (stream != nullptr && stream->decoder != nullptr) stream->voice.playing = true;
}

void MusicStreamStop(MusicStream* stream) {
  if (stream != nullptr) stream->voice.playing = false;
}

void MusicStreamSeekStart(MusicStream* stream) {
  if (stream == nullptr || stream->decoder == nullptr) return;
  {
    std::lock_guard<std::mutex> hold(stream->lock);
    stream->voice.playing = false;
    stream->decoderDone = mpg123_seek(stream->decoder, 0, SEEK_SET) < 0;
    // The decoding thread is held by the lock and the mixer by the output
    // lock: what was decoded from the old position goes.
    SoundOutputLock output(stream->device->output);
    SoundStreamDrop(stream->voice);
    stream->startFrame = stream->voice.read.load();
  }
  stream->wake.notify_all();
}

void MusicStreamSetVolume(MusicStream* stream, int32_t volume) {
  if (stream == nullptr) return;
  const int64_t level = std::clamp(volume, 0, 1000);
  stream->voice.gain = static_cast<uint32_t>(level * kSoundStreamUnityGain / 1000);
}
