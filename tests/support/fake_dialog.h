// A stand-in for the desktop's file chooser (zenity) for tests.
#pragma once

#include <string>

// Writes an executable "zenity" with the given shell-script body into
// folder/bin and returns the PATH value that finds it first.
std::string InstallFakeDialog(const std::string& folder, const std::string& script_body);
