// DATA, RESTORE and READ.
//
// The translated program keeps its DATA values in static blocks and hands
// one to RESTORE, which makes it the current block and rewinds it. Each
// READ takes the next value of the current block, converting between
// numbers and text. Reading past the end of the current block (or before
// any RESTORE) is fatal error 20; the target is then not written.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// One DATA value: a number, or a text when text is not null.
struct DataEntry {
  double number;
  const char* text;
};

struct DataBlock {
  const DataEntry* entries;  // count entries, one after the other
  int32_t count;
  int32_t readIndex;  // the next entry to read; 0 after RESTORE
};

// Rewinds the block, makes it current and returns it.
DataBlock* DataRestore(DataBlock& block);

// A number is truncated toward zero (the most negative int when it does not
// fit); a text goes through the runtime's atoi.
void DataReadInt(int32_t* target);
// A text goes through the runtime's atof.
void DataReadDouble(double* target);
// A number becomes text by the floating-point text rule (10 significant
// digits); a text is copied.
void DataReadString(RtString* target);
