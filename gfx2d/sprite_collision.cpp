#include "gfx2d/sprite_collision.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"

namespace {

// A mask block: the width and height of the texture it was read from
// (int32 each), then one alpha byte per texel, texture row 0 first, at
// least 64 of them. The sizes travel with the bytes, so that a sprite
// record changed under a kept mask cannot lead a read out of the block.
constexpr int64_t kMaskHeader = 2 * sizeof(int32_t);
constexpr int64_t kMaskLeastBytes = 64;
constexpr int32_t kLastSprite = 65535;
constexpr int64_t kCoordinateLimit = int64_t{1} << 48;

// Sprite n when it can take part in a test: a picture sprite holding a
// texture.
const SpriteRecord* CollidableSprite(const OpenGLDodevudi& engine, int32_t n) {
  if (n < 0 || n > kLastSprite) return nullptr;
  const SpriteRecord& sprite = engine.sprites[n];
  if (sprite.texture == 0 || sprite.imageWidth <= 0 || sprite.imageHeight <= 0) return nullptr;
  return &sprite;
}

// A sprite's mask placed on the screen with its picture's top-left at
// (x, y). Only the points of the picture that the mask holds count.
struct PlacedMask {
  const uint8_t* alpha;
  int64_t rowLength;
  int64_t x, y;
  int64_t pictureHeight;
  int64_t columns, rows;  // of the picture that lie in the mask
};

PlacedMask Place(const OpenGLDodevudi& engine, int32_t n, int64_t x, int64_t y) {
  const uint8_t* block = engine.alphaMasks[n];
  int32_t size[2];
  std::memcpy(size, block, sizeof(size));
  const SpriteRecord& sprite = engine.sprites[n];
  return {block + kMaskHeader, size[0], x, y, sprite.imageHeight,
          std::min<int64_t>(sprite.imageWidth, size[0]), std::min<int64_t>(sprite.imageHeight, size[1])};
}

bool Opaque(const PlacedMask& mask, int64_t x, int64_t y) {
  // The texture holds the picture upside down: picture row 0 is the
  // mask row pictureHeight - 1.
  const int64_t column = x - mask.x;
  const int64_t row = mask.pictureHeight + mask.y - y - 1;
  if (column < 0 || row < 0 || column >= mask.columns || row >= mask.rows) return false;
  return mask.alpha[row * mask.rowLength + column] != 0;
}

bool BothOpaque(const PlacedMask& a, const PlacedMask& b, int64_t x, int64_t y) {
  return Opaque(a, x, y) && Opaque(b, x, y);
}

// Every second point in both directions from (x0, y0), below right and
// bottom.
bool AnyInLattice(const PlacedMask& a, const PlacedMask& b, int64_t x0, int64_t y0, int64_t right,
                  int64_t bottom) {
  for (int64_t y = y0; y < bottom; y += 2) {
    for (int64_t x = x0; x < right; x += 2) {
      if (BothOpaque(a, b, x, y)) return true;
    }
  }
  return false;
}

bool InCoordinateRange(int64_t v) { return v >= -kCoordinateLimit && v <= kCoordinateLimit; }

// The part of a sprite's picture that is tested: its offset inside the
// picture and its size.
struct Cell {
  int64_t x, y, width, height;
};

Cell WholePicture(const SpriteRecord& sprite) { return {0, 0, sprite.imageWidth, sprite.imageHeight}; }

// Frames fill the picture left to right, then top to bottom.
Cell FrameCell(const SpriteRecord& sprite, int32_t frame) {
  if (sprite.frameWidth == 0) return WholePicture(sprite);
  const int32_t perRow = std::max(sprite.imageWidth / sprite.frameWidth, 1);
  const int64_t column = frame % perRow;
  const int64_t row = frame / perRow;
  return {column * sprite.frameWidth, row * sprite.frameHeight, sprite.frameWidth, sprite.frameHeight};
}

// Cell ca of sprite a drawn at (ax, ay) against cell cb of sprite b drawn
// at (bx, by).
bool CellsCollide(OpenGLDodevudi& engine, int32_t a, const Cell& ca, int64_t ax, int64_t ay,
                  int32_t b, const Cell& cb, int64_t bx, int64_t by) {
  const int64_t left = std::max(ax, bx);
  const int64_t right = std::min(ax + ca.width, bx + cb.width);
  if (left > right) return false;
  const int64_t top = std::max(ay, by);
  const int64_t bottom = std::min(ay + ca.height, by + cb.height);
  if (top > bottom) return false;
  return SpriteMaskOverlap(engine, a, ax - ca.x, ay - ca.y, b, bx - cb.x, by - cb.y, left, top, right,
                           bottom);
}

}  // namespace

