// The media resolver: finds a media file on disk or in the media pack
// appended to the program file.
//
// Media pack layout (all values little-endian):
//   packed entries ... directory ... trailer
//   trailer (last 7 bytes): "kxQ", directory position D (signed 32-bit);
//     D >= 0 counts from the start of the file, D < 0 back from its end,
//     and the entries' data offsets are read the same way.
//   directory entry: name length (u8, 0 ends the directory), the name (no
//     path, no terminator), data offset (signed 32-bit), packed size (u32).
//   entry data: a PackStream mode 1 block (u32 unpacked length, LZO1X data).
// The pack is hostile input: anything malformed is a miss.
#pragma once

#include <cstdint>
#include <string>

struct MediaResolver {
  uint8_t packEnabled = 1;       // 0 once the pack proved missing or not a pack
  std::string packFileName;      // path or memory-file name of the pack
  std::string lastTemporaryFile;  // made by the last call, empty = none
  uint8_t* lastBlock = nullptr;  // unpacked (and published) by the last call
};

// Resolves the wanted name into *out, the name to open. Result 1 when *out
// names a readable file or block, else 0.
//  - A memory-file name is answered unchanged (1 when its block is
//    published), and the resolver's last block is kept.
//  - Otherwise the last call's block or temporary file is released first.
//  - A regular file on disk, as written or matched without regard to case
//    one path component at a time: *out is its path.
//  - Else the base name is looked up without regard to case in the pack and
//    unpacked: with memoryOutput into a block named by a memory-file name,
//    else into the temporary file "kxq" + two letters + the entry's name in
//    the temporary folder. Either stays valid until this resolver's next
//    call (or MediaResolverRelease).
// A miss gives 0 with *out empty, or with the wanted name when the pack is
// disabled, missing or not a pack (which also disables it).
int32_t MediaResolve(MediaResolver& r, const char* wanted, std::string* out, bool memoryOutput);

// Resolves a media file's name for reading through g_app's resolver for
// media other than music (a file on disk, else a pack entry as a
// memory-file name): 1 with *out set, or 0 for a miss. Without a resolver
// the name is taken as it is.
int32_t MediaResolveName(const char* name, std::string* out);

// Sets the pack of one resolver: enables it and releases the last result.
void MediaResolverSetPack(MediaResolver& r, const char* packFileName);

// Sets the packs of the two resolvers of g_app (media, then music); a
// resolver that does not exist is skipped.
void MediaSetPack(const char* mediaPack, const char* musicPack);

// Frees the last block and deletes the last temporary file (teardown).
void MediaResolverRelease(MediaResolver& r);

// Hands the last block to the caller, who frees it with MediaBlockFree;
// its memory-file name stays valid until then. Null when there is none.
uint8_t* MediaResolverTakeBlock(MediaResolver& r);

// Withdraws the block's memory-file name and frees it. Null is ignored.
void MediaBlockFree(uint8_t* block);
