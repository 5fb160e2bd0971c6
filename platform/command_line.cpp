#include "platform/command_line.h"

namespace {

std::string& StoredCommandLine() {
  static std::string line;
  return line;
}

}  // namespace

std::string PlatformQuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote itself escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  // Backslashes before the closing quote are doubled as well.
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

void PlatformSetArguments(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    line += PlatformQuoteArgument(argv[i] != nullptr ? argv[i] : "");
  }
  StoredCommandLine() = line;
}

std::string PlatformCommandLine() { return StoredCommandLine(); }
