// The title music: a short dark loop, synthesised and encoded as MP3.
#pragma once

#include <string>

// Writes the loop as an MP3 file (44100 Hz, mono); false on failure, with
// the reason on standard error.
bool SaveMusicMp3(const std::string& path);
