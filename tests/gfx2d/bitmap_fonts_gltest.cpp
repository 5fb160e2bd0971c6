// Bitmap fonts: the built-in font, fonts loaded from files with their
// measured glyphs, text widths, the font and text commands and font 0 at
// start-up.
#include "gfx2d/bitmap_fonts.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/runtime_main.h"
#include "files/media_resolver.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/font_images.h"
#include "gfx2d/png_image.h"
#include "gfx2d/render_state.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/sprite_fixture.h"

namespace {

// A font picture, every pixel transparent.
ImageBuffer BlankFont(int32_t width, int32_t height) {
  ImageBuffer image;
  EXPECT_TRUE(ImageBufferResize(image, width, height));
  std::memset(image.pixels, 0, static_cast<size_t>(width) * height * 4);
  return image;
}

// Inks columns from..to of character c's cell, one white pixel a column,
// each on another row of the cell, so that every row is looked at.
void InkColumns(ImageBuffer& image, int32_t c, int32_t from, int32_t to) {
  const bool eightRows = image.width >= image.height;
  const int32_t w = image.width / 16;
  const int32_t h = eightRows ? image.height / 8 : image.height / 16;
  for (int32_t k = from; k <= to; ++k) {
    const int32_t x = (c % 16) * w + k;
    const int32_t y = (c / 16) * h + (k * 5 + c) % h;
    std::memset(image.pixels + (static_cast<int64_t>(y) * image.width + x) * 4, 255, 4);
  }
}

// Writes the picture as BMP or PNG by the name's extension. A bitmap has no
// alpha: its transparent pixels go down as black, the font colour key.
bool WriteFont(const std::string& path, const ImageBuffer& picture) {
  if (path.ends_with(".png")) return PngWriteFile(path.c_str(), picture.pixels, picture.width, picture.height);
  ImageBuffer keyed = BlankFont(picture.width, picture.height);
  for (int32_t i = 0; i < picture.width * picture.height; ++i) {
    if (picture.pixels[i * 4 + 3] == 0) {
      std::memcpy(keyed.pixels + i * 4, "\0\0\0\xFF", 4);
    } else {
      std::memcpy(keyed.pixels + i * 4, picture.pixels + i * 4, 4);
    }
  }
  const bool written = BmpWriteFile(path.c_str(), keyed.pixels, keyed.width, keyed.height);
  ImageBufferRelease(keyed);
  return written;
}

struct Glyph {
  int left;
  int width;
  float uLeft;
  float uRight;
};

void ExpectGlyph(const GlyphRecord& glyph, const Glyph& want, int c) {
  EXPECT_EQ(glyph.leftOffset, want.left) << "character " << c;
  EXPECT_EQ(glyph.width, want.width) << "character " << c;
  EXPECT_FLOAT_EQ(glyph.uLeft, want.uLeft) << "character " << c;
  EXPECT_FLOAT_EQ(glyph.uRight, want.uRight) << "character " << c;
}

class BitmapFontTest : public SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    g_errorState.code = 0;
    g_app.currentFont = 0;
  }
  const SpriteRecord& FontSprite(int32_t n) { return engine().sprites[kFontSpriteBase + n]; }
  void ExpectCharSize(int32_t n, int32_t width, int32_t height) {
    int32_t w = -1;
    int32_t h = -1;
    FontCharSize(engine(), n, &w, &h);
    EXPECT_EQ(w, width) << "font " << n;
    EXPECT_EQ(h, height) << "font " << n;
  }

  // Writes the picture to a file of that name and loads it as font n.
  bool LoadFont(int32_t n, const ImageBuffer& picture, const std::string& name) {
    const std::string path = temp_.File(name);
    EXPECT_TRUE(WriteFont(path, picture));
    return FontFromFile(engine(), n, path.c_str());
  }

  // A 256 x 128 font (128 characters in 16 x 16 cells) with known cells.
  bool LoadCellFont(int32_t n) {
    ImageBuffer picture = BlankFont(256, 128);
    InkColumns(picture, 'A', 2, 5);
    InkColumns(picture, 'B', 0, 15);
    InkColumns(picture, 'D', 12, 15);
    InkColumns(picture, 'E', 7, 7);
    InkColumns(picture, 'j', 3, 9);
    InkColumns(picture, ' ', 4, 5);
    const bool loaded = LoadFont(n, picture, "cells.bmp");
    ImageBufferRelease(picture);
    return loaded;
  }
};

