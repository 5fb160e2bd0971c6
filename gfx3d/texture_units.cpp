#include "gfx3d/texture_units.h"

namespace {

uint32_t g_mipmap = 0;

}  // namespace

void X3DSetMipmap(uint32_t flag) { g_mipmap = flag; }

uint32_t X3DMipmapFlag() { return g_mipmap; }
