#include "gfx2d/jpeg_image.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "files/error_log.h"
#include "files/file_stream.h"
#include "files/memory_file.h"
#include "gfx2d/encoded_bytes.h"

// libjpeg reports a fatal error through error_exit, which by default ends
// the process. Here it jumps back to the setjmp of the running decode or
// encode. Every function that calls setjmp holds nothing but that call and
// one call to a worker, so no local object is alive across the jump;
// everything a read or write makes lives in a plain state record in the
// caller's frame and is released there on both ways out.

namespace {

// True when a w x h RGBA picture stays within 2^31 - 1 bytes.
bool PictureFits(uint64_t width, uint64_t height) { return width * height * 4 <= INT32_MAX; }

struct JpegErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer leads back here
  jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1); }

// Warnings and errors are not shown; the caller sees the false answer.
void JpegOutputMessage(j_common_ptr) {}

// A warning of the decoder means corrupt or missing data (the library goes
// on with the damaged blocks filled in), so it ends the decode like an
// error. Only the two warnings about the file's labels, whose picture
// decodes whole, are let pass. Trace messages (levels above -1) are not
// looked at.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level != -1) return;
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM) return;
  JpegErrorExit(cinfo);
}

void JpegErrorSetup(JpegErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = JpegErrorExit;
  err.pub.output_message = JpegOutputMessage;
  err.pub.emit_message = JpegEmitMessage;
}

// The most pixels that n bytes of Huffman-coded data can give: every 8 x 8
// block of a component takes one bit at least (a DC code), so a byte
// codes at most 8 blocks of 64 pixels. An arithmetic-coded file can pack
// a flat picture tighter still; beyond this it is refused all the same.
constexpr uint64_t kMostPixelsPerByte = 8 * 64;

// A libjpeg source over a FileStream. Data that ends before the picture is
// complete is an error: a truncated file is refused, not padded.
struct JpegStreamSource {
  jpeg_source_mgr pub;  // first, so the library's pointer leads back here
  FileStream stream;
  JOCTET buffer[16384];
};

void JpegSourceInit(j_decompress_ptr) {}

boolean JpegSourceFill(j_decompress_ptr cinfo) {
  JpegStreamSource* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
  int64_t n = src->stream.size - src->stream.position;
  if (n > static_cast<int64_t>(sizeof src->buffer)) n = sizeof src->buffer;
  if (n <= 0 || src->stream.position < 0 || !StreamRead(src->stream, src->buffer, static_cast<int32_t>(n))) {
    ERREXIT(cinfo, JERR_INPUT_EOF);
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(n);
  return TRUE;
}

void JpegSourceSkip(j_decompress_ptr cinfo, long count) {
  JpegStreamSource* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
  if (count <= 0) return;
  const size_t skip = static_cast<size_t>(count);
  if (skip <= src->pub.bytes_in_buffer) {
    src->pub.next_input_byte += skip;
    src->pub.bytes_in_buffer -= skip;
    return;
  }
  // Past the buffer: move the stream on; the next fill reads from there,
  // or fails when that lies beyond the end.
  const int64_t ahead = static_cast<int64_t>(skip - src->pub.bytes_in_buffer);
  src->stream.position = ahead > src->stream.size - src->stream.position ? src->stream.size + 1
                                                                          : src->stream.position + ahead;
  src->pub.bytes_in_buffer = 0;
}

void JpegSourceTerm(j_decompress_ptr) {}

// One JPEG decode: the decompressor, its error manager and source, and the
// decoded block.
struct JpegReadState {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  JpegStreamSource source;
  uint8_t* pixels = nullptr;  // malloc
};

bool JpegDecodeSteps(JpegReadState& s) {
  jpeg_create_decompress(&s.cinfo);
  s.source.pub.init_source = JpegSourceInit;
  s.source.pub.fill_input_buffer = JpegSourceFill;
  s.source.pub.skip_input_data = JpegSourceSkip;
  s.source.pub.resync_to_restart = jpeg_resync_to_restart;
  s.source.pub.term_source = JpegSourceTerm;
  s.source.pub.next_input_byte = nullptr;
  s.source.pub.bytes_in_buffer = 0;
  s.cinfo.src = &s.source.pub;
  jpeg_read_header(&s.cinfo, TRUE);
  // Refused before the library sizes its own buffers for the picture: a
  // side longer than a texture's, or more pixels than the file can code.
  const uint64_t pixels = uint64_t{s.cinfo.image_width} * s.cinfo.image_height;
  if (!ImageSidesReadable(s.cinfo.image_width, s.cinfo.image_height) ||
      pixels > kMostPixelsPerByte * static_cast<uint64_t>(s.source.stream.size)) {
    return false;
  }
  s.cinfo.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&s.cinfo);
  const uint64_t width = s.cinfo.output_width;
  const uint64_t height = s.cinfo.output_height;
  const uint64_t components = static_cast<uint64_t>(s.cinfo.output_components);
  // The decoded block, like the RGBA picture made from it, stays within
  // 2^31 - 1 bytes.
  if (width == 0 || height == 0 || components < 1 || !PictureFits(width, height) ||
      width * height * components > INT32_MAX) {
    return false;
  }
  const size_t stride = static_cast<size_t>(width * components);
  s.pixels = static_cast<uint8_t*>(std::malloc(stride * height));
  if (s.pixels == nullptr) return false;
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    JSAMPROW row = s.pixels + static_cast<size_t>(s.cinfo.output_scanline) * stride;
    if (jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) return false;
  }
  jpeg_finish_decompress(&s.cinfo);
  return true;
}

