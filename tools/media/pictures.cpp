#include "tools/media/pictures.h"

#include <algorithm>
#include <cmath>

#include "tools/media/glyphs.h"

namespace {

constexpr uint32_t kInk = 0x101010;  // outlines of figures

// Skin, clothes and metal.
constexpr uint32_t kHeroSkin = 0xF0C090;
constexpr uint32_t kHeroHair = 0x5A3A1A;
constexpr uint32_t kHeroShirt = 0x3050C0;
constexpr uint32_t kHeroJeans = 0x283860;
constexpr uint32_t kZombieSkin = 0x7FA650;
constexpr uint32_t kZombieShirt = 0x6B5B45;
constexpr uint32_t kZombiePants = 0x3A3A50;
constexpr uint32_t kBlood = 0xA00000;
constexpr uint32_t kDarkBlood = 0x500000;
constexpr uint32_t kSteel = 0x8A8A8A;
constexpr uint32_t kGunBlack = 0x262626;
constexpr uint32_t kWood = 0x8A5A2A;

// How far the legs swing in the four walk frames, and the body's bob.
constexpr int kLegSwing[4] = {-3, 0, 3, 0};
constexpr int kBob[4] = {0, -1, 0, -1};

// The hero facing right in a 36 x 42 frame at (ox, oy); the hand that
// holds the gun is at about (26, 21).
void PaintHero(Canvas& c, int ox, int oy, int frame) {
  const int b = kBob[frame];
  const int swing = kLegSwing[frame];
  DrawLine(c, {ox + 15.5, oy + 30.0 + b}, {ox + 15.5 - swing, oy + 38.0}, 4, kHeroJeans);
  DrawLine(c, {ox + 20.5, oy + 30.0 + b}, {ox + 20.5 + swing, oy + 38.0}, 4, kHeroJeans);
  FillRect(c, ox + 12 - swing, oy + 38, 6, 3, kInk);
  FillRect(c, ox + 18 + swing, oy + 38, 6, 3, kInk);
  FillRect(c, ox + 12, oy + 14 + b, 12, 15, kHeroShirt);
  FillRect(c, ox + 12, oy + 28 + b, 12, 2, kWood);
  FillDisc(c, ox + 18, oy + 8 + b, 6.2, kHeroSkin);
  FillEllipse(c, ox + 16.5, oy + 4.5 + b, 6.5, 3.5, kHeroHair);
  FillRect(c, ox + 12, oy + 4 + b, 3, 6, kHeroHair);
  c.Set(ox + 21, oy + 8 + b, kInk);
  DrawLine(c, {ox + 18.0, oy + 16.0 + b}, {ox + 25.0, oy + 21.0 + b}, 3.5, kHeroShirt);
  FillDisc(c, ox + 26, oy + 21.5 + b, 2.2, kHeroSkin);
  Outline(c, ox, oy, 36, 42, kInk);
}

// A zombie facing right in a 36 x 40 frame at (ox, oy), arms reaching
// forward.
void PaintZombie(Canvas& c, int ox, int oy, int frame) {
  const int b = kBob[frame];
  const int swing = kLegSwing[frame] / 2;
  DrawLine(c, {ox + 14.5, oy + 28.0 + b}, {ox + 14.5 - swing, oy + 37.0}, 4, kZombiePants);
  DrawLine(c, {ox + 19.5, oy + 28.0 + b}, {ox + 20.5 + swing, oy + 37.0}, 4, kZombiePants);
  FillRect(c, ox + 12 - swing, oy + 37, 5, 3, 0x3A2A1A);
  FillRect(c, ox + 18 + swing, oy + 37, 5, 3, 0x3A2A1A);
  FillPolygon(c, {{ox + 11.0, oy + 13.0 + b}, {ox + 23.0, oy + 13.0 + b}, {ox + 24.0, oy + 28.0 + b},
                  {ox + 20.0, oy + 26.0 + b}, {ox + 17.0, oy + 29.0 + b}, {ox + 13.0, oy + 26.0 + b},
                  {ox + 11.0, oy + 28.0 + b}},
              kZombieShirt);
  FillDisc(c, ox + 15, oy + 20 + b, 1.6, kBlood);
  FillDisc(c, ox + 20, oy + 23 + b, 1.2, kDarkBlood);
  FillDisc(c, ox + 17.5, oy + 7.5 + b, 6.0, kZombieSkin);
  FillRect(c, ox + 12, oy + 2 + b, 4, 2, 0x3A4A2A);
  c.Set(ox + 20, oy + 6 + b, 0xFF2020);
  c.Set(ox + 21, oy + 6 + b, 0xFF2020);
  FillRect(c, ox + 19, oy + 10 + b, 4, 1, kDarkBlood);
  // Both arms straight out in front, the far one a little higher.
  const double reach = 32.0 + (frame % 2);
  DrawLine(c, {ox + 18.0, oy + 15.0 + b}, {ox + reach, oy + 14.0 + b}, 3, kZombieShirt);
  DrawLine(c, {ox + 18.0, oy + 18.0 + b}, {ox + reach - 1, oy + 18.0 + b}, 3, kZombieShirt);
  FillDisc(c, ox + reach + 1, oy + 14.5 + b, 1.8, kZombieSkin);
  FillDisc(c, ox + reach, oy + 18.5 + b, 1.8, kZombieSkin);
  Outline(c, ox, oy, 36, 40, kInk);
}

// The weapons held by a hand at (24, 21) of a 36 x 36 frame, pointing
// right: 0 pistol, 1 uzi, 2 shotgun.
void PaintHeldGun(Canvas& c, int ox, int oy, int weapon) {
  if (weapon == 0) {
    FillRect(c, ox + 23, oy + 18, 9, 3, kSteel);
    FillRect(c, ox + 23, oy + 21, 3, 4, kGunBlack);
  } else if (weapon == 1) {
    FillRect(c, ox + 20, oy + 17, 12, 4, kGunBlack);
    FillRect(c, ox + 32, oy + 18, 3, 2, kSteel);
    FillRect(c, ox + 24, oy + 21, 3, 7, kGunBlack);
  } else {
    FillPolygon(c, {{ox + 12.0, oy + 19.0}, {ox + 22.0, oy + 18.0}, {ox + 22.0, oy + 21.0}, {ox + 12.0, oy + 23.0}},
                kWood);
    FillRect(c, ox + 22, oy + 17, 14, 2, kSteel);
    FillRect(c, ox + 25, oy + 19, 6, 2, kWood);
  }
  Outline(c, ox, oy, 36, 36, kInk);
}

// A sheet of frames facing right in its first row, painted by `paint`
// (canvas, x, y, frame), and mirrored to face left in the second.
Canvas FacingSheet(int frameW, int frameH, int frames, void (*paint)(Canvas&, int, int, int)) {
  Canvas c(frameW * frames, frameH * 2);
  for (int f = 0; f < frames; ++f) {
    paint(c, f * frameW, 0, f);
    CopyMirrored(c, f * frameW, 0, frameW, frameH, f * frameW, frameH);
  }
  return c;
}

Canvas HeroPicture() { return FacingSheet(36, 42, 4, PaintHero); }
Canvas ZombiePicture() { return FacingSheet(36, 40, 4, PaintZombie); }
Canvas HeldGunsPicture() { return FacingSheet(36, 36, 3, PaintHeldGun); }

// A zombie in the lower half under 40 empty rows, right-facing on the left
// and left-facing on the right: the rising zombie shows a 40-row window of
// it that slides down the picture.
Canvas RisingPicture() {
  Canvas c(72, 80);
  PaintZombie(c, 0, 40, 0);
  CopyMirrored(c, 0, 40, 36, 40, 36, 40);
  // Earth still clinging to the legs.
  for (int x = 0; x < 72; x += 3) c.Set(x + (x / 3) % 2, 78, 0x5A4020);
  return c;
}

// A panel box: dark with a light rim and cut corners.
void PaintBox(Canvas& c, int ox, int oy, int w, int h) {
  FillRect(c, ox + 1, oy + 1, w - 2, h - 2, 0x8A8A8A);
  FillRect(c, ox + 2, oy + 2, w - 4, h - 4, 0x585858);
  for (int corner = 0; corner < 4; ++corner) {
    c.Set(ox + (corner % 2 ? w - 2 : 1), oy + (corner / 2 ? h - 2 : 1), kKey);
  }
}

// Mode 1: a man standing still.
Canvas ManPicture() {
  Canvas c(36, 36);
  PaintBox(c, 0, 0, 36, 36);
  const uint32_t white = 0xE8E8E8;
  FillDisc(c, 18, 9, 3.5, white);
  FillRect(c, 15, 13, 7, 10, white);
  DrawLine(c, {14.0, 14.0}, {12.0, 22.0}, 2, white);
  DrawLine(c, {22.0, 14.0}, {24.0, 22.0}, 2, white);
  FillRect(c, 15, 23, 3, 8, white);
  FillRect(c, 19, 23, 3, 8, white);
  return c;
}

// Mode 0: the arrows of walking.
Canvas DirectionPicture() {
  Canvas c(36, 36);
  PaintBox(c, 0, 0, 36, 36);
  const uint32_t white = 0xE8E8E8;
  FillRect(c, 16, 9, 4, 18, white);
  FillRect(c, 9, 16, 18, 4, white);
  FillPolygon(c, {{18.0, 4.0}, {24.0, 11.0}, {12.0, 11.0}}, white);
  FillPolygon(c, {{18.0, 32.0}, {12.0, 25.0}, {24.0, 25.0}}, white);
  FillPolygon(c, {{4.0, 18.0}, {11.0, 12.0}, {11.0, 24.0}}, white);
  FillPolygon(c, {{32.0, 18.0}, {25.0, 24.0}, {25.0, 12.0}}, white);
  return c;
}

// The weapon boxes of the panel, 50 x 40 each, the weapons up to twice
// their held size.
Canvas GunIconsPicture() {
  Canvas c(150, 40);
  for (int w = 0; w < 3; ++w) {
    PaintBox(c, w * 50, 0, 50, 40);
    Canvas one(36, 36);
    PaintHeldGun(one, 0, 0, w);
    // The weapon's bounds, to centre it in its box.
    int left = 36, right = 0, top = 36, bottom = 0;
    for (int y = 0; y < 36; ++y) {
      for (int x = 0; x < 36; ++x) {
        if (one.At(x, y) == kKey) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    const int scale = right - left + 1 > 23 || bottom - top + 1 > 13 ? 1 : 2;
    const int ox = w * 50 + (50 - (right - left + 1) * scale) / 2;
    // The upper part: the ammunition count is written over the lower.
    const int oy = std::max(2, 2 + (24 - (bottom - top + 1) * scale) / 2);
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) {
        const uint32_t p = one.At(x, y);
        if (p != kKey) FillRect(c, ox + (x - left) * scale, oy + (y - top) * scale, scale, scale, p);
      }
    }
  }
  return c;
}

// The aim cursor: 3 x 3 frames of 42 x 42, frame (dy + 1) * 3 + (dx + 1)
// for the neighbour (dx, dy) of the hero, each a target bracket with an
// arrow pointing away from the hero.
Canvas CursorPicture() {
  Canvas c(126, 126);
  const uint32_t yellow = 0xFFD020;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const int ox = (dx + 1) * 42;
      const int oy = (dy + 1) * 42;
      for (int k = 0; k < 4; ++k) {
        const int cx = ox + (k % 2 ? 30 : 2);
        const int cy = oy + (k / 2 ? 30 : 2);
        FillRect(c, cx, cy + (k / 2 ? 8 : 0), 10, 2, yellow);
        FillRect(c, cx + (k % 2 ? 8 : 0), cy, 2, 10, yellow);
      }
      if (dx == 0 && dy == 0) {
        FillDisc(c, ox + 21, oy + 21, 4, yellow);
      } else {
        const double len = std::hypot(dx, dy);
        const double ux = dx / len;
        const double uy = dy / len;
        const Point tip = {ox + 21 + ux * 11, oy + 21 + uy * 11};
        const Point base = {ox + 21 - ux * 3, oy + 21 - uy * 3};
        FillPolygon(c, {tip, {base.x - uy * 8, base.y + ux * 8}, {base.x + uy * 8, base.y - ux * 8}}, yellow);
        DrawLine(c, {ox + 21 - ux * 10, oy + 21 - uy * 10}, base, 4, yellow);
      }
      Outline(c, ox, oy, 42, 42, kInk);
    }
  }
  return c;
}

