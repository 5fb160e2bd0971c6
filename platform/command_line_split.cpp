#include "platform/command_line_split.h"

std::vector<std::string> PlatformSplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      ++i;
      continue;
    }
    in_word = true;
    if (c == '\\') {
      size_t count = 0;
      while (i < line.size() && line[i] == '\\') {
        ++count;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        word.append(count / 2, '\\');
        if (count % 2 == 1) {
          word += '"';
          ++i;
        }
      } else {
        word.append(count, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        word += '"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    word += c;
    ++i;
  }
  if (in_word) words.push_back(word);
  return words;
}
