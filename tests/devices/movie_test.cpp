#include "devices/movie.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

#include "devices/sound_device.h"
#include "files/media_resolver.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/media_encoder.h"
#include "tests/support/sound_fixture.h"
#include "tests/support/test_env.h"

namespace {

// Advances the movie in steps of 50 ms until it reports its end (the
// position equal to its length); the steps taken, or -1 when it does not
// end within a minute of movie time.
int StepsToEnd(Movie& movie) {
  for (int step = 0; step < 1200; ++step) {
    if (MovieAdvance(movie, 50 * step) == MovieLength(movie)) return step;
  }
  return -1;
}

TEST(MovieFitTest, ScalesToTheSmallerRatioAndCentres) {
  const struct {
    int32_t sw, sh, cw, ch;
    MovieRect rect;
  } cases[] = {
      {32, 16, 64, 48, {0, 8, 64, 32}},        // wide picture: bars above and below
      {16, 32, 64, 48, {20, 0, 24, 48}},       // tall picture: bars at the sides
      {320, 240, 640, 480, {0, 0, 640, 480}},  // same aspect
      {100, 100, 65, 40, {12, 0, 40, 40}},     // odd space split down
      {640, 480, 320, 200, {27, 0, 266, 200}},
      {0, 10, 64, 48, {0, 0, 0, 0}},
      {10, 10, 0, 48, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    const MovieRect r = MovieFitRect(c.sw, c.sh, c.cw, c.ch);
    EXPECT_EQ(r.x, c.rect.x) << c.sw << "x" << c.sh << " in " << c.cw << "x" << c.ch;
    EXPECT_EQ(r.y, c.rect.y) << c.sw << "x" << c.sh << " in " << c.cw << "x" << c.ch;
    EXPECT_EQ(r.width, c.rect.width) << c.sw << "x" << c.sh << " in " << c.cw << "x" << c.ch;
    EXPECT_EQ(r.height, c.rect.height) << c.sw << "x" << c.sh << " in " << c.cw << "x" << c.ch;
  }
}

class MovieTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(sound_.device.output, nullptr); }

  std::string Write(const std::string& name, const TestMovie& movie) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(WriteMovieFile(path, movie)) << name;
    return path;
  }

  ScratchDir dir_;
  SoundSystem sound_;
};

TEST_F(MovieTest, OpensWithItsLengthAndSizeAndPlaysToItsEnd) {
  TestMovie recipe;
  recipe.colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};  // 500 ms at 10 a second
  recipe.sound = ToneSamples(2, 22050, 11025);
  Movie* movie = MovieOpen(Write("m.avi", recipe).c_str(), &sound_.device);
  ASSERT_NE(movie, nullptr);
  EXPECT_NEAR(MovieLength(*movie), 500, 10);
  int32_t width = 0;
  int32_t height = 0;
  MovieSize(*movie, &width, &height);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 16);
  EXPECT_FALSE(MoviePictureChanged(*movie));
  EXPECT_EQ(MovieAdvance(*movie, 0), 0);
  EXPECT_TRUE(MoviePictureChanged(*movie)) << "the first picture is due at once";
  // The sound has to be played out before the end comes: polled on the
  // real clock.
  int64_t position = 0;
  EXPECT_TRUE(Eventually([&] {
    position = MovieAdvance(*movie, 10000);
    return position == MovieLength(*movie);
  }));
  // Back at the start it plays again.
  MovieRewind(*movie);
  EXPECT_EQ(MovieAdvance(*movie, 0), 0);
  MovieClose(movie);
  for (SoundStream* s : sound_.device.streams) EXPECT_EQ(s, nullptr) << "the sound left the mixer";
}

TEST_F(MovieTest, PicturesOnlyWithoutASoundOutput) {
  TestMovie recipe;
  recipe.colours = {0xFF0000, 0x00FF00};
  recipe.sound = ToneSamples(2, 22050, 4410);
  const std::string path = Write("m.avi", recipe);
  SoundDevice silent;
  SoundDeviceCreate(silent);
  Movie* movie = MovieOpen(path.c_str(), &silent);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(StepsToEnd(*movie), 4) << "two pictures of 100 ms, each shown for its time";
  MovieClose(movie);
  // Sound without pictures needs an output.
  ASSERT_TRUE(WriteMp3File(dir_.File("s.mp3"), ToneSamples(2, 22050, 2205), 2, 22050));
  EXPECT_EQ(MovieOpen(dir_.File("s.mp3").c_str(), &silent), nullptr);
  movie = MovieOpen(dir_.File("s.mp3").c_str(), &sound_.device);
  ASSERT_NE(movie, nullptr);
  EXPECT_TRUE(Eventually([&] { return MovieAdvance(*movie, 10000) == MovieLength(*movie); }));
  MovieClose(movie);
}

TEST_F(MovieTest, PicturesLargerThan4096AreRefused) {
  TestMovie recipe;
  recipe.width = 4104;
  recipe.height = 8;
  recipe.colours = {0xFF0000};
  EXPECT_EQ(MovieOpen(Write("wide.avi", recipe).c_str(), &sound_.device), nullptr);
  recipe.width = 4096;
  Movie* movie = MovieOpen(Write("widest.avi", recipe).c_str(), &sound_.device);
  EXPECT_NE(movie, nullptr);
  MovieClose(movie);
}

