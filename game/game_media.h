// The game's media: the pictures and sounds it loads from its "Media"
// folder into fixed sprite and sound slots, and the story screen it draws
// once into an offscreen screen.
#pragma once

#include <cstdint>

// Sprite numbers of the pictures.
inline constexpr int32_t kSpriteManIcon = 100;
inline constexpr int32_t kSpriteGunIcons = 110;
inline constexpr int32_t kSpriteDirectionIcon = 115;
inline constexpr int32_t kSpriteCursor = 120;
inline constexpr int32_t kSpriteZombie = 200;
inline constexpr int32_t kSpriteRising = 250;
inline constexpr int32_t kSpriteHero = 300;
inline constexpr int32_t kSpriteHeldGuns = 305;
inline constexpr int32_t kSpriteBrain = 400;
inline constexpr int32_t kSpriteBlood = 450;
inline constexpr int32_t kSpriteLogoGrab0 = 500;  // the title's grabbed logo pictures
inline constexpr int32_t kSpriteLogoGrab1 = 501;
inline constexpr int32_t kSpriteBullet = 600;
inline constexpr int32_t kSpriteAmmo = 650;
inline constexpr int32_t kSpriteMouseHint = 700;
inline constexpr int32_t kSpriteStory = 990;
inline constexpr int32_t kSpriteDrip = 998;
inline constexpr int32_t kSpriteLogo = 999;

// The sprite colour key, RGB(255, 0, 128) as a drawing colour.
inline constexpr int32_t kKeyColour = 0x8000FF;

// The title music.
inline constexpr const char* kMusicFile = "tundel42.mp3";

// The media table: each picture's file and sprite, with its frame size
// for an animation (0 x 0 for a plain sprite), and each sound's file,
// slot and voices, in the order they are loaded.
struct MediaPicture {
  const char* file;
  int32_t sprite;
  int32_t frameWidth;
  int32_t frameHeight;
};
extern const MediaPicture kMediaPictures[16];

struct MediaSound {
  const char* file;
  uint32_t slot;
  int32_t voices;
};
extern const MediaSound kMediaSounds[8];

// Loads every picture and sound of the media table, in its order, from the
// current folder. A file that cannot be loaded leaves its slot empty.
void GameLoadMedia();

// Draws the story rows into offscreen screen 1 on sprite 990 (1260 x 700,
// its left 640 pixels filled with the colour key), then draws into the
// window again.
void GameDrawStoryScreen();
