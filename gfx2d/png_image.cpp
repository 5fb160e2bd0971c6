#include "gfx2d/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/file_stream.h"
#include "files/memory_file.h"
#include "gfx2d/encoded_bytes.h"
#include "gfx2d/opengl_dodevudi.h"

// libpng reports a fatal error by a longjmp back to the last setjmp on its
// structure. Every function below that calls setjmp holds nothing but that
// call and one call to a worker, so no local object is alive across the
// jump; everything a read or write makes lives in a plain state record in
// the caller's frame and is released there on both ways out.

namespace {

// True when a w x h RGBA picture stays within 2^31 - 1 bytes.
bool PictureFits(uint64_t width, uint64_t height) { return width * height * 4 <= INT32_MAX; }

// Deflate codes at most 258 bytes in a few bits: no zlib stream inflates
// to more than about 1032 times its size.
constexpr uint64_t kMostInflatedPerByte = 1032;
// Ancillary chunks (text, palettes and the like) kept from one file.
constexpr png_uint_32 kMostKeptChunks = 128;
// The least room any chunk may take, so that a small file's compressed
// text or colour profile can still be unpacked.
constexpr png_alloc_size_t kLeastChunkRoom = 64 * 1024;

// The error callback never returns: libpng would otherwise print the text
// and jump on its own. The message is not shown; the reader answers false.
void PngErrorCallback(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Warnings (bad ancillary chunks and the like) are not shown. libpng
// reports a chunk longer than its chunk limit as a warning only, and then
// allocates and reads that much all the same: that one ends the read.
void PngWarningCallback(png_structp png, png_const_charp message) {
  if (std::strstr(message, "chunk data is too large") != nullptr) png_error(png, message);
}

// One PNG read: the stream, the libpng structures and the decoded rows.
struct PngReadState {
  FileStream stream;
  png_structp png = nullptr;
  png_infop info = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  size_t rowBytes = 0;
  int channels = 0;
  uint8_t* data = nullptr;   // rowBytes x height (malloc)
  png_bytep* rows = nullptr;  // height row pointers into data (malloc)
};

// Hands libpng exactly the bytes it asks for; data that ends early is an
// error, so a truncated file never decodes from bytes that were not read.
void PngStreamRead(png_structp png, png_bytep buffer, size_t n) {
  FileStream* stream = static_cast<FileStream*>(png_get_io_ptr(png));
  if (n > INT32_MAX || stream->position < 0 || stream->size - stream->position < static_cast<int64_t>(n) ||
      !StreamRead(*stream, buffer, static_cast<int32_t>(n))) {
    png_error(png, "unexpected end of data");
  }
}

// Reads the header and sets the transformations that leave 8-bit grey, RGB
// or RGBA rows. False for a picture this reader does not take.
bool PngReadHeaderSteps(PngReadState& s, const char* name) {
  png_set_read_fn(s.png, &s.stream, PngStreamRead);
  png_read_info(s.png, s.info);
  s.width = png_get_image_width(s.png, s.info);
  s.height = png_get_image_height(s.png, s.info);
  if (!ImageSidesReadable(s.width, s.height)) return false;
  // The filtered rows, a filter byte each, must be what the file's bytes
  // can inflate to; nothing is allocated for a picture they cannot code.
  const uint64_t bits = uint64_t{png_get_channels(s.png, s.info)} * png_get_bit_depth(s.png, s.info);
  const uint64_t filtered = uint64_t{s.height} * (1 + (uint64_t{s.width} * bits + 7) / 8);
  if (filtered > kMostInflatedPerByte * static_cast<uint64_t>(s.stream.size)) return false;

  const int colorType = png_get_color_type(s.png, s.info);
  const int depth = png_get_bit_depth(s.png, s.info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_expand(s.png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand(s.png);
  if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_expand(s.png);
  if (depth == 16) png_set_strip_16(s.png);
  if (depth < 8) png_set_packing(s.png);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);

  s.channels = png_get_channels(s.png, s.info);
  if (s.channels != 1 && s.channels != 3 && s.channels != 4) return false;
  const int outDepth = png_get_bit_depth(s.png, s.info);
  if (outDepth != 8) {
    std::printf("File %s has bit depth %d.\n", name, outDepth);
    std::puts("Only bit depth of 8 is supported.");
    return false;
  }
  const int outType = png_get_color_type(s.png, s.info);
  if (outType != PNG_COLOR_TYPE_GRAY && outType != PNG_COLOR_TYPE_RGB && outType != PNG_COLOR_TYPE_RGB_ALPHA) {
    std::printf("File %s has unsupported color type.\n", name);
    std::puts("Types GRAY, RGB and RGB_ALPHA are supported.");
    return false;
  }
  s.rowBytes = png_get_rowbytes(s.png, s.info);
  return s.rowBytes >= static_cast<size_t>(s.channels) * s.width;
}

bool PngReadHeader(PngReadState& s, const char* name) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  return PngReadHeaderSteps(s, name);
}

// Opens the name, checks the signature and reads the header. What it made
// stays in the state for PngReadClose, whatever the answer.
bool PngReadBegin(PngReadState& s, const char* name) {
  if (!StreamOpen(s.stream, name)) return false;
  uint8_t signature[4] = {0, 0, 0, 0};
  const bool read = StreamRead(s.stream, signature, 4);
  s.stream.position = 0;
  if (!read || signature[1] != 'P' || signature[2] != 'N' || signature[3] != 'G') return false;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback, PngWarningCallback);
  if (s.png == nullptr) return false;
  s.info = png_create_info_struct(s.png);
  if (s.info == nullptr) return false;
  // libpng's own limits: no side longer than a texture's, a bounded number
  // of ancillary chunks kept, and no chunk (nor its unpacked contents)
  // larger than the file, so a length field that claims more is refused
  // before anything is allocated or read for it.
  png_set_user_limits(s.png, kLargestTextureSide, kLargestTextureSide);
  png_set_chunk_cache_max(s.png, kMostKeptChunks);
  const png_alloc_size_t fileBytes = static_cast<png_alloc_size_t>(s.stream.size);
  png_set_chunk_malloc_max(s.png, fileBytes > kLeastChunkRoom ? fileBytes : kLeastChunkRoom);
  return PngReadHeader(s, name);
}

void PngReadRowsSteps(PngReadState& s) { png_read_image(s.png, s.rows); }

bool PngReadRowsJump(PngReadState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  PngReadRowsSteps(s);
  return true;
}

// Decodes every row into one block.
bool PngReadRows(PngReadState& s) {
  s.data = static_cast<uint8_t*>(std::malloc(s.rowBytes * s.height));
  s.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * s.height));
  if (s.data == nullptr || s.rows == nullptr) return false;
  for (uint32_t i = 0; i < s.height; ++i) s.rows[i] = s.data + i * s.rowBytes;
  return PngReadRowsJump(s);
}

