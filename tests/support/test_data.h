// The outside test data (the PNG suite), kept beside the project rather
// than in it: the folder that the CMake cache variable VNL_TESTDATA_DIR
// names.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Empty when the folder `relative` (such as "pngsuite/png") is there in the
// test-data folder; else a message saying what is missing and where it was
// looked for.
std::string MissingTestData(const std::string& relative);

// Skips the running test when its outside data is missing. A test whose
// data is there runs, and fails as it would.
#define VNL_SKIP_WITHOUT_TEST_DATA(relative)                                          \
  if (const std::string vnl_missing = MissingTestData(relative); !vnl_missing.empty()) \
  GTEST_SKIP() << vnl_missing
