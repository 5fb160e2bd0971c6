#include "gfx2d/bmp_image.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "files/file_stream.h"
#include "files/file_write_back.h"

namespace {

constexpr int64_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;  // u16 width and height, no palette count
constexpr uint32_t kInfoHeaderBytes = 40;  // i32 width and height, 4-byte palette entries
constexpr int64_t kWrittenHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;

uint32_t Get16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// Reads n bytes (the layout check has made sure that the rows are there).
// A disk file must deliver every one of them; a memory view is cut at the
// end of its block, and the bytes beyond it read as 0.
bool ReadBytes(FileStream& s, uint8_t* buffer, int64_t n) {
  std::memset(buffer, 0, static_cast<size_t>(n));
  return StreamRead(s, buffer, static_cast<int32_t>(n));
}

// What the headers say about the pixel rows, checked against the stream.
struct BmpLayout {
  int32_t width = 0;
  int32_t height = 0;     // always positive
  bool topDown = false;   // first stored row is the top of the picture
  uint32_t bits = 0;      // bits per pixel
  uint32_t headerSize = 0;
  int64_t dataOffset = 0;  // where the first stored row begins
  int64_t rowBytes = 0;    // a stored row with its padding to 4 bytes
};

bool IsReadableDepth(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Compression values whose pixel data are not plain rows: run-length
// encoded 8 and 4 bits, embedded JPEG and PNG. Read as rows they would
// give a picture of noise, so such files are refused.
bool IsEncodedData(uint32_t compression) {
  return compression == 1 || compression == 2 || compression == 4 || compression == 5;
}

// Reads the file header and the bitmap header and checks every size and
// offset before anything is allocated from them.
bool ReadLayout(FileStream& s, BmpLayout& layout) {
  uint8_t fileHeader[kFileHeaderBytes];
  if (!ReadBytes(s, fileHeader, kFileHeaderBytes) || fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
  layout.dataOffset = Get32(fileHeader + 10);

  uint8_t header[kInfoHeaderBytes];
  if (!ReadBytes(s, header, 4)) return false;
  layout.headerSize = Get32(header);
  if (layout.headerSize != kCoreHeaderBytes && layout.headerSize != kInfoHeaderBytes) return false;
  // The header and palette region lies between the file header and the rows.
  if (layout.dataOffset < kFileHeaderBytes + layout.headerSize) return false;
  if (!ReadBytes(s, header + 4, layout.headerSize - 4)) return false;

  int64_t width = 0;
  int64_t height = 0;
  if (layout.headerSize == kCoreHeaderBytes) {
    width = Get16(header + 4);
    height = Get16(header + 6);
    layout.bits = Get16(header + 10);
  } else {
    width = static_cast<int32_t>(Get32(header + 4));
    height = static_cast<int32_t>(Get32(header + 8));
    layout.bits = Get16(header + 14);
    if (IsEncodedData(Get32(header + 16))) return false;
  }
  if (!IsReadableDepth(layout.bits)) return false;
  layout.topDown = height < 0;
  if (height < 0) height = -height;
  // A picture has pixels, and no side longer than a texture's.
  if (!ImageSidesReadable(width, height)) return false;
  layout.width = static_cast<int32_t>(width);
  layout.height = static_cast<int32_t>(height);
  layout.rowBytes = (layout.bits * width + 31) / 32 * 4;

  // Every stored row must be there, in a memory block as on disk: nothing
  // is allocated for rows that the file does not hold.
  return layout.dataOffset + layout.rowBytes * height <= s.size;
}

// Palette entries as B, G, R, reserved; entries the file does not hold
// stay black, so every index of the pixel data finds an entry.
struct Palette {
  uint8_t entries[256 * 4] = {};
};

// The palette follows the header inside the header and palette region: 4
// bytes an entry after a 40-byte header, 3 after a 12-byte one. Only the
// entries that lie inside the region and that the bit depth can address
// are read.
bool ReadPalette(FileStream& s, const BmpLayout& layout, Palette& palette) {
  if (layout.bits > 8) return true;
  const int64_t entrySize = layout.headerSize == kCoreHeaderBytes ? 3 : 4;
  int64_t count = (layout.dataOffset - kFileHeaderBytes - layout.headerSize) / entrySize;
  if (count > (int64_t{1} << layout.bits)) count = int64_t{1} << layout.bits;
  if (count == 0) return true;
  uint8_t raw[256 * 4];
  if (!ReadBytes(s, raw, count * entrySize)) return false;
  for (int64_t i = 0; i < count; ++i) std::memcpy(palette.entries + i * 4, raw + i * entrySize, 3);
  return true;
}

// Decodes one stored row into RGBA pixels; pixels of the key colour
// become transparent black.
void DecodeRow(const uint8_t* row, const BmpLayout& layout, const Palette& palette, int32_t key, uint8_t* out) {
  for (size_t x = 0; x < static_cast<size_t>(layout.width); ++x) {
    uint32_t r = 0;
    uint32_t g = 0;
    uint32_t b = 0;
    if (layout.bits <= 8) {
      uint32_t index = 0;
      if (layout.bits == 1) {
        index = (row[x / 8] >> (7 - x % 8)) & 1;
      } else if (layout.bits == 4) {
        index = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
      } else {
        index = row[x];
      }
      const uint8_t* entry = palette.entries + index * 4;
      r = entry[2];
      g = entry[1];
      b = entry[0];
    } else if (layout.bits == 16) {
      const uint32_t v = Get16(row + x * 2);
      r = ((v >> 10) & 31) * 255 / 31;
      g = ((v >> 5) & 31) * 255 / 31;
      b = (v & 31) * 255 / 31;
    } else {
      const uint8_t* p = row + x * (layout.bits / 8);
      r = p[2];
      g = p[1];
      b = p[0];
    }
    uint8_t* pixel = out + x * 4;
    if (key != -1 && (r | g << 8 | b << 16) == static_cast<uint32_t>(key)) {
      std::memset(pixel, 0, 4);
    } else {
      pixel[0] = static_cast<uint8_t>(r);
      pixel[1] = static_cast<uint8_t>(g);
      pixel[2] = static_cast<uint8_t>(b);
      pixel[3] = 255;
    }
  }
}

bool ReadBmp(FileStream& s, ImageBuffer& image, int32_t key) {
  BmpLayout layout;
  Palette palette;
  if (!ReadLayout(s, layout) || !ReadPalette(s, layout, palette)) return false;
  s.position = layout.dataOffset;
  if (!ImageBufferResize(image, layout.width, layout.height)) return false;
  uint8_t* row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(layout.rowBytes)));
  if (row == nullptr) return false;
  bool ok = true;
  const size_t pictureRowBytes = static_cast<size_t>(layout.width) * 4;
  for (int32_t stored = 0; stored < layout.height && ok; ++stored) {
    ok = ReadBytes(s, row, layout.rowBytes);
    const int32_t y = layout.topDown ? stored : layout.height - 1 - stored;
    if (ok) DecodeRow(row, layout, palette, key, image.pixels + static_cast<size_t>(y) * pictureRowBytes);
  }
  std::free(row);
  return ok;
}

}  // namespace

