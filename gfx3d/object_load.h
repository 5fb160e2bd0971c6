// Filling an object slot from scratch: loading a model or scene file, and
// starting a node-by-node build.
#pragma once

#include <cstdint>

class Dodevudi3D;

// Empties the slot, then loads the named file or memory block ("mem://"
// names) into it. A file that begins ";DDW" is a scene file
// (gfx3d/scene_file.h): it fills the slot with its meshes and textures and
// the result is 1. Anything else goes to the binary model reader, which
// hands text models on; the result is 1 when the slot now holds a drawable
// object (in use, one mesh with triangle lists and bounds), else 0 with the
// slot empty. The empty name only empties the slot.
uint8_t Object3DLoad(Dodevudi3D* engine, const char* name, int32_t slot);

// Empties the slot keeping its blocks and makes it the object being built:
// one mesh of one frame whose first node is a group marker of the kind
// (0 separate triangles, 2 a fan, any other a strip), frame 0 selected and
// the node template's normal (0, 0, 1). The object is not in use until the
// build ends.
void ObjectBuildBegin(Dodevudi3D* engine, int32_t slot, int32_t kind);