TEST_F(BitmapFontTest, BuiltInFontIsItsPictureWithFixedGlyphs) {
  ASSERT_TRUE(LoadCellFont(5));  // built over a loaded font
  FontBuildDefault(engine(), 5);
  const SpriteRecord& sprite = FontSprite(5);
  EXPECT_EQ(sprite.imageWidth, 128);
  EXPECT_EQ(sprite.imageHeight, 64);
  EXPECT_EQ(sprite.textureWidth, 128);
  EXPECT_EQ(sprite.textureHeight, 64);
  EXPECT_EQ(sprite.uMax, 1.0f);
  EXPECT_EQ(sprite.vMax, 1.0f);
  EXPECT_EQ(sprite.mipmappedTexture, 0u);
  glBindTexture(GL_TEXTURE_2D, sprite.texture);
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
  EXPECT_EQ(filter, GL_NEAREST);

  ImageBuffer want;
  ASSERT_TRUE(ImageDefaultFont(want));
  ImageBuffer got;
  ASSERT_TRUE(SpriteToImage(engine(), kFontSpriteBase + 5, got));
  EXPECT_EQ(PictureDifference(got, want), "");
  ImageBufferRelease(got);
  ImageBufferRelease(want);

  for (int c : {0, 32, 65, 127, 128, 200, 255}) {
    const float u = static_cast<float>(c % 16) / 16.0f;
    ExpectGlyph(engine().glyphs[5][c], {0, 8, u, u + 1.0f / 16.0f}, c);
  }
  ExpectCharSize(5, 8, 8);
  EXPECT_EQ(TextWidth(engine(), 5, "abc", false), 24u);
  EXPECT_EQ(TextWidth(engine(), 5, "abc", true), 24u);
}

TEST_F(BitmapFontTest, GlyphsOfA128CharacterFontFile) {
  ASSERT_TRUE(LoadCellFont(3));
  const SpriteRecord& sprite = FontSprite(3);
  EXPECT_EQ(sprite.imageWidth, 256);
  EXPECT_EQ(sprite.imageHeight, 128);
  EXPECT_EQ(sprite.mipmappedTexture, 0u);
  const GlyphRecord* glyphs = engine().glyphs[3];
  const float t = 256.0f;
  const Glyph a = {2, 5, 18 / t, 23 / t};  // columns 2 to 5 and a spacing column
  ExpectGlyph(glyphs['A'], a, 'A');
  ExpectGlyph(glyphs['B'], {0, 16, 32 / t, 48 / t}, 'B');    // the whole cell
  ExpectGlyph(glyphs['C'], {0, 16, 48 / t, 64 / t}, 'C');    // empty: a whole cell
  ExpectGlyph(glyphs['D'], {12, 4, 76 / t, 80 / t}, 'D');    // no room for spacing
  ExpectGlyph(glyphs['E'], {7, 2, 87 / t, 89 / t}, 'E');
  const Glyph j = {3, 8, 163 / t, 171 / t};
  ExpectGlyph(glyphs['j'], j, 'j');
  // The space is as wide as the j, keeping its own left offset.
  ExpectGlyph(glyphs[' '], {4, 8, 0.0f, 8 / t}, ' ');
  // 128 to 255 repeat 0 to 127 as they were measured: 160 before the space
  // took the j's width.
  ExpectGlyph(glyphs['A' + 128], a, 'A' + 128);
  ExpectGlyph(glyphs['j' + 128], j, 'j' + 128);
  ExpectGlyph(glyphs[' ' + 128], {4, 3, 4 / t, 7 / t}, ' ' + 128);

  ExpectCharSize(3, 16, 16);
}

