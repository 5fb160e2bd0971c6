// Writes the seed corpora of the fuzz targets, made by the project itself:
// pictures, models and packs through the runtime's own writers and the test
// fixtures' builders, texts written out here. The PNG suite of the outside
// test data, when it is there, seeds the PNG target as well.
//
// usage: make_seeds OUTPUT_DIR [TESTDATA_DIR]   (OUTPUT_DIR/<target>/<seed>)
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "files/pack_stream.h"
#include "gfx2d/bmp_image.h"
#include "gfx2d/jpeg_image.h"
#include "gfx2d/png_image.h"
#include "gfx3d/ddd_file.h"
#include "gfx3d/mesh_records.h"
#include "net/net_session.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/media_encoder.h"
#include "tests/support/media_pack_builder.h"
#include "tests/support/mesh_fixture.h"
#include "tests/support/raw_peer.h"
#include "tests/support/sound_fixture.h"

namespace fs = std::filesystem;

namespace {

fs::path g_out;
int g_failures = 0;

void Seed(const char* target, const std::string& name, const std::string& bytes) {
  const fs::path dir = g_out / target;
  fs::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "make_seeds: cannot write %s/%s\n", target, name.c_str());
    ++g_failures;
  }
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file made by one of the runtime's writers, read back as bytes.
template <typename Write>
std::string Written(const char* name, Write write) {
  const fs::path path = g_out / name;
  if (!write(path.string().c_str())) {
    std::fprintf(stderr, "make_seeds: the writer failed for %s\n", name);
    ++g_failures;
    return "";
  }
  std::string bytes = ReadFile(path);
  fs::remove(path);
  return bytes;
}

// w x h RGBA pixels of a pattern, some of them magenta (the colour key).
std::vector<uint8_t> Pattern(int w, int h) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool key = (x + y) % 5 == 0;
      pixels.push_back(static_cast<uint8_t>(key ? 255 : x * 37));
      pixels.push_back(static_cast<uint8_t>(key ? 0 : y * 59));
      pixels.push_back(static_cast<uint8_t>(key ? 255 : (x ^ y) * 11));
      pixels.push_back(255);
    }
  }
  return pixels;
}

void Put(std::string& s, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(value >> (8 * i));
}

// A bitmap of the depth with a 40-byte header and a grey palette where the
// depth has one, else the bit-field masks given; rows of bytes counting
// up, each padded to 4 bytes.
std::string BitmapOfDepth(int width, int height, uint32_t bits, uint32_t compression,
                          std::initializer_list<uint32_t> masks = {}) {
  std::string palette;
  for (const uint32_t mask : masks) Put(palette, mask, 4);
  if (bits <= 8) {
    for (uint32_t i = 0; i < (1u << bits); ++i) Put(palette, i * 0x010101u * (255 / ((1u << bits) - 1)), 4);
  }
  const uint32_t stride = (static_cast<uint32_t>(width) * bits + 31) / 32 * 4;
  std::string rows;
  for (uint32_t i = 0; i < stride * static_cast<uint32_t>(height < 0 ? -height : height); ++i) {
    rows += static_cast<char>(i * 7);
  }
  std::string s = "BM";
  Put(s, 54 + static_cast<uint32_t>(palette.size() + rows.size()), 4);
  Put(s, 0, 4);
  Put(s, 54 + static_cast<uint32_t>(palette.size()), 4);
  Put(s, 40, 4);
  Put(s, static_cast<uint32_t>(width), 4);
  Put(s, static_cast<uint32_t>(height), 4);
  Put(s, 1, 2);
  Put(s, bits, 2);
  Put(s, compression, 4);
  for (int i = 0; i < 5; ++i) Put(s, 0, 4);
  return s + palette + rows;
}

