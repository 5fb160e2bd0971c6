// The process-wide OpenGL state cache shared by the 2D and 3D layers, and
// the colour cache. A capability is switched through the cache so that
// glEnable/glDisable run only when the cached entry differs; an entry is
// 1 (enabled), 0 (disabled) or unknown. The texture state of units 0 and 1
// (binding, GL_TEXTURE_2D, filters and wraps, environment mode, and which
// unit the texture and the texture-coordinate array calls address) and the
// blend and alpha functions are cached the same way.
//
// Every change the caches pass on to OpenGL first draws the quad batch,
// whose quads were queued under the state before the change. Code that
// changes cached state directly must say so (GlTextureCacheInvalidate, or
// GlStateInvalidate for everything). Main thread only.
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

// Marks every entry unknown, the texture state and the blend and alpha
// functions too, so that the next switch reaches OpenGL.
void GlStateInvalidate();

// The texture unit that the following texture calls address (0 or 1;
// without multitexturing there is only unit 0 and this does nothing).
void GlActiveUnitCached(int unit);
// Binds a 2D texture on the active unit.
void GlBindTextureCached(uint32_t texture);
// GL_TEXTURE_2D on a unit; the active unit changes only when the unit's
// entry differs.
void GlUnitTexturingCached(int unit, bool on);
// GL_TEXTURE_ENV_MODE of a unit, the same way.
void GlUnitTexEnvModeCached(int unit, GLenum mode);
// The texture unit that the texture-coordinate array calls address (0 or
// 1; without glClientActiveTextureARB this does nothing).
void GlClientUnitCached(int unit);
// A parameter (filter or wrap) of the texture bound on the active unit.
void GlTexParameterCached(GLenum name, GLint value);
void GlBlendFuncCached(GLenum source, GLenum destination);
void GlAlphaFuncCached(GLenum function, float reference);

// Forgets the texture state of both units, after code that bound, made or
// deleted textures or switched units directly.
void GlTextureCacheInvalidate();

// The colour cache of the drawing operations: glColor4f only when the
// colour differs from the last one given (starts unknown).
void GlColorCached(float r, float g, float b, float a);

// Forgets the colour cache (after code that set the colour around it).
void GlColorCacheInvalidate();

// The current OpenGL colour: the cached one, or read back from OpenGL once
// while the cache does not know it.
void GlCurrentColour(float out[4]);

// A context made or gone: forgets every cache and the queued quads.
void GlNewContext();
// The same for a context just created and not yet drawn with: its current
// colour is OpenGL's initial white, so the colour cache starts knowing it
// and a first white does not reach OpenGL (whose first colour call sets up
// its immediate-mode buffers, work a start-up that draws nothing can skip).
void GlNewContextCreated();

// Gives OpenGL the cached colour again, after a draw whose colour array
// left the current colour undefined; nothing while it is unknown.
void GlCurrentColourRestore();
