#include "files/ini_document.h"

#include <cstdlib>
#include <cstring>

#include "core/c_runtime.h"
#include "files/file_write_back.h"
#include "files/section_reader.h"

namespace {

bool g_iniTableBuilt = false;

// Never destroyed: IniWrite empties it among the exit handlers.
IniDocument& IniSingleton() {
  static IniDocument* const document = new IniDocument;
  return *document;
}

void ReleaseSlot(IniSection& section) {
  StringAssignCStr(section.name, "");
  section.keys.Release();
}

void RemoveSection(IniDocument& document, int32_t index) {
  GrowArray<IniSection>& sections = document.sections;
  const int32_t last = sections.count - 1;
  if (index != last) sections[index] = sections[last];
  ReleaseSlot(sections[last]);
  sections.count = last;
}

void RemoveKey(IniSection& section, int32_t index) {
  GrowArray<IniKey>& keys = section.keys;
  const int32_t last = keys.count - 1;
  if (index != last) keys[index] = keys[last];
  StringAssignCStr(keys[last].value, "");
  StringAssignCStr(keys[last].name, "");
  keys.count = last;
}

void AppendLine(std::string& out, const char* a, const RtString& b, const char* c, const RtString& d) {
  out += a;
  out.append(b.text, b.length);
  out += c;
  out.append(d.text, d.length);
  out += "\r\n";
}

void AppendSection(std::string& out, const IniSection& section) {
  static const RtString kNothing;
  AppendLine(out, "[", section.name, "]", kNothing);
  for (const IniKey& key : section.keys) AppendLine(out, "", key.name, "=", key.value);
}

}  // namespace

IniDocument::~IniDocument() {
  IniDocumentWriteBack(*this);
  IniDocumentEmpty(*this);
}

void IniDocumentSetFileName(IniDocument& document, const RtString& name) {
  StringAssign(document.fileName, name);
  document.writePath = WriteBackPath(name.c_str());
}

bool IniDocumentWriteBack(const IniDocument& document) {
  if (document.changed != 1 || document.fileName.empty() || document.writePath.empty()) return false;
  std::string out;
  for (const IniSection& section : document.sections) {
    if (section.name.empty()) AppendSection(out, section);
  }
  for (const IniSection& section : document.sections) {
    if (!section.name.empty()) AppendSection(out, section);
  }
  return WriteBackFile(document.writePath, out.data(), out.size());
}

void IniDocumentEmpty(IniDocument& document) {
  document.changed = 0;
  StringAssignCStr(document.fileName, "");
  document.writePath.clear();
  document.sections.Release();
}

int32_t IniFindSection(const IniDocument& document, const char* name) {
  for (int32_t i = 0; i < document.sections.count; ++i) {
    if (CrtStricmp(document.sections[i].name.c_str(), name) == 0) return i;
  }
  return -1;
}

int32_t IniFindKey(const IniSection& section, const char* name) {
  for (int32_t i = 0; i < section.keys.count; ++i) {
    if (CrtStricmp(section.keys[i].name.c_str(), name) == 0) return i;
  }
  return -1;
}

bool IniPushSection(IniDocument& document, const IniSection& section) {
  if (!document.sections.Push(section)) return false;
  IniSection& copy = document.sections[document.sections.count - 1];
  if (copy.keys.count == section.keys.count) return true;
  // The copy of the keys could not be had: take the slot back.
  --document.sections.count;
  ReleaseSlot(copy);
  return false;
}

IniDocument& IniTable() {
  IniDocument& document = IniSingleton();
  if (!g_iniTableBuilt) {
    g_iniTableBuilt = true;
    std::atexit(IniWrite);
  }
  return document;
}

void IniOpen(const RtString& name) {
  IniDocument& document = IniTable();
  IniDocumentWriteBack(document);
  if (!name.empty()) {
    SectionReaderParse(document, name);
  } else {
    IniDocumentEmpty(document);
  }
}

RtString IniGet(const RtString& section, const RtString& key, const RtString& fallback) {
  return SectionReaderGet(IniTable(), section, key, fallback);
}

void IniPut(const RtString& section, const RtString& key, const RtString& value) {
  IniDocument& document = IniTable();
  int32_t s = IniFindSection(document, section.c_str());
  if (key.empty()) {
    if (s >= 0) {
      RemoveSection(document, s);
      document.changed = 1;
    }
    return;
  }
  if (s < 0) {
    IniSection fresh;
    StringAssign(fresh.name, section);
    if (!IniPushSection(document, fresh)) return;
    s = document.sections.count - 1;
  }
  IniSection& target = document.sections[s];
  const int32_t k = IniFindKey(target, key.c_str());
  if (k >= 0) {
    document.changed = 1;
    if (value.empty()) {
      RemoveKey(target, k);
    } else {
      StringAssign(target.keys[k].value, value);
    }
    return;
  }
  if (value.empty()) return;
  IniKey added;
  StringAssign(added.name, key);
  StringAssign(added.value, value);
  if (target.keys.Push(added)) document.changed = 1;
}

void IniWrite() {
  IniDocument& document = IniSingleton();
  IniDocumentWriteBack(document);
  IniDocumentEmpty(document);
}

void IniResetForTest() { IniDocumentEmpty(IniSingleton()); }
