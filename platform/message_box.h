// A modal message box, shown only where one cannot hang a headless run.
#pragma once

// Whether a real display is there (not the offscreen or dummy driver, and
// an X or Wayland display named).
bool PlatformDisplayPresent();

// Shows a warning box when a display is present and VNL_NO_MSGBOX is not
// set; otherwise nothing. The caller logs the text.
void PlatformMessageBox(const char* title, const char* text);
