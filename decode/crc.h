#pragma once
// CRC-32 of the ZIP format: reflected polynomial 0xEDB88320. Callers preset
// the register to 0xFFFFFFFF and invert it at the end.
#include <cstdint>

constexpr unsigned CrcTableAllocation = 1028;  // 256 entries of 32 bits, in a 1028-byte block

extern std::uint32_t* CrcTable;

void BuildCrcTable();

inline std::uint32_t CrcByte(std::uint8_t byte, std::uint32_t crc) {
    return CrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Advances `crc` over `length` bytes; a length of zero or less changes nothing.
void CrcUpdate(const std::uint8_t* buffer, std::int32_t length, std::uint32_t& crc);
