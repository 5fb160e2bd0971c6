// The process's command line as one string.
#pragma once

#include <string>

// Records the process arguments; called once from main().
void PlatformSetArguments(int argc, const char* const* argv);

// The arguments joined into one line with Windows quoting rules, so that
// splitting the line by those rules gives the arguments back. argv[0] is
// the first word. Empty before PlatformSetArguments.
std::string PlatformCommandLine();

// Quotes one argument by Windows rules: unchanged when it has no blank, tab,
// newline or double quote and is not empty; otherwise enclosed in double
// quotes, with backslashes doubled where they precede a quote.
std::string PlatformQuoteArgument(const std::string& argument);
