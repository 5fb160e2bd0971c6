// The constant initial tables of the Blowfish key schedule.
#pragma once

#include <cstdint>

inline constexpr int kBlowfishRounds = 16;

extern const uint32_t kBlowfishInitP[kBlowfishRounds + 2];
extern const uint32_t kBlowfishInitS[4][256];
