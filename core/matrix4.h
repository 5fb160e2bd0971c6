// 4 x 4 float matrices of the 3D engine and the 2D projection, in OpenGL's
// column-major order (element (row r, column c) at index c * 4 + r),
// multiplied as OpenGL multiplies: a new matrix goes on the right and acts
// on a vertex first.
//
// Every operation works in 32-bit floats and takes any values: NaN and
// infinities only travel through the arithmetic.
#pragma once

#include <cmath>

inline constexpr float kDegreesToRadians3D = 0.017453292f;

void Mat4Identity(float out[16]);
bool Mat4IsIdentity3x3(const float m[16]);

// out = a x b; out may be a or b.
void Mat4Multiply(const float a[16], const float b[16], float out[16]);

// out = m x v for a column vector v of four; out may be v.
void Mat4TransformVector(const float m[16], const float v[4], float out[4]);
// The point (x, y, z, 1) through m, without the division by w.
void Mat4TransformPoint(const float m[16], const float p[3], float out[3]);

void Mat4Translation(float x, float y, float z, float out[16]);
void Mat4Scaling(float x, float y, float z, float out[16]);

// The rotation by angle degrees about the axis (x, y, z), as glRotate
// builds it. An axis along one coordinate axis is taken exactly (only its
// sign counts); any other axis is normalised. False, with out untouched,
// for an axis of length 0.0001 or less.
bool Mat4Rotation(float angle, float x, float y, float z, float out[16]);

// The matrices of glFrustum and glOrtho.
void Mat4Frustum(float left, float right, float bottom, float top, float near, float far,
                 float out[16]);
void Mat4Ortho(float left, float right, float bottom, float top, float near, float far,
               float out[16]);

// The camera at eye looking at centre with the given up direction: rows
// s, t, f in the upper 3x3 with f = normalise(eye - centre),
// s = normalise(up x f), t = normalise(f x s) (a zero vector stays as it
// is), and the translation -(s.eye, t.eye, f.eye).
void Mat4LookAt(const float eye[3], const float centre[3], const float up[3], float out[16]);

// The inverse by cofactors; false, with out the identity, when the
// determinant is 0.
bool Mat4InverseCofactors(const float m[16], float out[16]);

// Vector helpers on three floats, inline: the 3D engine's collision tests
// call them for every triangle.
inline float Vec3Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// out may be a or b.
inline void Vec3Cross(const float a[3], const float b[3], float out[3]) {
  const float x = a[1] * b[2] - a[2] * b[1];
  const float y = a[2] * b[0] - a[0] * b[2];
  const float z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

// Scales v to unit length unless its squared length is at most minSquared.
inline void Vec3Normalise(float v[3], float minSquared) {
  const float squared = Vec3Dot(v, v);
  if (!(squared > minSquared)) return;
  const float length = std::sqrt(squared);
  v[0] /= length;
  v[1] /= length;
  v[2] /= length;
}
