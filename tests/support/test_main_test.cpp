// The test main's guard against a test that ends the test program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kProbeVariable[] = "VNL_TEST_MAIN_EXIT_PROBE";
constexpr char kTestName[] = "TestMainTest.AnExitInsideATestFailsTheRunAndNamesTheTest";

struct ChildRun {
  int status = 0;
  std::string output;
};

// Runs this test program again for this one test, with the probe variable
// telling it how to end; what it printed and how it ended.
ChildRun RunThisTestEndingBy(const char* way) {
  ChildRun run;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return run;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    dup2(pipeEnds[1], STDERR_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    setenv(kProbeVariable, way, 1);
    const std::string filter = std::string("--gtest_filter=") + kTestName;
    execl("/proc/self/exe", "test_main_probe", filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, size_t(got));
  close(pipeEnds[0]);
  if (child > 0) waitpid(child, &run.status, 0);
  return run;
}

// A test that calls exit(0) or quick_exit(0) would end the whole program
// with status 0 and the rest unrun; the run fails instead, and says which
// test ended it.
TEST(TestMainTest, AnExitInsideATestFailsTheRunAndNamesTheTest) {
  if (const char* way = std::getenv(kProbeVariable)) {
    if (std::strcmp(way, "quick_exit") == 0) std::quick_exit(0);
    std::exit(0);
  }
  for (const char* way : {"exit", "quick_exit"}) {
    const ChildRun run = RunThisTestEndingBy(way);
    ASSERT_TRUE(WIFEXITED(run.status)) << way << "\n" << run.output;
    EXPECT_EQ(WEXITSTATUS(run.status), 1) << way << "\n" << run.output;
    EXPECT_NE(run.output.find(std::string("the test ") + kTestName + " ended the test program"),
              std::string::npos)
        << way << "\n" << run.output;
  }
}

// A death test's child, forked or started anew, ends the program on
// purpose: its exit status is its own.
TEST(TestMainTest, ADeathTestChildExitsWithItsOwnStatus) {
  for (const char* style : {"fast", "threadsafe"}) {
    GTEST_FLAG_SET(death_test_style, style);
    EXPECT_EXIT(std::exit(0), testing::ExitedWithCode(0), "") << style;
    EXPECT_EXIT(std::exit(3), testing::ExitedWithCode(3), "") << style;
    EXPECT_EXIT(std::quick_exit(0), testing::ExitedWithCode(0), "") << style;
  }
}

}  // namespace
