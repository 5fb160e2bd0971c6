#include "game/play_rules.h"

#include "core/float_to_int.h"
#include "core/isaac.h"
#include "devices/sound_voices.h"
#include "game/game_over.h"
#include "game/game_state.h"

namespace {

// A neighbour cell of the hero, its cursor frame and its aim direction, in
// the order the aim tests them.
struct AimEntry {
  int32_t dx;
  int32_t dy;
  int32_t frame;
  int32_t direction;
};

constexpr AimEntry kAimTable[8] = {
    {0, -1, 1, 1},  {0, 1, 7, 5},  {-1, -1, 0, 8}, {1, -1, 2, 2},
    {-1, 0, 3, 7},  {1, 0, 5, 3},  {-1, 1, 6, 6},  {1, 1, 8, 4},
};

// Steps of the directions 1..8 (index 0 unused).
constexpr int32_t kStepX[9] = {0, 0, 1, 1, 1, 0, -1, -1, -1};
constexpr int32_t kStepY[9] = {0, -1, -1, 0, 1, 1, 1, 0, -1};

// How far a bullet flies in a frame, in pixels.
constexpr double kBulletStep = 14.0;

// The cells that the second draw of a zombie's cell can reach.
constexpr int32_t kSpawnMaxX = 40;
constexpr int32_t kSpawnMaxY = 30;

int32_t Cell(double v) { return TruncToInt32(v); }

void ClearPlayNotes() {
  PlayNotes.zombiesRisen.clear();
  PlayNotes.bulletsOut.clear();
  PlayNotes.pickupsDropped = 0;
}

int32_t& Ammo(int32_t kind) { return *ArrayAt(AmmoCount, kind, 0, 0, 0); }

bool FieldHasEmptySpawnCell() {
  for (int32_t y = 0; y <= kSpawnMaxY; ++y) {
    for (int32_t x = 0; x <= kSpawnMaxX; ++x) {
      if (GridAt(x, y) == kCellEmpty) return true;
    }
  }
  return false;
}

// Takes a bullet out of the list; the zombies step when the last bullet of
// the shot is gone.
void RetireBullet(int32_t index) {
  BulletsInFlight -= 1;
  if (BulletsInFlight == 0) ZombieStepFlag = 1;
  ArrayDeleteAtBullet(BulletList, index);
}

// The zombie's step toward the hero: at most one cell in x and one in y,
// each only into a cell below kCellWalkable.
void StepZombie(ZombieRec& z) {
  int32_t x = Cell(z.x);
  int32_t y = Cell(z.y);
  GridAt(x, y) = kCellEmpty;
  if (x * kCellSize < HeroPixelX && GridAt(x + 1, y) < kCellWalkable) x += 1;
  if (HeroPixelX < x * kCellSize && GridAt(x - 1, y) < kCellWalkable) x -= 1;
  if (y * kCellSize < HeroPixelY && GridAt(x, y + 1) < kCellWalkable) y += 1;
  if (HeroPixelY < y * kCellSize && GridAt(x, y - 1) < kCellWalkable) y -= 1;
  GridAt(x, y) = kCellZombie;
  z.x = x;
  z.y = y;
}

}  // namespace

PlayFrameNotes PlayNotes;

int32_t WrapDirection(int32_t direction) {
  if (direction < 1) return 8;
  if (direction > 8) return 1;
  return direction;
}

int32_t DirectionDx(int32_t direction) { return kStepX[WrapDirection(direction)]; }
int32_t DirectionDy(int32_t direction) { return kStepY[WrapDirection(direction)]; }

int32_t AimCursorFrame(int32_t direction) {
  for (const AimEntry& e : kAimTable) {
    if (e.direction == direction) return e.frame;
  }
  return 4;
}

int32_t AimDirectionTo(int32_t cx, int32_t cy) {
  const int32_t dx = cx - HeroPixelX / kCellSize;
  const int32_t dy = cy - HeroPixelY / kCellSize;
  for (const AimEntry& e : kAimTable) {
    if (e.dx == dx && e.dy == dy) return e.direction;
  }
  return 0;
}

void AdvanceWalkAnimation(double& counter, double& frame) {
  if (counter + 1 <= 20) {
    counter += 1;
  } else {
    counter = 0;
    frame += 1;
  }
  if (frame > 3) frame = 0;
}

