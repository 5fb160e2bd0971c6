// Where the process finds its folders.
#pragma once

#include <string>

// The temporary folder: $TMPDIR when it is set and not empty, else "/tmp/";
// always ends in exactly one '/'.
std::string PlatformTempFolder();

// The absolute path of the running executable; empty when it cannot be read.
std::string PlatformExecutablePath();
