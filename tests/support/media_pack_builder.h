// Builds media packs for tests: entries packed with LZO1X-1 behind a prefix
// (the "program file"), the directory, and the 7-byte trailer. The layout
// can be changed before the bytes are made, to build damaged packs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PackBuilderEntry {
  std::string name;
  std::string packed;    // the mode 1 block
  int32_t offset = 0;    // as stored in the directory
  uint32_t packedSize = 0;
};

struct MediaPackLayout {
  std::string prefix;
  std::vector<PackBuilderEntry> entries;
  bool negative = false;    // offsets and directory position count from the end
  bool terminated = true;   // the directory ends with its 0
  int32_t directory = 0;    // as stored in the trailer
  std::string signature = "kxQ";
};

// Lays the entries out behind the prefix: packs their contents and fills
// in the offsets, sizes and the directory position.
MediaPackLayout LayoutMediaPack(const std::string& prefix,
                                const std::vector<std::pair<std::string, std::string>>& files, bool negative);

// The pack's bytes as laid out (fields as they stand, damaged or not).
std::string MediaPackBytes(const MediaPackLayout& layout);

// A mode 1 block of the bytes: u32 length, then LZO1X-1 data.
std::string PackLzoBlock(const std::string& bytes);
