#include "fuzz/line_oracle.h"

#include <cstring>

std::vector<std::string> ExpectedLines(const std::string& data, int32_t max, bool dropRest) {
  std::vector<std::string> lines;
  const size_t room = static_cast<size_t>(max - 1);
  size_t position = 0;
  size_t newline = std::string::npos;  // the next '\n' at or after position, found once per line
  bool searched = false;
  while (position < data.size()) {
    if (!searched || (newline != std::string::npos && newline < position)) {
      newline = data.find('\n', position);
      searched = true;
    }
    const bool hasNewline = newline != std::string::npos;
    const size_t end = hasNewline ? newline : data.size();
    // One '\r' right before the end of a line is dropped.
    const size_t length = end - position;
    const size_t content = length > 0 && data[end - 1] == '\r' ? length - 1 : length;
    if (content <= room) {
      lines.push_back(data.substr(position, content));
      position = hasNewline ? end + 1 : end;
    } else {
      lines.push_back(data.substr(position, room));
      position = dropRest ? (hasNewline ? end + 1 : end) : position + room;
    }
    // A caller sees the text up to its first zero byte.
    lines.back().resize(std::strlen(lines.back().c_str()));
  }
  return lines;
}
