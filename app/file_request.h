// FileRequest: asks the user for a file with the desktop's open or save
// dialog.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// The filter is "description|patterns|description|patterns..." with
// patterns separated by ';' ("Images|*.png;*.bmp|All|*.*"); an empty part
// ends the list, a description without patterns is dropped, and a filter
// longer than kFileRequestFilterRoom characters is cut there. open not 0
// shows the open dialog, 0 the save dialog. Full screen is left for the
// dialog and restored afterwards; the current directory stays as it was.
// Answers the chosen path with '/' separators, or "NO_FILE" when nothing
// was chosen (also when no dialog can be shown).
RtString FileRequest(int32_t open, RtString filter);

inline constexpr uint32_t kFileRequestFilterRoom = 1023;