// The title logo in two 143 x 120 frames: the name in blood red, and the
// same in near black for the shadow behind it.
Canvas LogoPicture() {
  Canvas c(286, 120);
  const uint32_t colours[2][2] = {{0xB41414, 0x3C0000}, {0x3A0606, 0x120000}};
  for (int f = 0; f < 2; ++f) {
    const int ox = f * 143;
    PaintStrokeText(c, ox + 14, 10, "ZIV", 30, 38, 12, 8, colours[f][0]);
    PaintStrokeText(c, ox + 14, 64, "URE", 30, 38, 12, 8, colours[f][0]);
    Outline(c, ox, 0, 143, 120, colours[f][1]);
  }
  return c;
}

// One pixel each: the drip's core, its halo and its shade.
Canvas DripPicture() {
  Canvas c(3, 1);
  c.Set(0, 0, 0xC00000);
  c.Set(1, 0, 0x780000);
  c.Set(2, 0, 0x300000);
  return c;
}

// The text font: characters 32 to 127 in 8 x 16 cells, 16 a row, frame =
// code - 32; each is a letter of the built-in font at double height.
Canvas FontPicture() {
  Canvas c(128, 96);
  for (int code = 32; code < 128; ++code) {
    const int ox = ((code - 32) % 16) * 8;
    const int oy = ((code - 32) / 16) * 16;
    for (int py = 0; py < 8; ++py) {
      for (int px = 0; px < 8; ++px) {
        const GlyphPixel g = GlyphAt(code, px, py);
        if (g == GlyphPixel::kNone) continue;
        const uint32_t colour = g == GlyphPixel::kLetter ? 0xF0F0F0 : 0x080808;
        FillRect(c, ox + px, oy + 1 + py * 2, 1, 2, colour);
      }
    }
  }
  return c;
}

