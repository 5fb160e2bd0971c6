// Loading RIFF/WAVE files into sound slots.
//
// Accepted: PCM data of 8 or 16 bits, mono or stereo (a file with more
// channels is taken as stereo), 100 to 200000 samples a second, whose block
// align is one whole frame of that format, with one frame to 0x0FFFFFFF
// bytes of data. The format tag is not examined but for A-law and u-law
// data (tag 6 or 7, or an extensible format of either), which is refused:
// its bytes are logarithmic codes, not PCM samples. A chunk of an odd size
// may be followed by its pad byte or not. Files are hostile input:
// every chunk must lie inside the file, and anything else is refused.
#pragma once

#include <cstdint>

struct FileStream;
struct SoundDevice;
struct SoundSample;

// Frees the slot, then loads the named file (a disk name or a memory-file
// name) on the device with 1 to 4 voices (other counts are brought into
// that range); voice 0 holds the data and the others share it. False, with
// the slot free, without a device output or when the file does not load.
bool SampleLoad(SoundSample& sample, SoundDevice* device, const char* name, int32_t voices);

// Reads the file named by the sample's file name into voice 0.
bool WavLoad(SoundSample& sample);

// Makes voice 0 (in place of any voice 0 it had) a silent buffer of the
// given size and format (stereo: two channels, else one). False, with the
// sample's device set to none, for a format or size the device does not
// take or when memory runs out.
bool SampleCreateBuffer(SoundSample& sample, uint32_t bytes, uint32_t rate, uint16_t bits, uint16_t blockAlign,
                        bool stereo);

// Reads bytes of data from the stream into the start of voice 0, first
// moving the stream to offset unless that is 0xFFFFFFFF. False when voice 0
// is missing or smaller, or the stream holds fewer bytes.
bool SampleFillBuffer(SoundSample& sample, FileStream& stream, uint32_t bytes, uint32_t offset);
