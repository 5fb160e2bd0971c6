// Splitting a command line into arguments by Windows rules: the inverse of
// PlatformQuoteArgument (platform/command_line.h).
#pragma once

#include <string>
#include <vector>

// Words are separated by blanks and tabs outside double quotes. A double
// quote toggles quoting and is dropped; "" inside quotes is one literal
// quote. 2n backslashes before a quote give n backslashes (and the quote
// toggles), 2n+1 give n backslashes and a literal quote; other backslashes
// stand as they are. A quoted empty text ("") is an empty argument.
std::vector<std::string> PlatformSplitCommandLine(const std::string& line);
