// The process-wide OpenGL state cache shared by the 2D and 3D layers, and
// the colour cache. A capability is switched through the cache so that
// glEnable/glDisable run only when the cached entry differs; an entry is
// 1 (enabled), 0 (disabled) or unknown. Main thread only.
#pragma once

#include <GL/gl.h>

#include <cstdint>

inline constexpr int kGlStateCacheSize = 22;

// The cache entry of a capability, or -1 for a capability not cached
// (those are switched directly every time).
int GlStateIndex(GLenum capability);

void GlStateEnable(GLenum capability);
void GlStateDisable(GLenum capability);
inline void GlStateSet(GLenum capability, bool on) {
  on ? GlStateEnable(capability) : GlStateDisable(capability);
}

// 1, 0, or another value when unknown.
int32_t GlStateCached(GLenum capability);

// Marks every entry unknown, so that the next switch reaches OpenGL.
void GlStateInvalidate();

// The colour cache of the drawing operations: glColor4f only when the
// colour differs from the last one given (starts as four -1.0).
void GlColorCached(float r, float g, float b, float a);

// Forgets the colour cache (after code that set the colour around it).
void GlColorCacheInvalidate();
