// The game's screens drawn by a started runtime with the generated media,
// each test in a child process of its own (the runtime starts once per
// process): what lands on the screen where the game puts it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "app/frame_end.h"
#include "app/runtime_main.h"
#include "app/screen_mode.h"
#include "app/std_streams.h"
#include "core/isaac.h"
#include "devices/music.h"
#include "devices/sound_device.h"
#include "files/file_system.h"
#include "game/game_media.h"
#include "game/project_settings.h"
#include "game/game_state.h"
#include "game/play_rules.h"
#include "game/play_screen.h"
#include "game/title_screen.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/screen_commands.h"
#include "gfx2d/sprite_commands.h"
#include "gfx2d/sprite_pixels.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/screen_report.h"
#include "tests/support/test_env.h"

namespace {

// The pixel as 0xRRGGBB, read back from the frame being drawn.
uint32_t Rgb(int32_t x, int32_t y) {
  const uint32_t bgr = static_cast<uint32_t>(GfxGetPixel(x, y));
  return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
}

// Whether any pixel of the rectangle satisfies the test.
bool AnyPixel(int32_t x, int32_t y, int32_t w, int32_t h, const std::function<bool(uint32_t)>& test) {
  for (int32_t j = y; j < y + h; ++j) {
    for (int32_t i = x; i < x + w; ++i) {
      if (test(Rgb(i, j))) return true;
    }
  }
  return false;
}

bool Bright(uint32_t rgb) { return (rgb >> 16 & 0xFF) > 200 && (rgb >> 8 & 0xFF) > 200 && (rgb & 0xFF) > 200; }
bool Red(uint32_t rgb) { return (rgb >> 16 & 0xFF) > 120 && (rgb >> 8 & 0xFF) < 60 && (rgb & 0xFF) < 60; }

std::string Yes(bool b) { return b ? "yes" : "no"; }

// The game's start as GameMain makes it, with a fixed random seed. The
// window opens at the game's size: the offscreen test surface keeps the
// size it was made with.
void StartGame() {
  ProjectSettings();
  g_app.width = 1260;
  g_app.height = 714;
  AppInit(1, AppTitleString());
  ClearLastError();
  RtString media = VNL_MEDIA_DIR;
  DirSetCurrent(media);
  SetScreen(1260, 714, 0);
  RandomSeed(5);
  GameSetUpArrays();
  GameLoadMedia();
  GameDrawStoryScreen();
}

class GameScreensGlTest : public testing::Test {
 protected:
  std::string folder_ = TestFolderForCurrentTest("game_screens");
  std::string report_ = folder_ + "/report.txt";
  ScopedEnv tmpdir_{"TMPDIR", folder_};