bool SpriteAlphaMask(OpenGLDodevudi& engine, int32_t n) {
  const SpriteRecord* sprite = CollidableSprite(engine, n);
  if (sprite == nullptr) return false;
  if (engine.alphaMasks[n] != nullptr) return true;

  // The binding in force is put back afterwards: drawing keeps track of
  // the textures it has bound. The texture may be the target of the quads
  // queued for an offscreen screen: they are drawn first.
  QuadBatchFlush();
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  glBindTexture(GL_TEXTURE_2D, sprite->texture);
  GLint width = 0;
  GLint height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  uint8_t* block = nullptr;
  if (width > 0 && height > 0) {
    const int64_t bytes = std::max(int64_t{width} * height, kMaskLeastBytes);
    block = new (std::nothrow) uint8_t[kMaskHeader + bytes]();
  }
  if (block != nullptr) {
    const int32_t size[2] = {width, height};
    std::memcpy(block, size, sizeof(size));
    // Rows packed at exactly the texture width, whatever packing other
    // reads left in force.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, block + kMaskHeader);
  }
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
  engine.alphaMasks[n] = block;
  return block != nullptr;
}

bool SpriteMaskOverlap(OpenGLDodevudi& engine, int32_t a, int64_t ax, int64_t ay, int32_t b,
                       int64_t bx, int64_t by, int64_t left, int64_t top, int64_t right,
                       int64_t bottom) {
  if (left >= right || top >= bottom) return false;
  for (const int64_t v : {ax, ay, bx, by, left, top, right, bottom}) {
    if (!InCoordinateRange(v)) return false;
  }
  const bool haveA = SpriteAlphaMask(engine, a);
  const bool haveB = SpriteAlphaMask(engine, b);
  if (!haveA || !haveB) return false;
  const PlacedMask maskA = Place(engine, a, ax, ay);
  const PlacedMask maskB = Place(engine, b, bx, by);

  // The centre first, then every second point, then the points between:
  // large opaque areas meet after few tests.
  if (BothOpaque(maskA, maskB, left + (right - left) / 2, top + (bottom - top) / 2)) return true;
  return AnyInLattice(maskA, maskB, left, top, right, bottom) ||
         AnyInLattice(maskA, maskB, left + 1, top, right, bottom) ||
         AnyInLattice(maskA, maskB, left, top + 1, right, bottom) ||
         AnyInLattice(maskA, maskB, left + 1, top + 1, right, bottom);
}

bool SpriteCollision(OpenGLDodevudi& engine, int32_t a, int32_t b, int32_t ax, int32_t ay,
                     int32_t bx, int32_t by) {
  const SpriteRecord* spriteA = CollidableSprite(engine, a);
  const SpriteRecord* spriteB = CollidableSprite(engine, b);
  if (spriteA == nullptr || spriteB == nullptr) return false;
  return CellsCollide(engine, a, WholePicture(*spriteA), ax, ay, b, WholePicture(*spriteB), bx, by);
}

bool AnimCollision(OpenGLDodevudi& engine, int32_t a, int32_t frameA, int32_t ax, int32_t ay,
                   int32_t b, int32_t frameB, int32_t bx, int32_t by) {
  const SpriteRecord* spriteA = CollidableSprite(engine, a);
  const SpriteRecord* spriteB = CollidableSprite(engine, b);
  if (spriteA == nullptr || spriteB == nullptr) return false;
  return CellsCollide(engine, a, FrameCell(*spriteA, frameA), ax, ay, b, FrameCell(*spriteB, frameB), bx,
                      by);
}
