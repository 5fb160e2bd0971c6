// Movie pictures drawn into an offscreen window and read back before the
// swap, and whole movies played by the command on a started runtime.
#include "devices/movie.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/runtime_main.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/media_encoder.h"
#include "tests/support/screen_report.h"
#include "tests/support/test_env.h"

namespace {

// Whether two 0xRRGGBB colours differ by at most 12 in each channel (the
// pictures went through JPEG).
::testing::AssertionResult Near(uint32_t actual, uint32_t wanted) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF);
    const int w = static_cast<int>((wanted >> shift) & 0xFF);
    if (std::abs(a - w) > 12) {
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << wanted;
    }
  }
  return ::testing::AssertionSuccess();
}

class MovieDrawTest : public GlTest {
 protected:
  // A 32 x 16 movie of red, green and blue pictures, 100 ms each.
  Movie* OpenColours() {
    TestMovie recipe;
    recipe.colours = {0xFF0000, 0x00FF00, 0x0000FF};
    EXPECT_TRUE(WriteMovieFile(dir_.File("m.avi"), recipe));
    return MovieOpen(dir_.File("m.avi").c_str(), nullptr);
  }

  struct Shown {
    int64_t at;  // the movie time it was first drawn at
    uint32_t colour;
  };
  // Plays the movie as the command does, up to the position that is its
  // length, in steps of 10 ms: every picture drawn, in the order drawn.
  std::vector<Shown> PlayThrough(Movie& movie) {
    std::vector<Shown> shown;
    const int64_t length = MovieLength(movie);
    for (int64_t elapsed = 0, position = 0; position < length && elapsed <= 60000; elapsed += 10) {
      position = MovieAdvance(movie, elapsed);
      if (!MoviePictureChanged(movie)) continue;
      MovieDraw(movie, kWidth, kHeight);
      shown.push_back({elapsed, PixelAt(32, 24)});
    }
    return shown;
  }

  // Every picture of the recipe (of 25 a second) shown once, in order, from
  // the first step at its time on: picture n at 40n ms, the first at 0.
  static void ExpectEachAtItsTime(const std::vector<Shown>& shown, const TestMovie& recipe) {
    EXPECT_EQ(shown.size(), recipe.colours.size());
    for (size_t n = 0; n < shown.size() && n < recipe.colours.size(); ++n) {
      EXPECT_TRUE(Near(shown[n].colour, recipe.colours[n])) << "picture " << n;
      EXPECT_EQ(shown[n].at, 40 * static_cast<int64_t>(n)) << "picture " << n;
    }
  }

  ScratchDir dir_;
};

TEST_F(MovieDrawTest, EachPictureInItsTimeFittedAndCentredOnBlack) {
  Movie* movie = OpenColours();
  ASSERT_NE(movie, nullptr);
  // Something drawn before the movie is covered.
  Fill(0, 0, kWidth, kHeight, 1.0f, 1.0f, 0.0f);
  const struct {
    int64_t elapsed;
    uint32_t colour;
  } cases[] = {{0, 0xFF0000}, {99, 0xFF0000}, {100, 0x00FF00}, {250, 0x0000FF}};
  for (const auto& c : cases) {
    MovieAdvance(*movie, c.elapsed);
    MovieDraw(*movie, kWidth, kHeight);
    // 32 x 16 in 64 x 48: 64 x 32 at y 8, black above and below.
    EXPECT_TRUE(Near(PixelAt(32, 24), c.colour)) << c.elapsed;
    EXPECT_TRUE(Near(PixelAt(2, 10), c.colour)) << c.elapsed;
    EXPECT_TRUE(Near(PixelAt(61, 37), c.colour)) << c.elapsed;
    EXPECT_EQ(PixelAt(32, 3), 0x000000u) << c.elapsed;
    EXPECT_EQ(PixelAt(32, 44), 0x000000u) << c.elapsed;
    EXPECT_FALSE(MoviePictureChanged(*movie));
  }
  // The picture stays until the next one is due.
  MovieDraw(*movie, kWidth, kHeight);
  EXPECT_TRUE(Near(PixelAt(32, 24), 0x0000FF));
  MovieClose(movie);
}

// With B-frames the decoder hands out the last pictures, drained at the
// end of the file, without a time. Each must still get a time of its own,
// after the one before: played through in steps shorter than a frame,
// every picture is shown once, in order. An AVI file gives the times the
// pictures are decoded in; the decoder hands each picture out a frame or
// two later, with the time of the packet that pushed it out. The first
// picture is still due at 0 and the others a frame apart.
TEST_F(MovieDrawTest, EveryPictureOfAMovieWithBFramesIsShownInOrder) {
  for (const int bFrames : {1, 2, 3}) {
    SCOPED_TRACE(bFrames);
    TestMovie recipe;
    recipe.framesPerSecond = 25;
    recipe.bFrames = bFrames;
    for (uint32_t n = 0; n < 26; ++n) recipe.colours.push_back((n * 40 % 256) << 16 | (255 - n * 90 % 256) << 8 | 128);
    ASSERT_TRUE(WriteMovieFile(dir_.File("b.avi"), recipe));
    Movie* movie = MovieOpen(dir_.File("b.avi").c_str(), nullptr);
    ASSERT_NE(movie, nullptr);
    const std::vector<Shown> shown = PlayThrough(*movie);
    MovieClose(movie);
    ExpectEachAtItsTime(shown, recipe);
  }
}

