#include "core/data_list.h"

#include "core/fatal_error.h"
#include "core/float_to_int.h"
#include "core/number_text.h"

namespace {

DataBlock* g_dataCurrent = nullptr;

// The entry to read next, or null after raising error 20 when the current
// block has none left. A read index below 0 (a block the program damaged)
// counts as exhausted rather than reading before the entries.
const DataEntry* DataNext() {
  DataBlock* block = g_dataCurrent;
  if (block == nullptr || block->readIndex < 0 || block->readIndex >= block->count) {
    CoreFatal(kErrorOutOfData);
    return nullptr;
  }
  return &block->entries[block->readIndex];
}

void DataAdvance() { ++g_dataCurrent->readIndex; }

}  // namespace

DataBlock* DataRestore(DataBlock& block) {
  block.readIndex = 0;
  g_dataCurrent = &block;
  return &block;
}

void DataReadInt(int32_t* target) {
  const DataEntry* entry = DataNext();
  if (entry == nullptr) return;
  *target = entry->text != nullptr ? TextToInt(StringFromCStr(entry->text)) : TruncToInt32(entry->number);
  DataAdvance();
}

void DataReadDouble(double* target) {
  const DataEntry* entry = DataNext();
  if (entry == nullptr) return;
  *target = entry->text != nullptr ? TextToDouble(StringFromCStr(entry->text)) : entry->number;
  DataAdvance();
}

void DataReadString(RtString* target) {
  const DataEntry* entry = DataNext();
  if (entry == nullptr) return;
  if (entry->text != nullptr) {
    StringAssign(*target, StringFromCStr(entry->text));
  } else {
    StringAssign(*target, StringFromDouble(entry->number));
  }
  DataAdvance();
}