TEST_F(BitmapFontTest, GlyphsOfA256CharacterFontFile) {
  // Taller than wide: 256 characters in cells of 8 x 16.
  ImageBuffer picture = BlankFont(128, 256);
  InkColumns(picture, 200, 1, 2);
  InkColumns(picture, 72, 0, 7);
  // A pixel barely opaque counts as ink.
  picture.pixels[(static_cast<int64_t>(16 * 4) * 128 + 8 * 1 + 6) * 4 + 3] = 1;  // character 65, column 6
  ASSERT_TRUE(LoadFont(2, picture, "tall.png"));
  ImageBufferRelease(picture);
  const float t = 128.0f;
  ExpectGlyph(engine().glyphs[2][200], {1, 3, 65 / t, 68 / t}, 200);
  ExpectGlyph(engine().glyphs[2][72], {0, 8, 64 / t, 72 / t}, 72);
  ExpectGlyph(engine().glyphs[2][65], {6, 2, 14 / t, 16 / t}, 65);
  ExpectCharSize(2, 8, 16);
}

TEST_F(BitmapFontTest, TextWidthFixedAndProportional) {
  ASSERT_TRUE(LoadCellFont(3));
  struct Case {
    const char* text;
    bool proportional;
    uint32_t width;
  };
  const Case cases[] = {
      {"", false, 0},         {"", true, 0},          {"AB", false, 32},    {"AB", true, 21},
      {"A\xC1", true, 10},    {"A\xC1", false, 32},   {" ", true, 8},       {"\xA0", true, 3},
      {"DjE", true, 14},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextWidth(engine(), 3, c.text, c.proportional), c.width) << c.text << " " << c.proportional;
  }
  EXPECT_EQ(TextWidth(engine(), 4, "AB", false), 0u);  // a free font
  EXPECT_EQ(TextWidth(engine(), 32, "AB", true), 0u);
  EXPECT_EQ(TextWidth(engine(), -1, "AB", true), 0u);
}

TEST_F(BitmapFontTest, HostileOrFailedFontFilesLeaveSoundState) {
  // A picture too small for a cell: glyphs 0 wide, and the font counts as free.
  ImageBuffer tiny = BlankFont(15, 15);
  InkColumns(tiny, 0, 0, 0);
  EXPECT_TRUE(LoadFont(31, tiny, "tiny.bmp"));
  ImageBufferRelease(tiny);
  EXPECT_EQ(FontSprite(31).imageWidth, 15);
  ExpectGlyph(engine().glyphs[31]['A'], {0, 0, 0.0f, 0.0f}, 'A');
  EXPECT_EQ(FreeFontNumber(engine()), 31);
  ExpectCharSize(31, 0, 1);
  EXPECT_EQ(TextWidth(engine(), 31, "AB", true), 0u);

  // Cells of no height.
  ImageBuffer flat = BlankFont(32, 7);
  EXPECT_TRUE(LoadFont(30, flat, "flat.png"));
  ImageBufferRelease(flat);
  ExpectGlyph(engine().glyphs[30]['A'], {0, 2, 2 / 32.0f, 4 / 32.0f}, 'A');

  // Cells wider than a glyph can say are refused.
  ASSERT_TRUE(LoadCellFont(6));
  ImageBuffer wide = BlankFont(4096, 16);
  EXPECT_FALSE(LoadFont(6, wide, "wide.png"));
  ImageBufferRelease(wide);
  EXPECT_EQ(FontSprite(6).imageWidth, 0);
  EXPECT_EQ(FontSprite(6).texture, 0u);

  // Files that no reader takes, and no file at all.
  ASSERT_TRUE(LoadCellFont(6));
  WriteFileBytes(temp_.File("junk.png"), "\x89PNG\r\n\x1a\n not really");
  EXPECT_FALSE(FontFromFile(engine(), 6, temp_.File("junk.png").c_str()));
  EXPECT_EQ(FontSprite(6).imageWidth, 0);
  ASSERT_TRUE(LoadCellFont(6));
  EXPECT_FALSE(FontFromFile(engine(), 6, ""));
  EXPECT_EQ(FontSprite(6).imageWidth, 0);

  // Numbers that name no font touch no sprite and no glyph table.
  ImageBuffer picture = BlankFont(32, 32);
  ASSERT_TRUE(SpriteFromImage(engine(), kFontSpriteBase - 1, picture, 0, false));
  ImageBufferRelease(picture);
  const std::string path = temp_.File("cells.bmp");
  for (int32_t n : {-1, 32, 1000}) {
    EXPECT_FALSE(FontFromFile(engine(), n, path.c_str())) << n;
    FontBuildDefault(engine(), n);
    ExpectCharSize(n, 0, 0);
  }
  EXPECT_EQ(engine().sprites[kFontSpriteBase - 1].imageWidth, 32);
  EXPECT_EQ(engine().sprites[kSpriteCount - 1].imageWidth, 0);
}

