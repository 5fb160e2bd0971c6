#include "files/dir_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/c_runtime.h"
#include "tests/support/test_env.h"

namespace {

std::vector<std::string> Names(const RtArray<RtString>& a) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < a.d1; ++i) out.push_back(std::string(a.data[i].text, a.data[i].length));
  return out;
}

// Runs the listing with the scratch folder as the current directory.
class FileListTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(old_dir_, sizeof old_dir_), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(old_dir_), 0); }

  char old_dir_[4096];
  ScratchDir dir_;
};

TEST_F(FileListTest, DirectoriesFirstThenMatchingFilesEachSorted) {
  ASSERT_EQ(mkdir("sub", 0755), 0);
  ASSERT_EQ(mkdir("Beta", 0755), 0);
  ASSERT_EQ(symlink("sub", "link_to_dir"), 0);
  for (const char* name : {"readme", "b.txt", "A.png", "c.PNG", "_x.png"}) WriteFileBytes(dir_.File(name), "x");
  RtArray<RtString> out;
  EXPECT_EQ(FileList("*.*", out), 5 * 65536.0 + 5);
  EXPECT_EQ(Names(out), (std::vector<std::string>{".", "..", "Beta", "link_to_dir", "sub", "_x.png", "A.png",
                                                  "b.txt", "c.PNG", "readme"}));

  EXPECT_EQ(FileList("*.PNG", out), 5 * 65536.0 + 3);
  EXPECT_EQ(Names(out), (std::vector<std::string>{".", "..", "Beta", "link_to_dir", "sub", "_x.png", "A.png",
                                                  "c.PNG"}));
  EXPECT_EQ(FileList("b?txt", out), 5 * 65536.0 + 0);  // '?' never takes the '.'
  EXPECT_EQ(FileList("?.TXT", out), 5 * 65536.0 + 1);
}

TEST_F(FileListTest, NamesDifferingInCaseSortTogether) {
  for (const char* name : {"b", "A", "a", "B", "ab"}) WriteFileBytes(dir_.File(name), "x");
  RtArray<RtString> out;
  EXPECT_EQ(FileList("*", out), 2 * 65536.0 + 5);
  const std::vector<std::string> names = Names(out);
  ASSERT_EQ(names.size(), 7u);
  for (size_t i = 3; i < names.size(); ++i) EXPECT_LE(CrtStricmp(names[i - 1].c_str(), names[i].c_str()), 0);
  EXPECT_EQ(CrtStricmp(names[2].c_str(), "a"), 0);
  EXPECT_EQ(names[4], "ab");
}

TEST_F(FileListTest, ADirectoryThatCannotBeListedGivesNothing) {
  const std::string gone = dir_.File("gone");
  ASSERT_EQ(mkdir(gone.c_str(), 0755), 0);
  ASSERT_EQ(chdir(gone.c_str()), 0);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  RtArray<RtString> out;
  ArrayDimString(out, 3, 0, 0, 0);
  EXPECT_EQ(FileList("*.*", out), 0);
  EXPECT_EQ(out.d1, 0);
}

TEST(SplitStringTest, Pieces) {
  struct Case {
    const char* text;
    const char* delimiters;
    uint32_t skip;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"a,b,,c", ",", 0, {"a", "b", "", "c"}},
      {",a", ",", 0, {"", "a"}},
      {"a,", ",", 0, {"a"}},
      {",,,", ",", 0, {"", "", ""}},
      {",,a,,b,,", ",", 1, {"a", "b"}},
      {",,,", ",", 1, {}},
      {"a b;c", " ;", 0, {"a", "b", "c"}},
      {"", ",", 0, {}},
      {"whole text", "", 0, {"whole text"}},
      {"no delimiter", ",", 1, {"no delimiter"}},
  };
  RtArray<RtString> out;
  for (const Case& c : cases) {
    const int32_t n = SplitString(c.text, out, c.delimiters, c.skip);
    EXPECT_EQ(n, static_cast<int32_t>(c.pieces.size())) << c.text;
    EXPECT_EQ(Names(out), c.pieces) << c.text << " / " << c.delimiters << " / " << c.skip;
  }
}

TEST(SplitStringTest, AnElementOfTheTargetCanBeSplit) {
  RtArray<RtString> out;
  SplitString("p,q r", out, ",", 0);
  SplitString(out.data[1], out, " ", 0);
  EXPECT_EQ(Names(out), (std::vector<std::string>{"q", "r"}));
}

}  // namespace