void ImageSeeds(const std::string& testdata) {
  for (const std::pair<int, int>& size2 : {std::pair{1, 1}, std::pair{3, 2}, std::pair{16, 9}}) {
    const int w = size2.first;
    const int h = size2.second;
    const std::vector<uint8_t> pixels = Pattern(w, h);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    const std::string bmp = Written("seed.bmp", [&](const char* p) { return BmpWriteFile(p, pixels.data(), w, h); });
    const std::string png = Written("seed.png", [&](const char* p) { return PngWriteFile(p, pixels.data(), w, h); });
    const std::string jpg =
        Written("seed.jpg", [&](const char* p) { return JpegWriteFile(p, pixels.data(), w, h); });
    // The image targets take one byte (the colour key) before the file.
    Seed("bmp_image", "written-" + size + ".bmp", std::string(1, '\0') + bmp);
    Seed("png_image", "written-" + size + ".png", std::string(1, '\1') + png);
    Seed("jpeg_image", "written-" + size + ".jpg", jpg);
  }
  for (const uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
    Seed("bmp_image", "depth-" + std::to_string(bits) + ".bmp", std::string(1, '\1') + BitmapOfDepth(5, 3, bits, 0));
  }
  Seed("bmp_image", "top-down.bmp", std::string(1, '\1') + BitmapOfDepth(4, -3, 24, 0));
  Seed("bmp_image", "bitfields.bmp", std::string(1, '\1') + BitmapOfDepth(4, 2, 32, 3));
  Seed("bmp_image", "bitfields-565.bmp",
       std::string(1, '\1') + BitmapOfDepth(5, 3, 16, 3, {0xF800, 0x07E0, 0x001F}));
  Seed("bmp_image", "bitfields-4444.bmp",
       std::string(1, '\0') + BitmapOfDepth(5, 3, 16, 6, {0x0F00, 0x00F0, 0x000F, 0xF000}));
  Seed("bmp_image", "bitfields-10-10-10.bmp",
       std::string(1, '\1') + BitmapOfDepth(3, 2, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}));
  Seed("bmp_image", "rle8.bmp", std::string(1, '\1') + BitmapOfDepth(4, 2, 8, 1));
  // Adobe's CMYK, stored as CMYK and as YCCK.
  for (const J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
    Seed("jpeg_image", stored == JCS_CMYK ? "cmyk.jpg" : "ycck.jpg", Written("seed.jpg", [&](const char* p) {
           return WriteFlatJpeg(p, JCS_CMYK, {200, 40, 120, 230}, 9, 5, stored);
         }));
  }

  const fs::path suite = fs::path(testdata) / "pngsuite" / "png";
  std::error_code error;
  if (!testdata.empty() && fs::is_directory(suite, error)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(suite, error)) {
      if (entry.path().extension() != ".png") continue;
      Seed("png_image", "suite-" + entry.path().filename().string(), std::string(1, '\1') + ReadFile(entry.path()));
    }
  }
}

void PackSeeds() {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"A.bin", std::string(300, 'a') + "tail"}, {"b.txt", "hello, hello, hello\n"}, {"level.ini", "[a]\nk=v\n"}};
  Seed("media_pack", "positive", MediaPackBytes(LayoutMediaPack("#!program", files, false)));
  Seed("media_pack", "negative", MediaPackBytes(LayoutMediaPack("#!program", files, true)));
  Seed("media_pack", "empty-entry", MediaPackBytes(LayoutMediaPack("", {{"a.bin", ""}}, false)));

  static PackStream stream;
  for (const std::string& text :
       {std::string(""), std::string("abcabcabcabcabc"), std::string(5000, 'z'), std::string("the packer's own format")}) {
    for (const int32_t mode : {0, 1}) {
      stream.mode = mode;
      const int32_t n = PackStreamPack(stream, reinterpret_cast<const uint8_t*>(text.data()),
                                       static_cast<int32_t>(text.size()));
      Seed("pack_stream", "mode" + std::to_string(mode) + "-" + std::to_string(text.size()),
           std::string(1, static_cast<char>(mode)) + std::string(reinterpret_cast<const char*>(stream.output),
                                                                 static_cast<size_t>(n)));
    }
  }
  PackStreamReset(stream);
}

void TextSeeds() {
  const char* const ini[] = {
      "; settings\r\n[Window]\r\nwidth = 640\r\nheight=480\r\n\r\n[Sound]\r\nvolume=80\r\n",
      "loose=before any header\n[a]\nk=1\n[A]\nK=2\n[empty]\n[b] trailing\n key = value with blanks \t\r\n",
      "[x]\nk=\x01\x02\n=novalue\nnoequals\n[y\nz=1",
  };
  int i = 0;
  for (const char* text : ini) {
    Seed("ini_document", "ini" + std::to_string(i), text);
    Seed("section_reader", "ini" + std::to_string(i), text);
    ++i;
  }
  Seed("section_reader", "long-line", "[s]\nk=" + std::string(1500, 'v') + "\nnext=1\n");

  // The line targets take a room byte and a repeat byte (line_reading), or
  // a repeat byte and a line number (line_store), before the text.
  const std::string lines = "one\r\ntwo\nthree\r\r\n\n" + std::string(1100, 'L') + "\r\nlast";
  Seed("line_reading", "mixed", std::string("\xC0\x01", 2) + lines);
  Seed("line_reading", "small-room", std::string("\x05\x03", 2) + "ab\r\ncdefgh\r\nij\rkl\n");
  Seed("line_reading", "windows", std::string("\xC0\x20", 2) + std::string(700, 'w') + "\n");
  Seed("line_store", "mixed", std::string("\x00\x03", 2) + lines);
  Seed("line_store", "many", std::string("\x1F\xFF", 2) + "line\r\n2\r\n3\n");

  const char* const numbers[] = {"0", "-12", "  +3.5e10", "1e400", "4.9e-324", ".5", "5.", "0x10", "12abc",
                                 "2147483648", "-9223372036854775809", "1.7976931348623157e308", "\t-0.0", "1e-",
                                 "99999999999999999999999", "0.1000000015"};
  i = 0;
  for (const char* text : numbers) Seed("number_parse", "n" + std::to_string(i++), text);

  const char* const keys[] = {"", "k", "a longer key of the cipher"};
  i = 0;
  for (const char* key : keys) {
    const RtString hex = EncipherToHex(key, "secret text for the cipher");
    Seed("hex_decipher", "k" + std::to_string(i++),
         std::string(1, static_cast<char>(std::strlen(key))) + key + std::string(hex.text, hex.length));
  }
}

