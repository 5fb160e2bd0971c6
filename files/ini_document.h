// INI data: one document of "[section]" and "key=value" texts held in
// memory, and the four INI commands over the process-wide document.
//
// Section and key names compare without regard to ASCII case; a look-up
// takes the first match in array order. Removing a section or a key moves
// the last one into its place. A changed document with a file name is
// written back when another file is opened and at exit; a document read
// from a memory-file name is never written back.
#pragma once

#include <cstdint>
#include <string>

#include "core/grow_array.h"
#include "core/rt_string.h"

struct IniKey {
  RtString name;
  RtString value;
};

struct IniSection {
  RtString name;           // may be "": keys standing before the first header
  GrowArray<IniKey> keys;  // in file or insertion order
};

struct IniDocument {
  GrowArray<IniSection> sections;  // in the order read or added
  RtString fileName;               // "" when the document belongs to no file
  uint8_t changed = 0;             // 1 once IniPut changed it since read or emptied
  std::string writePath;           // fileName made absolute when it was stored; "" = never written

  IniDocument() = default;
  // Writes back when changed and named, then empties.
  ~IniDocument();
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;
};

// Stores the name the document belongs to and fixes the path it will be
// written back to (none for memory-file names or names that do not fit).
void IniDocumentSetFileName(IniDocument& document, const RtString& name);

// Writes the document to its file when it is changed and has a write path:
// the "" sections first (so that their keys stand before any other header
// when read back), then the others in array order, each as "[name]" and its
// keys as "name=value", every line ended by "\r\n". The changed flag is left
// alone. Returns true when a file was written.
bool IniDocumentWriteBack(const IniDocument& document);

// Clears changed, empties the file name and removes every section; nothing
// is written.
void IniDocumentEmpty(IniDocument& document);

// The first section / key whose name equals the given one without regard to
// case; -1 when there is none.
int32_t IniFindSection(const IniDocument& document, const char* name);
int32_t IniFindKey(const IniSection& section, const char* name);

// Appends a copy of the section. When the array cannot grow, or the copy of
// its keys cannot be had, the document keeps what it held and the answer is
// false.
bool IniPushSection(IniDocument& document, const IniSection& section);

// The process-wide document of the INI commands, built at the first call,
// which registers IniWrite with atexit.
IniDocument& IniTable();

void IniOpen(const RtString& name);
RtString IniGet(const RtString& section, const RtString& key, const RtString& fallback);
void IniPut(const RtString& section, const RtString& key, const RtString& value);

// The exit handler: writes the document back when changed and named, then
// empties it.
void IniWrite();

// Tests: empties the process-wide document without writing it back.
void IniResetForTest();