TEST_F(BitmapFontTest, FreeFontNumberIsTheHighestFree) {
  EXPECT_EQ(FreeFontNumber(engine()), 31);
  for (int32_t n = 0; n < kFontCount; ++n) FontBuildDefault(engine(), n);
  EXPECT_EQ(FreeFontNumber(engine()), -1);
  FontFromFile(engine(), 12, "");
  FontFromFile(engine(), 7, "");
  EXPECT_EQ(FreeFontNumber(engine()), 12);
}

TEST_F(BitmapFontTest, FontCommands) {
  FontSelect(4);
  EXPECT_EQ(g_app.currentFont, 4);
  FontSelect(32);
  EXPECT_EQ(g_errorState.code, kErrorOutOfMemory);
  FontSelect(-1);
  EXPECT_EQ(g_app.currentFont, 4);

  // A load clears the error, loads into font n and makes it current.
  ASSERT_TRUE(LoadCellFont(9));  // writes cells.bmp
  FontLoad(temp_.File("cells.bmp").c_str(), 2);
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(g_app.currentFont, 2);
  EXPECT_EQ(FontSprite(2).imageWidth, 256);

  // A failed load leaves the built-in font.
  FontLoad(temp_.File("missing.bmp").c_str(), 2);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_EQ(FontSprite(2).imageWidth, 128);
  EXPECT_EQ(engine().glyphs[2]['A'].width, 8);

  // A number that names no font changes nothing: not the current font either.
  FontLoad(temp_.File("cells.bmp").c_str(), 40);
  EXPECT_EQ(g_errorState.code, kErrorOutOfMemory);
  EXPECT_EQ(g_app.currentFont, 2);
  EXPECT_EQ(FontSprite(2).imageWidth, 128);

  // An empty name only frees the font.
  FontLoad("", 2);
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(FontSprite(2).imageWidth, 0);
  EXPECT_EQ(g_app.currentFont, 2);
  FontLoad("", 40);
  EXPECT_EQ(g_errorState.code, 0);
}

