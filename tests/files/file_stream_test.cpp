#include "files/file_stream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "files/memory_file.h"
#include "tests/support/test_env.h"

namespace {

// Publishes a copy of the bytes for the test's lifetime.
class PublishedBytes {
 public:
  explicit PublishedBytes(const std::string& bytes) : bytes_(bytes.begin(), bytes.end()) {
    bytes_.push_back(0);  // never empty, so the address is unique
    name_ = MemoryFilePublish(bytes_.data(), static_cast<uint32_t>(bytes.size()));
  }
  ~PublishedBytes() { MemoryFileWithdraw(bytes_.data()); }
  const std::string& name() const { return name_; }
  const uint8_t* data() const { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
  std::string name_;
};

std::vector<std::string> ReadAllLines(FileStream& s, int32_t max) {
  std::vector<std::string> lines;
  std::vector<char> buffer(static_cast<size_t>(max));
  while (StreamReadLine(s, buffer.data(), max)) lines.emplace_back(buffer.data());
  EXPECT_STREQ(buffer.data(), "");
  return lines;
}

TEST(MemoryFileTest, NameFormatAndLookup) {
  PublishedBytes block("0123456789abcdef");
  char expected[64];
  std::snprintf(expected, sizeof expected, "mem://      10.%8" PRIxPTR, reinterpret_cast<uintptr_t>(block.data()));
  EXPECT_EQ(block.name(), expected);
  const uint8_t* base = nullptr;
  int64_t size = 0;
  ASSERT_TRUE(MemoryFileLookup(block.name().c_str(), &base, &size));
  EXPECT_EQ(base, block.data());
  EXPECT_EQ(size, 16);
  // A shorter count is a view of the block's start.
  std::string shorter = block.name();
  shorter.replace(6, 8, "       4");
  ASSERT_TRUE(MemoryFileLookup(shorter.c_str(), &base, &size));
  EXPECT_EQ(size, 4);
}

TEST(MemoryFileTest, OnlyPublishedBlocksOpen) {
  PublishedBytes block("abcd");
  const std::string name = block.name();
  std::string larger = name;
  larger.replace(6, 8, "       5");
  char unpublished[64];
  static const char other[4] = {1, 2, 3, 4};
  std::snprintf(unpublished, sizeof unpublished, "mem://       4.%8" PRIxPTR, reinterpret_cast<uintptr_t>(other));
  std::string negative = name;
  negative.replace(6, 8, "      -1");
  for (const std::string& bad : {larger, std::string(unpublished), negative, std::string("mem://"),
                                 std::string("mem://       4"), std::string("MEM://") + name.substr(6),
                                 name + "0", name.substr(0, name.size() - 1)}) {
    const uint8_t* base = nullptr;
    int64_t size = 0;
    EXPECT_FALSE(MemoryFileLookup(bad.c_str(), &base, &size)) << bad;
    FileStream s;
    EXPECT_FALSE(StreamOpen(s, bad.c_str())) << bad;
    EXPECT_FALSE(StreamIsOpen(s));
  }
  MemoryFileWithdraw(block.data());
  FileStream s;
  EXPECT_FALSE(StreamOpen(s, name.c_str()));
  MemoryFilePublish(block.data(), 4);
  EXPECT_TRUE(StreamOpen(s, name.c_str()));
}

TEST(FileStreamTest, LinesAreTheSameFromFilesAndMemory) {
  struct Case {
    std::string bytes;
    int32_t max;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"a\r\nb", 1024, {"a", "b"}},
      {"\n\nx", 1024, {"", "", "x"}},
      {"one\ntwo\n", 1024, {"one", "two"}},
      {"a\r", 1024, {"a"}},
      {"\r\n", 1024, {""}},
      {"a\r\r\n", 1024, {"a\r"}},
      {"abcdefgh\n", 4, {"abc", "def", "gh"}},
      {"abc\r\nd", 4, {"abc", "d"}},      // "\r\n" right behind a full line
      {"abc\r", 4, {"abc"}},              // '\r' at the end of a full line ends the data
      {"ab\rcd\n", 4, {"ab\r", "cd"}},    // a cut line keeps its '\r'
      {std::string(200, 'z') + "\r\n" + std::string(70, 'y'), 1024, {std::string(200, 'z'), std::string(70, 'y')}},
      {std::string(63, 'q') + "\r\nw", 1024, {std::string(63, 'q'), "w"}},
      {"", 1024, {}},
  };
  ScratchDir dir;
  for (const Case& c : cases) {
    WriteFileBytes(dir.File("lines.txt"), c.bytes);
    PublishedBytes block(c.bytes);
    for (const std::string& name : {dir.File("lines.txt"), block.name()}) {
      FileStream s;
      ASSERT_TRUE(StreamOpen(s, name.c_str()));
      EXPECT_EQ(ReadAllLines(s, c.max), c.lines) << "name " << name << " bytes " << c.bytes;
      StreamClose(s);
    }
  }
}

TEST(FileStreamTest, LongFilesAndInterleavedStreams) {
  ScratchDir dir;
  std::string a;
  std::string b;
  for (int i = 0; i < 3000; ++i) {
    a += "alpha line " + std::to_string(i) + "\r\n";
    b += std::string(static_cast<size_t>(i % 1500), 'b') + "\n";
  }
  WriteFileBytes(dir.File("a.txt"), a);
  WriteFileBytes(dir.File("b.txt"), b);
  FileStream sa;
  FileStream sb;
  ASSERT_TRUE(StreamOpen(sa, dir.File("a.txt").c_str()));
  ASSERT_TRUE(StreamOpen(sb, dir.File("b.txt").c_str()));
  char line[1024];
  for (int i = 0; i < 3000; ++i) {
    ASSERT_TRUE(StreamReadLine(sa, line, sizeof line));
    ASSERT_EQ(std::string(line), "alpha line " + std::to_string(i));
    const size_t n = static_cast<size_t>(i % 1500);
    ASSERT_TRUE(StreamReadLine(sb, line, sizeof line));
    if (n > 1023) {
      ASSERT_EQ(std::string(line), std::string(1023, 'b'));
      ASSERT_TRUE(StreamReadLine(sb, line, sizeof line));
      ASSERT_EQ(std::string(line), std::string(n - 1023, 'b'));
    } else {
      ASSERT_EQ(std::string(line), std::string(n, 'b'));
    }
  }
  EXPECT_FALSE(StreamReadLine(sa, line, sizeof line));
  EXPECT_FALSE(StreamReadLine(sb, line, sizeof line));
  EXPECT_EQ(sa.position, static_cast<int64_t>(a.size()));
}

TEST(FileStreamTest, TinyLineBuffersNeverHang) {
  PublishedBytes block("abc");
  FileStream s;
  ASSERT_TRUE(StreamOpen(s, block.name().c_str()));
  char buffer[2] = {'x', 'x'};
  EXPECT_FALSE(StreamReadLine(s, buffer, 1));
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_FALSE(StreamReadLine(s, buffer, 0));
  EXPECT_TRUE(StreamReadLine(s, buffer, 2));
  EXPECT_STREQ(buffer, "a");
}

TEST(FileStreamTest, MemoryReadsDeliverWhatIsLeft) {
  PublishedBytes block("123456");
  FileStream s;
  ASSERT_TRUE(StreamOpen(s, block.name().c_str()));
  s.position = 4;
  uint32_t value = 0xFFFFFFFF;
  EXPECT_TRUE(StreamRead4(s, &value));
  EXPECT_EQ(value, 0x3635u);  // the two bytes that were left, the rest zero
  EXPECT_EQ(s.position, 6);
  char byte = 'x';
  EXPECT_TRUE(StreamRead(s, &byte, 1));  // at the very end: nothing, still true
  EXPECT_EQ(byte, 'x');
  s.position = 9;
  EXPECT_FALSE(StreamRead(s, &byte, 1));
  EXPECT_FALSE(StreamRead(s, &byte, -1));
  StreamClose(s);
  EXPECT_FALSE(StreamIsOpen(s));
  EXPECT_EQ(s.size, 0);
}

TEST(FileStreamTest, AWithdrawnBlockReadsNothing) {
  auto block = std::make_unique<PublishedBytes>("line\nmore");
  FileStream s;
  ASSERT_TRUE(StreamOpen(s, block->name().c_str()));
  block.reset();  // withdrawn and freed
  char buffer[16];
  EXPECT_FALSE(StreamRead(s, buffer, 4));
  EXPECT_FALSE(StreamReadLine(s, buffer, sizeof buffer));
  EXPECT_EQ(s.position, 0);
}

TEST(FileStreamTest, FileReads) {
  ScratchDir dir;
  WriteFileBytes(dir.File("data.bin"), std::string("\x01\x02\x03\x04\x05\x06", 6));
  FileStream s;
  // Backslashes are separators on the way in.
  const std::string backslashed = dir.path() + "\\data.bin";
  ASSERT_TRUE(StreamOpen(s, backslashed.c_str()));
  EXPECT_EQ(s.size, 6);
  uint32_t value = 0;
  EXPECT_TRUE(StreamRead4(s, &value));
  EXPECT_EQ(value, 0x04030201u);
  EXPECT_FALSE(StreamRead4(s, &value));
  EXPECT_EQ(value, 0x0605u);
  EXPECT_EQ(s.position, 8);  // grew by the full count
  StreamClose(s);
  EXPECT_EQ(s.fd, -1);
}

TEST(FileStreamTest, SizeIsTheWholeSize) {
  ScratchDir dir;
  WriteFileBytes(dir.File("sparse"), "");
  ASSERT_EQ(truncate(dir.File("sparse").c_str(), 0xFFFFFFFFll), 0);
  FileStream s;
  ASSERT_TRUE(StreamOpen(s, dir.File("sparse").c_str()));
  EXPECT_EQ(s.size, 0xFFFFFFFFll);  // not taken for a failed size query
  StreamClose(s);
}

TEST(FileStreamTest, OpenFailures) {
  ScratchDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  const std::string tooLong = dir.path() + "/" + std::string(1100, 'a');
  FileStream s;
  EXPECT_FALSE(StreamOpen(s, dir.File("fifo").c_str()));  // neither waits nor reads
  for (const char* name : {static_cast<const char*>(nullptr), "", dir.path().c_str(), "/no/such/file",
                           tooLong.c_str()}) {
    EXPECT_FALSE(StreamOpen(s, name));
    EXPECT_EQ(s.fd, -1);
    EXPECT_EQ(s.memory, nullptr);
  }
}

}  // namespace
