// Helpers for tests that start the runtime in a child process and report
// on its window.
#pragma once

#include <string>

// A folder under the test binary folder named after the running test, the
// same in a death-test child that runs the test again; prefix keeps the
// folders of different test programs apart.
std::string TestFolderForCurrentTest(const std::string& prefix);

// One line on the window after a mode change: the project settings, the 2D
// engine's size and full-screen flag (with the window's own), the window's
// size and visibility, and whether the main window and the input are bound
// to the engine's window.
std::string DescribeScreen();
