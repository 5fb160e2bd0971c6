#include "files/file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "files/memory_file.h"
#include "process/error_state.h"
#include "tests/support/test_env.h"

namespace {

bool IsFile(const std::string& path) { return FileExists(RtString(path.c_str())); }

TEST(WildcardMatchTest, Table) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  for (const Case& c : {Case{"*.png", "Hero.PNG", true}, Case{"a?c", "a.c", false}, Case{"a?c", "abc", true},
                        Case{"*", "", true}, Case{"a*b*c", "aXbYbZc", true}, Case{"*.*", "README", true},
                        Case{"*.png", "hero.png.bak", false}, Case{"h*o", "hero", true}, Case{"*a", "bab", false}, Case{"*a", "aba", true},
                        Case{"a**", "a", true}, Case{"", "", true}, Case{"", "a", false}, Case{"abc", "ab", false},
                        Case{"?", "", false}, Case{"*x*y", "axbxcy", true}, Case{"[a]", "[A]", true},
                        Case{nullptr, nullptr, true}}) {
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match)
        << (c.pattern ? c.pattern : "null") << " " << (c.name ? c.name : "null");
  }
}

TEST(StringCompareNoCaseTest, FoldsLettersOnly) {
  EXPECT_EQ(StringCompareNoCase("Hero", "hERO"), 0);
  EXPECT_LT(StringCompareNoCase("_a", "A"), 0);  // '_' sorts before letters
  EXPECT_GT(StringCompareNoCase("b", "A"), 0);
  EXPECT_LT(StringCompareNoCase("", "a"), 0);
}

TEST(FileSystemTest, ExistsDeleteCreate) {
  ScratchDir dir;
  WriteFileBytes(dir.File("f.txt"), "x");
  const RtString file = (dir.path() + "\\f.txt").c_str();
  const RtString folder = (dir.path() + "/sub").c_str();
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirExists(file));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_TRUE(DirCreate(folder));
  EXPECT_FALSE(DirCreate(folder));
  EXPECT_TRUE(DirExists(folder));
  EXPECT_FALSE(FileExists(folder));
  WriteFileBytes(dir.File("sub/inner"), "y");
  EXPECT_EQ(FileDelete(folder), 0);  // not empty
  EXPECT_NE(FileDelete((dir.path() + "/sub/inner").c_str()), 0);
  EXPECT_NE(FileDelete(folder), 0);
  EXPECT_NE(FileDelete(file), 0);
  EXPECT_EQ(FileDelete(file), 0);  // missing
  EXPECT_FALSE(FileExists(file));
  const std::string tooLong = dir.path() + "/" + std::string(1100, 'a');
  EXPECT_FALSE(DirCreate(tooLong.c_str()));
  EXPECT_FALSE(FileExists(RtString("")));
}

TEST(FileSystemTest, CurrentDirectory) {
  ScratchDir dir;
  const RtString before = DirGetCurrent();
  RtString target = (dir.path() + "/").c_str();
  EXPECT_EQ(DirSetCurrent(target), 1.0);
  EXPECT_EQ(std::string(target.c_str()).find('/'), std::string::npos);  // turned into '\'
  char real[4096];
  ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
  EXPECT_EQ(std::string(DirGetCurrent().c_str()), std::string(real) + "/");
  RtString root("/");
  EXPECT_EQ(DirSetCurrent(root), 1.0);
  EXPECT_STREQ(DirGetCurrent().c_str(), "/");
  RtString missing = (dir.path() + "/missing").c_str();
  EXPECT_EQ(DirSetCurrent(missing), 0.0);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_EQ(std::string(missing.c_str()).find('/'), std::string::npos);
  RtString back = before;
  EXPECT_EQ(DirSetCurrent(back), 1.0);
  EXPECT_EQ(g_errorState.code, 0);
}

TEST(FileSystemTest, Environment) {
  ScopedEnv cleanup("VNL_FS_TEST", std::nullopt);
  EXPECT_STREQ(EnvGet("VNL_FS_TEST").c_str(), "");
  RtString name("VNL_FS_TEST");
  EnvPut(name, "a=b");
  EXPECT_STREQ(name.c_str(), "VNL_FS_TEST=a=b");
  EXPECT_STREQ(EnvGet("VNL_FS_TEST").c_str(), "a=b");
  const std::string all = EnvGet("").c_str();
  EXPECT_NE(all.find("\nVNL_FS_TEST=a=b\n"), std::string::npos);
  EXPECT_EQ(all.back(), '\n');
  RtString again("VNL_FS_TEST");
  EnvPut(again, "");
  EXPECT_EQ(std::getenv("VNL_FS_TEST"), nullptr);
  RtString path("a\\b\\c");
  PathToSlashes(path);
  EXPECT_STREQ(path.c_str(), "a/b/c");
}

TEST(FileCopyTest, CopiesFilesAndMemoryBlocks) {
  ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7);
  WriteFileBytes(dir.File("src.bin"), bytes);
  WriteFileBytes(dir.File("dst.bin"), "old");
  FileCopy(dir.File("src.bin").c_str(), dir.File("dst.bin").c_str());
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(ReadFileBytes(dir.File("dst.bin")), bytes);

  const std::string name = MemoryFilePublish(bytes.data(), 5000);
  FileCopy(name.c_str(), dir.File("mem.bin").c_str());
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(ReadFileBytes(dir.File("mem.bin")), bytes);
  FileCopy(dir.File("src.bin").c_str(), name.c_str());  // never onto a memory file
  EXPECT_EQ(g_errorState.code, kErrorFile);
  MemoryFileWithdraw(bytes.data());

  WriteFileBytes(dir.File("empty"), "");
  FileCopy(dir.File("empty").c_str(), dir.File("empty2").c_str());
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_TRUE(IsFile(dir.File("empty2")));
}

TEST(FileCopyTest, FailuresAreErrorThree) {
  ScratchDir dir;
  WriteFileBytes(dir.File("src.bin"), "keep me");
  // Onto itself, also through another spelling or a hard link: the source
  // stays whole.
  ASSERT_EQ(link(dir.File("src.bin").c_str(), dir.File("hard.bin").c_str()), 0);
  for (const std::string& target : {dir.File("src.bin"), dir.path() + "\\.\\src.bin", dir.File("hard.bin")}) {
    FileCopy(dir.File("src.bin").c_str(), target.c_str());
    EXPECT_EQ(g_errorState.code, kErrorFile) << target;
    EXPECT_EQ(ReadFileBytes(dir.File("src.bin")), "keep me");
  }
  FileCopy(dir.File("missing").c_str(), dir.File("x").c_str());
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_FALSE(IsFile(dir.File("x")));
  FileCopy(dir.File("src.bin").c_str(), dir.File("no/folder/x").c_str());
  EXPECT_EQ(g_errorState.code, kErrorFile);
}

TEST(FileCopyTest, FailingMidwayIsErrorThreeAndLeavesNoPart) {
  ScratchDir dir;
  WriteFileBytes(dir.File("big.bin"), std::string(20000, 'b'));
  // A file size limit makes the write fail after the first chunks.
  EXPECT_EXIT(
      {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        limit.rlim_cur = limit.rlim_max = 8192;
        setrlimit(RLIMIT_FSIZE, &limit);
        FileCopy(dir.File("big.bin").c_str(), dir.File("copy.bin").c_str());
        std::exit(g_errorState.code == kErrorFile && !IsFile(dir.File("copy.bin")) ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
