#include "files/section_reader.h"

#include <cstring>
#include <string>

#include "files/file_stream.h"
#include "files/line_reading.h"
#include "files/media_resolver.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// The end of a name: the first blank, '=' or the end of the line.
const char* NameEnd(const char* p) {
  while (*p != '\0' && !IsBlank(*p) && *p != '=') ++p;
  return p;
}

}  // namespace

SectionLineParser::SectionLineParser(IniDocument& document) : document_(document) {
  current_.keys.step = 32;
  current_.keys.first = 32;
}

void SectionLineParser::StoreCurrent() {
  if (current_.keys.count < 1) return;
  IniPushSection(document_, current_);
  current_.keys.count = 0;
}

void SectionLineParser::Line(const char* line) {
  const char* p = SkipBlanks(line);
  if (*p == ';') return;
  if (*p == '[') {
    StoreCurrent();
    const char* begin = SkipBlanks(p + 1);
    const char* end = NameEnd(begin);
    if (end > begin && end[-1] == ']') --end;
    if (end > begin) {
      StringAssign(current_.name, StringFromBytes(begin, static_cast<uint32_t>(end - begin)));
    }
    return;
  }
  const char* key_end = NameEnd(p);
  if (*key_end == '\0') return;
  const char* q = SkipBlanks(key_end);
  if (*q != '=') return;
  const char* value = SkipBlanks(q + 1);
  const char* value_end = value + std::strlen(value);
  while (value_end > value && static_cast<unsigned char>(value_end[-1]) < 0x20) --value_end;
  // A value of control bytes only is as empty as no value: not stored.
  if (value_end == value) return;
  if (current_.keys.count >= current_.keys.capacity &&
      !SectionReaderEntriesResize(current_.keys, current_.keys.count + 1)) {
    return;
  }
  IniKey& key = current_.keys[current_.keys.count];
  StringAssign(key.name, StringFromBytes(p, static_cast<uint32_t>(key_end - p)));
  StringAssign(key.value, StringFromBytes(value, static_cast<uint32_t>(value_end - value)));
  ++current_.keys.count;
}

void SectionLineParser::Finish() { StoreCurrent(); }

void SectionReaderParse(IniDocument& document, const RtString& name) {
  IniDocumentEmpty(document);
  document.sections.step = 16;
  document.sections.first = 8;
  std::string resolved;
  if (MediaResolveName(name.c_str(), &resolved) == 0) resolved = name.c_str();
  IniDocumentSetFileName(document, StringFromCStr(resolved.c_str()));
  FileStream stream;
  if (!StreamOpen(stream, resolved.c_str())) return;
  SectionLineParser parser(document);
  char line[1024];
  while (StreamReadLineDropRest(stream, line, sizeof line)) parser.Line(line);
  parser.Finish();
  StreamClose(stream);
}

RtString SectionReaderGet(const IniDocument& document, const RtString& section, const RtString& key,
                          const RtString& fallback) {
  if (document.sections.count == 0) return StringCopy(fallback);
  const int32_t s = IniFindSection(document, section.c_str());
  if (s < 0) return StringCopy(fallback);
  const IniSection& found = document.sections[s];
  const int32_t k = IniFindKey(found, key.c_str());
  if (k < 0) return StringCopy(fallback);
  return StringCopy(found.keys[k].value);
}

bool SectionReaderEntriesResize(GrowArray<IniKey>& keys, int32_t n) { return keys.Reserve(n); }

void SectionReaderEntryClear(GrowArray<IniKey>& keys, bool free) {
  if (free) {
    keys.Release();
  } else {
    keys.Clear();
  }
}
