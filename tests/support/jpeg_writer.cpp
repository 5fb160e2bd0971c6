#include "tests/support/jpeg_writer.h"

bool WriteFlatJpeg(const std::string& path, J_COLOR_SPACE space, const std::vector<uint8_t>& pixel, int32_t width,
                   int32_t height, J_COLOR_SPACE stored) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = static_cast<int>(pixel.size());
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  if (stored != JCS_UNKNOWN) jpeg_set_colorspace(&cinfo, stored);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row;
  for (int32_t x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}
