#include "core/matrix4.h"

#include <cmath>
#include <cstring>

void Mat4Identity(float out[16]) {
  std::memset(out, 0, 16 * sizeof(float));
  out[0] = out[5] = out[10] = out[15] = 1.0f;
}

bool Mat4IsIdentity3x3(const float m[16]) {
  return m[0] == 1.0f && m[1] == 0.0f && m[2] == 0.0f && m[4] == 0.0f && m[5] == 1.0f &&
         m[6] == 0.0f && m[8] == 0.0f && m[9] == 0.0f && m[10] == 1.0f;
}

void Mat4Multiply(const float a[16], const float b[16], float out[16]) {
  float r[16];
  for (int c = 0; c < 4; ++c) {
    for (int row = 0; row < 4; ++row) {
      r[c * 4 + row] = a[row] * b[c * 4] + a[4 + row] * b[c * 4 + 1] + a[8 + row] * b[c * 4 + 2] +
                       a[12 + row] * b[c * 4 + 3];
    }
  }
  std::memcpy(out, r, sizeof(r));
}

void Mat4TransformVector(const float m[16], const float v[4], float out[4]) {
  float r[4];
  for (int row = 0; row < 4; ++row) {
    r[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
  }
  std::memcpy(out, r, sizeof(r));
}

void Mat4TransformPoint(const float m[16], const float p[3], float out[3]) {
  const float v[4] = {p[0], p[1], p[2], 1.0f};
  float r[4];
  Mat4TransformVector(m, v, r);
  out[0] = r[0];
  out[1] = r[1];
  out[2] = r[2];
}

void Mat4Translation(float x, float y, float z, float out[16]) {
  Mat4Identity(out);
  out[12] = x;
  out[13] = y;
  out[14] = z;
}

void Mat4Scaling(float x, float y, float z, float out[16]) {
  Mat4Identity(out);
  out[0] = x;
  out[5] = y;
  out[10] = z;
}

bool Mat4Rotation(float angle, float x, float y, float z, float out[16]) {
  float axis[3] = {x, y, z};
  const bool alongX = y == 0.0f && z == 0.0f && x != 0.0f;
  const bool alongY = x == 0.0f && z == 0.0f && y != 0.0f;
  const bool alongZ = x == 0.0f && y == 0.0f && z != 0.0f;
  if (alongX || alongY || alongZ) {
    for (float& a : axis) a = a > 0.0f ? 1.0f : (a < 0.0f ? -1.0f : 0.0f);
  } else {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0001f)) return false;
    for (float& a : axis) a /= length;
  }
  const float radians = angle * kDegreesToRadians3D;
  const float c = std::cos(radians);
  const float s = std::sin(radians);
  const float k = 1.0f - c;
  const float ax = axis[0];
  const float ay = axis[1];
  const float az = axis[2];
  Mat4Identity(out);
  out[0] = ax * ax * k + c;
  out[1] = ay * ax * k + az * s;
  out[2] = ax * az * k - ay * s;
  out[4] = ax * ay * k - az * s;
  out[5] = ay * ay * k + c;
  out[6] = ay * az * k + ax * s;
  out[8] = ax * az * k + ay * s;
  out[9] = ay * az * k - ax * s;
  out[10] = az * az * k + c;
  return true;
}

void Mat4Frustum(float left, float right, float bottom, float top, float near, float far,
                 float out[16]) {
  std::memset(out, 0, 16 * sizeof(float));
  out[0] = 2.0f * near / (right - left);
  out[5] = 2.0f * near / (top - bottom);
  out[8] = (right + left) / (right - left);
  out[9] = (top + bottom) / (top - bottom);
  out[10] = -(far + near) / (far - near);
  out[11] = -1.0f;
  out[14] = -2.0f * far * near / (far - near);
}

void Mat4Ortho(float left, float right, float bottom, float top, float near, float far,
               float out[16]) {
  std::memset(out, 0, 16 * sizeof(float));
  out[0] = 2.0f / (right - left);
  out[5] = 2.0f / (top - bottom);
  out[10] = -2.0f / (far - near);
  out[12] = -(right + left) / (right - left);
  out[13] = -(top + bottom) / (top - bottom);
  out[14] = -(far + near) / (far - near);
  out[15] = 1.0f;
}

void Mat4LookAt(const float eye[3], const float centre[3], const float up[3], float out[16]) {
  float f[3] = {eye[0] - centre[0], eye[1] - centre[1], eye[2] - centre[2]};
  Vec3Normalise(f, 0.0f);
  float s[3];
  Vec3Cross(up, f, s);
  Vec3Normalise(s, 0.0f);
  float t[3];
  Vec3Cross(f, s, t);
  Vec3Normalise(t, 0.0f);
  Mat4Identity(out);
  for (int c = 0; c < 3; ++c) {
    out[c * 4 + 0] = s[c];
    out[c * 4 + 1] = t[c];
    out[c * 4 + 2] = f[c];
  }
  out[12] = -Vec3Dot(s, eye);
  out[13] = -Vec3Dot(t, eye);
  out[14] = -Vec3Dot(f, eye);
}

bool Mat4InverseCofactors(const float m[16], float out[16]) {
  float inv[16];
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
           m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
           m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
           m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
            m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
           m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
           m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
           m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
            m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] +
           m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
           m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
            m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
            m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
           m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] +
           m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] -
            m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] +
            m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
  const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  if (det == 0.0f) {
    Mat4Identity(out);
    return false;
  }
  for (int i = 0; i < 16; ++i) out[i] = inv[i] / det;
  return true;
}
