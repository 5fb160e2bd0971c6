#include "gfx3d/commands3d.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/float_to_int.h"
#include "files/media_resolver.h"
#include "gfx2d/opengl_dodevudi.h"
#include "gfx2d/quad_batch.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_draw.h"
#include "gfx3d/billboards.h"
#include "gfx3d/camera_projection.h"
#include "gfx3d/collision.h"
#include "gfx3d/dodevudi3d.h"
#include "gfx3d/lights_fog.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/object_draw.h"
#include "gfx3d/object_load.h"
#include "gfx3d/shader_slots.h"
#include "gfx3d/shadow_pass.h"
#include "gfx3d/texture_units.h"
#include "gfx3d/transform_stack.h"
#include "gfx3d/triangle_lists.h"
#include "process/app_globals.h"
#include "process/debug_output.h"

X3DCommandState g_x3dCommands = {0, {-1, -1}, {}, {}, {}, {}};

namespace {

constexpr uint32_t kHitColour = 0x0000FF;
constexpr uint32_t kMissColour = 0x00FF00;
constexpr uint32_t kBehindColour = 0x00FFFF;

// Every command starts here. The 3D engine calls OpenGL directly, so the
// 2D quads queued before a command are drawn first.
Dodevudi3D* Engine() {
  QuadBatchFlush();
  return g_app.engine3d;
}

float F(double x) { return NarrowToFloat(x); }

// A slot number from the program; numbers beyond int32 name no slot.
int32_t SlotOf(uint32_t object) {
  return object <= static_cast<uint32_t>(INT32_MAX) ? static_cast<int32_t>(object) : -1;
}

// A colour given as a number: the low 32 bits of its 64-bit integer.
int32_t ColourOf(double colour) { return static_cast<int32_t>(static_cast<uint32_t>(TruncToInt64(colour))); }

float ClampSize(double size) { return F(std::fmax(1.0, std::fmin(512.0, size))); }

bool Debug() { return g_app.debugMode != 0; }

// Binds the unit sprites for 3D drawing and applies the 2D engine's
// smoothing to them.
void BindUnitSprites(Dodevudi3D& engine) {
  if (engine.owner == nullptr) return;
  SpriteBindTexture(*engine.owner, g_x3dCommands.unitSprite[0], g_x3dCommands.unitSprite[1], X3DMipmapFlag(),
                    nullptr);
  ApplySmoothingToTexture(*engine.owner);
}

void TellShaderTextureUnits(Dodevudi3D& engine) {
  if (engine.currentShader < 0) return;
  ShaderSetUniformInt(engine, "TextureID1", 0, ShaderReportError);
  ShaderSetUniformInt(engine, "TextureID2", 1, ShaderReportError);
}

// Writes a projection's three results when it succeeded.
void ProjectInto(bool unproject, double x, double y, double z, float kept[3], double* ox, double* oy, double* oz) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return;
  double out[3];
  const bool ok = unproject ? X3DUnproject(*e, F(x), F(y), F(z), out) : X3DProject(*e, F(x), F(y), F(z), out);
  if (!ok) return;
  for (int i = 0; i < 3; ++i) kept[i] = F(out[i]);
  *ox = kept[0];
  *oy = kept[1];
  *oz = kept[2];
}

// The line test of the debug mode, which draws the line: to the hit, or
// 1000 units out when nothing was hit (the test measures along the unit
// direction).
[[gnu::noinline, gnu::cold]] double CollideLineShown(uint32_t object, uint32_t frame, double x, double y, double z, double dx, double dy,
                        double dz) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return 0.0;
  const float origin[3] = {F(x), F(y), F(z)};
  const float direction[3] = {F(dx), F(dy), F(dz)};
  const float d = Object3DRayTest(*e, SlotOf(object), frame, origin, direction);
  const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  const double k = (d != 0.0f ? d : 1000.0) / length;
  const float end[3] = {F(x + dx * k), F(y + dy * k), F(z + dz * k)};
  const uint32_t colour = d == 0.0f ? kHitColour : (d > 0.0f ? kMissColour : kBehindColour);
  Draw3DSegment(*e, origin, end, colour, d == 0.0f ? 1.0f : 5.0f);
  return d;
}

}  // namespace