// Font 0 at start-up: the built-in font, replaced by the first "smalfont"
// file the media resolver finds, and font 0 current in every case.
TEST_F(BitmapFontTest, StartUpFontSearch) {
  struct Case {
    std::vector<std::string> files;
    int32_t width;  // of font 0's picture; each file is another width
    int32_t error;
  };
  const std::pair<std::string, int32_t> widths[] = {
      {"Media/smalfont.png", 160}, {"Media/smalfont.bmp", 176}, {"smalfont.png", 192}, {"smalfont.bmp", 208}};
  const Case cases[] = {
      {{}, 128, 0},
      {{"smalfont.bmp"}, 208, 0},
      {{"smalfont.png", "smalfont.bmp"}, 192, 0},
      {{"Media/smalfont.bmp", "smalfont.png"}, 176, 0},
      {{"Media/smalfont.png", "Media/smalfont.bmp", "smalfont.bmp"}, 160, 0},
      {{"broken"}, 128, kErrorFile},  // Media/smalfont.png that is no picture
  };
  const std::filesystem::path old = std::filesystem::current_path();
  for (const Case& c : cases) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("Media"));
    for (const std::string& file : c.files) {
      if (file == "broken") {
        WriteFileBytes(dir.File("Media/smalfont.png"), "not a picture");
        continue;
      }
      int32_t width = 0;
      for (const auto& [name, w] : widths) {
        if (name == file) width = w;
      }
      ImageBuffer picture = BlankFont(width, 32);
      ASSERT_TRUE(WriteFont(dir.File(file), picture));
      ImageBufferRelease(picture);
    }
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    MediaResolver resolver;
    g_app.mediaResolver = &resolver;
    g_app.currentFont = 7;
    g_errorState.code = 0;
    FontBuildDefault(engine(), 0);
    LoadStartUpFont();
    g_app.mediaResolver = nullptr;
    MediaResolverRelease(resolver);
    std::filesystem::current_path(old);
    EXPECT_EQ(FontSprite(0).imageWidth, c.width) << c.files.size();
    EXPECT_EQ(g_errorState.code, c.error) << c.files.size();
    EXPECT_EQ(g_app.currentFont, 0);
  }
}

// Text drawn into the window (read back before any swap), alpha-blended
// over a blue background.
class PrintTextTest : public BitmapFontTest {
 protected:
  static constexpr uint32_t kBlue = 0x0000FF;
  void SetUp() override {
    BitmapFontTest::SetUp();
    GfxSetBlendMode(-1.0);
    ClearWindow(kBlue);
  }
  // The window shows the picture's pixel where at(x, y) names one that is
  // not transparent, else blue.
  std::string Difference(const ImageBuffer& picture, const std::function<bool(int x, int y, int* px, int* py)>& at) {
    return WindowDifference([&](int x, int y) {
      int px = 0;
      int py = 0;
      if (!at(x, y, &px, &py)) return kBlue;
      const uint32_t rgba = PictureRgba(picture, px, py);
      return (rgba & 0xFF) == 0 ? kBlue : rgba >> 8;
    });
  }
};

TEST_F(PrintTextTest, FixedTextShowsTheBuiltInCells) {
  FontBuildDefault(engine(), 0);
  ImageBuffer font;
  ASSERT_TRUE(ImageDefaultFont(font));
  // The pen starts on the next whole pixel; 0xC1 is 'A' again in an 8-row
  // font, and 0x80 (code 0) ends the text.
  PrintText(engine(), 0, "A\xC1\x80" "A", 10.2, 20.0, 0.0f, false);
  EXPECT_EQ(engine().vertices.count, 8);
  EXPECT_EQ(Difference(font,
                       [](int x, int y, int* px, int* py) {
                         if (x < 11 || x >= 27 || y < 20 || y >= 28) return false;
                         *px = 8 * ('A' % 16) + (x - 11) % 8;
                         *py = 8 * ('A' / 16) + y - 20;
                         return true;
                       }),
            "");
  ImageBufferRelease(font);

  // An empty text draws nothing and leaves the vertex array as it was.
  ClearWindow(kBlue);
  PrintText(engine(), 0, "", 0.0, 0.0, 0.0f, false);
  EXPECT_EQ(engine().vertices.count, 8);
  EXPECT_EQ(WindowDifference([](int, int) { return kBlue; }), "");
}