void PaintBrain(Canvas& c, int ox, int oy) {
  const uint32_t pink = 0xE89AA8;
  const uint32_t fold = 0xB05A70;
  FillEllipse(c, ox + 64, oy + 42, 56, 36, pink);
  FillEllipse(c, ox + 88, oy + 68, 14, 10, 0xD88898);
  for (int row = 0; row < 5; ++row) {
    const double y0 = oy + 18 + row * 11;
    Point last = {ox + 14.0, y0};
    for (int x = 14; x <= 114; x += 2) {
      const Point p = {double(ox + x), y0 + 3.5 * std::sin((x + row * 17) * 0.21)};
      const double dx = (p.x - (ox + 64)) / 56;
      const double dy = (p.y - (oy + 42)) / 36;
      if (dx * dx + dy * dy < 0.8) DrawLine(c, last, p, 1.5, fold);
      last = p;
    }
  }
  DrawLine(c, {ox + 64.0, oy + 8.0}, {ox + 62.0, oy + 76.0}, 2, fold);
  Outline(c, ox, oy, 128, 86, 0x602030);
}

// The game-over pictures, 128 x 86 each: the brain, the brain bitten, and
// the words that fade in over them.
Canvas BrainPicture() {
  Canvas c(384, 86);
  PaintBrain(c, 0, 0);
  PaintBrain(c, 128, 0);
  // Bites out of the second brain, ringed with blood, and what runs down.
  const Point bites[3] = {{128 + 98.0, 18.0}, {128 + 108.0, 32.0}, {128 + 86.0, 12.0}};
  for (const Point& b : bites) FillDisc(c, b.x, b.y, 11, kBlood);
  for (const Point& b : bites) FillDisc(c, b.x + 2, b.y - 2, 9, kKey);
  for (int i = 0; i < 5; ++i) {
    const double x = 128 + 80.0 + i * 6;
    const double top = 20.0 + i * 4;
    DrawLine(c, {x, top}, {x, top + 12 + (i * 13) % 20}, 2.5, kBlood);
    FillDisc(c, x, top + 13 + (i * 13) % 20, 2, kBlood);
  }
  PaintStrokeText(c, 256 + 12, 8, "GAME", 20, 28, 8, 5, 0xD01818);
  PaintStrokeText(c, 256 + 12, 48, "OVER", 20, 28, 8, 5, 0xD01818);
  Outline(c, 256, 0, 128, 86, 0x200000);
  return c;
}

