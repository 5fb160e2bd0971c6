#include "gfx2d/sprite_commands.h"

#include "core/float_to_int.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/screen_grab.h"
#include "gfx2d/sprite_collision.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_slots.h"
#include "process/app_globals.h"

namespace {

// The side and the moved corner of one zoomed direction: the corner moves
// back by half the growth, so that the picture grows about its centre.
void ZoomSide(int32_t at, int32_t side, double zoom, int32_t* outAt, int32_t* outSide) {
  *outSide = TruncToInt32(zoom * side);
  const int32_t growth = TruncToInt32(zoom * side - side);
  // Wraps as the machine's 32-bit arithmetic does for positions far out.
  *outAt = static_cast<int32_t>(int64_t{at} - growth / 2);
}

}  // namespace

void SpriteDraw(int32_t sprite, int32_t x, int32_t y) {
  if (OpenGLDodevudi* engine = g_app.engine2d) DrawSprite(*engine, sprite, x, y);
}

void SpriteDrawStretched(int32_t sprite, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (OpenGLDodevudi* engine = g_app.engine2d) StretchSprite(*engine, sprite, x, y, width, height);
}

void SpriteDrawRotated(int32_t sprite, int32_t x, int32_t y, double angle) {
  SpriteDrawRotoZoom(sprite, x, y, angle, 1.0);
}

void SpriteDrawRotoZoom(int32_t sprite, int32_t x, int32_t y, double angle, double zoom) {
  if (OpenGLDodevudi* engine = g_app.engine2d) {
    RotoZoomSprite(*engine, sprite, x, y, NarrowToFloat(angle), NarrowToFloat(zoom));
  }
}

void SpriteDrawZoomed(int32_t sprite, int32_t x, int32_t y, double zoomX, double zoomY) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  const SpriteRecord* record = SpriteRecordAt(*engine, sprite);
  if (record == nullptr) return;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  ZoomSide(x, record->imageWidth, zoomX, &left, &width);
  ZoomSide(y, record->imageHeight, zoomY, &top, &height);
  StretchSprite(*engine, sprite, left, top, width, height);
}

void SpriteSetAnimSize(int32_t sprite, int32_t frameWidth, int32_t frameHeight) {
  OpenGLDodevudi* engine = g_app.engine2d;
  if (engine == nullptr) return;
  const SpriteRecord* record = SpriteRecordAt(*engine, sprite);
  if (record == nullptr || record->imageWidth <= 0) return;
  SetSpriteAnimSize(*engine, sprite, static_cast<int16_t>(frameWidth), static_cast<int16_t>(frameHeight));
}

void SpriteDrawFrame(int32_t sprite, int32_t frame, int32_t x, int32_t y) {
  if (OpenGLDodevudi* engine = g_app.engine2d) DrawAnim(*engine, sprite, frame, x, y);
}

void SpriteDrawFrameStretched(int32_t sprite, int32_t frame, int32_t x, int32_t y, int32_t width,
                              int32_t height) {
  if (OpenGLDodevudi* engine = g_app.engine2d) StretchAnim(*engine, sprite, frame, x, y, width, height);
}

void SpriteDrawFrameRotoZoom(int32_t sprite, int32_t frame, int32_t x, int32_t y, double angle,
                             double zoom) {
  if (OpenGLDodevudi* engine = g_app.engine2d) {
    RotoZoomAnim(*engine, sprite, frame, x, y, NarrowToFloat(angle), NarrowToFloat(zoom));
  }
}

int32_t SpriteTestCollision(int32_t sprite1, int32_t x1, int32_t y1, int32_t sprite2, int32_t x2,
                            int32_t y2) {
  OpenGLDodevudi* engine = g_app.engine2d;
  return engine != nullptr && SpriteCollision(*engine, sprite1, sprite2, x1, y1, x2, y2) ? 1 : 0;
}

int32_t SpriteFrameCollision(int32_t sprite1, int32_t frame1, int32_t x1, int32_t y1,
                             int32_t sprite2, int32_t frame2, int32_t x2, int32_t y2) {
  OpenGLDodevudi* engine = g_app.engine2d;
  return engine != nullptr && AnimCollision(*engine, sprite1, frame1, x1, y1, sprite2, frame2, x2, y2)
             ? 1
             : 0;
}

void SpriteGrab(int32_t sprite, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (OpenGLDodevudi* engine = g_app.engine2d) GrabSprite(*engine, sprite, x, y, width, height);
}

void SpriteGetSize(int32_t sprite, int32_t* width, int32_t* height) {
  const SpriteRecord* record = g_app.engine2d != nullptr ? SpriteRecordAt(*g_app.engine2d, sprite) : nullptr;
  *width = record != nullptr ? record->imageWidth : 0;
  *height = record != nullptr ? record->imageHeight : 0;
}

void SpriteGetSizeF(double sprite, double* width, double* height) {
  int32_t w = 0;
  int32_t h = 0;
  SpriteGetSize(TruncToInt32(sprite), &w, &h);
  *width = w;
  *height = h;
}

int32_t SpriteGetTexture(int32_t sprite) {
  const SpriteRecord* record = g_app.engine2d != nullptr ? SpriteRecordAt(*g_app.engine2d, sprite) : nullptr;
  return record != nullptr ? static_cast<int32_t>(record->texture) : 0;
}

int32_t SpriteFreeNumber() { return g_app.engine2d != nullptr ? FreeSpriteNumber(*g_app.engine2d) : -1; }
