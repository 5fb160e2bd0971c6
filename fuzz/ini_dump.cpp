#include "fuzz/ini_dump.h"

#include "files/ini_document.h"

namespace {

void Append(std::string& out, const RtString& text) {
  out += std::to_string(text.length) + ":";
  out.append(text.text, text.length);
}

void AppendSection(std::string& out, const IniSection& section) {
  out += "[";
  Append(out, section.name);
  out += "]\n";
  for (const IniKey& key : section.keys) {
    Append(out, key.name);
    out += "=";
    Append(out, key.value);
    out += "\n";
  }
}

}  // namespace

std::string IniDump(const IniDocument& document, bool writeOrder) {
  std::string out;
  for (const IniSection& section : document.sections) {
    if (!writeOrder || section.name.empty()) AppendSection(out, section);
  }
  if (writeOrder) {
    for (const IniSection& section : document.sections) {
      if (!section.name.empty()) AppendSection(out, section);
    }
  }
  return out;
}
