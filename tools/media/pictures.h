// The game's pictures, painted at the sizes and frame layouts the game
// loads them with. Frames lie in rows from the top-left; where a picture
// has facings, the first row faces right and the second left.
#pragma once

#include "tools/media/canvas.h"

struct PictureFile {
  const char* name;
  Canvas (*paint)();
};

// Every picture of the game's media folder.
extern const PictureFile kPictureFiles[16];
