#pragma once
// The InputFeed and the OutputWindow: the byte-level machinery between the
// SelfImage, the Deflate decoder and the entry's output file. Both exist only
// while one deflated entry is decoded.
#include <cstdint>

constexpr unsigned InputBufferSize = 32768;
constexpr unsigned WindowSize = 32768;  // the format's largest distance

// InputFeed: the entry's compressed bytes, read from the SelfImage in chunks
// of at most InputBufferSize and, for an encrypted entry, decrypted as read.
extern std::uint8_t* InputBuffer;
extern std::uint16_t InputPos;    // next byte to deliver
extern std::uint32_t InputCount;  // bytes the last read placed in InputBuffer

// OutputWindow: the last WindowSize bytes of output, in ring order.
extern std::uint8_t* OutputWindow;
extern std::uint16_t WindowPos;  // bytes stored since the last flush, 0..WindowSize

// The next compressed byte (0..255), or -1, for ever, once the entry's data is
// exhausted. Never reads past the entry's data.
int NextInputByte();

// Writes the first WindowPos bytes of the window to OutputHandle, runs them
// through RunningCrc and sets WindowPos to 0. The bytes stay in the window.
// A write that reports fewer bytes marks the entry incomplete.
void FlushWindow();