int32_t X3DResetTextures() {
  g_x3dCommands.unitSprite[0] = -1;
  g_x3dCommands.unitSprite[1] = -1;
  X3DSetMipmap(0);
  return 0;
}

void X3DResetRenderState() {
  X3DSetMipmap(0);
  if (Dodevudi3D* e = Engine()) ShaderUse(*e, static_cast<uint32_t>(-1));
}

void X3DSetTextures(int32_t sprite0, int32_t sprite1) {
  g_x3dCommands.unitSprite[0] = sprite0;
  g_x3dCommands.unitSprite[1] = sprite1;
  Dodevudi3D* e = Engine();
  if (e == nullptr) return;
  BindUnitSprites(*e);
  TellShaderTextureUnits(*e);
}

void X3DSetTextureOffset(double u, double v) {
  if (Dodevudi3D* e = Engine()) X3DSetTextureOffset(*e, F(u), F(v));
}

void X3DHeadLight(uint32_t light, int32_t colour) {
  if (Dodevudi3D* e = Engine()) X3DHeadLight(*e, static_cast<int32_t>(light), colour);
}

void X3DLight(int32_t light, int32_t colour, double x, double y, double z, double dx, double dy, double dz,
              double angle) {
  if (Dodevudi3D* e = Engine()) LightSet(*e, light, colour, F(x), F(y), F(z), F(dx), F(dy), F(dz), F(angle), Debug());
}

void X3DDrawAxes(double x, double y, double z) {
  if (Dodevudi3D* e = Engine()) X3DDrawAxes(*e, F(x), F(y), F(z));
}

void X3DSetNormalMode(int32_t mode) {
  if (Dodevudi3D* e = Engine()) e->normalMode = mode % 3;
}

void ObjectBuildBegin(uint32_t object) { ObjectBuildBegin(Engine(), SlotOf(object), 1); }
void ObjectBuildSetFrame(int32_t frame) { ObjectBuildSetFrame(Engine(), frame); }
void ObjectBuildNormal(double nx, double ny, double nz) { ObjectBuildNormal(Engine(), F(nx), F(ny), F(nz)); }

void ObjectBuildVertex(double x, double y, double z, double u, double v, uint32_t colour) {
  ObjectBuildVertex(Engine(), F(x), F(y), F(z), F(u), F(v), colour);
}

void ObjectBuildNewGroup() { ObjectBuildNewGroup(Engine(), 1); }
void ObjectBuildEnd() { ObjectBuildEnd(Engine()); }

int32_t Object3DSave(const RtString& name, uint32_t object) {
  Dodevudi3D* e = Engine();
  return e != nullptr && e->SaveObject(name.c_str(), SlotOf(object)) ? 1 : 0;
}

int32_t Object3DFindFree() {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return -1;
  for (int32_t slot = e->objects.count - 1; slot >= 0; --slot) {
    if (e->objects.InUse(slot) == 0) return slot;
  }
  return -1;
}

void Object3DLoadFile(const RtString& name, int32_t object) {
  Dodevudi3D* e = Engine();
  Object3DLoad(e, "", object);
  std::string resolved;
  if (MediaResolveName(name.c_str(), &resolved) != 0) Object3DLoad(e, resolved.c_str(), object);
}

void Object3DShrink(uint32_t object) { Object3DShrink(Engine(), SlotOf(object)); }

void Object3DDrawFrames(int32_t object, uint32_t frameA, uint32_t frameB, double blend, uint32_t flag) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return;
  BindUnitSprites(*e);
  Object3DDraw(*e, object, static_cast<int32_t>(frameA), static_cast<int32_t>(frameB), F(blend), flag != 0 ? 1 : 0);
}

void Object3DDrawFrame(int32_t object, uint32_t frame) { Object3DDrawFrames(object, frame, frame, 0.0, 0); }

void X3DSetCameraUp(double x, double y, double z) {
  if (Dodevudi3D* e = Engine()) X3DSetCameraUp(*e, F(x), F(y), F(z));
}

