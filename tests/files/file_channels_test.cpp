#include "files/file_channels.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "files/media_resolver.h"
#include "files/memory_file.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/media_pack_builder.h"
#include "tests/support/test_env.h"

namespace {

void PrintCodeAtExit() {
  std::atexit([] { std::fprintf(stderr, "code %d\n", g_errorState.code); });
}

// The statement must end the program with the error code.
#define EXPECT_FATAL(statement, code)                     \
  EXPECT_EXIT(                                            \
      {                                                   \
        PrintCodeAtExit();                                \
        statement;                                        \
        std::fputs("went on\n", stderr);                  \
      },                                                  \
      testing::ExitedWithCode(0), "^code " #code "\n$")

// Lets the process take at most 1 GiB more address space, so that a
// huge allocation fails at once instead of succeeding slowly.
void LimitAddressSpace() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  unsigned long long pages = 0;
  if (statm == nullptr || std::fscanf(statm, "%llu", &pages) != 1) std::abort();
  std::fclose(statm);
  const rlimit limit{pages * 4096 + (1ull << 30), RLIM_INFINITY};
  setrlimit(RLIMIT_AS, &limit);
}

class FileChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    g_app.mediaResolver = &resolver_;
    ClearLastError();
  }
  void TearDown() override {
    FileCloseAll();
    MediaResolverRelease(resolver_);
    g_app.mediaResolver = nullptr;
    ClearLastError();
  }
  RtString Path(const std::string& name) const { return RtString(dir_.File(name).c_str()); }

  ScratchDir dir_;
  ScopedEnv tmp_{"TMPDIR", dir_.path()};
  MediaResolver resolver_;
};

TEST_F(FileChannelTest, TypedValuesRoundTripLittleEndian) {
  ASSERT_EQ(FileChannelOpen(2, Path("values.bin"), 0), 1);
  EXPECT_EQ(FileChannelWriteLine(2, "line one"), 1);
  EXPECT_EQ(FileChannelWriteLine(2, ""), 1);
  EXPECT_EQ(FileChannelWriteLine(2, "-42"), 1);
  EXPECT_EQ(FileChannelWriteLine(2, " 2.5e1x"), 1);
  EXPECT_EQ(FileChannelWriteStr(2, "raw"), 1);
  EXPECT_EQ(FileChannelWriteStr(2, ""), 1);
  FileChannelWriteF32(2, 1.5);
  FileChannelWriteF32(2, 1e300);  // beyond the float range: infinity
  FileChannelWriteF64(2, -0.125);
  FileChannelWriteU32(2, 0xDEADBEEF);
  FileChannelWriteI32(2, -2);
  FileChannelWriteU16(2, 0x1FFFE);  // the low bytes only
  FileChannelWriteI16(2, -2);
  FileChannelWriteU8(2, 0x1FF);
  FileChannelWriteI8(2, -128);
  EXPECT_EQ(FileChannelPos(2), 0);
  EXPECT_TRUE(FileChannelAtEnd(2));
  FileChannelClose(2);

  const std::string bytes = ReadFileBytes(dir_.File("values.bin"));
  EXPECT_EQ(bytes.substr(0, 28), "line one\r\n\r\n-42\r\n 2.5e1x\r\nra");
  EXPECT_EQ(bytes.substr(bytes.size() - 6), std::string("\xFE\xFF\xFE\xFF\xFF\x80", 6));

  ASSERT_EQ(FileChannelOpen(5, Path("values.bin"), 1), 1);
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(FileChannelPos(5), 0);
  EXPECT_FALSE(FileChannelAtEnd(5));
  RtString line;
  FileChannelReadLine(5, line);
  EXPECT_STREQ(line.c_str(), "line one");
  EXPECT_EQ(line.length, 8u);
  FileChannelReadLine(5, line);
  EXPECT_EQ(line.length, 0u);
  int32_t i = 0;
  FileChannelReadInt(5, i);
  EXPECT_EQ(i, -42);
  double d = 0;
  FileChannelReadNumber(5, d);
  EXPECT_EQ(d, 25.0);
  RtString raw;
  FileChannelReadStr(5, raw, 3);
  EXPECT_EQ(raw.length, 3u);
  EXPECT_STREQ(raw.c_str(), "raw");
  FileChannelReadF32(5, d);
  EXPECT_EQ(d, 1.5);
  FileChannelReadF32(5, d);
  EXPECT_TRUE(std::isinf(d) && d > 0);
  FileChannelReadF64(5, d);
  EXPECT_EQ(d, -0.125);
  FileChannelReadU32(5, i);
  EXPECT_EQ(static_cast<uint32_t>(i), 0xDEADBEEFu);
  FileChannelReadI32(5, i);
  EXPECT_EQ(i, -2);
  FileChannelReadU16(5, i);
  EXPECT_EQ(i, 65534);
  FileChannelReadI16(5, i);
  EXPECT_EQ(i, -2);
  FileChannelReadU8(5, i);
  EXPECT_EQ(i, 255);
  FileChannelReadI8(5, i);
  EXPECT_EQ(i, -128);
  EXPECT_TRUE(FileChannelAtEnd(5));
  RtString empty("x");
  FileChannelReadStr(5, empty, 0);  // the channel is not touched
  EXPECT_EQ(empty.length, 0u);
}