Canvas BloodPicture() {
  Canvas c(32, 32);
  FillDisc(c, 16, 16, 9, kBlood);
  const Point drops[6] = {{5, 7}, {27, 9}, {4, 25}, {26, 26}, {16, 3}, {16, 29}};
  for (const Point& d : drops) FillDisc(c, d.x, d.y, 2.5, kBlood);
  FillDisc(c, 14, 14, 3, 0xC82020);
  return c;
}

Canvas BulletPicture() {
  Canvas c(6, 6);
  FillDisc(c, 3, 3, 2.4, 0xFFC040);
  Outline(c, 0, 0, 6, 6, 0x805000);
  return c;
}

// Weapon pickups, 44 x 44 each: a crate with the weapon's name on a label
// of its colour.
Canvas AmmoPicture() {
  Canvas c(132, 44);
  const char* names[3] = {"9MM", "UZI", "12G"};
  const uint32_t labels[3] = {0x4060A0, 0x40A040, 0xC03030};
  for (int k = 0; k < 3; ++k) {
    const int ox = k * 44;
    FillRect(c, ox + 4, 8, 36, 30, kWood);
    for (int y = 14; y < 38; y += 8) FillRect(c, ox + 4, y, 36, 1, 0x5A3A1A);
    FillRect(c, ox + 8, 15, 28, 14, labels[k]);
    PaintText(c, ox + 10, 18, names[k], 1, 1, 0xFFFFFF, kKey);
    Outline(c, ox, 0, 44, 44, kInk);
  }
  return c;
}

