#include "game/title_screen.h"

#include "app/frame_end.h"
#include "core/float_to_int.h"
#include "core/isaac.h"
#include "devices/keyboard.h"
#include "devices/mouse.h"
#include "devices/music.h"
#include "game/bitmap_text.h"
#include "game/game_media.h"
#include "game/game_state.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_commands.h"

namespace {

// Where the drips start on the 143 x 120 logo.
constexpr int32_t kDripCount = 38;
constexpr int32_t kDripStartX[kDripCount] = {6,  24, 3,  17, 5,   12,  18, 23, 39,  43,  55,  31,  36,
                                             40, 44, 51, 59, 64,  70,  75, 83, 86,  100, 109, 91,  94,
                                             98, 103, 108, 110, 114, 130, 141, 121, 124, 127, 133, 138};
constexpr int32_t kDripStartY[kDripCount] = {39, 36, 46, 50, 95, 91, 87, 87, 41, 37, 56, 67, 79,
                                             80, 80, 72, 83, 88, 84, 86, 88, 85, 26, 29, 76, 78,
                                             77, 76, 70, 65, 11, 29, 58, 79, 81, 80, 79, 73};

// Walkers wrap round between these x positions.
constexpr double kWalkerLeftEdge = -50;
constexpr double kWalkerRightEdge = 1260;

}  // namespace

void GameIntroEnter(IntroState& intro) {
  ClickCooldown = 100;
  intro = IntroState{};
}

bool GameIntroStep(IntroState& intro, int32_t left) {
  intro.sub += 1;
  if (intro.sub > 1) {
    if (intro.position > 400) intro.position -= 1;
    intro.sub = 0;
  }
  if (left != 0 && ClickCooldown == 0) return true;
  if (ClickCooldown > 0) ClickCooldown -= 1;
  return false;
}

void SpawnBloodDrip(int32_t x, int32_t y) {
  const int32_t delay = RandomInt(4) + 2;
  const int32_t endY = y + RandomInt(15) + 5;
  ArrayPushDrip(DripList, DripRec{double(x), double(y), double(delay), 0, double(endY)});
}

void AdvanceBloodDrips() {
  for (int32_t i = 0; i < DripList.count; ++i) {
    DripRec& d = *ArrayAt(DripList, i, 0, 0, 0);
    d.counter += 1;
    if (d.counter > d.delay) {
      if (d.y < d.endY) d.y += 1;
      d.counter = 0;
    }
  }
}

void GameTitleEnter(TitleState& title) {
  GameReset();
  if (!MusicIsPlaying()) MusicPlay(kMusicFile, true);
  ClickCooldown = 30;
  title = TitleState{};
  for (int32_t i = 0; i < kDripCount; ++i) {
    *ArrayAt(DripTableX, i, 0, 0, 0) = kDripStartX[i];
    *ArrayAt(DripTableY, i, 0, 0, 0) = kDripStartY[i];
  }
  for (int32_t i = 0; i < kDripCount; ++i) {
    SpawnBloodDrip(*ArrayAt(DripTableX, i, 0, 0, 0), *ArrayAt(DripTableY, i, 0, 0, 0));
  }
}

void StepWalkers(TitleState& title) {
  title.walkerCounter += 1;
  if (title.walkerCounter == 8) {
    for (int32_t i = 0; i < 10; ++i) *ArrayAt(WalkerFrame, i, 0, 0, 0) += 1;
    title.walkerCounter = 0;
  }
  for (int32_t i = 0; i < 10; ++i) {
    double& x = *ArrayAt(WalkerX, i, 0, 0, 0);
    double& frame = *ArrayAt(WalkerFrame, i, 0, 0, 0);
    if (title.walkerCounter == 0) {
      const double facing = *ArrayAt(WalkerFacing, i, 0, 0, 0);
      if (facing == 0) x += 2;
      if (facing == 1) x -= 2;
      if (x < kWalkerLeftEdge) x = kWalkerRightEdge;
      if (x > kWalkerRightEdge) x = kWalkerLeftEdge;
    }
    if (frame > 3) frame = 0;
  }
}

void StepHint(TitleState& title) {
  title.hintCounter += 1;
  if (title.hintCounter == 40) title.hintCounter = 0;
}

void TitleClickStep(TitleState& title) {
  if (MouseLeft != 0 && ClickCooldown == 0) title.leave = 1;
  if (ClickCooldown > 0) ClickCooldown -= 1;
}

void DrawGameGrid() {
  constexpr int32_t kLine = 0x101010;
  for (int32_t x = 0; x <= 1260; x += kCellSize) {
    GfxDrawLine(x, 0, x, 756, kLine);
    GfxDrawLine(x + 1, 0, x + 1, 756, kLine);
  }
  for (int32_t y = 0; y <= 756; y += kCellSize) {
    GfxDrawLine(0, y, 1260, y, kLine);
    GfxDrawLine(0, y + 1, 1260, y + 1, kLine);
  }
}

