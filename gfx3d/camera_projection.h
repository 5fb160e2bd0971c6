// The 3D begin, the camera, the projection, the view frustum and the
// small state switches of 3D drawing.
//
// X3DBegin sets a 3D viewport and projection inside the 2D engine's
// viewport and orientation and a fixed set of OpenGL states; the camera is
// a look-at matrix kept apart from the transform stack, and the six planes
// of the view frustum (from projection x camera) serve the sphere test.
// Capabilities switch through the shared state cache. Main thread only,
// with the context current.
#pragma once

#include <cstdint>

class Dodevudi3D;

// near and far planes and the view angle in degrees: a perspective
// projection for angle >= 0, an orthographic one (half height
// 100 * near * tan(|angle| / 2)) below 0. Leaves the shadow pass and
// clears the depth buffer first; resets the stack and the camera (eye at
// the origin looking down -z).
void X3DBegin(Dodevudi3D& engine, double near, double far, double angle);

// Stores eye and centre, loads the look-at matrix with the stored up
// vector as camera matrix (and into OpenGL's model-view matrix), resets
// the stack and recomputes the frustum planes.
void X3DSetCamera(Dodevudi3D& engine, float eyeX, float eyeY, float eyeZ, float centreX, float centreY,
                  float centreZ);
// Takes effect at the next X3DSetCamera.
void X3DSetCameraUp(Dodevudi3D& engine, float x, float y, float z);

// 0: no face culling; above 0: culling with clockwise front faces; below
// 0: culling with counter-clockwise front faces. Stored as 0, 1 or -1.
void X3DSetCulling(Dodevudi3D& engine, int32_t mode);
// On: depth test with GL_LESS; off: no depth test.
void X3DSetDepthTest(Dodevudi3D& engine, uint32_t on);

// 1 when the sphere is not wholly outside any frustum plane, else 0.
int32_t X3DSphereVisible(const Dodevudi3D& engine, float x, float y, float z, float radius);

// World point to window point (y down from the viewport's top, depth 0 to
// 1) through the camera and projection, and a window point back; false,
// leaving out as it was, when the homogeneous w is 0.
bool X3DProject(const Dodevudi3D& engine, float x, float y, float z, double out[3]);
bool X3DUnproject(const Dodevudi3D& engine, float x, float y, float z, double out[3]);

// Red, green and blue arrows along the camera space's x, y and z axes at
// the point, 20 units long.
void X3DDrawAxes(Dodevudi3D& engine, float x, float y, float z);

void X3DSetTextureOffset(Dodevudi3D& engine, float u, float v);
void X3DSetNormalsAlways(Dodevudi3D& engine, int32_t flag);