void ModelSeeds() {
  Seed("ddd_model", "quad", QuadModelBytes());
  // A version 1.02 model: packed positions with an offset and a scale.
  ByteBuilder old;
  old.U32(0x00C6B317).F64(1.02).I32(1).I32(2).I32(3);
  old.U32(0xFFFFFFFE).U32(0x00FF8040);
  for (int t = 0; t < 3; ++t) old.F32(0.25f * t).F32(1.0f - 0.25f * t);
  old.I32(3).F32(1).F32(1).F32(1).F32(0.5f).F32(0.5f).F32(0.5f);
  for (int n = 0; n < 3; ++n) old.U8(static_cast<uint8_t>(n * 9)).U8(3).U8(static_cast<uint8_t>(n)).U8(7).U8(1);
  Seed("ddd_model", "version-1.02", old.bytes);
  // A saved mesh of two frames.
  MeshObject mesh;
  AddFrame(mesh, NodesFromIds({-3, 1, 2, 3, 4}));
  AddFrame(mesh, NodesFromIds({-3, 5, 6, 7, 8}));
  MeshBuildPalette(mesh);
  Seed("ddd_model", "saved-two-frames", Written("seed.ddd", [&](const char* p) { return MeshSave(mesh, p); }));

  const char* const ddda[] = {
      "DDDA 1.0\n2 0 0 1 1\n1 255 128 0 3 0 0 1 1 2 0\n1\n3 0 0 0 1 0 0 0 1 0\n",
      "DDDA 1.1 # with normals\n0\n2 10 20 30 3 0 0 1 0 2 0 40 50 60 3 2 0 1 0 0 0\n"
      "2\n3 0 0 0 0 0 1 1 0 0 0 0 1 0 1 0 0 0 1\n3 0 0 2 0 0 1 1 0 2 0 0 1 0 1 2 0 0 1\n",
  };
  int i = 0;
  for (const char* text : ddda) {
    Seed("ddda_model", "text" + std::to_string(i), text);
    Seed("ddd_model", "text" + std::to_string(i), text);
    ++i;
  }

  // Scenes name the files the scene target writes beside them.
  Seed("scene_file", "models-and-textures",
       ";DDW scene\r\n[textures]\r\ncount=2\r\n1=wall.bmp\r\n2=floor.png\r\n[objects]\r\ncount=2\r\n1=quad.ddd\r\n"
       "2=tri.ddda\r\n1ta=1\r\n1tb=2\r\n2ta=2\r\n");
  Seed("scene_file", "damaged-counts",
       ";DDW\n[Objects]\ncount=99\n1=quad.ddd\n2=missing.ddd\n3ta=-4\n[TEXTURES]\ncount=-1\n1=wall.bmp\n");
}

void SoundSeeds() {
  // One byte (the number of voices) before the file.
  Seed("wav_sound", "mono8", std::string(1, '\1') + WavFile(1, 8000, 8, "\x80\x90\xA0\xB0"));
  Seed("wav_sound", "stereo16", std::string(1, '\4') + WavFile(2, 22050, 16, Pcm16({1, -1, 300, -300, 0, 5})));
  Seed("wav_sound", "list-chunk",
       std::string(1, '\2') + WavRiff(WavChunk("LIST", std::string("INFOIART\x05\0\0\0abcd\0", 17)) + std::string(1, '\0') +
                                      WavChunk("fmt ", WavFormat(1, 11025, 16)) + WavChunk("data", Pcm16({7, 8}))));
  Seed("wav_sound", "extensible",
       std::string(1, '\1') + WavRiff(WavChunk("fmt ", WavExtensibleFormat(2, 22050, 16, 1)) +
                                      WavChunk("data", Pcm16({1, 2, 3, 4}))));
  Seed("wav_sound", "long-format",
       std::string(1, '\3') + WavRiff(WavChunk("fmt ", WavFormat(2, 44100, 16) + std::string("\0\0", 2)) +
                                      WavChunk("fact", "\x04\0\0\0") + WavChunk("data", Pcm16({1, 2, 3, 4}))));
}

