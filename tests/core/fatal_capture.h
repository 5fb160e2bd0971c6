// Running a fatal path of the runtime in a death-test child.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/test_env.h"

// Runs `body` in a death-test child with the debugger output going to a
// file, expects the child to end with code 0 (ProgramEnd) and its standard
// error to match `stderrPattern`, and returns what the debugger received.
template <typename Body>
std::string DebugTextOfFatal(Body body, const char* stderrPattern) {
  ScratchDir dir;
  const std::string log = dir.File("debug.txt");
  EXPECT_EXIT(
      {
        setenv("VNL_DEBUG_OUT", log.c_str(), 1);
        body();
      },
      testing::ExitedWithCode(0), stderrPattern);
  return ReadFileBytes(log);
}
