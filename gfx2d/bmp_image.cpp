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

// Where one colour lies in a 16- or 32-bit pixel: the bits of the mask,
// and the largest value of the mask's field shifted down (0 for an empty
// mask). A field's value v gives the colour v x 255 / largest (integer
// division, as the 5-bit fields of 5-5-5 pixels have always been scaled),
// looked up for fields of up to 8 bits.
struct ChannelMask {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint32_t largest = 0;
  uint8_t scaled[256] = {};
};

ChannelMask MakeChannelMask(uint32_t mask) {
  ChannelMask c;
  c.mask = mask;
  if (mask == 0) return c;
  while ((mask >> c.shift & 1) == 0) ++c.shift;
  c.largest = mask >> c.shift;
  for (uint32_t v = 0; v <= c.largest && v < 256; ++v) c.scaled[v] = static_cast<uint8_t>(v * 255 / c.largest);
  return c;
}

uint32_t ChannelValue(const ChannelMask& c, uint32_t pixel) {
  const uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.largest < 256) return c.scaled[v];
  return static_cast<uint32_t>(uint64_t{v} * 255 / c.largest);
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
  // Bit-field masks stated by a 16- or 32-bit file; without them a 16-bit
  // pixel is 5-5-5 and a 32-bit one B, G, R, x bytes.
  bool masked = false;
  ChannelMask red, green, blue;
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

// Compression values that put the red, green and blue masks (and with 6 an
// alpha mask, not used: every pixel read is opaque) right behind a 40-byte
// header.
bool HasBitFields(uint32_t compression) { return compression == 3 || compression == 6; }
constexpr int64_t kMaskBytes = 12;

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
  uint32_t compression = 0;
  if (layout.headerSize == kCoreHeaderBytes) {
    width = Get16(header + 4);
    height = Get16(header + 6);
    layout.bits = Get16(header + 10);
  } else {
    width = static_cast<int32_t>(Get32(header + 4));
    height = static_cast<int32_t>(Get32(header + 8));
    layout.bits = Get16(header + 14);
    compression = Get32(header + 16);
    if (IsEncodedData(compression)) return false;
  }
  if (!IsReadableDepth(layout.bits)) return false;
  layout.topDown = height < 0;
  if (height < 0) height = -height;
  // A picture has pixels, and no side longer than a texture's.
  if (!ImageSidesReadable(width, height)) return false;
  layout.width = static_cast<int32_t>(width);
  layout.height = static_cast<int32_t>(height);
  layout.rowBytes = (layout.bits * width + 31) / 32 * 4;
  // The masks count as stated only when the header and palette region
  // holds them; a file that names bit fields without them reads as one
  // without.
  layout.masked = (layout.bits == 16 || layout.bits == 32) && HasBitFields(compression) &&
                  layout.dataOffset - kFileHeaderBytes - layout.headerSize >= kMaskBytes;

  // Every stored row must be there, in a memory block as on disk: nothing
  // is allocated for rows that the file does not hold.
  return layout.dataOffset + layout.rowBytes * height <= s.size;
}

// Palette entries as B, G, R, reserved; entries the file does not hold
// stay black, so every index of the pixel data finds an entry.
struct Palette {
  uint8_t entries[256 * 4] = {};
};

// The masks follow the header inside the header and palette region; a
// 16-bit file without them is 5-5-5.
bool ReadMasks(FileStream& s, BmpLayout& layout) {
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (layout.masked) {
    uint8_t raw[kMaskBytes];
    if (!ReadBytes(s, raw, kMaskBytes)) return false;
    for (int i = 0; i < 3; ++i) masks[i] = Get32(raw + 4 * i);
  }
  layout.red = MakeChannelMask(masks[0]);
  layout.green = MakeChannelMask(masks[1]);
  layout.blue = MakeChannelMask(masks[2]);
  return true;
}

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

// Stores one pixel; one of the key colour becomes transparent black.
inline void StorePixel(uint8_t* pixel, uint32_t r, uint32_t g, uint32_t b, int32_t key) {
  if (key != -1 && (r | g << 8 | b << 16) == static_cast<uint32_t>(key)) {
    std::memset(pixel, 0, 4);
  } else {
    pixel[0] = static_cast<uint8_t>(r);
    pixel[1] = static_cast<uint8_t>(g);
    pixel[2] = static_cast<uint8_t>(b);
    pixel[3] = 255;
  }
}

// 16-bit pixels, and 32-bit ones with masks. The masks are copied first:
// the pixel stores may alias anything, and the masks would be read again
// for every pixel.
void DecodeMaskedRow(const uint8_t* row, const BmpLayout& layout, int32_t key, uint8_t* out) {
  const ChannelMask red = layout.red;
  const ChannelMask green = layout.green;
  const ChannelMask blue = layout.blue;
  const size_t width = static_cast<size_t>(layout.width);
  if (layout.bits == 16) {
    for (size_t x = 0; x < width; ++x) {
      const uint32_t v = Get16(row + x * 2);
      StorePixel(out + x * 4, ChannelValue(red, v), ChannelValue(green, v), ChannelValue(blue, v), key);
    }
  } else {
    for (size_t x = 0; x < width; ++x) {
      const uint32_t v = Get32(row + x * 4);
      StorePixel(out + x * 4, ChannelValue(red, v), ChannelValue(green, v), ChannelValue(blue, v), key);
    }
  }
}

// Decodes one stored row into RGBA pixels; pixels of the key colour
// become transparent black.
void DecodeRow(const uint8_t* row, const BmpLayout& layout, const Palette& palette, int32_t key, uint8_t* out) {
  if (layout.bits == 16 || layout.masked) {
    DecodeMaskedRow(row, layout, key, out);
    return;
  }
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
    } else {
      const uint8_t* p = row + x * (layout.bits / 8);
      r = p[2];
      g = p[1];
      b = p[0];
    }
    StorePixel(out + x * 4, r, g, b, key);
  }
}

bool ReadBmp(FileStream& s, ImageBuffer& image, int32_t key) {
  BmpLayout layout;
  Palette palette;
  if (!ReadLayout(s, layout) || !ReadMasks(s, layout) || !ReadPalette(s, layout, palette)) return false;
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
