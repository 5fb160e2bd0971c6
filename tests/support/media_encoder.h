// Music and movie files made at test time with libav's encoders, and the
// reference decoding of music as the music stream decodes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaved 16-bit samples of a tone: 440 Hz on the first channel, 660 Hz
// on the second, at a quarter of full scale.
std::vector<int16_t> ToneSamples(int channels, int rate, int frames);

// Writes the samples as an MP3 file (libmp3lame through libavcodec, with
// the length header a player uses). False when it cannot be made.
bool WriteMp3File(const std::string& path, const std::vector<int16_t>& samples, int channels, int rate);

// The file decoded as the music stream decodes it: 22050 Hz, stereo,
// 16-bit, interleaved.
std::vector<int16_t> DecodeMp3File(const std::string& path);

// An AVI movie: pictures of one colour each (0xRRGGBB), and, when given,
// 16-bit stereo sound at 22050 Hz as PCM. The pictures are MJPEG; with
// B-frames MPEG-4 part 2 (tagged XVID) with that many B-frames between
// references and a key picture every 12; or H.264 through libx264 with its
// default B-frames, put everywhere (pictures at least 48 wide). A movie with
// B-frames is not made (false) when the encoder put no picture out of order.
struct TestMovie {
  int width = 32;
  int height = 16;
  int framesPerSecond = 10;
  int bFrames = 0;
  bool h264 = false;
  std::vector<uint32_t> colours;
  std::vector<int16_t> sound;
};
bool WriteMovieFile(const std::string& path, const TestMovie& movie);

// Whether libavcodec here has libx264, the encoder of H.264 movies.
bool CanWriteH264Movies();