void PngReadClose(PngReadState& s) {
  png_destroy_read_struct(&s.png, &s.info, nullptr);
  StreamClose(s.stream);
  std::free(s.rows);
  std::free(s.data);
  s.rows = nullptr;
  s.data = nullptr;
}

// Widens the decoded rows to RGBA, applying the key to RGB pictures.
void PngRowsToImage(const PngReadState& s, ImageBuffer& image, int32_t key) {
  uint8_t* out = image.pixels;
  for (uint32_t y = 0; y < s.height; ++y) {
    const uint8_t* in = s.rows[y];
    for (uint32_t x = 0; x < s.width; ++x, out += 4) {
      if (s.channels == 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = in[3];
        in += 4;
      } else if (s.channels == 3) {
        const int32_t rgb = in[0] | in[1] << 8 | in[2] << 16;
        const bool keyed = key != -1 && rgb == key;
        out[0] = keyed ? 0 : in[0];
        out[1] = keyed ? 0 : in[1];
        out[2] = keyed ? 0 : in[2];
        out[3] = keyed ? 0 : 255;
        in += 3;
      } else {
        out[0] = out[1] = out[2] = in[0];
        out[3] = 255;
        in += 1;
      }
    }
  }
}

// One PNG write: the libpng structures and the encoded file in memory.
struct PngWriteState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  EncodedBytes out;
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
};

void PngStreamWrite(png_structp png, png_bytep data, size_t n) {
  EncodedBytes* out = static_cast<EncodedBytes*>(png_get_io_ptr(png));
  if (!EncodedBytesAppend(*out, data, n)) png_error(png, "out of memory");
}

void PngStreamFlush(png_structp) {}

void PngEncodeSteps(PngWriteState& s) {
  png_set_write_fn(s.png, &s.out, PngStreamWrite, PngStreamFlush);
  png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(s.png, s.info);
  const size_t stride = static_cast<size_t>(s.width) * 4;
  for (int32_t y = 0; y < s.height; ++y) png_write_row(s.png, s.pixels + y * stride);
  png_write_end(s.png, s.info);
}

bool PngEncode(PngWriteState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  PngEncodeSteps(s);
  return true;
}

}  // namespace

bool ImageLoadPng(ImageBuffer& image, const char* name, int32_t key) {
  PngReadState state;
  bool ok = PngReadBegin(state, name) && PngReadRows(state);
  if (ok) {
    // Grey and RGB pictures may hold key-coloured pixels to bleed into; a
    // buffer that gets new storage is marked 1 again by the resize.
    if (state.channels != 4) image.flag = 0;
    ok = ImageBufferResize(image, static_cast<int32_t>(state.width), static_cast<int32_t>(state.height));
    if (ok) PngRowsToImage(state, image, key);
  }
  PngReadClose(state);
  if (!ok) ImageBufferRelease(image);
  return ok;
}

bool PngWriteFile(const char* name, const uint8_t* pixels, int32_t width, int32_t height) {
  if (name == nullptr || IsMemoryFileName(name) || pixels == nullptr || width < 1 || height < 1 ||
      !PictureFits(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
    return false;
  }
  PngWriteState state;
  state.pixels = pixels;
  state.width = width;
  state.height = height;
  state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorCallback, PngWarningCallback);
  if (state.png != nullptr) state.info = png_create_info_struct(state.png);
  bool ok = state.info != nullptr && PngEncode(state);
  png_destroy_write_struct(&state.png, &state.info);
  ok = ok && EncodedBytesWriteFile(state.out, name);
  EncodedBytesFree(state.out);
  return ok;
}
