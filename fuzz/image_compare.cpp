#include "fuzz/image_compare.h"

#include <cstring>

#include "fuzz/fuzz_input.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/image_files.h"

std::string ImageNotEmpty(const ImageBuffer& image) {
  if (image.pixels != nullptr || image.width != 0 || image.height != 0 || image.capacity != 0) {
    return "a refused picture left the buffer " + std::to_string(image.width) + " x " + std::to_string(image.height);
  }
  return "";
}

std::string ImageReadsDiffer(bool okA, const ImageBuffer& a, bool okB, const ImageBuffer& b) {
  if (okA != okB) return std::string("one read accepts the file, the other refuses it");
  if (!okA) {
    const std::string left = ImageNotEmpty(a);
    return left.empty() ? ImageNotEmpty(b) : left;
  }
  if (a.width != b.width || a.height != b.height) return "the pictures differ in size";
  if (a.width < 1 || a.height < 1 || a.pixels == nullptr) return "an accepted picture has no pixels";
  const size_t bytes = static_cast<size_t>(a.width) * static_cast<size_t>(a.height) * 4;
  if (static_cast<size_t>(a.capacity) < bytes) return "an accepted picture has less storage than its pixels";
  if (std::memcmp(a.pixels, b.pixels, bytes) != 0) return "the pictures differ in their pixels";
  if (a.flag != b.flag) return "the pictures differ in their flag";
  return "";
}

void FuzzPictureReader(const char* target, const char* fileName,
                       bool (*load)(ImageBuffer& image, const char* name, int32_t key), const uint8_t* data,
                       size_t size) {
  FuzzBytes input(data, size);
  const int32_t key = (input.Byte() & 1) != 0 ? -1 : 0xFF00FF;
  const std::string path = FuzzWriteFile(fileName, input.RestData(), input.RestSize());
  const FuzzMemoryFile memory(input.RestData(), input.RestSize());

  ImageBuffer fromDisk;
  ImageBuffer fromMemory;
  const bool diskOk = load(fromDisk, path.c_str(), key);
  const bool memoryOk = load(fromMemory, memory.name(), key);
  const std::string differ = ImageReadsDiffer(diskOk, fromDisk, memoryOk, fromMemory);
  FUZZ_CHECK(differ.empty(), target, "disk and memory file: " + differ);
  ImageBufferRelease(fromMemory);
  if (diskOk) {
    ImageBuffer any;
    const bool anyOk = ImageLoadFile(any, memory.name(), key);
    const std::string anyDiffer = ImageReadsDiffer(diskOk, fromDisk, anyOk, any);
    FUZZ_CHECK(anyDiffer.empty(), target, "the reader of any picture file: " + anyDiffer);
    ImageBufferRelease(any);
  }
  ImageBufferRelease(fromDisk);
  FuzzForgetErrorLog();
}
