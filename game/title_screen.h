// The intro, which scrolls the story up over the grid until a click, and
// the title screen: the dripping logo, ten walking zombies, a blinking
// mouse hint and the credit line over looping music; a click starts a game.
#pragma once

#include <cstdint>

// The intro's story position (the story's centre, in pixels) and the
// sub-counter that moves it one pixel every second frame.
struct IntroState {
  int32_t position = 1100;
  int32_t sub = 0;
};

// The locals of one stay on the title screen.
struct TitleState {
  int32_t leave = 0;
  int32_t firstPass = 0;      // 1 once the first frame has been shown
  int32_t walkerCounter = 0;  // 0..7
  int32_t hintCounter = 0;    // 0..39
};

// Starts the intro: ClickCooldown 100, the story below the screen.
void GameIntroEnter(IntroState& intro);
// The intro's rules after a frame was drawn with the left button as read:
// the story rises one pixel every second frame up to 400; a click with the
// cool-down run out ends the intro (true), else the cool-down runs down.
bool GameIntroStep(IntroState& intro, int32_t left);

// Starts a stay on the title screen: the lists emptied, the music started
// when it is not playing, ClickCooldown 30, the locals cleared, the drip
// table filled and 38 new drips.
void GameTitleEnter(TitleState& title);

// Appends a drip {x, y, delay RND(4) + 2, counter 0, end y + RND(15) + 5}.
void SpawnBloodDrip(int32_t x, int32_t y);
// Moves every drip on: one pixel down every (delay + 1) calls until its end.
void AdvanceBloodDrips();
// The walkers' frame: every eighth call each walker steps 2 pixels its way
// (wrapping round the screen's edges) and its animation frame moves on.
void StepWalkers(TitleState& title);
// The hint blinks with a period of 40 frames.
void StepHint(TitleState& title);
// A click with the cool-down run out sets the leave flag; the cool-down
// runs down.
void TitleClickStep(TitleState& title);

// One frame of the intro, drawn (the mouse read, the grid, the story)
// and its rules applied; true when the intro ends after it.
bool GameIntroFrame(IntroState& intro);
// One frame of the title screen up to its end: the mouse and the Escape
// key read, the dripping logo rebuilt, the walkers, the enlarged logo, the
// mouse hint and the credit line drawn.
void GameTitleFrame(TitleState& title);

// The intro and the title screen as frame loops, each frame ended by
// ShowScreen; each returns when the player leaves it.
void GameIntro();
void GameTitleLoop();

// Draws the drips of DripList in the pass DripMode chooses: 0 the halo,
// 1 the core, 2 the shade.
void DrawBloodDrips();

// The grid behind the intro, the title and the play field: lines two
// pixels wide every 42 pixels in 0x101010.
void DrawGameGrid();