void X3DSetCamera(double ex, double ey, double ez, double cx, double cy, double cz) {
  if (Dodevudi3D* e = Engine()) X3DSetCamera(*e, F(ex), F(ey), F(ez), F(cx), F(cy), F(cz));
}

// The stack narrows its numbers to floats itself.
void X3DRotate(double angle, double x, double y, double z) {
  if (Dodevudi3D* e = Engine()) X3DRotate(*e, angle, x, y, z);
}

void X3DPosition(double x, double y, double z) {
  if (Dodevudi3D* e = Engine()) X3DPosition(*e, x, y, z);
}

void X3DScale(double x, double y, double z) {
  if (Dodevudi3D* e = Engine()) X3DScale(*e, x, y, z);
}

void X3DSetCulling(int32_t mode) {
  g_x3dCommands.culling = mode < 0 ? -1 : (mode > 0 ? 1 : 0);
  if (Dodevudi3D* e = Engine()) X3DSetCulling(*e, g_x3dCommands.culling);
}

void X3DDrawBillboard(int32_t sprite, double x, double y, double z, double scale) {
  Dodevudi3D* e = Engine();
  if (sprite < 0 || e == nullptr || e->owner == nullptr) return;
  X3DSetCulling(*e, -1);
  Billboard(*e->owner, sprite, F(x), F(y), F(z), F(scale));
  X3DSetCulling(*e, g_x3dCommands.culling);
}

void X3DFog(double colour, double mode, double start, double end) {
  if (Dodevudi3D* e = Engine()) X3DFog(*e, ColourOf(colour), TruncToInt32(mode), F(start), F(end));
}

void X3DProject(double x, double y, double z, double* ox, double* oy, double* oz) {
  ProjectInto(false, x, y, z, g_x3dCommands.projected, ox, oy, oz);
}

void X3DUnproject(double x, double y, double z, double* ox, double* oy, double* oz) {
  Dodevudi3D* e = Engine();
  if (e == nullptr || e->owner == nullptr) return;
  const double flipped = static_cast<double>(e->owner->screenHeight - int64_t{1}) - y;
  ProjectInto(true, x, F(flipped), z, g_x3dCommands.unprojected, ox, oy, oz);
}

int32_t Object3DCollideSphere(uint32_t object, uint32_t frame, double x, double y, double z, double radius) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return 0;
  const bool hit = Object3DSphereTest(*e, SlotOf(object), frame, F(x), F(y), F(z), F(radius));
  if (Debug()) {
    const float centre[3] = {F(x), F(y), F(z)};
    DebugDrawSphere(*e, centre, F(radius), hit ? kHitColour : kMissColour, hit ? 5.0f : 1.0f);
  }
  return hit ? 1 : 0;
}

int32_t Object3DCollideBox(uint32_t object, uint32_t frame, double x, double y, double z, double sx, double sy,
                           double sz) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return 0;
  const float centre[3] = {F(x), F(y), F(z)};
  const float h1[3] = {F(sx / 2), 0, 0};
  const float h2[3] = {0, 0, F(sz / 2)};
  const float h3[3] = {0, F(sy / 2), 0};
  const bool hit = Object3DBoxTest(*e, SlotOf(object), frame, centre, h1, h2, h3);
  if (Debug()) DebugDrawBox(*e, centre, h1, h2, h3, hit ? kHitColour : kMissColour, hit ? 5.0f : 1.0f);
  return hit ? 1 : 0;
}

int32_t X3DCollideSphereBox(double x, double y, double z, double radius, double sx, double sy, double sz) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return 0;
  const float world[3] = {F(x), F(y), F(z)};
  float centre[3];
  WorldToLevelPoint(*e, world, centre);
  const float r = F(radius);
  return SphereBoxTest(centre, r * r, F(sx / 2), F(sy / 2), F(sz / 2)) ? 1 : 0;
}

