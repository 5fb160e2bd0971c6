#include "tests/support/test_data.h"

#include <filesystem>

std::string MissingTestData(const std::string& relative) {
  const std::filesystem::path folder = std::filesystem::path(VNL_TESTDATA_DIR) / relative;
  std::error_code error;
  if (std::filesystem::is_directory(folder, error)) return std::string();
  return "the test data \"" + relative + "\" is missing: looked for the folder " + folder.string() +
         " (configure with -DVNL_TESTDATA_DIR=<folder holding " + relative + ">)";
}
