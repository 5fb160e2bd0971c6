// The pack stream's two unpackers over hostile blocks, and the way back of
// the runtime's own packer.
//
// Input: one byte (odd: the media pack's LZO1X container, even: the own
// format), then the packed block.
#include <cstring>
#include <string>

#include "files/pack_stream.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr const char* kTarget = "pack_stream";

// The stream's hash table is 256 KiB: one for the whole campaign.
PackStream& Stream() {
  static PackStream* const stream = new PackStream;
  return *stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const int32_t mode = input.Byte() & 1;
  const std::string packed = input.Rest();
  PackStream& s = Stream();

  PackStreamReset(s);
  s.mode = mode;
  const int32_t length =
      PackStreamUnpack(s, reinterpret_cast<const uint8_t*>(packed.data()), static_cast<int32_t>(packed.size()));
  FUZZ_CHECK(length == s.outputLength, kTarget, "the answer is not the output length");
  FUZZ_CHECK(length >= 0, kTarget, "a negative output length");
  FUZZ_CHECK(length == 0 || s.output != nullptr, kTarget, "an output length without output");

  // Whatever either packer makes of the bytes unpacks to them again.
  for (int32_t packMode = 0; packMode < 2; ++packMode) {
    PackStreamReset(s);
    s.mode = packMode;
    const int32_t packedLength =
        PackStreamPack(s, reinterpret_cast<const uint8_t*>(packed.data()), static_cast<int32_t>(packed.size()));
    FUZZ_CHECK(packedLength > 0 && s.output != nullptr, kTarget, "the packer failed");
    const std::string repacked(reinterpret_cast<const char*>(s.output), static_cast<size_t>(packedLength));
    const int32_t unpacked = PackStreamUnpack(s, reinterpret_cast<const uint8_t*>(repacked.data()),
                                              static_cast<int32_t>(repacked.size()));
    FUZZ_CHECK(unpacked == static_cast<int32_t>(packed.size()) &&
                   (unpacked == 0 || std::memcmp(s.output, packed.data(), packed.size()) == 0),
               kTarget, "packed bytes do not unpack to themselves");
  }
  PackStreamReset(s);
  FuzzForgetErrorLog();
  return 0;
}