// x264 by default reorders pictures two deep (B-frames referenced by other
// B-frames), so in an AVI file every picture's time came two frames late
// and the last one fell past the movie's length. 320 x 240 fills the 64 x 48
// window; the pictures are told apart by colour, 100 of them on a grid of
// five levels a channel.
TEST_F(MovieDrawTest, EveryPictureOfAnH264MovieWithBFramesIsShownAtItsTime) {
  if (!CanWriteH264Movies()) GTEST_SKIP() << "libavcodec here has no libx264: no H.264 movie can be made";
  TestMovie recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.framesPerSecond = 25;
  recipe.h264 = true;
  const uint32_t levels[] = {0x00, 0x40, 0x80, 0xC0, 0xFF};
  for (uint32_t n = 0; n < 100; ++n) {
    recipe.colours.push_back(levels[n / 25] << 16 | levels[n / 5 % 5] << 8 | levels[n % 5]);
  }
  ASSERT_TRUE(WriteMovieFile(dir_.File("h.avi"), recipe));
  Movie* movie = MovieOpen(dir_.File("h.avi").c_str(), nullptr);
  ASSERT_NE(movie, nullptr);
  EXPECT_EQ(MovieLength(*movie), 4000);
  const std::vector<Shown> shown = PlayThrough(*movie);
  MovieClose(movie);
  ExpectEachAtItsTime(shown, recipe);
}

TEST_F(MovieDrawTest, BlackBeforeTheFirstPicture) {
  Movie* movie = OpenColours();
  ASSERT_NE(movie, nullptr);
  Fill(0, 0, kWidth, kHeight, 1.0f, 1.0f, 0.0f);
  MovieDraw(*movie, kWidth, kHeight);
  EXPECT_EQ(PixelAt(32, 24), 0x000000u);
  MovieClose(movie);
}

TEST_F(MovieDrawTest, LeavesTheOpenGLStateAsItWas) {
  Movie* movie = OpenColours();
  ASSERT_NE(movie, nullptr);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glViewport(4, 4, 20, 20);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 10, 10, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(3.0f, 0.0f, 0.0f);

  MovieAdvance(*movie, 0);
  MovieDraw(*movie, kWidth, kHeight);

  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), texture);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  GLfloat colour[4] = {};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[0], 0.25f);
  EXPECT_FLOAT_EQ(colour[2], 0.75f);
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[2], 1.0f);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 4);
  EXPECT_EQ(viewport[2], 20);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  GLfloat modelView[16] = {};
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  EXPECT_FLOAT_EQ(modelView[12], 3.0f);
  GLfloat projection[16] = {};
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  EXPECT_FLOAT_EQ(projection[0], 0.2f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  MovieClose(movie);
  glDeleteTextures(1, &texture);
}

// Whole movies through the command, each in a child process with a
// started runtime; the child reports through its exit code.
class MoviePlayTest : public testing::Test {
 protected:
  std::string folder_ = TestFolderForCurrentTest("movie_play");
  ScopedEnv tmpdir_{"TMPDIR", folder_};

  // A movie of 300 ms.
  std::string Movie300() {
    TestMovie recipe;
    recipe.colours = {0xFF0000, 0x00FF00, 0x0000FF};
    recipe.sound = ToneSamples(2, 22050, 6615);
    const std::string path = folder_ + "/m.avi";
    EXPECT_TRUE(WriteMovieFile(path, recipe));
    return path;
  }
};

void PushText(const char* text) {
  SDL_Event e = {};
  e.type = SDL_TEXTINPUT;
  std::snprintf(e.text.text, sizeof(e.text.text), "%s", text);
  SDL_PushEvent(&e);
}

void PushButton(bool down) {
  SDL_Event e = {};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  SDL_PushEvent(&e);
}

TEST_F(MoviePlayTest, ALoopingMovieRunsUntilAKeyTypedDuringIt) {
  const std::string path = Movie300();
  EXPECT_EXIT(
      {
        RuntimeInit();
        // Typed before the movie: it does not end it.
        PushText("a");
        std::atomic<bool> done{false};
        std::atomic<bool> typed{false};
        // The only other key comes when the movie has run three times
        // its length.
        std::thread typist([&] {
          const auto start = std::chrono::steady_clock::now();
          while (!done && std::chrono::steady_clock::now() - start < std::chrono::milliseconds(900)) SDL_Delay(10);
          while (!done) {
            typed = true;
            PushText("b");
            SDL_Delay(100);
          }
        });
        const int32_t result = MoviePlayLoop(path.c_str());
        const bool endedByTheKey = typed;
        done = true;
        typist.join();
        std::_Exit(result == 0 && endedByTheKey ? 0 : 10 + result);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(MoviePlayTest, AMovieStartsOnceTheHeldButtonIsUpAndPlaysToItsEnd) {
  const std::string path = Movie300();
  EXPECT_EXIT(
      {
        RuntimeInit();
        PushButton(true);
        std::atomic<bool> released{false};
        std::thread hand([&] {
          SDL_Delay(300);
          released = true;
          PushButton(false);
        });
        const int32_t result = MoviePlayOnce(path.c_str());
        const bool wasReleased = released;
        hand.join();
        std::_Exit(result == 0 && wasReleased ? 0 : 10 + result);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