bool JpegDecode(JpegReadState& s) {
  if (setjmp(s.err.jump)) return false;
  return JpegDecodeSteps(s);
}

// A libjpeg destination that gathers the file in memory.
struct JpegBytesDestination {
  jpeg_destination_mgr pub;  // first, so the library's pointer leads back here
  EncodedBytes out;
  JOCTET buffer[16384];
};

void JpegDestinationInit(j_compress_ptr cinfo) {
  JpegBytesDestination* dest = reinterpret_cast<JpegBytesDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = sizeof dest->buffer;
}

boolean JpegDestinationEmpty(j_compress_ptr cinfo) {
  JpegBytesDestination* dest = reinterpret_cast<JpegBytesDestination*>(cinfo->dest);
  if (!EncodedBytesAppend(dest->out, dest->buffer, sizeof dest->buffer)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  JpegDestinationInit(cinfo);
  return TRUE;
}

void JpegDestinationTerm(j_compress_ptr cinfo) {
  JpegBytesDestination* dest = reinterpret_cast<JpegBytesDestination*>(cinfo->dest);
  if (!EncodedBytesAppend(dest->out, dest->buffer, sizeof dest->buffer - dest->pub.free_in_buffer)) {
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  }
}

// One JPEG encode: the compressor, its error manager and destination, and
// the row being converted.
struct JpegWriteState {
  jpeg_compress_struct cinfo;
  JpegErrorManager err;
  JpegBytesDestination dest;
  const uint8_t* pixels = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t* row = nullptr;  // width x 3 bytes (malloc)
};

bool JpegEncodeSteps(JpegWriteState& s) {
  jpeg_create_compress(&s.cinfo);
  s.dest.pub.init_destination = JpegDestinationInit;
  s.dest.pub.empty_output_buffer = JpegDestinationEmpty;
  s.dest.pub.term_destination = JpegDestinationTerm;
  s.cinfo.dest = &s.dest.pub;
  const size_t width = static_cast<size_t>(s.width);
  s.row = static_cast<uint8_t*>(std::malloc(width * 3));
  if (s.row == nullptr) return false;
  s.cinfo.image_width = static_cast<JDIMENSION>(s.width);
  s.cinfo.image_height = static_cast<JDIMENSION>(s.height);
  s.cinfo.input_components = 3;
  s.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&s.cinfo);
  jpeg_set_quality(&s.cinfo, 80, TRUE);
  jpeg_start_compress(&s.cinfo, TRUE);
  while (s.cinfo.next_scanline < s.cinfo.image_height) {
    const uint8_t* in = s.pixels + static_cast<size_t>(s.cinfo.next_scanline) * width * 4;
    for (size_t x = 0; x < width; ++x, in += 4) {
      s.row[x * 3 + 0] = in[2];
      s.row[x * 3 + 1] = in[1];
      s.row[x * 3 + 2] = in[0];
    }
    JSAMPROW row = s.row;
    jpeg_write_scanlines(&s.cinfo, &row, 1);
  }
  jpeg_finish_compress(&s.cinfo);
  return true;
}