  // Runs body in a started game in a child process; body returns the
  // report, which the parent reads back.
  std::string Run(const std::function<std::string()>& body) {
    std::filesystem::remove(report_);
    EXPECT_EXIT(
        {
          StartGame();
          WriteFileBytes(report_, body());
          std::_Exit(0);  // the teardown has its own tests
        },
        testing::ExitedWithCode(0), "");
    return ReadFileBytes(report_);
  }
};

TEST_F(GameScreensGlTest, MediaLoadsIntoTheTableSlots) {
  const std::string report = Run([] {
    std::string r;
    for (const MediaPicture& p : kMediaPictures) {
      int32_t w = 0;
      int32_t h = 0;
      SpriteGetSize(p.sprite, &w, &h);
      if (w < p.frameWidth || h < p.frameHeight || w == 0) r += std::string(p.file) + " not loaded\n";
    }
    for (const MediaSound& s : kMediaSounds) {
      if (g_app.soundSlots[s.slot].voiceCount != s.voices) r += std::string(s.file) + " not loaded\n";
    }
    int32_t w = 0;
    int32_t h = 0;
    SpriteGetSize(kSpriteStory, &w, &h);
    r += "story " + std::to_string(w) + "x" + std::to_string(h) + "\n";
    return r;
  });
  EXPECT_EQ(report, "story 1260x700\n");
}

TEST_F(GameScreensGlTest, IntroShowsTheStoryOverTheGrid) {
  const std::string report = Run([] {
    IntroState intro;
    GameIntroEnter(intro);
    GameIntroFrame(intro);
    // At the start the story is below the screen.
    std::string r = "start " + Yes(AnyPixel(0, 0, 1260, 714, Bright)) + "\n";
    ShowScreen();
    intro.position = 400;
    GameIntroFrame(intro);
    // Twice enlarged about its centre: row 0 at y 50, character i at x 50 + 16i.
    r += "first letter " + Yes(AnyPixel(50, 50, 16, 32, Bright)) + "\n";
    r += "grid " + Yes(Rgb(0, 700) == 0x101010 && Rgb(1, 700) == 0x101010 && Rgb(2, 700) == 0) + "\n";
    return r;
  });
  EXPECT_EQ(report, "start no\nfirst letter yes\ngrid yes\n");
}

TEST_F(GameScreensGlTest, TitleShowsTheLogoTheWalkersAndTheCredit) {
  const std::string report = Run([] {
    TitleState title;
    GameTitleEnter(title);
    for (int32_t n = 0; n < 3; ++n) {
      GameTitleFrame(title);
      ShowScreen();
    }
    WalkerX.data[0] = 100;
    WalkerFacing.data[0] = 0;
    GameTitleFrame(title);
    std::string r;
    // The logo, three times enlarged about (550, 150) + half its size.
    r += "logo " + Yes(AnyPixel(407, 30, 429, 360, Red)) + "\n";
    r += "logo kept " + Yes(title.firstPass == 1) + "\n";
    // Zombie green in the first walker's frame.
    r += "walker " + Yes(AnyPixel(100, 400, 36, 40, [](uint32_t c) { return c == 0x7FA650; })) + "\n";
    r += "credit " + Yes(AnyPixel(20, 680, 12, 24, Bright)) + "\n";
    r += "work area hidden " + Yes(!AnyPixel(0, 0, 200, 200, Red)) + "\n";
    return r;
  });
  EXPECT_EQ(report, "logo yes\nlogo kept yes\nwalker yes\ncredit yes\nwork area hidden yes\n");
}

TEST_F(GameScreensGlTest, TitleStartsTheLoopingMusicOnceAndKeepsItPlaying) {
  const std::string report = Run([] {
    TitleState title;
    GameTitleEnter(title);
    const MusicStream* first = g_music.window;
    const double deadline = g_music.loopDeadline;
    std::string r = "playing " + Yes(MusicIsPlaying()) + ", looping " + Yes(g_music.loopDeadline > 0) + "\n";
    const std::string name = g_music.fileName.c_str();
    r += "file " + name.substr(name.rfind('/') + 1) + "\n";
    usleep(20000);
    GameTitleEnter(title);
    // A restart would make a new piece with a new loop deadline.
    r += "same piece " + Yes(g_music.window == first && g_music.loopDeadline == deadline) + "\n";
    return r;
  });
  EXPECT_EQ(report, "playing yes, looping yes\nfile tundel42.mp3\nsame piece yes\n");
}

// The hero on (10, 8), the mouse far from him (no cursor), the lists empty.
void PlayFieldWithTheHero() {
  GameReset();
  for (int32_t x = 0; x <= 30; ++x) {
    for (int32_t y = 0; y <= 30; ++y) GridAt(x, y) = kCellEmpty;
  }
  ArrayPushSpawn(HeroList, HeroRec{10, 8, 0, 0, 0, 0, 0});
  GridAt(10, 8) = kCellHero;
  HeroPixelX = 420;
  HeroPixelY = 336;
  MouseX = 1000;
  MouseY = 600;
  MouseLeft = 0;
  MouseRight = 0;
  GameOverCounter = 0;
  ZombieStepFlag = 0;
  TurnCounter = 0;
}

TEST_F(GameScreensGlTest, PlayDrawsTheFiguresTheCursorAndThePanel) {
  const std::string report = Run([] {
    PlayFieldWithTheHero();
    ArrayPushEnemy(ZombieList, ZombieRec{5, 8, 0, 0, 0, 1, 40, 1, 0});
    ArrayPushEnemy(ZombieList, ZombieRec{14, 3, 0, 0, 0, 1, 1, 0, 0});   // just begun to rise
    ArrayPushEnemy(ZombieList, ZombieRec{16, 3, 0, 0, 0, 1, 40, 0, 0});  // nearly up
    *ArrayAt(AmmoCount, 0, 0, 0, 0) = 7;
    Weapon = kPistol;
    GameOverCounter = 0;
    MouseX = 11 * 42 + 5;
    MouseY = 8 * 42 + 5;
    AimDirection = 3;
    GamePlayDraw();
    std::string r;
    auto shirt = [](uint32_t c) { return c == 0x3050C0; };
    auto green = [](uint32_t c) { return c == 0x7FA650; };
    auto yellow = [](uint32_t c) { return c == 0xFFD020; };
    r += "hero " + Yes(AnyPixel(426, 336, 36, 42, shirt)) + "\n";
    r += "zombie " + Yes(AnyPixel(216, 336, 36, 40, green)) + "\n";
    r += "rising from the floor " + Yes(!AnyPixel(588 + 6, 126, 36, 40, green)) + "\n";
    r += "risen up " + Yes(AnyPixel(672 + 6, 126, 36, 40, green)) + "\n";
    r += "cursor " + Yes(AnyPixel(462, 336, 42, 42, yellow)) + "\n";
    r += "ammo " + Yes(AnyPixel(18, 128, 8, 16, Bright)) + "\n";
    r += "no overlay " + Yes(!AnyPixel(500, 60, 300, 300, [](uint32_t c) { return c == 0xE89AA8; })) + "\n";
    ShowScreen();

    GameOverCounter = 150;
    BrainFade = -0.5;
    GamePlayDraw();
    r += "overlay " + Yes(AnyPixel(600, 150, 100, 100, [](uint32_t c) { return c == 0xE89AA8; })) + "\n";
    r += "statistics " + Yes(AnyPixel(470, 370, 24, 48, Bright)) + "\n";
    return r;
  });
  EXPECT_EQ(report,
            "hero yes\nzombie yes\nrising from the floor yes\nrisen up yes\ncursor yes\nammo yes\n"
            "no overlay yes\noverlay yes\nstatistics yes\n");
}

TEST_F(GameScreensGlTest, PlayFramesRunAGameFromItsStart) {
  const std::string report = Run([] {
    GameReset();
    GamePlayEnter();
    for (int32_t n = 0; n < 50; ++n) {
      GamePlayFrame();
      ShowScreen();
    }
    GamePlayFrame();
    const HeroRec& h = HeroList.data[0];
    auto shirt = [](uint32_t c) { return c == 0x3050C0; };
    return "hero " + Yes(AnyPixel(int32_t(h.x) * 42 + 6, int32_t(h.y) * 42, 36, 42, shirt)) + "\nrisen " +
           Yes(RisingFlag == 0) + "\n";
  });
  EXPECT_EQ(report, "hero yes\nrisen yes\n");
}

// The frames of play that the figures' own updates shape: each case sets
// up the field before a frame, then the game's frame and the frame the
// play screen's steps draw (written out here from the steps, over the
// grid) are compared pixel for pixel in the case's rectangle, in that
// frame and in the next. Both are drawn into offscreen pictures larger
// than the window, so that a bullet drawn where it leaves the field
// (beyond x 1280) lands in them.
constexpr int32_t kFrameWidth = 1320;
constexpr int32_t kFrameHeight = 840;
constexpr int32_t kFrameScreen = 2;
constexpr int32_t kFrameSprite = 2000;

ImageBuffer DrawnOffscreen(const std::function<void()>& draw) {
  OffscreenCreate(kFrameScreen, kFrameSprite, kFrameWidth, kFrameHeight);
  OffscreenUse(kFrameScreen);
  draw();
  OffscreenUse(-1);
  ImageBuffer image;
  SpriteToImage(*g_app.engine2d, kFrameSprite, image);
  return image;
}

int32_t DifferentPixels(const ImageBuffer& a, const ImageBuffer& b, int32_t x, int32_t y, int32_t w, int32_t h) {
  if (a.width != kFrameWidth || b.width != kFrameWidth || a.height != kFrameHeight || b.height != kFrameHeight) {
    return -1;
  }
  int32_t differ = 0;
  for (int32_t j = y; j < y + h; ++j) {
    for (int32_t i = x; i < x + w; ++i) {
      const size_t at = (static_cast<size_t>(j) * kFrameWidth + static_cast<size_t>(i)) * 4;
      if (std::memcmp(a.pixels + at, b.pixels + at, 4) != 0) ++differ;
    }
  }
  return differ;
}

// The rising picture's 40 rows from row r, facing right, on cell (4, 3).
void RisingQuadOnCell43(double r) {
  PolyStart(kSpriteRising, 0);
  PolyVertex(4 * 42 + 42, 3 * 42, 36, r, 0xFFFFFF);
  PolyVertex(4 * 42 + 6, 3 * 42, 0, r, 0xFFFFFF);
  PolyVertex(4 * 42 + 6, 3 * 42 + 40, 0, r + 40, 0xFFFFFF);
  PolyVertex(4 * 42 + 42, 3 * 42 + 40, 36, r + 40, 0xFFFFFF);
  PolyEnd();
}

struct FrameCase {
  const char* name;
  void (*setUp)();
  int32_t x, y, w, h;       // the rectangle compared
  void (*stepsDraw)();      // the case's figures in the frame
  void (*stepsDrawNext)();  // and in the next
};

const FrameCase kFrameCases[] = {
    {"zombie finishing its rise",
     [] {
       ArrayPushEnemy(ZombieList, ZombieRec{4, 3, 0, 0, 2, 1, 39, 0, 0});
     },
     4 * 42 - 8, 3 * 42 - 8, 58, 58,
     // Its fortieth rising frame shows rows 39..78 (the rise before the
     // frame's step), then, risen in that frame, its walk frame over them.
     [] {
       RisingQuadOnCell43(39);
       SpriteDrawFrame(kSpriteZombie, 2, 4 * 42 + 6, 3 * 42);
     },
     [] { SpriteDrawFrame(kSpriteZombie, 2, 4 * 42 + 6, 3 * 42); }},
    {"bullet leaving the field",
     [] {
       // The first flies out to x 1281; the second waits at 1280 over it.
       ArrayPushBullet(BulletList, BulletRec{1267, 300, 3, 0, 2});
       ArrayPushBullet(BulletList, BulletRec{1280, 301, 3, 5, 2});
       BulletsInFlight = 2;
     },
     1262, 290, 58, 24,
     // The bullet is drawn where it went out, before the one that stays.
     [] {
       SpriteDraw(kSpriteBullet, 1281, 300);
       SpriteDraw(kSpriteBullet, 1280, 301);
     },
     [] { SpriteDraw(kSpriteBullet, 1280, 301); }},
    {"zombie dying with a drop",
     [] {
       ArrayPushEnemy(ZombieList, ZombieRec{6, 5, 0, 0, 0, 1, 40, 1, 0});
       GridAt(6, 5) = kCellHit;
       KillsUntilDrop = 1;
     },
     6 * 42 - 8, 5 * 42 - 8, 58, 58,
     // The pickups were drawn before the zombie died: the crate it drops
     // shows from the next frame on.
     [] {},
     [] { SpriteDrawFrame(kSpriteAmmo, int32_t(PickupList.data[0].kind), 6 * 42, 5 * 42); }},
};

TEST_F(GameScreensGlTest, PlayFramesShowWhatTheStepsDraw) {
  const std::string report = Run([] {
    std::string r;
    for (const FrameCase& c : kFrameCases) {
      PlayFieldWithTheHero();
      c.setUp();
      for (int32_t frame = 0; frame < 2; ++frame) {
        GamePlayStep();
        ImageBuffer game = DrawnOffscreen(GamePlayDraw);
        ImageBuffer steps = DrawnOffscreen([&c, frame] {
          DrawGameGrid();
          (frame == 0 ? c.stepsDraw : c.stepsDrawNext)();
        });
        r += std::string(c.name) + (frame == 0 ? ": " : ", next frame: ") +
             std::to_string(DifferentPixels(game, steps, c.x, c.y, c.w, c.h)) + " pixels differ\n";
        ImageBufferRelease(game);
        ImageBufferRelease(steps);
      }
    }
    return r;
  });
  EXPECT_EQ(report,
            "zombie finishing its rise: 0 pixels differ\n"
            "zombie finishing its rise, next frame: 0 pixels differ\n"
            "bullet leaving the field: 0 pixels differ\n"
            "bullet leaving the field, next frame: 0 pixels differ\n"
            "zombie dying with a drop: 0 pixels differ\n"
            "zombie dying with a drop, next frame: 0 pixels differ\n");
}

}  // namespace