void SpawnHero() {
  const int32_t x = RandomInt(10) + 10;
  const int32_t y = RandomInt(5) + 5;
  GridAt(x, y) = kCellHero;
  ArrayPushSpawn(HeroList, HeroRec{double(x), double(y), 0, 0, 0, 0, 0});
}

void SpawnZombie() {
  int32_t x = RandomInt(29);
  int32_t y = RandomInt(16);
  const int32_t frame = RandomInt(3);
  // Searching a full field would never end.
  if (GridAt(x, y) != kCellEmpty && !FieldHasEmptySpawnCell()) return;
  while (GridAt(x, y) != kCellEmpty) {
    x = RandomInt(kSpawnMaxX);
    y = RandomInt(kSpawnMaxY);
  }
  ArrayPushEnemy(ZombieList, ZombieRec{double(x), double(y), 0, 0, double(frame), 1, 0, 0, 0});
}

void PushBullet(double x, double y, int32_t direction, double delay) {
  ArrayPushBullet(BulletList, BulletRec{x, y, double(WrapDirection(direction)), delay, 2});
}

void PushPickup(double x, double y) { ArrayPushPickup(PickupList, PickupRec{x, y, double(RandomInt(2))}); }

void GamePlayEnter() {
  ClearPlayNotes();
  for (int32_t x = 0; x <= 30; ++x) {
    for (int32_t y = 0; y <= 30; ++y) GridAt(x, y) = kCellEmpty;
  }
  MovesMade = 0;
  ZombsSlain = 0;
  GameOverCounter = 0;
  RisingFlag = 0;
  SpawnHero();
  for (int32_t n = 0; n < 8; ++n) SpawnZombie();
  Weapon = kPistol;
  for (int32_t kind = kPistol; kind <= kShotgun; ++kind) Ammo(kind) = kAmmoStart[kind];
}

void UpdatePickups() {
  const int32_t hx = HeroPixelX / kCellSize;
  const int32_t hy = HeroPixelY / kCellSize;
  int32_t i = 0;
  while (i < PickupList.count) {
    const PickupRec p = *ArrayAt(PickupList, i, 0, 0, 0);
    if (Cell(p.x) == hx && Cell(p.y) == hy) {
      const int32_t kind = Cell(p.kind);
      Weapon = kind;
      Ammo(kind) = *ArrayAt(AmmoFull, kind, 0, 0, 0);
      ArrayDeleteAtPickup(PickupList, i);
    } else {
      ++i;
    }
  }
}

void UpdateHero() {
  if (HeroList.count < 1) return;
  HeroRec& h = *ArrayAt(HeroList, 0, 0, 0, 0);

  if (MouseLeft != 0 && AimDirection > 0 && ClickMode == 0 && GameOverCounter == 0) {
    TurnCounter += 1;
    MovesMade += 1;
    GridAt(Cell(h.x), Cell(h.y)) = kCellEmpty;
    h.x += DirectionDx(AimDirection);
    h.y += DirectionDy(AimDirection);
    if (AimDirection >= 2 && AimDirection <= 4) h.facing = 0;
    if (AimDirection >= 6 && AimDirection <= 8) h.facing = 1;
    GridAt(Cell(h.x), Cell(h.y)) = kCellHero;
    ZombieStepFlag = 1;
    AimDirection = 0;
  }

  if (MouseRight != 0 && AimDirection > 0 && ClickCooldown == 0) {
    TurnCounter += 1;
    MovesMade += 1;
    if (Ammo(Weapon) > 0) {
      BulletsInFlight = Weapon == kUzi ? 3 : 1;
      SoundPlay(static_cast<uint32_t>(Weapon + 1), 0.0, 1.0);
      h.facing = AimDirection < 5 ? 0 : 1;
      const double bx = h.x * kCellSize + 21;
      const double by = h.y * kCellSize + 21;
      PushBullet(bx, by, AimDirection, 0);
      if (Weapon == kUzi) {
        PushBullet(bx, by, AimDirection, 5);
        PushBullet(bx, by, AimDirection, 10);
        Ammo(kUzi) -= 2;
      }
      if (Weapon == kShotgun) {
        PushBullet(bx, by, AimDirection - 1, 0);
        PushBullet(bx, by, AimDirection + 1, 0);
      }
      Ammo(Weapon) -= 1;
    }
    ClickCooldown = 20;
  }

  HeroPixelX = Cell(h.x) * kCellSize;
  HeroPixelY = Cell(h.y) * kCellSize;
  AdvanceWalkAnimation(h.animCounter, h.animFrame);
}

