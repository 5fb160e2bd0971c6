// The process-wide ISAAC pseudo-random generator and the RND commands.
//
// One 256-word ISAAC state serves RND, the seed command, start-up and the
// device id. Each draw runs a whole generator round and hands out only its
// first result word. Main thread only; no lock.
#pragma once

#include <cstdint>

inline constexpr int kIsaacSize = 256;

struct IsaacState {
  uint32_t count;                 // set to 256 by seeding; nothing reads it
  uint32_t results[kIsaacSize];   // filled by every round
  uint32_t memory[kIsaacSize];    // the generator's internal state
  uint32_t a, b, c;               // accumulators
};

// Zero until the first seeding.
extern IsaacState g_isaacState;

// Runs one full round over the state and returns result word 0.
uint32_t IsaacGenerate();

// Reinitialises the whole state from the seed; the same seed always gives
// the same sequence.
void IsaacSeed(uint32_t seed);

// The seed command: IsaacSeed with the same bits.
void RandomSeed(int32_t seed);

// RND: a number from 0 to n inclusive; n < 1 gives 0 without a draw.
int32_t RandomInt(int32_t n);
