// The 3D commands of BASIC programs. Each converts the program's values
// (numbers narrowed to floats, colours given as numbers taken as 64-bit
// integers of which the low 32 bits count) and works on the runtime's 3D
// engine, g_app.engine3d; without one a command does nothing and answers
// 0. Slot numbers beyond the slots name no object. The array commands are
// in gfx3d/array_commands.h; X3DSetMipmap is in gfx3d/texture_units.h and
// Object3DLastHit in gfx3d/collision.h.
//
// In the project's debug mode the collision commands draw the tested shape:
// red (0x0000FF) with width 5 on a hit, green (0x00FF00) with width 1 on a
// miss (a ray: green for a hit ahead, yellow for one behind, width 5).
// Main thread only, with the context current for anything drawn.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// What the commands keep beside the engine.
struct X3DCommandState {
  int32_t culling = 0;         // -1, 0 or 1 as set last; 0 after X3DBegin
  int32_t unitSprite[2] = {};  // sprites of texture units 0 and 1, -1 none
  float projected[3] = {};     // the last X3DProject results
  float unprojected[3] = {};   // the last X3DUnproject results
  float lineEnds[2][3] = {};   // the last X3DDrawLine
  float point[3] = {};         // the last X3DDrawPoint
};
extern X3DCommandState g_x3dCommands;

// Textures: both unit sprites -1 and the mipmap flag 0 (answers 0); or both
// stored and bound, smoothing applied, and a current shader told
// "TextureID1" = 0 and "TextureID2" = 1.
int32_t X3DResetTextures();
// The 3D part of the per-frame render reset (ResetRenderState2D): the
// mipmap flag 0 and no shader.
void X3DResetRenderState();
void X3DSetTextures(int32_t sprite0, int32_t sprite1);
void X3DSetTextureOffset(double u, double v);

// Lights: a negative light index sets the shadow light (-1 bump lighting,
// -3 stencil shadows, any other cel shading); the debug mode draws the
// light's position.
void X3DHeadLight(uint32_t light, int32_t colour);
void X3DLight(int32_t light, int32_t colour, double x, double y, double z, double dx, double dy, double dz,
              double angle);
void X3DDrawAxes(double x, double y, double z);

// Stores mode % 3 (with the sign of mode) as the normal generation mode.
void X3DSetNormalMode(int32_t mode);

// Node-by-node building; groups are strips.
void ObjectBuildBegin(uint32_t object);
void ObjectBuildSetFrame(int32_t frame);
void ObjectBuildNormal(double nx, double ny, double nz);
void ObjectBuildVertex(double x, double y, double z, double u, double v, uint32_t colour);
void ObjectBuildNewGroup();
void ObjectBuildEnd();

// Writes mesh 0 of the object as a binary model file; answers 1 when the
// file was written, 0 when it was not (no engine, no mesh, a memory-file
// name or a failed write).
int32_t Object3DSave(const RtString& name, uint32_t object);
// The highest slot not in use, searching down from 4095; -1 when none.
int32_t Object3DFindFree();
// Empties the slot, then loads the name when the media resolver finds it.
void Object3DLoadFile(const RtString& name, int32_t object);
void Object3DShrink(uint32_t object);

// Bind the unit sprites, then draw the object at a pose between two
// frames, or at one frame.
void Object3DDrawFrames(int32_t object, uint32_t frameA, uint32_t frameB, double blend, uint32_t flag);
void Object3DDrawFrame(int32_t object, uint32_t frame);

void X3DSetCameraUp(double x, double y, double z);
void X3DSetCamera(double ex, double ey, double ez, double cx, double cy, double cz);
void X3DRotate(double angle, double x, double y, double z);
void X3DPosition(double x, double y, double z);
void X3DScale(double x, double y, double z);
// 0 stays 0, a negative mode becomes -1, a positive one 1.
void X3DSetCulling(int32_t mode);
// Nothing for a negative sprite; drawn with culling -1, then the stored
// culling again.
void X3DDrawBillboard(int32_t sprite, double x, double y, double z, double scale);
void X3DFog(double colour, double mode, double start, double end);

// World point to window point and back (y counted from the window's
// bottom for the unprojection); the outputs are left as they were when the
// point cannot be taken through.
void X3DProject(double x, double y, double z, double* ox, double* oy, double* oz);
void X3DUnproject(double x, double y, double z, double* ox, double* oy, double* oz);

// Collision against the object's triangles under the current level.
int32_t Object3DCollideSphere(uint32_t object, uint32_t frame, double x, double y, double z, double radius);
// The box of sizes sx, sy, sz centred on (x, y, z).
int32_t Object3DCollideBox(uint32_t object, uint32_t frame, double x, double y, double z, double sx, double sy,
                           double sz);
// The sphere against the box of sizes sx, sy, sz at the current level's
// origin, in the level's frame.
int32_t X3DCollideSphereBox(double x, double y, double z, double radius, double sx, double sy, double sz);
// The ray's distance to the nearest triangle ahead, else behind, else 0.
double Object3DCollideLine(uint32_t object, uint32_t frame, double x, double y, double z, double dx, double dy,
                           double dz);

// 3D text in the current font.
void X3DDrawText(const RtString& text, double x, double y, double z, double size, uint32_t proportional);
void X3DClearDepth();
// The 3D begin; culling 0, lights and shadows off, both unit sprites -1
// and untextured, smoothing applied, a current shader's texture uniforms.
void X3DBegin(double near, double far, double angle);
void X3DSetDepthTest(uint32_t flag);
// Width and size clamped to 1..512.
void X3DDrawLine(double x1, double y1, double z1, double x2, double y2, double z2, double width, double colour);
void X3DDrawPoint(double x, double y, double z, double size, uint32_t colour);
void X3DPush();
void X3DPop();
void X3DSetNormalsAlways(int32_t flag);

void ShaderUseSlot(uint32_t slot);
// 1 when the shader loaded, else 0; errors go to ShaderReportError.
int32_t ShaderLoadSlot(uint32_t slot, const RtString& vertexName, const RtString& fragmentName);
// In debug mode only: the text and "\n" to the debugger output.
void ShaderReportError(const char* text);

// The triangles of frame 0 over the object's meshes.
int32_t Object3DTriangleCount(uint32_t object);
void Object3DScaleMeshes(uint32_t object, double sx, double sy, double sz);