void UpdateZombies() {
  int32_t i = 0;
  while (i < ZombieList.count) {
    ZombieRec& z = *ArrayAt(ZombieList, i, 0, 0, 0);
    const int32_t x = Cell(z.x);
    const int32_t y = Cell(z.y);

    if (GridAt(x, y) == kCellHero ||
        (x * kCellSize == HeroPixelX && y * kCellSize == HeroPixelY && GameOverCounter == 0)) {
      SoundPlay(4, 0.0, 1.0);
      BrainFade = 0.0;
      GameOverCounter = 1;
      ClickCooldown = 10;
    }

    if (GridAt(x, y) == kCellHit) {
      GridAt(x, y) = kCellEmpty;
      KillsUntilDrop -= 1;
      if (KillsUntilDrop < 1) {
        PushPickup(z.x, z.y);
        PlayNotes.pickupsDropped += 1;
        KillsUntilDrop = RandomInt(7);
      }
      ZombsSlain += 1;
      SoundPlay(static_cast<uint32_t>(RandomInt(2) + 5), 0.0, 0.5);
      ArrayDeleteAtEnemy(ZombieList, i);
      continue;
    }

    z.facing = HeroPixelX <= x * kCellSize ? 1 : 0;
    if (ZombieStepFlag == 1) StepZombie(z);
    AdvanceWalkAnimation(z.animCounter, z.animFrame);

    if (z.risen == 0) {
      RisingFlag = 1;
      z.rise += 1;
      if (z.rise >= 40) {
        z.risen = 1;
        GridAt(Cell(z.x), Cell(z.y)) = kCellZombie;
        PlayNotes.zombiesRisen.push_back(i);
      }
    }
    ++i;
  }
}

void UpdateBullets() {
  int32_t i = 0;
  while (i < BulletList.count) {
    BulletRec& b = *ArrayAt(BulletList, i, 0, 0, 0);
    if (b.delay > 0) b.delay -= 1;
    if (b.delay == 0) b.countdown -= 1;

    if (b.countdown == 0) {
      int32_t& cell = GridAt(Cell(b.x / kCellSize), Cell(b.y / kCellSize));
      if (cell == kCellZombie) {
        cell = kCellHit;
        RetireBullet(i);
        continue;
      }
      b.countdown = 2;
    }

    if (b.delay == 0) {
      const int32_t d = Cell(b.direction);
      b.x += DirectionDx(d) * kBulletStep;
      b.y += DirectionDy(d) * kBulletStep;
    }

    if (b.x < -42 || b.x > 1280 || b.y < -42 || b.y > 800) {
      PlayNotes.bulletsOut.push_back({b.x, b.y, i});
      RetireBullet(i);
      continue;
    }
    ++i;
  }
}

bool GamePlayStep() {
  ClearPlayNotes();
  if (TurnCounter == 3) {
    SpawnZombie();
    SpawnZombie();
    TurnCounter = 0;
  }
  if (Weapon > 2) Weapon = 0;
  const int32_t cx = MouseX / kCellSize;
  const int32_t cy = MouseY / kCellSize;

  UpdatePickups();
  UpdateHero();
  RisingFlag = 0;
  UpdateZombies();
  ZombieStepFlag = 0;
  UpdateBullets();

  AimDirection = 0;
  if (RisingFlag == 0 && GameOverCounter == 0) AimDirection = AimDirectionTo(cx, cy);

  if (MouseLeft != 0 && MouseX >= 0 && MouseX <= 55) {
    if (MouseY >= 20 && MouseY <= 55) ClickMode = 0;
    if (MouseY >= 60 && MouseY <= 99) ClickMode = 1;
  }

  if (ClickCooldown > 0) ClickCooldown -= 1;
  if (GameOverCounter > 0) GameOverStep();
  return GameOverCounter > 100 && MouseLeft != 0 && ClickCooldown == 0;
}
