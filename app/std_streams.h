// Standard streams, the console, the process-wide strings for the command
// line and the titles, and the main window handle.
#pragma once

#include "core/rt_string.h"

struct PlatformWindow;

// Writes the text to standard output or standard error as it stands, up to
// its first zero byte (a C string); nothing is added.
void StdOutWrite(const RtString& text);
void StdErrWrite(const RtString& text);

// One line from standard input without its line feed; the empty string at
// the end of input. A line longer than kStdInPieceLength comes back in
// pieces of that many characters, one per call.
inline constexpr int kStdInPieceLength = 4094;
RtString StdInReadLine();

// Gives the program a console for its standard streams. A process here
// always has its standard streams already (a terminal or whatever started
// it), so there is nothing to open and the streams stay as they are.
void OpenConsole();

// The process-wide strings (kept in g_app).
RtString& CommandLineString();
void CommandLineSet(const char* text);
RtString CommandLineGet();
RtString& AppTitleString();
RtString& WindowTitle();

PlatformWindow* MainWindowHandle();
