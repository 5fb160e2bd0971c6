#include "game/title_screen.h"

#include "core/float_to_int.h"
#include "core/isaac.h"
#include "game/game_state.h"

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
