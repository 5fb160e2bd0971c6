// The texture choice of 3D drawing kept by the 3D commands: whether
// sprites are bound through their mipmapped copies. The per-frame 2D
// reset turns it off. Main thread only.
#pragma once

#include <cstdint>

void X3DSetMipmap(uint32_t flag);
// The flag as given last (0 at start).
uint32_t X3DMipmapFlag();
