#include "game/play_screen.h"

#include <vector>

#include "app/frame_end.h"
#include "core/float_to_int.h"
#include "devices/mouse.h"
#include "game/bitmap_text.h"
#include "game/game_media.h"
#include "game/game_over.h"
#include "game/game_state.h"
#include "game/play_rules.h"
#include "game/title_screen.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_commands.h"

namespace {

int32_t Pixel(double v) { return TruncToInt32(v); }
int32_t CellPixel(double cell) { return TruncToInt32(cell) * kCellSize; }

// The pickups as their update left them: those dropped by the frame's
// kills came later.
void DrawPickups() {
  for (int32_t i = 0; i < PickupList.count - PlayNotes.pickupsDropped; ++i) {
    const PickupRec& p = *ArrayAt(PickupList, i, 0, 0, 0);
    SpriteDrawFrame(kSpriteAmmo, Pixel(p.kind), CellPixel(p.x), CellPixel(p.y));
  }
}

void DrawHero() {
  if (HeroList.count < 1) return;
  const HeroRec& h = *ArrayAt(HeroList, 0, 0, 0, 0);
  const int32_t x = CellPixel(h.x);
  const int32_t y = CellPixel(h.y);
  SpriteDrawFrame(kSpriteHero, Pixel(h.facing * 4 + h.animFrame), x + 6, y);
  SpriteDrawFrame(kSpriteHeldGuns, Pixel(h.facing * 3 + Weapon), h.facing == 1 ? x + 4 : x + 8, y);
}

// A rising zombie shows the 40 rows of the rising picture from the height
// it had risen to before this frame's step; the rows slide down as it
// rises, so that the figure comes up out of its cell's floor.
void DrawRisingZombie(const ZombieRec& z) {
  const double x = CellPixel(z.x);
  const double y = CellPixel(z.y);
  const double u = z.facing * 36;
  const double r = z.rise - 1;
  PolyStart(kSpriteRising, 0);
  PolyVertex(x + 42, y, u + 36, r, 0xFFFFFF);
  PolyVertex(x + 6, y, u, r, 0xFFFFFF);
  PolyVertex(x + 6, y + 40, u, r + 40, 0xFFFFFF);
  PolyVertex(x + 42, y + 40, u + 36, r + 40, 0xFFFFFF);
  PolyEnd();
}

// A zombie that finished rising in this frame shows its last rising
// picture and its walk frame over it.
void DrawZombies() {
  const std::vector<int32_t>& risenNow = PlayNotes.zombiesRisen;
  size_t next = 0;
  for (int32_t i = 0; i < ZombieList.count; ++i) {
    const ZombieRec& z = *ArrayAt(ZombieList, i, 0, 0, 0);
    const bool roseNow = next < risenNow.size() && risenNow[next] == i;
    if (roseNow) ++next;
    if (z.risen == 0 || roseNow) DrawRisingZombie(z);
    if (z.risen != 0) {
      SpriteDrawFrame(kSpriteZombie, Pixel(z.facing * 4 + z.animFrame), CellPixel(z.x) + 6, CellPixel(z.y));
    }
  }
}

// The bullets in list order, with those that left the field in this frame
// where they went out, each before the bullet that took its place.
void DrawBullets() {
  const std::vector<PlayFrameNotes::BulletOut>& out = PlayNotes.bulletsOut;
  size_t next = 0;
  for (int32_t i = 0; i <= BulletList.count; ++i) {
    for (; next < out.size() && out[next].place <= i; ++next) {
      SpriteDraw(kSpriteBullet, Pixel(out[next].x), Pixel(out[next].y));
    }
    if (i == BulletList.count) break;
    const BulletRec& b = *ArrayAt(BulletList, i, 0, 0, 0);
    SpriteDraw(kSpriteBullet, Pixel(b.x), Pixel(b.y));
  }
}

void DrawPanel() {
  SpriteDrawFrame(kSpriteDirectionIcon, 0, 0, 20);
  SpriteDrawFrame(kSpriteManIcon, 0, 0, 60);
  SpriteDrawFrame(kSpriteGunIcons, Weapon, 0, 100);
  SpriteDrawFrame(kSpriteMouseHint, 2, 54, 24);
  SpriteDrawFrame(kSpriteMouseHint, 0, 54, 64);
  SpriteDrawFrame(kSpriteMouseHint, 1, 54, 104);
  PrintBitmapText(18, 128, StringFromInt(*ArrayAt(AmmoCount, Weapon, 0, 0, 0)), 1);
}

}  // namespace

void GamePlayDraw() {
  DrawGameGrid();
  DrawPickups();
  DrawHero();
  DrawZombies();
  DrawBullets();
  if (AimDirection > 0) {
    SpriteDrawFrame(kSpriteCursor, AimCursorFrame(AimDirection), MouseX / kCellSize * kCellSize,
                    MouseY / kCellSize * kCellSize);
  }
  DrawPanel();
  // The overlay's frame counter has already moved on by one this frame.
  if (GameOverCounter > 0) GameOverDraw(GameOverCounter - 1);
  if (GameOverCounter > 100) {
    GfxSetBlendMode(-1.0);
    SpriteDrawFrameStretched(kSpriteMouseHint, 0, 593, 500, 75, 75);
    GfxSetBlendMode(0);
  }
}

bool GamePlayFrame() {
  MouseState(MouseX, MouseY, MouseLeft, MouseRight);
  const bool leave = GamePlayStep();
  GamePlayDraw();
  return leave;
}

void GamePlayLoop() {
  GamePlayEnter();
  bool leave = false;
  do {
    leave = GamePlayFrame();
    ShowScreen();
  } while (!leave);
}
