// Movie files opened and played through: libav's demuxers read the file
// through the movie's own reading and seeking, and the movie code picks the
// streams, bounds the picture size and converts what is decoded. Played in
// steps of 100 ms for at most 4 s of movie time, with the sound device on
// the dummy driver taking the sound.
#include <string>

#include "devices/movie.h"
#include "fuzz/fuzz_input.h"
#include "process/app_globals.h"

namespace {

constexpr const char* kTarget = "movie_file";
constexpr int64_t kLongestPlayMs = 4000;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSoundOnce();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("movie.avi", data, size);
  Movie* movie = MovieOpen(path.c_str(), g_app.soundDevice);
  if (movie == nullptr) return 0;
  int32_t width = -1;
  int32_t height = -1;
  MovieSize(*movie, &width, &height);
  FUZZ_CHECK(width >= 0 && height >= 0 && width <= 4096 && height <= 4096, kTarget, "an opened movie is too large");
  const int64_t length = MovieLength(*movie);
  for (int64_t elapsed = 0; elapsed <= kLongestPlayMs; elapsed += 100) {
    const int64_t position = MovieAdvance(*movie, elapsed);
    if (position == length) break;
    FUZZ_CHECK(position == elapsed, kTarget, "the position is neither the time nor the length");
  }
  MovieRewind(*movie);
  MovieAdvance(*movie, 0);
  MovieClose(movie);
  FuzzForgetErrorLog();
  return 0;
}
