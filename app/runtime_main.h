// The process entry of the runtime and the start-up of every engine object.
#pragma once

#include <cstdint>
#include <string>

#include "core/rt_string.h"

struct SubTableEntry;

// The show command when the process is given none: show the window.
inline constexpr int32_t kShowDefault = 10;

// What a game hands to the runtime before start-up. A member left null is
// gone without: no settings, no main routine, no SUBs, no hook, and
// "NO_DATA" for a text.
struct GameProgram {
  void (*projectSettings)();   // the project settings and the title, before the window opens
  int32_t (*main)();           // the game's main routine, run after start-up
  const SubTableEntry* subs;   // the SUBs called by name
  void (*channelsClosed)();    // what closing all file channels ends with
  RtString (*compiledText)();  // the PlatformInfo texts "COMPILED",
  RtString (*hostId)();        // "HOSTID"
  RtString (*version)();       // and "VERSION"
};

// Keeps the game for start-up and for the commands that answer its texts,
// makes its SUBs the table that calls by name search, and installs its
// channels-closed hook (files/file_channels.h). The game's own main calls
// it before RuntimeMain.
void RuntimeSetGame(const GameProgram& game);

// The game handed over last; every member null before.
const GameProgram& RuntimeGame();

// Runs the program: sets the process's signal handling first (a closed
// standard output or SIGTERM/SIGINT end it in order), keeps the command
// line, takes the game's project settings, starts the runtime, runs the
// game's main routine and the "VNL_ON_LOOP" SUB, and ends through
// ProgramEnd. Does not return. When the window cannot be opened it writes a
// message to standard error and ends with status 1 without running the game.
[[noreturn]] void RuntimeMain(int32_t showCommand);

// Starts the runtime for a host that runs no game main routine: the game's
// project settings, AppInit with the window shown, error state cleared.
// Returns 1.
int32_t RuntimeInit();

// Sets the process's signal handling (platform/process_signals.h) and
// installs the runtime's hooks (app/runtime_hooks.h), then creates every
// engine object and opens the window, writing one line to the error log
// before each step. Returns 1 when the window and its context are up, 0
// when they could not be created (nothing after them is created).
int32_t AppInit(int32_t showCommand, const RtString& title);

// Loads font 0 from the first of "Media/smalfont.png", "Media/smalfont.bmp",
// "smalfont.png" and "smalfont.bmp" that the media resolver finds (font 0
// stays as it is when none is found, and becomes the built-in font when the
// file found cannot be loaded), then makes font 0 current.
void LoadStartUpFont();

// Applies the pointer mode to the input device: shown (true) or hidden.
void PointerModeApply(bool shown);

// The folder of the program file, without a trailing '/'.
std::string ProgramDirectory();
