#include "bench/plain_sprites.h"

#include <cstring>

void PlainSpriteState(int width, int height, GLuint texture, bool smoothing) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glViewport(0, 0, width, height);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_ALPHA_TEST);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_TEXTURE_2D);
  const GLint filter = smoothing ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void PlainSpriteDraw(const int32_t* x, const int32_t* y, int count, int side, float uMax, float vMax,
                     std::vector<float>* vertices) {
  vertices->resize(static_cast<size_t>(count) * 16);
  float* v = vertices->data();
  for (int i = 0; i < count; ++i) {
    const float l = static_cast<float>(x[i]);
    const float t = static_cast<float>(y[i]);
    const float r = l + static_cast<float>(side);
    const float b = t + static_cast<float>(side);
    const float quad[16] = {r, t, uMax, vMax, l, t, 0.0f, vMax, l, b, 0.0f, 0.0f, r, b, uMax, 0.0f};
    std::memcpy(v + static_cast<size_t>(i) * 16, quad, sizeof quad);
  }
  glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), v);
  glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), v + 2);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glDrawArrays(GL_QUADS, 0, count * 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}
