// The runtime's text value.
//
// An RtString holds 8-bit bytes ended by a zero byte and owns its buffer
// alone. An empty string points at one shared static empty text with
// capacity 0; it is never written and never freed. Buffers grow by the
// reserve rule: room for n bytes of text gives the capacity
// ((n + 1) rounded down to a multiple of 16) + 16. Owned buffers come from
// malloc and go back with free. The block may be larger than the capacity
// word says: a reserve that keeps a text and outgrows its block doubles the
// block (realloc), and a later reserve that the block already covers only
// raises the capacity word. So a text built by many small appends moves
// now and then, while its capacity still follows the reserve rule.
//
// The length word is authoritative: zero bytes inside the first `length`
// bytes are copied like any other byte. Only StringLength and the operations
// taking a plain `const char*` measure up to the first zero byte; a null
// `const char*` counts as the empty text.
//
// Copy construction copies the bytes (StringCopy), copy assignment follows
// StringAssign (reusing the target's buffer when it is large enough), and a
// move construction takes the buffer over, leaving the source empty. There
// is no stealing move assignment: assigning a temporary is StringAssign too,
// so capacities stay those of the reserve rule.
//
// A request for more than kStringMaxLength bytes, or memory that cannot be
// had, is fatal: error 7 and the end of the program.
#pragma once

#include <cstdint>

struct RtString {
  char* text;
  uint32_t capacity;
  uint32_t length;

  RtString() noexcept;
  RtString(const char* p);  // NOLINT(google-explicit-constructor): texts convert like BASIC literals
  RtString(const RtString& other);
  RtString(RtString&& other) noexcept;
  RtString& operator=(const RtString& other);
  ~RtString();

  // The text as a zero-terminated C string (never null).
  const char* c_str() const { return text; }
  bool empty() const { return length == 0; }
};

// The longest text a string can hold.
inline constexpr uint32_t kStringMaxLength = 0xFFFFFFEEu;

// The shared empty text every empty string points at.
extern char g_sharedEmptyText[1];

RtString& StringInitEmpty(RtString& s);
void StringDestroy(RtString& s);
void StringRelease(RtString& s);

// Makes room for n bytes of text plus the terminator. Nothing happens when n
// is 0 or the capacity is already at least n + 1. With keep, the old text is
// copied over; otherwise the new buffer starts with a zero byte. The length
// word is never changed.
void StringReserve(RtString& s, uint32_t n, bool keep);

// Reserves n keeping the contents and returns the buffer for direct writes;
// call StringSyncLength afterwards.
char* StringGetBuffer(RtString& s, uint32_t n);

// Recounts the length after direct writes: up to the first zero byte, at
// most capacity - 1 (a text filling the whole buffer loses its last byte).
void StringSyncLength(RtString& s);

// Bytes before the first zero byte of the text (not the length word).
uint32_t StringLength(const RtString& s);

// Measures a C string, null counting as empty.
uint32_t CStrLength(const char* p);

RtString StringFromCStr(const char* p);
RtString StringFromCStrAlt(const char* p);
RtString StringFromBytes(const char* bytes, uint32_t count);
RtString StringCopy(const RtString& source);
RtString StringFromInt(int32_t value);

// Assigns a C string with an exact-size buffer (capacity length + 1). A
// pointer into the string's own buffer is copied first.
void StringSetCStr(RtString& s, const char* p);
// Assigns a C string through a temporary (reserve rule for the capacity).
void StringAssignCStr(RtString& s, const char* p);
RtString& StringAssign(RtString& target, const RtString& source);

// Appends one byte; while the buffer has room for it and the terminator
// this stays inline, else StringAppendCharGrowing reserves first.
void StringAppendCharGrowing(RtString& s, uint8_t c);
inline void StringAppendChar(RtString& s, uint8_t c) {
  const uint32_t length = s.length;
  if (length + 1 < s.capacity) [[likely]] {
    char* text = s.text;
    text[length] = static_cast<char>(c);
    text[length + 1] = '\0';
    s.length = length + 1;
    return;
  }
  StringAppendCharGrowing(s, c);
}
RtString& StringAppendCStr(RtString& s, const char* p);
RtString& StringAppendBytes(RtString& s, const char* bytes, uint32_t count);
RtString& StringAppend(RtString& s, const RtString& source);

RtString StringConcat(const RtString& a, const RtString& b);
RtString StringConcatCStr(const RtString& a, const char* q);
RtString CStrConcatString(const char* p, const RtString& b);
RtString CStrConcatCStr(const char* p, const char* q);
