// Reading "[section]" and "key=value" text into an IniDocument, and looking
// one value up. The reader is lenient: it never fails and never reports.
//
// Lines are read through the media resolver, so a disk file, an entry of
// the media pack or a memory-file name all read alike. The first non-blank
// character of a line decides: ';' is a comment, '[' a section header,
// anything else a key line "key = value" (a key is one word; the value is
// the rest of the line with the control bytes at its end cut). Only
// sections holding at least one key are stored; keys before the first
// header form a section named "". A line longer than 1023 bytes is read up
// to there and the rest of it is dropped.
#pragma once

#include <cstdint>

#include "core/grow_array.h"
#include "core/rt_string.h"
#include "files/ini_document.h"

// Empties the document (without writing it back) and reads the named file
// into it. The document keeps the name, also when nothing could be read.
void SectionReaderParse(IniDocument& document, const RtString& name);

// The value of key in the first section named section, or a copy of
// fallback.
RtString SectionReaderGet(const IniDocument& document, const RtString& section, const RtString& key,
                          const RtString& fallback);

// Makes room for index n in keys by the growable array's rule; false when
// the storage cannot be had (the keys are then kept as they were).
bool SectionReaderEntriesResize(GrowArray<IniKey>& keys, int32_t n);

// Count 0; with free, every key destroyed and the storage released.
void SectionReaderEntryClear(GrowArray<IniKey>& keys, bool free);

// Hands one line (without its line end) to the reader's line rules, as the
// parser does for each line it reads; used by the parser and its tests.
class SectionLineParser {
 public:
  explicit SectionLineParser(IniDocument& document);
  void Line(const char* line);
  // Stores the last section when it holds keys.
  void Finish();

 private:
  void StoreCurrent();
  IniDocument& document_;
  IniSection current_;
};
