// Scene files: one 3D object made of several model files and the textures
// they use, named in an INI text that begins ";DDW".
//
//   [textures]
//   count=2
//   1=wall.png            image files, relative to the scene's folder
//   2=floor.bmp
//   [objects]
//   count=1
//   1=room.ddd            model files (binary or text), relative too
//   1ta=1                 the mesh's first and second texture (1-based;
//   1tb=2                 0 and 1 both select the first texture)
//
// Section and key names compare without regard to case; a missing key
// reads as "0". A texture whose image cannot be read is 0 (no texture); a
// model that cannot be read leaves its mesh as the reader left it. Counts
// below 0 read as 0, and a count beyond the keys its section holds is cut
// to that number, so a damaged count cannot ask for more entries than the
// file could name. Main thread only; textures are uploaded to the current
// context.
#pragma once

#include <cstdint>

struct Object3D;

// Fills the slot from the scene file: in use and several meshes, the
// texture names, the meshes with their texture indices, triangle lists
// and bounds. Always true.
bool SceneLoad(const char* name, Object3D& object, uint32_t colourKey);
