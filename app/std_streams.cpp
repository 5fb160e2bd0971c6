#include "app/std_streams.h"

#include <cstdio>

#include "process/app_globals.h"

// The text as a C string: up to its first zero byte.
void StdOutWrite(const RtString& text) { std::fputs(text.c_str(), stdout); }

void StdErrWrite(const RtString& text) { std::fputs(text.c_str(), stderr); }

RtString StdInReadLine() {
  char buffer[kStdInPieceLength + 1];
  if (std::fgets(buffer, sizeof buffer, stdin) == nullptr) return RtString();
  RtString line = buffer;
  if (line.length > 0 && line.text[line.length - 1] == '\n') {
    line.text[--line.length] = '\0';
  } else if (line.length == kStdInPieceLength) {
    // A full piece: when its line ends right here, take the line feed now so
    // that the next call does not return an empty line that was never typed.
    const int next = std::getc(stdin);
    if (next != '\n' && next != EOF) std::ungetc(next, stdin);
  }
  return line;
}

void OpenConsole() {}

RtString& CommandLineString() { return g_app.commandLine; }

void CommandLineSet(const char* text) { StringSetCStr(g_app.commandLine, text); }

RtString CommandLineGet() { return g_app.commandLine; }

RtString& AppTitleString() { return g_app.appTitle; }

RtString& WindowTitle() { return g_app.windowTitle; }

PlatformWindow* MainWindowHandle() { return g_app.mainWindow; }