TEST_F(FileChannelTest, SeeksClampAndMoveTheWritePointer) {
  WriteFileBytes(dir_.File("ten.bin"), "0123456789");
  ASSERT_EQ(FileChannelOpen(0, Path("ten.bin"), 1), 1);
  struct Case {
    int64_t offset;
    int32_t mode;
    int64_t position;
  };
  for (const Case& c : {Case{-4, -1, 6}, Case{2, 1, 8}, Case{-100, 1, 0}, Case{3, 0, 3}, Case{-1, 0, 0},
                        Case{INT64_MIN, -1, 0}, Case{INT64_MAX, -1, INT64_MAX}}) {
    FileChannelSeek(0, c.offset, c.mode);
    EXPECT_EQ(FileChannelPos(0), c.position) << c.offset << " " << c.mode;
  }
  int32_t v = 0;
  RtString s;
  FileChannelSeek(0, INT64_MAX - 1, 0);
  EXPECT_FATAL(FileChannelReadU32(0, v), 3);
  EXPECT_FATAL(FileChannelReadStr(0, s, 8), 3);
  FileChannelSeek(0, 6, 0);
  FileChannelReadU8(0, v);
  EXPECT_EQ(v, '6');

  ASSERT_EQ(FileChannelOpen(1, Path("ten.bin"), -1), 1);  // append
  FileChannelWriteStr(1, "AB");
  FileChannelSeek(1, 2, 0);
  FileChannelWriteStr(1, "xy");
  FileChannelClose(1);
  EXPECT_EQ(ReadFileBytes(dir_.File("ten.bin")), "01xy456789AB");
  FileChannelClose(7);  // closing a closed channel is harmless
  FileChannelSeek(7, 5, 0);
  EXPECT_EQ(FileChannelPos(7), 0);
}

// A channel opened for writing reads where its file pointer stands: behind
// what it wrote, or where a seek put it; reads and writes take turns through
// the file.
TEST_F(FileChannelTest, WriteChannelReadsAtItsFilePointer) {
  ASSERT_EQ(FileChannelOpen(3, Path("rw.bin"), 0), 1);
  FileChannelWriteStr(3, "abc");
  int32_t v = 0;
  RtString s;
  EXPECT_FATAL(FileChannelReadU8(3, v), 3);  // nothing behind what was written
  EXPECT_FATAL(FileChannelReadLine(3, s), 3);
  EXPECT_FATAL(FileChannelReadStr(3, s, 1), 3);
  FileChannelSeek(3, 1, 0);
  FileChannelReadU8(3, v);
  EXPECT_EQ(v, 'b');
  EXPECT_EQ(FileChannelPos(3), 2);
  FileChannelWriteStr(3, "Z");  // lands behind the byte read
  FileChannelSeek(3, 0, 0);
  FileChannelReadStr(3, s, 3);
  EXPECT_STREQ(s.c_str(), "abZ");
  FileChannelWriteLine(3, "line");
  FileChannelWriteLine(3, "next");
  FileChannelSeek(3, 3, 0);
  FileChannelReadLine(3, s);
  EXPECT_STREQ(s.c_str(), "line");
  FileChannelWriteStr(3, "NE");  // over the next line's start
  EXPECT_EQ(FileChannelPos(3), 9);
  FileChannelClose(3);
  EXPECT_EQ(ReadFileBytes(dir_.File("rw.bin")), "abZline\r\nNExt\r\n");

  // An appending channel has no read access.
  ASSERT_EQ(FileChannelOpen(4, Path("rw.bin"), -1), 1);
  FileChannelSeek(4, 0, 0);
  EXPECT_FATAL(FileChannelReadU8(4, v), 3);
}

