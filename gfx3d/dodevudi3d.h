// The one 3D engine object: the 4096 object slots, the 255 shader slots and
// the 3D state, beside the 2D engine object it draws through.
//
// Start-up builds it right after the 2D engine object; teardown destroys it
// right after the 2D engine object. The mesh records, the transform stack,
// lights, shadows and shaders fill in the fields named below through their
// own code.
//
// Slot numbers from programs are checked: a number outside 0 to 4095 names
// no slot, and the operations on slots do nothing with it.
#pragma once

#include <cstdint>

#include "core/grow_array.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/transform_stack.h"

class OpenGLDodevudi;

inline constexpr int kObject3DCount = 4096;
inline constexpr int kShaderSlotCount = 255;

// One 3D object slot. It owns its meshes and its GL texture names; the
// textures are deleted by Object3DReset and by the engine's destructor.
struct Object3D {
  uint8_t inUse = 0;         // 1 when the slot holds a mesh that can be drawn
  uint8_t severalMeshes = 0; // 1 when the object has more than one mesh
  GrowArray<MeshObjectX> meshes;
  GrowArray<uint32_t> textures;  // GL texture names the object owns
};

// The 4096 object slots. A slot is built (an empty Object3D) the first time
// it is used, so that start-up does not write 300 KB of empty records and
// slots a program never uses cost no memory. Every slot reads as an empty
// object whether it was built or not.
class Object3DSlots {
 public:
  Object3DSlots();
  ~Object3DSlots();
  Object3DSlots(const Object3DSlots&) = delete;
  Object3DSlots& operator=(const Object3DSlots&) = delete;

  // The slot's object, built when this is its first use. Indices are not
  // checked: 0 to count - 1.
  Object3D& operator[](int32_t slot) {
    return Built(slot) ? block_[slot] : Build(slot);
  }
  bool Built(int32_t slot) const { return (built_[slot / 64] >> (slot % 64) & 1) != 0; }
  // 1 while the slot holds a drawable mesh; 0 for a slot never built.
  uint8_t InUse(int32_t slot) const { return Built(slot) ? block_[slot].inUse : 0; }

  // kObject3DCount, or 0 when the memory for the slots could not be had.
  int32_t count = 0;

 private:
  Object3D& Build(int32_t slot);

  Object3D* block_ = nullptr;  // raw memory for count records
  uint64_t built_[kObject3DCount / 64] = {};
};

struct ShaderSlot {
  uint32_t program = 0;
  uint32_t vertexShader = 0;
  uint32_t fragmentShader = 0;
};

class Dodevudi3D {
 public:
  // Makes the 4096 empty object slots and hands the 2D engine (when there
  // is one) this object as its 3D engine.
  explicit Dodevudi3D(OpenGLDodevudi* owner);
  virtual ~Dodevudi3D();
  Dodevudi3D(const Dodevudi3D&) = delete;
  Dodevudi3D& operator=(const Dodevudi3D&) = delete;

  Object3DSlots objects;            // slots 0 to 4095
  int32_t frameBeingBuilt = 0;
  float frustum[6][4] = {};
  ShaderSlot shaders[kShaderSlotCount] = {};
  int32_t currentShader = -1;
  MeshNode nodeTemplate;            // copied for each node built by hand
  uint8_t shadowPass = 0;           // 1 while the stencil shadow pass is on
  int8_t cullingMode = 0;
  TransformRecord stack[kTransformLevels];
  int32_t currentLevel = 0;         // of the transform stack
  float projection[16] = {};
  float camera[16] = {};
  float textureOffsetU = 0.0f;
  float textureOffsetV = 0.0f;
  uint8_t lightsMask = 0;
  uint8_t normalsAlways = 0;
  OpenGLDodevudi* owner;
  uint8_t shadowsOn = 0;
  uint8_t shadowMode = 0;
  float shadowLight[3] = {};
  uint32_t shadowColour = 0;
  float cameraUp[3] = {};
  float cameraEye[3] = {};
  float cameraCentre[3] = {};
  float viewTangent = 0.0f;
  float nearPlane = 0.0f;
  float farPlane = 0.0f;
  int32_t normalMode = 2;           // normal generation when a build ends: 0, 1 or 2

  // Writes mesh 0 of the slot's object as a binary model file
  // (gfx3d/ddd_file.cpp). False when the slot has no mesh or the file was
  // not written.
  bool SaveObject(const char* name, int32_t slot);
};

// The slot's object, or null for a number outside the slots.
Object3D* Object3DAt(Dodevudi3D* engine, int32_t slot);

// Empties one slot: every mesh freed and the mesh block released, both
// flags 0, the GL textures deleted with one call and their block released;
// both arrays then grow one element at a time (step 1, first 1).
void Object3DReset(Dodevudi3D* engine, int32_t slot);

// The same emptying on an object; with keepBlocks the meshes are freed
// without release and both blocks are kept, only their counts set to 0.
void Object3DEmpty(Object3D& object, bool keepBlocks);
