// The caption of the main window.
#pragma once

#include "core/rt_string.h"

// Puts the text on the main window's caption; nothing without a window.
void WindowTitleShow(const RtString& text);