std::string Frame(uint8_t type, uint16_t recipient, uint16_t sender, const std::string& payload) {
  RawFrame frame;
  frame.type = type;
  frame.recipient = recipient;
  frame.sender = sender;
  frame.payload = payload;
  return FrameBytes(frame);
}

void MovieSeeds() {
  TestMovie pictures;
  pictures.colours = {0xFF0000, 0x00FF00, 0x0000FF};
  TestMovie withSound = pictures;
  withSound.width = 16;
  withSound.height = 8;
  withSound.sound = ToneSamples(2, 22050, 2205);
  // MPEG-4 with B-frames: the decoder drains the last pictures untimed.
  TestMovie bFrames = pictures;
  bFrames.bFrames = 2;
  bFrames.colours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};
  // H.264 with x264's B-frames, reordered two deep: the decoder hands the
  // pictures out with the times of later packets.
  TestMovie h264 = bFrames;
  h264.width = 64;
  h264.height = 48;
  h264.h264 = true;
  h264.bFrames = 0;
  std::vector<TestMovie> movies = {pictures, withSound, bFrames};
  if (CanWriteH264Movies()) movies.push_back(h264);
  int i = 0;
  for (const TestMovie& movie : movies) {
    Seed("movie_file", "movie" + std::to_string(i++),
         Written("seed.avi", [&](const char* p) { return WriteMovieFile(p, movie); }));
  }
}

void MusicSeeds() {
  const struct {
    int channels;
    int rate;
    int frames;
  } tunes[] = {{2, 22050, 2205}, {1, 8000, 1200}, {2, 44100, 3000}, {1, 16000, 400}};
  std::string first;
  for (const auto& t : tunes) {
    const std::string bytes = Written("seed.mp3", [&](const char* p) {
      return WriteMp3File(p, ToneSamples(t.channels, t.rate, t.frames), t.channels, t.rate);
    });
    if (first.empty()) first = bytes;
    Seed("music_file", std::to_string(t.channels) + "ch-" + std::to_string(t.rate) + "hz", bytes);
  }
  // An ID3 tag before the frames, and the frames cut off in the middle.
  Seed("music_file", "id3-tag", std::string("ID3\x03\0\0\0\0\0\x0BTIT2\0\0\0\x01\0\0\0", 21) + first);
  Seed("music_file", "cut-short", first.substr(0, first.size() / 2));
}

void NetSeeds() {
  // Two bytes seeding the split before each stream.
  const std::string split = std::string("\x07\x00", 2);
  const std::string peer = Frame(kMsgRegister, 0, 0, RegisterPayload("peer", false)) +
                           Frame(kMsgRegister, 0, 0, RegisterPayload("asker", true)) +
                           Frame(kMsgText, 101, 102, "hello host") + Frame(kMsgText, 0xFFFF, 102, "to everyone") +
                           Frame(kMsgPlayerCount, 0, 103, "") + Frame(kMsgPlayerId, 0, 103, U16(0)) +
                           Frame(kMsgPlayerName, 0, 103, U16(101)) + Frame(kMsgHello, 0, 103, "") +
                           Frame(kMsgLeave, 0, 102, "");
  Seed("session_host", "peer", split + peer);
  Seed("session_host", "cut-short", split + peer.substr(0, peer.size() - 3));
  Seed("session_host", "too-long", split + Frame(kMsgText, 101, 102, "x") + std::string("\x03\xFF\x7F\x65\0\0\0", 7));

  const std::string server = Frame(kMsgText, 101, 7, "first") + Frame(kMsgText, 101, 8, "second") +
                             Frame(kMsgText, 999, 8, "not ours") + Frame(kMsgIdAssigned, 105, 0, "") +
                             Frame(kMsgPlayerCount, 200, 0, U16(3)) + Frame(kMsgText, 101, 9, std::string(1023, 'm'));
  Seed("session_join", "texts", split + server);
  Seed("session_join", "cut-short", split + server.substr(0, server.size() - 100));

  // One byte before the response: the buffer's room and whether a file is
  // written.
  Seed("http_download", "plain", split + std::string(1, '\x10') + "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello");
  Seed("http_download", "bare-newlines", split + std::string(1, '\x03') + "HTTP/1.1 404 Not Found\n\nmissing\n");
  Seed("http_download", "no-body", split + std::string(1, '\x00') + "HTTP/1.0 204 No Content\r\n\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_seeds OUTPUT_DIR [TESTDATA_DIR]\n");
    return 2;
  }
  g_out = argv[1];
  fs::create_directories(g_out);
  ImageSeeds(argc > 2 ? argv[2] : "");
  PackSeeds();
  TextSeeds();
  ModelSeeds();
  SoundSeeds();
  MovieSeeds();
  MusicSeeds();
  NetSeeds();
  return g_failures == 0 ? 0 : 1;
}
