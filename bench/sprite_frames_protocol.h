// The two drawing programs of the sprite-frame benchmark
// (sprite_frames_bench), the engine's and the plain one, and the commands
// the benchmark gives them: one a line on the program's standard input,
// each answered with one line on file descriptor 3 (standard output stays
// free for whatever the runtime prints):
//   "frame N"        draws one frame of N sprites as the program's loop
//                    does; answers the milliseconds from its first drawing
//                    call until the frame has been swapped and finished
//   "picture N PATH" draws N sprites on a cleared frame and writes its back
//                    buffer, read before the swap, to PATH (kWidth x
//                    kHeight RGBA rows, bottom row first); answers "ok"
// A program answers "ready" once its window is up (any other first line
// says why it is not) and ends at the end of its input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sprite_frames {

inline constexpr int kWidth = 1260;
inline constexpr int kHeight = 714;
inline constexpr int kReplyFd = 3;

// A steady clock in milliseconds.
double Millis();

// Answers one line.
void Reply(const std::string& line);

// The current back buffer, as "picture" writes it.
std::vector<uint8_t> ReadBackBuffer();

// Answers "ready" and serves the commands until the end of the input:
// frame(count) draws and times one frame, picture(count) returns the back
// buffer of a cleared frame with count sprites. Returns the exit status.
int Serve(double (*frame)(int count), std::vector<uint8_t> (*picture)(int count));

}  // namespace sprite_frames