bool ImageLoadBmp(ImageBuffer& image, const char* name, int32_t key) {
  FileStream s{};
  const bool ok = name != nullptr && name[0] != '\0' && StreamOpen(s, name) && ReadBmp(s, image, key);
  StreamClose(s);
  if (!ok) {
    ImageBufferRelease(image);
    return false;
  }
  image.flag = 0;
  return true;
}

bool BmpWriteFile(const char* name, const uint8_t* pixels, int32_t width, int32_t height) {
  if (width < 0 || height < 0) return false;
  if (pixels == nullptr && width > 0 && height > 0) return false;
  // Empty for memory-file names: they are never written.
  const std::string path = WriteBackPath(name);
  if (path.empty()) return false;
  const uint64_t rowBytes = (static_cast<uint64_t>(width) * 3 + 3) / 4 * 4;
  const uint64_t fileBytes = kWrittenHeaderBytes + rowBytes * static_cast<uint64_t>(height);
  if (fileBytes > UINT32_MAX) return false;
  uint8_t* file = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(fileBytes), 1));
  if (file == nullptr) return false;

  file[0] = 'B';
  file[1] = 'M';
  Put32(file + 2, static_cast<uint32_t>(fileBytes));
  Put32(file + 10, kWrittenHeaderBytes);
  Put32(file + 14, kInfoHeaderBytes);
  Put32(file + 18, static_cast<uint32_t>(width));
  Put32(file + 22, static_cast<uint32_t>(height));  // positive: bottom row first
  Put16(file + 26, 1);                              // layer count
  Put16(file + 28, 24);                             // bits per pixel
  Put32(file + 38, 10000);                          // pixels per metre, both ways
  Put32(file + 42, 10000);

  for (int64_t i = 0; i < height; ++i) {
    const uint8_t* in = pixels + static_cast<size_t>(height - 1 - i) * width * 4;
    uint8_t* out = file + kWrittenHeaderBytes + i * rowBytes;
    for (int32_t x = 0; x < width; ++x, in += 4, out += 3) {
      if (in[3] == 255) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      } else {
        // The sprite colour key, so that the picture reads back keyed.
        out[0] = 0x80;
        out[1] = 0x00;
        out[2] = 0xFF;
      }
    }
  }
  const bool ok = WriteBackFile(path, reinterpret_cast<const char*>(file), static_cast<size_t>(fileBytes));
  std::free(file);
  return ok;
}
