#include "game/game_media.h"

#include "devices/sound_device.h"
#include "game/bitmap_text.h"
#include "game/game_state.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/screen_commands.h"
#include "gfx2d/sprite_file_commands.h"

const MediaPicture kMediaPictures[16] = {
    {"man.png", kSpriteManIcon, 36, 36},      {"gun.png", kSpriteGunIcons, 50, 40},
    {"cursor2.png", kSpriteCursor, 42, 42},   {"tarvk.png", kSpriteLogo, 143, 120},
    {"drip.png", kSpriteDrip, 1, 1},          {"font.png", kFontSprite, 8, 16},
    {"zombie2.png", kSpriteZombie, 36, 40},   {"hero.png", kSpriteHero, 36, 42},
    {"guns.png", kSpriteHeldGuns, 36, 36},    {"rising.png", kSpriteRising, 36, 80},
    {"brain.png", kSpriteBrain, 128, 86},     {"blood.png", kSpriteBlood, 0, 0},
    {"bullet.png", kSpriteBullet, 0, 0},      {"ammo.png", kSpriteAmmo, 44, 44},
    {"mouse.png", kSpriteMouseHint, 22, 28},  {"direction.png", kSpriteDirectionIcon, 36, 36},
};

const MediaSound kMediaSounds[8] = {
    {"pistol.wav", 1, 1},  {"uzi 02.wav", 2, 1},   {"shotgun2.wav", 3, 3},  {"nooo.wav", 4, 1},
    {"splat01.wav", 5, 1}, {"squish02.wav", 6, 1}, {"squish03.wav", 7, 1}, {"crunch.wav", 8, 1},
};

void GameLoadMedia() {
  for (const MediaPicture& p : kMediaPictures) {
    if (p.frameWidth > 0) {
      SpriteLoadAnim(p.file, p.sprite, p.frameWidth, p.frameHeight);
    } else {
      SpriteLoad(p.file, p.sprite);
    }
  }
  for (const MediaSound& s : kMediaSounds) SoundLoad(s.file, s.slot, s.voices);
}

void GameDrawStoryScreen() {
  OffscreenCreate(1, kSpriteStory, 1260, 700);
  OffscreenUse(1);
  GfxDrawRect(0, 0, 640, 700, kKeyColour);
  for (int32_t r = 0; r <= 8; ++r) PrintBitmapText(40, 30 * r, *ArrayAt(StoryLines, r, 0, 0, 0), 1);
  OffscreenUse(-1);
}