TEST_F(MovieTest, CorruptFilesAreRefusedOrEnd) {
  TestMovie recipe;
  recipe.colours = std::vector<uint32_t>(10, 0x336699);
  recipe.sound = ToneSamples(2, 22050, 22050);
  const std::string good = ReadFileBytes(Write("good.avi", recipe));
  std::string noise;
  uint32_t seed = 777;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise += static_cast<char>(seed >> 24);
  }
  std::string flipped = good;
  for (size_t i = 600; i < flipped.size(); i += 97) flipped[i] = static_cast<char>(~flipped[i]);
  const struct {
    const char* what;
    std::string bytes;
    bool opens;
  } cases[] = {
      {"empty", "", false},
      {"text", "not a movie\n", false},
      {"noise", noise, false},
      {"zeros", std::string(100000, '\0'), false},
      {"header cut short", good.substr(0, 100), false},
      {"first half", good.substr(0, good.size() / 2), true},
      {"bytes flipped all through", flipped, true},
      {"header then noise", good.substr(0, 4096) + noise, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(dir_.File("bad.avi"), c.bytes);
    Movie* movie = MovieOpen(dir_.File("bad.avi").c_str(), &sound_.device);
    EXPECT_EQ(movie != nullptr, c.opens);
    if (movie == nullptr) continue;
    for (int round = 0; round < 2; ++round) {
      EXPECT_TRUE(Eventually([&] { return MovieAdvance(*movie, 60000) == MovieLength(*movie); }));
      MovieRewind(*movie);
    }
    MovieClose(movie);
  }
}

// Peak resident memory of this process so far, in KiB.
long PeakKib() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(MovieTest, AFewBytesCannotClaimAGigabyte) {
  // An AVI whose info list holds a tag claiming 1.3 GB: the demuxer would
  // zero-fill that much before reading a byte of it.
  static const unsigned char kClaim[] = {
      'R',  'I',  'F',  'F',  0x2a, 0x4c, 0x00, 0x00, 'A',  'V',  'I',  ' ',  'L',  'I',  'S',  'T',  0x70, 0x22,
      0x00, '[',  'I',  'N',  'F',  'O',  'R',  'M',  'A',  'T',  'I',  'O',  'N',  ']',  0x00, 0x00, 0x10, 0x00,
      0x00, 0x00, 0xe5, 0x00, 0x08, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x11, 0x00};
  WriteFileBytes(dir_.File("claim.avi"), std::string(reinterpret_cast<const char*>(kClaim), sizeof kClaim));
  const long before = PeakKib();
  Movie* movie = MovieOpen(dir_.File("claim.avi").c_str(), &sound_.device);
  EXPECT_EQ(movie, nullptr);
  MovieClose(movie);
  EXPECT_LT(PeakKib() - before, 256 * 1024) << "KiB more at the peak";
}

TEST_F(MovieTest, MoviePlayAnswers3ForNamesFoundNowhereAndLeavesTheError) {
  MediaResolver resolver;
  resolver.packEnabled = 0;
  g_app.musicResolver = &resolver;
  RuntimeSetError(kErrorOutOfMemory);
  EXPECT_EQ(MoviePlayOnce(dir_.File("missing.avi").c_str()), 3);
  EXPECT_EQ(MoviePlayLoop(dir_.File("missing.avi").c_str()), 3);
  EXPECT_EQ(g_errorState.code, kErrorOutOfMemory);
  // No window to play in.
  TestMovie recipe;
  recipe.colours = {0xFF0000};
  EXPECT_EQ(MoviePlayOnce(Write("m.avi", recipe).c_str()), 3);
  g_app.musicResolver = nullptr;
  MediaResolverRelease(resolver);
  EXPECT_EQ(MoviePlayOnce(dir_.File("m.avi").c_str()), 3);
  RuntimeSetError(kErrorNone);
}

// The movie's sound goes through the mixer to SDL's disk driver unchanged.
TEST(MovieOutputTest, TheDiskOutputHoldsTheMovieSound) {
  ScratchDir dir;
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", dir.File("out.raw"));
  SoundSystem sound;
  ASSERT_NE(sound.device.output, nullptr);
  TestMovie recipe;
  recipe.colours = {0x000000, 0x000000, 0x000000};
  recipe.sound = ToneSamples(2, 22050, 6615);
  ASSERT_TRUE(WriteMovieFile(dir.File("m.avi"), recipe));
  Movie* movie = MovieOpen(dir.File("m.avi").c_str(), &sound.device);
  ASSERT_NE(movie, nullptr);
  EXPECT_TRUE(Eventually([&] { return MovieAdvance(*movie, 10000) == MovieLength(*movie); }));
  MovieClose(movie);
  sound.Shutdown();
  const std::string out = ReadFileBytes(dir.File("out.raw"));
  const std::string expected(reinterpret_cast<const char*>(recipe.sound.data()), recipe.sound.size() * 2);
  EXPECT_NE(out.find(expected), std::string::npos) << out.size() << " bytes of output";
}

}  // namespace