double Object3DCollideLine(uint32_t object, uint32_t frame, double x, double y, double z, double dx, double dy,
                           double dz) {
  if (Debug()) return CollideLineShown(object, frame, x, y, z, dx, dy, dz);
  const float origin[3] = {F(x), F(y), F(z)};
  const float direction[3] = {F(dx), F(dy), F(dz)};
  Dodevudi3D* e = Engine();
  return e != nullptr ? Object3DRayTest(*e, SlotOf(object), frame, origin, direction) : 0.0;
}

void X3DDrawText(const RtString& text, double x, double y, double z, double size, uint32_t proportional) {
  Dodevudi3D* e = Engine();
  if (e == nullptr || e->owner == nullptr) return;
  Text3D(*e->owner, g_app.currentFont, text.c_str(), F(x), F(y), F(z), F(size), proportional);
}

void X3DClearDepth() {
  if (Dodevudi3D* e = Engine()) X3DClearDepth(*e);
}

void X3DBegin(double near, double far, double angle) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return;
  X3DBegin(*e, near, far, angle);
  g_x3dCommands.culling = 0;
  X3DSetCulling(*e, 0);
  e->lightsMask = 0;
  e->shadowsOn = 0;
  g_x3dCommands.unitSprite[0] = -1;
  g_x3dCommands.unitSprite[1] = -1;
  BindUnitSprites(*e);
  TellShaderTextureUnits(*e);
}

void X3DSetDepthTest(uint32_t flag) {
  if (Dodevudi3D* e = Engine()) X3DSetDepthTest(*e, flag);
}

void X3DDrawLine(double x1, double y1, double z1, double x2, double y2, double z2, double width, double colour) {
  float(&ends)[2][3] = g_x3dCommands.lineEnds;
  const double given[2][3] = {{x1, y1, z1}, {x2, y2, z2}};
  for (int p = 0; p < 2; ++p) {
    for (int i = 0; i < 3; ++i) ends[p][i] = F(given[p][i]);
  }
  if (Dodevudi3D* e = Engine()) {
    Draw3DSegment(*e, ends[0], ends[1], static_cast<uint32_t>(ColourOf(colour)), ClampSize(width));
  }
}

void X3DDrawPoint(double x, double y, double z, double size, uint32_t colour) {
  float(&point)[3] = g_x3dCommands.point;
  point[0] = F(x);
  point[1] = F(y);
  point[2] = F(z);
  if (Dodevudi3D* e = Engine()) Draw3DPoint(*e, point, colour, ClampSize(size));
}

void X3DPush() {
  if (Dodevudi3D* e = Engine()) X3DPush(*e);
}

void X3DPop() {
  if (Dodevudi3D* e = Engine()) X3DPop(*e);
}

void X3DSetNormalsAlways(int32_t flag) {
  if (Dodevudi3D* e = Engine()) X3DSetNormalsAlways(*e, flag);
}

void ShaderUseSlot(uint32_t slot) {
  if (Dodevudi3D* e = Engine()) ShaderUse(*e, slot);
}

int32_t ShaderLoadSlot(uint32_t slot, const RtString& vertexName, const RtString& fragmentName) {
  Dodevudi3D* e = Engine();
  if (e == nullptr) return 0;
  return ShaderLoad(*e, slot, vertexName.c_str(), fragmentName.c_str(), ShaderReportError) ? 1 : 0;
}

void ShaderReportError(const char* text) {
  if (!Debug()) return;
  DebugOutput((std::string(text) + "\n").c_str());
}

int32_t Object3DTriangleCount(uint32_t object) {
  Object3D* o = Object3DAt(Engine(), SlotOf(object));
  if (o == nullptr) return 0;
  int64_t nodes = 0;
  for (const MeshObjectX& mesh : o->meshes) {
    if (mesh.frames.count > 0) nodes += mesh.frames[0].triangles.count;
  }
  return static_cast<int32_t>(std::min<int64_t>(nodes / 3, INT32_MAX));
}

void Object3DScaleMeshes(uint32_t object, double sx, double sy, double sz) {
  if (Object3D* o = Object3DAt(Engine(), SlotOf(object))) Object3DScaleMeshes(*o, F(sx), F(sy), F(sz));
}
