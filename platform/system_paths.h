// Where the process finds its folders.
#pragma once

#include <string>

// The temporary folder: $TMPDIR when it is set and not empty, else "/tmp/";
// always ends in exactly one '/'. A relative TMPDIR is made absolute from the
// current directory when that value is first read, and the same folder is
// given while TMPDIR keeps the value; a changed TMPDIR is read anew.
std::string PlatformTempFolder();

// The absolute path of the running executable; empty when it cannot be read.
std::string PlatformExecutablePath();
