#include "fuzz/line_oracle.h"

#include <cstring>

std::vector<std::string> ExpectedLines(const std::string& data, int32_t max, bool dropRest) {
  std::vector<std::string> lines;
  const size_t room = static_cast<size_t>(max - 1);
  size_t position = 0;
  while (position < data.size()) {
    const size_t newline = data.find('\n', position);
    const bool hasNewline = newline != std::string::npos;
    const size_t end = hasNewline ? newline : data.size();
    std::string line = data.substr(position, end - position);
    // One '\r' right before the end of a line is dropped.
    std::string content = line;
    if (!content.empty() && content.back() == '\r') content.pop_back();
    if (content.size() <= room) {
      lines.push_back(content);
      position = hasNewline ? end + 1 : end;
    } else {
      lines.push_back(line.substr(0, room));
      position = dropRest ? (hasNewline ? end + 1 : end) : position + room;
    }
    // A caller sees the text up to its first zero byte.
    lines.back().resize(std::strlen(lines.back().c_str()));
  }
  return lines;
}