TEST_F(FileChannelTest, WritingReplacesWhatHadTheName) {
  WriteFileBytes(dir_.File("old.txt"), "old contents");
  ASSERT_EQ(FileChannelOpen(0, Path("old.txt"), 0), 1);
  FileChannelWriteStr(0, "new");
  FileChannelClose(0);
  EXPECT_EQ(ReadFileBytes(dir_.File("old.txt")), "new");
  ASSERT_EQ(mkdir(dir_.File("was_a_dir").c_str(), 0700), 0);
  ASSERT_EQ(FileChannelOpen(0, Path("was_a_dir"), 0), 1);
  FileChannelClose(0);
}

TEST_F(FileChannelTest, OpenFailures) {
  EXPECT_EQ(FileChannelOpen(8, Path("x"), 0), 0);
  EXPECT_EQ(g_errorState.code, kErrorOutOfMemory);
  EXPECT_EQ(FileChannelOpen(0, Path("missing.txt"), 1), 0);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_EQ(FileChannelOpen(0, Path("no/such/folder/x"), 0), 0);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_EQ(FileChannelOpen(0, "mem://       4.    1000", -1), 0);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  // A name one byte too long is refused; it is never cut to the 1023 bytes
  // that would name another file.
  std::string cut = dir_.path();
  while (cut.size() + 201 < 1023) {
    cut += "/" + std::string(200, 'd');
    ASSERT_EQ(mkdir(cut.c_str(), 0700), 0);
  }
  const size_t fill = 1023 - cut.size() - 1;
  cut.append("/").append(fill, 'f');
  ASSERT_EQ(cut.size(), 1023u);
  EXPECT_EQ(FileChannelOpen(0, (cut + "g").c_str(), 0), 0);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_FALSE(FileExists(cut));
  EXPECT_EQ(FileChannelOpen(0, cut.c_str(), 0), 1);
  EXPECT_TRUE(FileExists(cut));
  FileChannelClose(0);
  EXPECT_EQ(FileChannelFree(), 0);
  FileChannelClose(0);
  EXPECT_EQ(g_errorState.code, 0);
}

TEST_F(FileChannelTest, MemoryChannels) {
  std::vector<uint8_t> block = {'a', '\r', '\n', 'b', 0xFE, 0xFF};
  const std::string name = MemoryFilePublish(block.data(), static_cast<uint32_t>(block.size()));
  ASSERT_EQ(FileChannelOpen(0, name.c_str(), 1), 1);
  EXPECT_EQ(FileChannelFree(), 1);  // a channel on a memory block is in use
  RtString line;
  FileChannelReadLine(0, line);
  EXPECT_STREQ(line.c_str(), "a");
  FileChannelSeek(0, -100, 1);  // clamps to the start
  EXPECT_EQ(FileChannelPos(0), 0);
  FileChannelSeek(0, -2, -1);
  int32_t v = -1;
  FileChannelReadU32(0, v);  // only two bytes left: the rest reads as 0
  EXPECT_EQ(v, 0xFFFE);
  EXPECT_TRUE(FileChannelAtEnd(0));
  FileChannelReadU8(0, v);
  EXPECT_EQ(v, 0);
  FileChannelSeek(0, INT64_MAX, 0);  // past the end of a block: a failed read
  EXPECT_FATAL(FileChannelReadU32(0, v), 3);
  EXPECT_FATAL(FileChannelWriteStr(0, "x"), 3);
  FileChannelClose(0);
  MemoryFileWithdraw(block.data());
}

TEST_F(FileChannelTest, ReadChannelOwnsItsPackedBlock) {
  const MediaPackLayout layout = LayoutMediaPack("program", {{"a.txt", "alpha\r\nbeta"}, {"b.txt", "other"}}, false);
  WriteFileBytes(dir_.File("program"), MediaPackBytes(layout));
  MediaResolverSetPack(resolver_, dir_.File("program").c_str());
  ASSERT_EQ(FileChannelOpen(3, "Media/A.TXT", 1), 1);
  std::string out;
  ASSERT_EQ(MediaResolve(resolver_, "b.txt", &out, true), 1);  // the resolver moves on
  ASSERT_EQ(MediaResolve(resolver_, "c.txt", &out, true), 0);
  RtString line;
  FileChannelReadLine(3, line);
  EXPECT_STREQ(line.c_str(), "alpha");
  FileChannelReadLine(3, line);
  EXPECT_STREQ(line.c_str(), "beta");
  EXPECT_TRUE(FileChannelAtEnd(3));
  FileChannelClose(3);
  EXPECT_EQ(FileChannelFree(), 0);
}

