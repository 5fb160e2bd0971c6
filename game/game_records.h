// The game's records and the array commands over lists of them.
//
// Every field of a record is a 64-bit float. A list is a one-dimensional
// RtArray of one record type, grown by append and shrunk by delete-at-index.
#pragma once

#include <cstdint>

#include "core/array_ops.h"
#include "core/rt_array.h"

// The hero: its cell, facing (0 right, 1 left) and walk animation.
struct HeroRec {
  double x;
  double y;
  double facing;
  double animCounter;  // 0..20
  double animFrame;    // 0..3
  double spare1;       // always 0
  double spare2;       // always 0
};

// A zombie: its cell, facing, walk animation and how far it has risen.
struct ZombieRec {
  double x;
  double y;
  double facing;
  double animCounter;  // 0..20
  double animFrame;    // 0..3
  double placed;       // 1 once a free cell was found
  double rise;         // 0..40
  double risen;        // 0 or 1
  double spare;        // always 0
};

// A bullet in flight, in pixels.
struct BulletRec {
  double x;
  double y;
  double direction;  // 1..8
  double delay;      // frames before it starts
  double countdown;  // 2 or 1: the cell is tested when it reaches 0
};

// A weapon lying on a cell.
struct PickupRec {
  double x;
  double y;
  double kind;  // 0 pistol, 1 uzi, 2 shotgun
};

// One drip of blood on the title logo, in pixels of the logo.
struct DripRec {
  double x;
  double y;
  double delay;    // frames between steps
  double counter;  // frames since the last step
  double endY;     // where it stops
};

// Append a copy of the record at the end of a one-dimensional list (more
// dimensions: error 8 and program end).
inline void ArrayPushSpawn(RtArray<HeroRec>& a, const HeroRec& r) { ArrayPush(a, r); }
inline void ArrayPushEnemy(RtArray<ZombieRec>& a, const ZombieRec& r) { ArrayPush(a, r); }
inline void ArrayPushBullet(RtArray<BulletRec>& a, const BulletRec& r) { ArrayPush(a, r); }
inline void ArrayPushPickup(RtArray<PickupRec>& a, const PickupRec& r) { ArrayPush(a, r); }
inline void ArrayPushDrip(RtArray<DripRec>& a, const DripRec& r) { ArrayPush(a, r); }

// Remove the element at the index (negative counts from the end); later
// elements move down by one. An index outside the list is error 9.
inline void ArrayDeleteAtSpawn(RtArray<HeroRec>& a, int32_t index) { ArrayDeleteAt(a, index); }
inline void ArrayDeleteAtEnemy(RtArray<ZombieRec>& a, int32_t index) { ArrayDeleteAt(a, index); }
inline void ArrayDeleteAtBullet(RtArray<BulletRec>& a, int32_t index) { ArrayDeleteAt(a, index); }
inline void ArrayDeleteAtPickup(RtArray<PickupRec>& a, int32_t index) { ArrayDeleteAt(a, index); }
inline void ArrayDeleteAtDrip(RtArray<DripRec>& a, int32_t index) { ArrayDeleteAt(a, index); }
