// The eight numbered file channels, 0 to 7, through which programs read and
// write their own files. Binary values are little-endian.
//
// A channel opened for reading finds its file through the media resolver,
// so it reads packed media as well as disk files; it then owns the unpacked
// block until it is closed. Channels opened for writing or appending keep
// size and position 0: position, seek and the end test speak of that
// recorded position only (a seek still moves the file pointer, so later
// writes land there). A read from such a channel takes its bytes at the file
// pointer, where the last write or seek left it, and moves it on; its
// recorded position grows by the bytes read. An appending channel cannot
// read.
//
// Fatal errors (RuntimeFatal, then the command returns): a channel above 7
// in any operation but FileChannelOpen, FileChannelFree and FileChannelAtEnd
// (7); a write that does not write all its bytes or meets a closed or memory
// channel (3); a line, string or typed read that fails (3).
#pragma once

#include <cstdint>

#include "core/rt_string.h"
#include "files/file_stream.h"

inline constexpr uint32_t kFileChannelCount = 8;

// The channel table, all closed at start.
extern FileStream g_fileChannels[kFileChannelCount];

// Clears the last error and opens the channel: mode > 0 reads, 0 writes a
// new file (deleting what had the name), < 0 appends. Returns 1 when open.
// A channel above 7 is error 7; a name not found, a memory-file name for
// writing, or a file that cannot be made is error 3; each gives 0.
int32_t FileChannelOpen(uint32_t channel, const RtString& name, int32_t mode);
// Clears the last error and closes the channel (freeing a block it owns).
void FileChannelClose(uint32_t channel);
// Closes all eight channels, then calls the channels-closed hook.
void FileCloseAll();
// The game's routine that FileCloseAll ends with; the game hands it to the
// runtime before start-up (GameHookEmpty). Null (no game): nothing.
extern void (*g_channelsClosedHook)();
// The lowest channel with neither a file nor a memory block, or -1.
int32_t FileChannelFree();
// Position >= size; true for a channel above 7.
bool FileChannelAtEnd(uint32_t channel);
int64_t FileChannelPos(uint32_t channel);
// Mode 0 from the start, > 0 from the position, < 0 from the size; a
// result below 0 clamps to 0. A closed channel is left alone.
void FileChannelSeek(uint32_t channel, int64_t offset, int32_t mode);

// Writes return 1 (0 after a fatal error).
int32_t FileChannelWriteLine(uint32_t channel, const RtString& text);  // the text, then "\r\n"
int32_t FileChannelWriteStr(uint32_t channel, const RtString& text);   // empty: nothing, 1 at once
int32_t FileChannelWriteF32(uint32_t channel, double value);
int32_t FileChannelWriteF64(uint32_t channel, double value);
int32_t FileChannelWriteU32(uint32_t channel, uint32_t value);
int32_t FileChannelWriteI32(uint32_t channel, int32_t value);
int32_t FileChannelWriteU16(uint32_t channel, uint32_t value);
int32_t FileChannelWriteI16(uint32_t channel, int32_t value);
int32_t FileChannelWriteU8(uint32_t channel, uint32_t value);
int32_t FileChannelWriteI8(uint32_t channel, int32_t value);

// One line of at most 1023 bytes ("\r\n" or "\n" ended; a longer line comes
// in pieces); nothing left to read is fatal.
void FileChannelReadLine(uint32_t channel, RtString& out);
void FileChannelReadInt(uint32_t channel, int32_t& out);     // a line by atoi
void FileChannelReadNumber(uint32_t channel, double& out);   // a line by atof
// n bytes; the length becomes n. n <= 0 gives the empty text without
// touching the channel. A file read past its end fails before allocating.
void FileChannelReadStr(uint32_t channel, RtString& out, int32_t n);
// Typed reads: bytes that do not arrive read as 0. A memory channel at its
// end delivers what is left; a file read past its end is fatal.
void FileChannelReadF32(uint32_t channel, double& out);
void FileChannelReadF64(uint32_t channel, double& out);
void FileChannelReadU32(uint32_t channel, int32_t& out);
void FileChannelReadU16(uint32_t channel, int32_t& out);  // zero-extended
void FileChannelReadU8(uint32_t channel, int32_t& out);
void FileChannelReadI32(uint32_t channel, int32_t& out);
void FileChannelReadI16(uint32_t channel, int32_t& out);  // sign-extended
void FileChannelReadI8(uint32_t channel, int32_t& out);