TEST_F(FileChannelTest, LinesWrittenMeanwhileAreRead) {
  WriteFileBytes(dir_.File("grow.txt"), "a\nb\n");
  ASSERT_EQ(FileChannelOpen(0, Path("grow.txt"), 1), 1);
  RtString line;
  FileChannelReadLine(0, line);
  ASSERT_EQ(FileChannelOpen(1, Path("grow.txt"), -1), 1);
  FileChannelWriteLine(1, "c");
  FileChannelReadLine(0, line);
  EXPECT_STREQ(line.c_str(), "b");
  FileChannelReadLine(0, line);
  EXPECT_STREQ(line.c_str(), "c");
}

// A line longer than 1024 bytes comes in pieces of 1024, from a file and
// from memory alike; a line of exactly 1024 bytes is one line.
TEST_F(FileChannelTest, LongLinesComeInPiecesOf1024) {
  struct Case {
    std::string bytes;
    std::vector<size_t> pieces;
  };
  const std::string x3000(3000, 'x');
  const Case cases[] = {
      {x3000, {1024, 1024, 952}},
      {x3000 + "\r\nnext", {1024, 1024, 952, 4}},
      {std::string(1024, 'x') + "\nnext", {1024, 4}},
      {std::string(1024, 'x') + "\r\nnext", {1024, 4}},
      {std::string(2048, 'x') + "\n\nnext", {1024, 1024, 0, 4}},
      {std::string(1025, 'x') + "\r\n", {1024, 1}},
      {std::string(1023, 'x') + "\r" + std::string(5, 'y'), {1024, 5}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string file = "long" + std::to_string(n++) + ".txt";
    WriteFileBytes(dir_.File(file), c.bytes);
    std::vector<uint8_t> block(c.bytes.begin(), c.bytes.end());
    const std::string memory = MemoryFilePublish(block.data(), static_cast<uint32_t>(block.size()));
    for (const std::string& name : {dir_.File(file), memory}) {
      ASSERT_EQ(FileChannelOpen(0, name.c_str(), 1), 1) << name;
      std::vector<size_t> pieces;
      std::string joined;
      RtString line;
      while (!FileChannelAtEnd(0)) {
        FileChannelReadLine(0, line);
        ASSERT_EQ(std::strlen(line.c_str()), line.length);
        pieces.push_back(line.length);
        joined += line.c_str();
      }
      FileChannelClose(0);
      EXPECT_EQ(pieces, c.pieces) << name << " case " << n - 1;
      std::string content = c.bytes;
      for (const char* end : {"\r\n", "\n"}) {
        for (size_t at; (at = content.find(end)) != std::string::npos;) content.erase(at, std::strlen(end));
      }
      EXPECT_EQ(joined, content) << name << " case " << n - 1;
    }
    MemoryFileWithdraw(block.data());
  }
}

TEST_F(FileChannelTest, LastLineWithoutEndThenFatal) {
  WriteFileBytes(dir_.File("lines.txt"), "one\r\nlast");
  ASSERT_EQ(FileChannelOpen(0, Path("lines.txt"), 1), 1);
  RtString line;
  FileChannelReadLine(0, line);
  FileChannelReadLine(0, line);
  EXPECT_STREQ(line.c_str(), "last");
  EXPECT_FATAL(FileChannelReadLine(0, line), 3);
}

TEST_F(FileChannelTest, FatalErrors) {
  WriteFileBytes(dir_.File("three.bin"), "abc");
  ASSERT_EQ(FileChannelOpen(0, Path("three.bin"), 1), 1);
  RtString s;
  int32_t v = 0;
  double d = 0;
  EXPECT_EQ(FileChannelWriteStr(4, ""), 1);  // an empty text on a closed channel
  EXPECT_FATAL(FileChannelReadLine(8, s), 7);
  EXPECT_FATAL(FileChannelPos(8), 7);
  EXPECT_FATAL(FileChannelWriteLine(9, ""), 7);
  EXPECT_FATAL(FileChannelClose(8), 7);
  EXPECT_FATAL(FileChannelWriteStr(4, "x"), 3);     // closed
  EXPECT_FATAL(FileChannelWriteU8(0, 1), 3);        // opened for reading
  EXPECT_FATAL(FileChannelReadI32(0, v), 3);        // past the end of a file
  EXPECT_FATAL(FileChannelReadF64(4, d), 3);        // closed
  EXPECT_FATAL((LimitAddressSpace(), FileChannelReadStr(4, s, INT32_MAX)), 3);  // closed: nothing allocated
  EXPECT_FATAL(FileChannelReadLine(4, s), 3);
  EXPECT_FATAL(FileChannelReadStr(0, s, 4), 3);
  EXPECT_FATAL(FileChannelReadStr(0, s, INT32_MAX), 3);  // refused before allocating
  EXPECT_FALSE(FileChannelAtEnd(0));
  EXPECT_TRUE(FileChannelAtEnd(100));
}

}  // namespace