// Mouse hints, 22 x 28 each: the left button lit, the right button lit,
// no button lit.
Canvas MousePicture() {
  Canvas c(66, 28);
  for (int f = 0; f < 3; ++f) {
    const int ox = f * 22;
    FillEllipse(c, ox + 11, 16, 8, 10.5, 0xE0E0E0);
    if (f < 2) {
      for (int y = 6; y < 15; ++y) {
        for (int x = 3; x < 19; ++x) {
          const bool left = x < 11;
          if (left == (f == 0) && c.At(ox + x, y) != kKey && x != 11) c.Set(ox + x, y, 0xE02020);
        }
      }
    }
    FillRect(c, ox + 11, 6, 1, 9, 0x404040);
    FillRect(c, ox + 3, 15, 16, 1, 0x404040);
    DrawLine(c, {ox + 11.5, 5.0}, {ox + 11.5, 0.0}, 1, 0x404040);
    Outline(c, ox, 0, 22, 28, kInk);
  }
  return c;
}

}  // namespace

const PictureFile kPictureFiles[16] = {
    {"man.png", ManPicture},         {"gun.png", GunIconsPicture},     {"cursor2.png", CursorPicture},
    {"tarvk.png", LogoPicture},      {"drip.png", DripPicture},        {"font.png", FontPicture},
    {"zombie2.png", ZombiePicture},  {"hero.png", HeroPicture},        {"guns.png", HeldGunsPicture},
    {"rising.png", RisingPicture},   {"brain.png", BrainPicture},      {"blood.png", BloodPicture},
    {"bullet.png", BulletPicture},   {"ammo.png", AmmoPicture},        {"mouse.png", MousePicture},
    {"direction.png", DirectionPicture},
};
