// The desktop's file chooser.
//
// Shown with `zenity --file-selection`, started from the PATH without a
// shell and waited for. Without zenity there is no dialog and no choice.
#pragma once

#include <string>
#include <vector>

struct PlatformFileFilter {
  std::string name;      // what the user sees
  std::string patterns;  // blank-separated wildcards, "*.png *.bmp"
};

// Shows the open (or, with open false, the save) dialog starting in folder
// (empty: the dialog's own choice). True with the chosen path when the user
// chose a file; false when the user cancelled, the dialog failed or there
// is none.
bool PlatformFileDialog(bool open, const std::vector<PlatformFileFilter>& filters, const std::string& folder,
                        std::string* path);