TEST_F(PrintTextTest, ProportionalTextAdvancesByGlyphWidths) {
  // 8 x 8 cells: 'A' white in columns 2 and 3, 'B' a whole red cell.
  ImageBuffer picture = BlankFont(128, 64);
  for (int y = 32; y < 40; ++y) {
    for (int x = 8 + 2; x <= 8 + 3; ++x) std::memset(picture.pixels + (y * 128 + x) * 4, 255, 4);
    for (int x = 16; x < 24; ++x) std::memcpy(picture.pixels + (y * 128 + x) * 4, "\xFF\0\0\xFF", 4);
  }
  ASSERT_TRUE(LoadFont(4, picture, "ab.png"));
  PrintText(engine(), 4, "AB", 0.0, 0.0, 0.0f, true);    // A is 3 wide, B 8
  PrintText(engine(), 4, "AB", 0.0, 20.0, 0.0f, false);  // 8 each
  EXPECT_EQ(Difference(picture,
                       [](int x, int y, int* px, int* py) {
                         const int row = y < 20 ? y : y - 20;
                         if (row >= 8) return false;
                         int cellX = 0;
                         if (y < 20) {
                           if (x >= 11) return false;
                           cellX = x < 3 ? 8 + 2 + x : 16 + x - 3;
                         } else {
                           if (x >= 16) return false;
                           cellX = 8 + x;
                         }
                         *px = cellX;
                         *py = 32 + row;
                         return true;
                       }),
            "");
  ImageBufferRelease(picture);
}

TEST_F(PrintTextTest, SixteenRowFontsDrawTheUpperCodes) {
  // 8 x 16 cells, 256 characters: byte 0xC1 has a cell of its own.
  ImageBuffer picture = BlankFont(128, 256);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 8; ++x) {
      std::memcpy(picture.pixels + ((16 * 4 + y) * 128 + 8 + x) * 4, "\xFF\xFF\xFF\xFF", 4);       // 'A'
      std::memcpy(picture.pixels + ((16 * 12 + y) * 128 + 8 + x) * 4, "\0\xFF\0\xFF", 4);          // 0xC1
    }
  }
  ASSERT_TRUE(LoadFont(1, picture, "tall.png"));
  PrintText(engine(), 1, "\xC1" "A", 5.0, 5.0, 0.0f, false);
  EXPECT_EQ(Difference(picture,
                       [](int x, int y, int* px, int* py) {
                         if (x < 5 || x >= 21 || y < 5 || y >= 21) return false;
                         *px = 8 + (x - 5) % 8;
                         *py = 16 * (x < 13 ? 12 : 4) + y - 5;
                         return true;
                       }),
            "");
  ImageBufferRelease(picture);
}

TEST_F(PrintTextTest, TextCommandsUseTheCurrentFont) {
  FontBuildDefault(engine(), 0);
  ASSERT_TRUE(LoadCellFont(3));  // 16 x 16 cells, 'B' inked in every column
  struct Case {
    int32_t font;
    int32_t cell;
  };
  for (const Case& c : {Case{0, 8}, Case{3, 16}}) {
    FontSelect(c.font);
    int32_t w = 0;
    int32_t h = 0;
    FontGetCharSizeI(&w, &h);
    double wf = 0;
    double hf = 0;
    FontGetCharSize(&wf, &hf);
    EXPECT_EQ(w, c.cell) << c.font;
    EXPECT_EQ(h, c.cell) << c.font;
    EXPECT_EQ(wf, c.cell) << c.font;
    EXPECT_EQ(hf, c.cell) << c.font;
    EXPECT_EQ(TextGetWidth("BBB", 0), 3 * c.cell) << c.font;

    // Something is drawn, and only inside the text's cell.
    ClearWindow(kBlue);
    TextDraw("B", 10.0, 12.0, 0);
    bool drawn = false;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        if (PixelAt(x, y) == kBlue) continue;
        drawn = true;
        EXPECT_TRUE(x >= 10 && x < 10 + c.cell && y >= 12 && y < 12 + c.cell) << x << "," << y;
      }
    }
    EXPECT_TRUE(drawn) << c.font;
  }
  EXPECT_EQ(FontFreeNumber(), 31);
}

}  // namespace