bool JpegEncode(JpegWriteState& s) {
  if (setjmp(s.err.jump)) return false;
  return JpegEncodeSteps(s);
}

// a x b / 255 rounded to the nearest, for bytes a and b.
uint8_t MulDiv255(uint32_t a, uint32_t b) {
  const uint32_t x = a * b + 128;
  return static_cast<uint8_t>((x + (x >> 8)) >> 8);
}

}  // namespace

bool JpegReadFile(const char* name, int32_t* width, int32_t* height, int32_t* components, uint8_t** pixels) {
  *width = 0;
  *height = 0;
  *components = 0;
  *pixels = nullptr;
  if (name == nullptr || IsMemoryFileName(name)) return false;
  JpegReadState state{};
  if (!StreamOpen(state.source.stream, name)) return false;
  JpegErrorSetup(state.err);
  state.cinfo.err = &state.err.pub;
  const bool ok = JpegDecode(state);
  jpeg_destroy_decompress(&state.cinfo);
  StreamClose(state.source.stream);
  if (!ok) {
    std::free(state.pixels);
    return false;
  }
  *width = static_cast<int32_t>(state.cinfo.output_width);
  *height = static_cast<int32_t>(state.cinfo.output_height);
  *components = state.cinfo.output_components;
  *pixels = state.pixels;
  return true;
}

bool ImageLoadJpeg(ImageBuffer& image, const char* name) {
  int32_t width = 0;
  int32_t height = 0;
  int32_t components = 0;
  uint8_t* data = nullptr;
  if (!JpegReadFile(name, &width, &height, &components, &data)) {
    ImageBufferRelease(image);
    return false;
  }
  if (components != 1 && components != 3 && components != 4) {
    char line[64];
    std::snprintf(line, sizeof line, "JPEG: Channels: %d not supported!\n", components);
    ErrorLogAppend(line);
    std::free(data);
    ImageBufferRelease(image);
    return false;
  }
  if (!ImageBufferResize(image, width, height)) {
    std::free(data);
    return false;
  }
  image.flag = 0;
  const uint8_t* in = data;
  uint8_t* out = image.pixels;
  const int64_t count = static_cast<int64_t>(width) * height;
  for (int64_t i = 0; i < count; ++i, out += 4, in += components) {
    if (components == 1) {
      out[0] = out[1] = out[2] = in[0];
    } else if (components == 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    } else {
      // Inverted CMYK, as Adobe writes it (and the decoder turns YCCK
      // into): each byte is 255 less the ink, so a colour is its byte
      // times the K byte.
      out[0] = MulDiv255(in[0], in[3]);
      out[1] = MulDiv255(in[1], in[3]);
      out[2] = MulDiv255(in[2], in[3]);
    }
    out[3] = 255;
  }
  std::free(data);
  return true;
}

bool JpegWriteFile(const char* name, const uint8_t* pixels, int32_t width, int32_t height) {
  if (name == nullptr || IsMemoryFileName(name) || pixels == nullptr || width < 1 || height < 1 ||
      !PictureFits(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) {
    return false;
  }
  JpegWriteState state{};
  state.pixels = pixels;
  state.width = width;
  state.height = height;
  JpegErrorSetup(state.err);
  state.cinfo.err = &state.err.pub;
  bool ok = JpegEncode(state);
  jpeg_destroy_compress(&state.cinfo);
  std::free(state.row);
  ok = ok && EncodedBytesWriteFile(state.dest.out, name);
  EncodedBytesFree(state.dest.out);
  return ok;
}
