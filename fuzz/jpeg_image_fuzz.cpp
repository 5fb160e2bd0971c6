// JPEG pictures, read from disk (memory-file names are refused): the
// decoder and the RGBA reader over it must agree, and a refusal leaves
// nothing behind.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input.h"
#include "fuzz/image_compare.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/jpeg_image.h"

namespace {

constexpr const char* kTarget = "jpeg_image";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("picture.jpg", data, size);
  const FuzzMemoryFile memory(data, size);

  int32_t width = -1;
  int32_t height = -1;
  int32_t components = -1;
  uint8_t* pixels = nullptr;
  const bool decoded = JpegReadFile(path.c_str(), &width, &height, &components, &pixels);
  if (!decoded) {
    FUZZ_CHECK(pixels == nullptr && width == 0 && height == 0 && components == 0, kTarget,
               "a refused file left outputs behind");
  } else {
    FUZZ_CHECK(pixels != nullptr && width > 0 && height > 0 && components >= 1 && components <= 4, kTarget,
               "an accepted file gave no picture");
  }

  ImageBuffer image;
  const bool read = ImageLoadJpeg(image, path.c_str());
  const bool takes = decoded && (components == 1 || components == 3 || components == 4);
  FUZZ_CHECK(read == takes, kTarget, "the RGBA reader and the decoder disagree");
  if (read) {
    FUZZ_CHECK(image.width == width && image.height == height, kTarget, "the RGBA picture has another size");
    // Every picture is opaque. Grey and RGB keep their bytes; inverted
    // CMYK gives each colour byte times the K byte, / 255, rounded.
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; i += 97) {
      const uint8_t* in = pixels + i * components;
      for (int c = 0; c < 3; ++c) {
        const int want = components == 1   ? in[0]
                         : components == 3 ? in[c]
                                           : static_cast<int>(std::lround(in[c] * in[3] / 255.0));
        FUZZ_CHECK(image.pixels[i * 4 + c] == want, kTarget, "a colour is not the decoded one");
      }
      FUZZ_CHECK(image.pixels[i * 4 + 3] == 255, kTarget, "a pixel is not opaque");
    }
    FUZZ_CHECK(image.flag == 0, kTarget, "the flag asks for a bleed of an opaque picture");
  } else {
    const std::string left = ImageNotEmpty(image);
    FUZZ_CHECK(left.empty(), kTarget, left);
  }
  ImageBufferRelease(image);
  std::free(pixels);

  ImageBuffer fromMemory;
  FUZZ_CHECK(!ImageLoadJpeg(fromMemory, memory.name()), kTarget, "a memory-file name was read");
  ImageBufferRelease(fromMemory);
  FuzzForgetErrorLog();
  return 0;
}