void DrawBloodDrips() {
  for (int32_t i = 0; i < DripList.count; ++i) {
    const DripRec& d = *ArrayAt(DripList, i, 0, 0, 0);
    const int32_t x = TruncToInt32(d.x);
    const int32_t y = TruncToInt32(d.y);
    if (DripMode == 0) {
      SpriteDrawFrame(kSpriteDrip, 1, x - 1, y);
      SpriteDrawFrame(kSpriteDrip, 1, x + 1, y);
      SpriteDrawFrame(kSpriteDrip, 1, x, y + 1);
    } else if (DripMode == 1) {
      SpriteDrawFrame(kSpriteDrip, 0, x, y);
    } else if (DripMode == 2) {
      SpriteDrawFrame(kSpriteDrip, 2, x - 1, y);
      SpriteDrawFrame(kSpriteDrip, 2, x + 1, y);
      SpriteDrawFrame(kSpriteDrip, 2, x, y);
      SpriteDrawFrame(kSpriteDrip, 2, x, y + 1);
    }
  }
}

bool GameIntroFrame(IntroState& intro) {
  int32_t x = 0;
  int32_t y = 0;
  int32_t left = 0;
  int32_t right = 0;
  MouseState(x, y, left, right);
  DrawGameGrid();
  GfxSetSmoothing(0);
  SpriteDrawZoomed(kSpriteStory, 600, intro.position, 2.0, 2.0);
  return GameIntroStep(intro, left);
}

void GameIntro() {
  IntroState intro;
  GameIntroEnter(intro);
  bool leave = false;
  do {
    leave = GameIntroFrame(intro);
    ShowScreen();
  } while (!leave);
}

namespace {

// The logo is built in the window's top-left corner each frame: the
// drips' halo, the logo (the last frame's grab after the first pass) with
// the drips' cores, grabbed; then the shade with the shadow picture,
// grabbed. Each grab keeps the drips' trails for the next frame.
void BuildDrippingLogo(const TitleState& title) {
  constexpr int32_t kLogoWidth = 143;
  constexpr int32_t kLogoHeight = 120;
  GfxSetBlendMode(0);
  GfxDrawRect(0, 0, 200, 200, kKeyColour);
  DripMode = 0;
  DrawBloodDrips();
  GfxSetBlendMode(-1.0);

  if (title.firstPass == 0) {
    SpriteDrawFrame(kSpriteLogo, 0, 0, 0);
  } else {
    SpriteDraw(kSpriteLogoGrab0, 0, 0);
  }
  DripMode = 1;
  DrawBloodDrips();
  AdvanceBloodDrips();
  GfxSetBlendMode(-1.0);
  SpriteGrab(kSpriteLogoGrab0, 0, 0, kLogoWidth, kLogoHeight);

  DripMode = 2;
  DrawBloodDrips();
  if (title.firstPass == 0) {
    SpriteDrawFrame(kSpriteLogo, 1, 0, 0);
  } else {
    SpriteDraw(kSpriteLogoGrab1, 0, 0);
  }
  DrawBloodDrips();
  GfxSetBlendMode(-1.0);
  SpriteGrab(kSpriteLogoGrab1, 0, 0, kLogoWidth, kLogoHeight);
}

}  // namespace

void GameTitleFrame(TitleState& title) {
  MouseState(MouseX, MouseY, MouseLeft, MouseRight);
  if (KeyState(1)) title.leave = 1;
  BuildDrippingLogo(title);

  GfxDrawRect(0, 0, 1280, 768, 0);
  DrawGameGrid();
  GfxSetSmoothing(0);

  StepWalkers(title);
  for (int32_t i = 0; i < 10; ++i) {
    const int32_t frame = TruncToInt32(*ArrayAt(WalkerFacing, i, 0, 0, 0) * 4 + *ArrayAt(WalkerFrame, i, 0, 0, 0));
    SpriteDrawFrame(kSpriteZombie, frame, TruncToInt32(*ArrayAt(WalkerX, i, 0, 0, 0)), 400);
  }

  SpriteDrawZoomed(kSpriteLogoGrab1, 556, 156, 3.0, 3.0);
  SpriteDrawZoomed(kSpriteLogoGrab0, 550, 150, 3.0, 3.0);

  StepHint(title);
  GfxSetBlendMode(-1.0);
  SpriteDrawFrameStretched(kSpriteMouseHint, title.hintCounter < 20 ? 0 : 2, 593, 500, 75, 75);
  GfxSetBlendMode(0);

  PrintBitmapText(20, 680, kCreditLine, 1.5);
  title.firstPass = 1;
}

void GameTitleLoop() {
  TitleState title;
  GameTitleEnter(title);
  do {
    GameTitleFrame(title);
    ShowScreen();
    TitleClickStep(title);
  } while (title.leave == 0);
}
