#include "game/game_state.h"

#include <memory>

#include "core/isaac.h"

RtArray<int32_t> GameGrid;
RtArray<HeroRec> HeroList;
RtArray<ZombieRec> ZombieList;
RtArray<BulletRec> BulletList;
RtArray<PickupRec> PickupList;
RtArray<DripRec> DripList;

RtArray<int32_t> AmmoCount;
RtArray<int32_t> AmmoFull;
RtArray<double> WalkerX;
RtArray<double> WalkerFacing;
RtArray<double> WalkerFrame;
RtArray<RtString> StoryLines;
RtArray<int32_t> DripTableX;
RtArray<int32_t> DripTableY;

int32_t MouseX = 0;
int32_t MouseY = 0;
int32_t MouseLeft = 0;
int32_t MouseRight = 0;
int32_t ClickCooldown = 0;
int32_t Weapon = 0;
int32_t ClickMode = 0;
int32_t AimDirection = 0;
int32_t HeroPixelX = 0;
int32_t HeroPixelY = 0;
int32_t TurnCounter = 0;
int32_t MovesMade = 0;
int32_t ZombsSlain = 0;
int32_t BulletsInFlight = 0;
int32_t ZombieStepFlag = 0;
int32_t RisingFlag = 0;
int32_t GameOverCounter = 0;
int32_t KillsUntilDrop = 0;
double BrainFade = 0.0;
int32_t DripMode = 0;

const char* const kStoryText[6] = {
    "On the last day of spring the sky turned the colour of old milk.",
    "By noon everyone who had ever counted sheep to fall asleep was one.",
    "Everyone else stopped sleeping for good and got up again as zombies.",
    "One person in town was neither woolly nor dead. That person is you.",
    "You found a pistol in the post office and a map with no roads on it.",
    "The sheep will have to wait for another game. The zombies will not.",
};

const char* const kCreditLine = "ZIVURE - A TURN-BASED SURVIVAL GAME MADE WITH THE VANTREL RUNTIME";

namespace {

// Frees an array's storage and leaves it empty.
template <typename T>
void ArrayReleaseStorage(RtArray<T>& a) {
  std::destroy_at(&a);
  std::construct_at(&a);
}

template <typename R>
void EmptyList(RtArray<R>& list) {
  while (list.count > 0) ArrayDeleteAt(list, 0);
}

// Every game array, given to `apply` one by one.
template <typename Apply>
void ForEachGameArray(Apply apply) {
  apply(GameGrid);
  apply(HeroList);
  apply(ZombieList);
  apply(BulletList);
  apply(PickupList);
  apply(DripList);
  apply(AmmoCount);
  apply(AmmoFull);
  apply(WalkerX);
  apply(WalkerFacing);
  apply(WalkerFrame);
  apply(StoryLines);
  apply(DripTableX);
  apply(DripTableY);
}

// Runs the static set-up before the program and the tear-down after it.
struct GameStaticLifetime {
  GameStaticLifetime() { GameStaticInit(1); }
  ~GameStaticLifetime() { GameStaticInit(0); }
};

}  // namespace

void GameInitGlobals() {
  KillsUntilDrop = RandomInt(7);
  BrainFade = 0.0;
}

void GameReset() {
  EmptyList(ZombieList);
  EmptyList(DripList);
  EmptyList(HeroList);
  EmptyList(BulletList);
  EmptyList(PickupList);
}

void GameStaticInit(int32_t mode) {
  if (mode == 1) {
    ForEachGameArray([](auto& a) { ArraySetShape(a, 0, 0, 0, 0, 0); });
  } else if (mode == 0) {
    // Releasing the story rows destroys their texts with the block.
    ForEachGameArray([](auto& a) { ArrayReleaseStorage(a); });
  }
}

void GameSetUpArrays() {
  ArrayDimInt(GameGrid, kGridWidth, kGridHeight, 0, 0);
  ArrayDimInt(AmmoCount, 5, 0, 0, 0);
  ArrayDimInt(AmmoFull, 5, 0, 0, 0);
  for (int32_t kind = kPistol; kind <= kShotgun; ++kind) *ArrayAt(AmmoFull, kind, 0, 0, 0) = kAmmoRefill[kind];

  ArrayDimDouble(WalkerX, 10, 0, 0, 0);
  ArrayDimDouble(WalkerFacing, 10, 0, 0, 0);
  ArrayDimDouble(WalkerFrame, 10, 0, 0, 0);
  for (int32_t i = 0; i < 10; ++i) {
    *ArrayAt(WalkerX, i, 0, 0, 0) = RandomInt(1260);
    *ArrayAt(WalkerFacing, i, 0, 0, 0) = RandomInt(1);
    *ArrayAt(WalkerFrame, i, 0, 0, 0) = RandomInt(3);
  }

  // The story with blank rows between its paragraphs.
  ArrayDimString(StoryLines, 20, 0, 0, 0);
  const char* const rows[9] = {kStoryText[0], "", kStoryText[1], kStoryText[2], kStoryText[3],
                               "",            kStoryText[4], "", kStoryText[5]};
  for (int32_t r = 0; r < 9; ++r) StringAssignCStr(*ArrayAt(StoryLines, r, 0, 0, 0), rows[r]);

  KillsUntilDrop = RandomInt(7);
  BrainFade = 0.0;
  ArrayDimInt(DripTableX, 40, 0, 0, 0);
  ArrayDimInt(DripTableY, 40, 0, 0, 0);
}

namespace {
// Defined after the globals above so that it is constructed after them and
// destroyed before them.
GameStaticLifetime g_gameStaticLifetime;
}  // namespace
