// Waiting without spinning: the idle step, the pause loop, and waiting for
// a key or a mouse click.
#pragma once

// Pumps messages and sleeps in short steps until the user does something
// (a key, the mouse, a joystick button, stick or hat) or fifteen 5 ms steps
// have passed; while the program is paused, holds it in the pause loop
// until it resumes. Ends the program on ESC when that is allowed.
void IdleStep();

// Returns after a character has been typed (earlier characters are
// dropped).
void WaitKey();

// Returns after a mouse button has been pressed and released.
void WaitMouse();
