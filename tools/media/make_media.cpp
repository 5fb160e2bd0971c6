// Makes the game's media folder: every picture, sound and the music that
// the game loads, generated from nothing but this program.
//
//   make_media FOLDER
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/media/music.h"
#include "tools/media/pictures.h"
#include "tools/media/sounds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_media FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  bool ok = !error;
  for (const PictureFile& picture : kPictureFiles) {
    if (!SavePng(picture.paint(), folder + "/" + picture.name)) {
      std::fprintf(stderr, "make_media: could not write %s\n", picture.name);
      ok = false;
    }
  }
  for (const SoundFile& sound : kSoundFiles) {
    if (!SaveWav(sound.make(), kSoundRate, folder + "/" + sound.name)) {
      std::fprintf(stderr, "make_media: could not write %s\n", sound.name);
      ok = false;
    }
  }
  ok = SaveMusicMp3(folder + "/tundel42.mp3") && ok;
  return ok ? 0 : 1;
}
