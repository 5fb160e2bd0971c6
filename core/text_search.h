// Byte-exact, case-sensitive search and replace over byte ranges: an RtString
// is its text and its length word (zero bytes inside are ordinary bytes), a
// `const char*` its bytes up to the first zero byte (null is the empty
// text). Positions are 0-based; -1 means "not found". An empty needle is
// never found.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

// Offset of the first occurrence of the needle in the haystack, or -1.
int64_t TextFindBytes(const char* haystack, uint32_t haystackLength, const char* needle, uint32_t needleLength);

// The first occurrence at or after start (a negative start searches from 0).
int32_t TextFind(const char* haystack, const char* needle, int32_t start);
int32_t TextFind(const char* haystack, const RtString& needle, int32_t start);
int32_t TextFind(const RtString& haystack, const char* needle, int32_t start);
int32_t TextFind(const RtString& haystack, const RtString& needle, int32_t start);

// The last occurrence that begins at or before position (overlapping
// occurrences count). A negative position means the last place the needle
// can begin; a position beyond the end admits every occurrence.
int32_t TextFindLast(const char* haystack, const char* needle, int32_t position);
int32_t TextFindLast(const char* haystack, const RtString& needle, int32_t position);
int32_t TextFindLast(const RtString& haystack, const char* needle, int32_t position);
int32_t TextFindLast(const RtString& haystack, const RtString& needle, int32_t position);

// source with every occurrence of find replaced, left to right; text that a
// replacement put in is never searched again. An empty find gives a copy.
RtString TextReplaceAll(const RtString& source, const RtString& find, const RtString& replacement);

// The first byte of text that is (is not) one of the bytes of set, or null.
// An empty text gives null; an empty set matches nothing.
const char* TextFindAnyOf(const char* text, const char* set);
const char* TextFindNotOf(const char* text, const char* set);
