#pragma once
// The Deflate decoder's constant lists and per-entry state (RFC 1951), shared
// with the code table builder's callers and the tests.
#include <cstdint>

#include "decode/code_tables.h"

// Symbols 257..287 of the literal/length code: base length and extra bits.
// 286 and 287 do not occur in valid data (extra 99 makes them invalid codes).
extern const std::uint16_t LengthBase[31];
extern const std::uint8_t LengthExtra[31];
// Distance symbols 0..29; 30 and 31 have no entry and decode as invalid codes.
extern const std::uint16_t DistanceBase[30];
extern const std::uint8_t DistanceExtra[30];
extern const std::uint8_t CodeLengthOrder[19];
extern const std::uint16_t BitMask[17];

// Bit reader between blocks: the next unread bits, next bit in bit 0.
extern std::uint32_t BitBuffer;
extern std::uint16_t BitCount;

// Reads one block; returns its last-block flag.
int DecodeBlock();
