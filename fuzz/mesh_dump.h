// A mesh as one text of bytes, for comparing what two loads gave.
#pragma once

#include <string>

class MeshObject;

// Every frame's nodes and triangle list (each node's position, normal, u,
// v, colour word, colour index and colour floats, bit for bit), the
// frames' bounds, the draw list, the palette and the flags.
std::string MeshDump(const MeshObject& mesh);
