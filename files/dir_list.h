// The directory listing and the text split, which fill text arrays for the
// BASIC program.
#pragma once

#include <cstdint>

#include "core/rt_array.h"
#include "core/rt_string.h"

// Lists the current directory into out: every subdirectory ("." and ".."
// included) sorted without regard to case, then every other entry whose
// name matches the wildcard pattern, sorted the same way. Answers
// directories x 65536 + files; a directory that cannot be listed gives an
// empty out and 0.
double FileList(const RtString& pattern, RtArray<RtString>& out);

// Cuts text into pieces at any of the delimiter characters and appends them
// to out, which is emptied first. Two delimiters in a row give an empty
// piece, unless skipEmpty is set, which drops every empty piece; a
// delimiter at the very end gives no empty last piece. An empty set of
// delimiters gives the whole text as one piece. Answers the piece count.
int32_t SplitString(const RtString& text, RtArray<RtString>& out, const RtString& delimiters, uint32_t skipEmpty);
