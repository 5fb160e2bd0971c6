#include "tests/support/fake_dialog.h"

#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/test_env.h"

std::string InstallFakeDialog(const std::string& folder, const std::string& script_body) {
  const std::string bin = folder + "/bin";
  mkdir(bin.c_str(), 0700);
  const std::string script = bin + "/zenity";
  WriteFileBytes(script, "#!/bin/sh\n" + script_body);
  chmod(script.c_str(), 0700);
  const char* path = std::getenv("PATH");
  return bin + ":" + (path != nullptr ? path : "/usr/bin:/bin");
}
